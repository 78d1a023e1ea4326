#include "app/qt/Application.h"
#include "support/Fakes.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <stdexcept>

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

    // Windows it creates are its own until it goes.
    auto* w = app.CreateForm<QWidget>();
    EXPECT_TRUE(app.DestroyForm(w));
    EXPECT_FALSE(app.DestroyForm(w));
}
