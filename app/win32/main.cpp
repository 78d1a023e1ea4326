// Before <windows.h>, which the views bring: the store names the hives itself.
#include "platform/RegistryReaderWriter.h"

#include "app/Startup.h"
#include "app/win32/MemmainformWindow.h"
#include "app/win32/Win32FormFactory.h"
#include "platform/Clock.h"
#include "platform/MemoryStatus.h"
#include "platform/MessageBox.h"
#include "platform/Thread.h"
#include "platform/VirtualMemory.h"
#include "platform/win32/Form.h"
#include "platform/win32/UiDispatcher.h"
#include "platform/windows/ParentConsole.h"
#include "platform/windows/Text.h"
#include "scrub/win32/ScrubformWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {
namespace {

namespace win32 = platform::win32;

class Win32Toolkit final : public Toolkit {
public:
    // `kestrune.exe --trim`, `--help` and the like open no window. Their
    // lines go where the program was started from (a redirection, the
    // console of cmd.exe or PowerShell); from Task Scheduler or a shortcut
    // nothing is shown, and only the exit code tells. A box would wait for a
    // click that, in a task run without the user at the desk, never comes.
    void out(const std::string& line) override { console().out(line); }
    void err(const std::string& line) override { console().err(line); }
    int refuse(const CommandLine& wrong) override {
        if (wrong.windowless) {
            console().err(wrong.firstWrong.empty() ? wrong.text
                                                   : "kestrune: Unknown option '" + wrong.firstWrong + "'.");
            return 2;
        }
        win32::setApplicationTitle(mainform::kCaption);
        // One option to a line: the box wraps long lines at their hyphens.
        platform::messageBox(nullptr,
                             "Unknown option: " + wrong.firstWrong +
                                 "\n\nThe options are:\n--minimized\n--scrub\n--recover\n--trim\n--trim-all\n\n"
                                 "kestrune.exe --help tells what each does.",
                             win32::applicationTitle(), platform::BoxKind::Error);
        return 2;
    }
    // Ctrl+C, Ctrl+Break or the console's closing stops a trim between steps.
    const std::atomic<bool>& interrupted() override {
        console();
        return platform::ParentConsole::interrupted();
    }

    int open() override {
        win32::setApplicationTitle(mainform::kCaption);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        platform::RegistryReaderWriter::setLockWait(platform::kUiLockWait);  // a busy store must not freeze the windows
        dispatcher_.emplace();
        // A thread whose body fails says so in the program's error box.
        platform::setThreadFailureHandler([](const std::string& what) { win32::showException(what); });
        return 0;
    }
    platform::UiDispatcher& ui() override { return *dispatcher_; }

    TKestruneForm& openWindows(TrimRunner& trims, std::atomic<bool>& appClosing) override {
        forms_.emplace(platform::systemMemory(), platform::systemClock(), *dispatcher_, &trims);
        main_ = std::make_unique<KestruneFormWindow>(platform::systemMemory(), platform::systemVirtualMemory(),
                                                     platform::systemClock(), *dispatcher_, *forms_, appClosing,
                                                     &sessionEnding_, &trims);
        forms_->setOwner(main_->hwnd());
        scrub_ =
            std::make_unique<ScrubFormWindow>(nullptr, platform::systemMemory(), platform::systemClock(), *dispatcher_);
        main_->onClosed = [] { PostQuitMessage(0); };
        // Windows ends the session: a recovery in progress ends early.
        main_->onSessionEnd = [this] { sessionEnding_ = true; };
        return main_->form();
    }
    TScrubForm& scrubForm() override { return scrub_->form(); }
    void showMain(bool minimized) override {
        if (minimized && KestruneTray::available())
            main_->showMinimized();
        else
            ShowWindow(main_->hwnd(), SW_SHOW);
    }
    void soon(std::function<void()> task) override { dispatcher_->post(std::move(task)); }
    void run() override { win32::runMessageLoop(); }
    void showException(const std::string& what) override { win32::showException(what); }
    void closeWindows() override {
        dispatcher_->close();
        scrub_.reset();
        main_.reset();
    }

private:
    platform::ParentConsole& console() {
        if (!console_) console_.emplace();
        return *console_;
    }

    std::optional<platform::ParentConsole> console_;
    std::atomic<bool> sessionEnding_{false};
    std::optional<win32::Win32UiDispatcher> dispatcher_;
    std::optional<Win32FormFactory> forms_;
    std::unique_ptr<KestruneFormWindow> main_;
    std::unique_ptr<ScrubFormWindow> scrub_;
};

}  // namespace
}  // namespace kestrune

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The arguments as the system holds them, in UTF-8 for the parser.
    int argc = 0;
    LPWSTR* given = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; given != nullptr && i < argc; ++i) args.push_back(platform::windows::utf8(given[i]));
    LocalFree(given);
    std::vector<const char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    kestrune::Win32Toolkit toolkit;
    return kestrune::runProgram(static_cast<int>(args.size()), argv.data(), toolkit);
}
