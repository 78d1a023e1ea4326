#include "app/Startup.h"
#include "app/qt/Application.h"
#include "app/qt/CommandLine.h"
#include "app/qt/MemmainformWidget.h"
#include "app/qt/QtFormFactory.h"
#include "platform/Clock.h"
#include "platform/Heap.h"
#include "platform/MemoryStatus.h"
#include "platform/RegistryReaderWriter.h"
#include "platform/posix/ResourceLimits.h"
#include "platform/posix/SessionEnd.h"
#include "platform/qt/Display.h"
#include "platform/qt/UiDispatcher.h"
#include "scrub/qt/ScrubformWidget.h"

#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace kestrune {
namespace {

// The toolkit ends the process itself (exit 1) when the X server goes away,
// from inside whatever event loop runs: this stops the threads and gives
// back an operation's memory first. Emptied once the run ends as usual.
// Only the UI thread may: it is the one that joins the others.
std::function<void()> stopBeforeExit;
std::thread::id uiThread;
void runBeforeToolkitExit() {
    if (std::this_thread::get_id() != uiThread) return;
    if (auto stop = std::exchange(stopBeforeExit, nullptr)) stop();
}

class QtToolkit final : public Toolkit {
public:
    QtToolkit(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    ToolkitOptions options() const override { return qtOptions(); }
    void out(const std::string& line) override { std::printf("%s\n", line.c_str()); }
    void err(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }
    int refuse(const CommandLine& wrong) override {
        std::fprintf(stderr, "%s\n%s\n", wrong.text.c_str(), kUsageHint);
        return 2;
    }
    // SIGTERM or Ctrl+C stops a trim between steps.
    const std::atomic<bool>& interrupted() override { return sessionEnd().requested(); }

    int open() override {
        platform::fitThreadsToAddressSpace();
        // Too little address space, the toolkit would fail in ways of its own:
        // no window at all, or one that freezes.
        if (const std::string shortage = addressSpaceShortage(platform::systemMemory().sample()); !shortage.empty()) {
            std::fprintf(stderr, "%s\n", shortage.c_str());
            return 1;
        }
        sessionEnd();
        for (const platform::Result<void>& fits : {platform::fitDescriptors(), platform::threadShortage()}) {
            if (fits) continue;
            std::fprintf(stderr, "%s\n", fits.error().text.c_str());
            return 1;
        }
        platform::DisplayCheck display(argc_, argv_);
        if (!display.ready()) return 1;
        app_.emplace(argc_, argv_);
        display.release();
        platform::RegistryReaderWriter::setLockWait(platform::kUiLockWait);  // a busy store must not freeze the windows
        app_->SetTitle("Kestrune");
        dispatcher_.emplace();
        return 0;
    }
    platform::UiDispatcher& ui() override { return *dispatcher_; }

    TKestruneForm& openWindows(TrimRunner& trims, std::atomic<bool>& appClosing) override {
        forms_.emplace(platform::systemMemory(), platform::systemClock(), *dispatcher_, &trims);
        main_ = app_->CreateForm<KestruneFormWidget>(platform::systemMemory(), platform::systemVirtualMemory(),
                                                     platform::systemClock(), *dispatcher_, *forms_, appClosing,
                                                     &sessionEnd_->requested(), &trims);
        forms_->setOwner(main_);
        scrub_ =
            app_->CreateForm<ScrubFormWidget>(nullptr, platform::systemMemory(), platform::systemClock(), *dispatcher_);
        main_->onClosed = [this] { app_->quit(); };
        // Logout or Ctrl+C: as File > Exit.
        app_->EndWithSession(sessionEnd_->fd(), [] {
            if (KestruneForm != nullptr) KestruneForm->CustomItem1Click();
        });
        return main_->form();
    }
    TScrubForm& scrubForm() override { return scrub_->form(); }
    void beforeToolkitExit(const std::function<void()>& stop) override {
        stopBeforeExit = stop;
        if (!stopBeforeExit || atExitSet_) return;
        uiThread = std::this_thread::get_id();
        std::atexit(runBeforeToolkitExit);
        atExitSet_ = true;
    }
    void showMain(bool minimized) override {
        if (minimized && KestruneTray::available())
            main_->showMinimized();
        else
            main_->show();
    }
    void soon(std::function<void()> task) override { QTimer::singleShot(0, main_, std::move(task)); }
    void run() override { app_->exec(); }
    void showException(const std::string& what) override { app_->ShowException(what); }
    void closeWindows() override { app_->DestroyForms(); }

private:
    platform::SessionEnd& sessionEnd() {
        if (!sessionEnd_) sessionEnd_.emplace();
        return *sessionEnd_;
    }

    int& argc_;
    char** argv_;
    std::optional<platform::SessionEnd> sessionEnd_;
    std::optional<KestruneApplication> app_;
    std::optional<platform::QtUiDispatcher> dispatcher_;
    std::optional<QtFormFactory> forms_;
    KestruneFormWidget* main_ = nullptr;
    ScrubFormWidget* scrub_ = nullptr;
    bool atExitSet_ = false;
};

}  // namespace
}  // namespace kestrune

int main(int argc, char** argv) {
    kestrune::QtToolkit toolkit(argc, argv);
    return kestrune::runProgram(argc, argv, toolkit);
}
