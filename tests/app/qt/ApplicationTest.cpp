#include "app/qt/Application.h"
#include "platform/Thread.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune;

namespace {

class Throwing final : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("Something went wrong");
        if (e->type() == QEvent::Paint) throw std::bad_alloc();
        return QObject::event(e);
    }
};

}  // namespace

TEST(Application, EscapedExceptionIsShownInTheStandardBoxAndTheLoopGoesOn) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "kestrune";
    char* argv[] = {name, nullptr};
    KestruneApplication app(argc, argv);
    app.SetTitle("Kestrune");
    testsupport::BoxRecorder boxes;

    Throwing target;
    QEvent user(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &user));
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    // A paint that runs out of memory skips its frame, with no box.
    QEvent paint(QEvent::Paint);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &paint));

    const auto calls = boxes.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "Something went wrong");
    EXPECT_EQ(calls[0].caption, "Kestrune");
    EXPECT_EQ(calls[0].kind, platform::BoxKind::Error);
    EXPECT_EQ(app.applicationName(), "Kestrune");
    QWidget box;
    box.setWindowTitle("Scheduler");  // captions stay exactly as given
    EXPECT_EQ(box.windowTitle(), "Scheduler");
    EXPECT_EQ(app.applicationDisplayName(), "Kestrune");  // Qt's default: the name

    // A thread whose body failed says so in the same box.
    const platform::ThreadFailureHandler failed = platform::setThreadFailureHandler({});
    platform::setThreadFailureHandler(failed);
    ASSERT_TRUE(failed);
    failed("The scheduler stopped: std::bad_alloc");
    ASSERT_EQ(boxes.calls().size(), 3u);
    EXPECT_EQ(boxes.calls()[2].text, "The scheduler stopped: std::bad_alloc");
    EXPECT_EQ(boxes.calls()[2].kind, platform::BoxKind::Error);

    // Windows it creates are its own until it goes.
    auto* w = app.CreateForm<QWidget>();
    EXPECT_TRUE(app.DestroyForm(w));
    EXPECT_FALSE(app.DestroyForm(w));
}

namespace {

// The style the application object ends with, in a process of its own (one
// application object a process).
std::string styleStartedWith(std::vector<std::string> args) {
    int argc = static_cast<int>(args.size()) + 1;
    std::string name = "kestrune";
    std::vector<char*> argv{name.data()};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const KestruneApplication app(argc, argv.data());
    return app.styleName();
}

}  // namespace

TEST(ApplicationDeathTest, TheUsersStyleIsKeptAndFusionTakenOnlyWhenNoneWasAsked) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto exitsWith = [](const char* style, std::vector<std::string> args, const char* override) {
        if (override != nullptr)
            setenv("QT_STYLE_OVERRIDE", override, 1);
        else
            unsetenv("QT_STYLE_OVERRIDE");
        const std::string got = styleStartedWith(std::move(args));
        std::fprintf(stderr, "style %s\n", got.c_str());
        std::exit(got == style ? 0 : 1);
    };
    EXPECT_EXIT(exitsWith("fusion", {}, nullptr), testing::ExitedWithCode(0), "") << "none asked: Fusion";
    EXPECT_EXIT(exitsWith("windows", {"-style", "Windows"}, nullptr), testing::ExitedWithCode(0), "") << "-style";
    EXPECT_EXIT(exitsWith("windows", {}, "Windows"), testing::ExitedWithCode(0), "") << "QT_STYLE_OVERRIDE";
}
