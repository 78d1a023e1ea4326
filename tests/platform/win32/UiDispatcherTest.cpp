#include "../Syncer.h"
#include "platform/win32/UiDispatcher.h"
#include "support/win32/Win32Pump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace platform;
using synctest::Syncer;
using testsupport::win32PumpUntil;

TEST(UiSync, Win32DispatcherServesThroughTheMessageLoopAndDropsOnClose) {
    std::atomic<int> ran{0};
    {
        win32::Win32UiDispatcher ui;
        EXPECT_TRUE(ui.onUiThread());
        auto t = std::make_unique<Syncer>(ui, ran);
        ASSERT_TRUE(win32PumpUntil([&] { return ran >= 100; }));
        t->stop();
        const int atStop = ran;
        testsupport::win32Pump();
        EXPECT_EQ(ran, atStop);
    }
    // Closing with a call still queued releases its caller, and later posts
    // are refused.
    win32::Win32UiDispatcher ui;
    UiSync sync(ui);
    bool result = true;
    std::thread worker([&] { result = sync.call([&] { ++ran; }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the call is queued; the worker waits
    const int before = ran;
    ui.close();
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ui.post([&] { ++ran; }));
    testsupport::win32Pump();
    EXPECT_EQ(ran, before);
}

TEST(UiSync, Win32DispatcherGoesOnServingFromALoopATaskOpens) {
    // A task that opens a modal loop (a message box, the scrub window) must
    // not hold back the tasks queued after it.
    win32::Win32UiDispatcher ui;
    bool second = false;
    bool sawSecondInside = false;
    ASSERT_TRUE(ui.post([&] { sawSecondInside = win32PumpUntil([&] { return second; }, 2000); }));
    ASSERT_TRUE(ui.post([&] { second = true; }));
    ASSERT_TRUE(win32PumpUntil([&] { return second; }));
    EXPECT_TRUE(sawSecondInside);
}
