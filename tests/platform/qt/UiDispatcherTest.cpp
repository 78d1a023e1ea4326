#include "../Syncer.h"
#include "platform/qt/UiDispatcher.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace platform;
using synctest::Syncer;

TEST(UiSync, QtDispatcherServesThroughTheEventLoopAndDropsOnDestruction) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    std::atomic<int> ran{0};
    {
        QtUiDispatcher ui;
        auto t = std::make_unique<Syncer>(ui, ran);
        while (ran < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        t->stop();
        const int atStop = ran;
        QCoreApplication::processEvents();
        EXPECT_EQ(ran, atStop);
    }
    // Destroying the dispatcher with a call still queued releases its caller.
    auto ui = std::make_unique<QtUiDispatcher>();
    UiSync sync(*ui);
    bool result = true;
    std::thread worker([&] { result = sync.call([&] { ++ran; }); });
    // Give the worker time to queue its call; it stays blocked in call().
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const int before = ran;
    ui.reset();
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(ran, before);
}
