#pragma once

#include "app/Memmainform.h"
#include "app/MemmainformLayout.h"
#include "app/win32/KestruneTray.h"
#include "app/win32/PerformanceGraph.h"
#include "platform/Autostart.h"
#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace kestrune {

namespace mainform::id {
// The menu's items.
inline constexpr int kCustomItem1 = 40001;  // File > Exit
inline constexpr int kCustomItem7 = 40002;  // Edit > Scheduler
inline constexpr int kCustomItem2 = 40003;  // Help > Tutorial
inline constexpr int kCustomItem5 = 40004;  // Help > Visit Support
inline constexpr int kAboutItem = 40005;    // Help > About Kestrune
inline constexpr int kCustomItem8 = 40006;  // Edit > Applications…
// The controls.
inline constexpr int kBevel1 = 100;
inline constexpr int kTeGroupBox5 = 101;
inline constexpr int kPerformanceGraph1 = 102;
inline constexpr int kTeLabel5 = 103;
inline constexpr int kTeLabel6 = 104;
inline constexpr int kTeLabel7 = 105;
inline constexpr int kTeGroupBox2 = 110;
inline constexpr int kTeLabel2 = 111;
inline constexpr int kTeProgressBar3 = 112;
inline constexpr int kTeGroupBox3 = 120;
inline constexpr int kTeLabel3 = 121;
inline constexpr int kTeProgressBar4 = 122;
inline constexpr int kTeGroupBox1 = 130;
inline constexpr int kTeLabel1 = 131;
inline constexpr int kTeProgressBar2 = 132;
inline constexpr int kTeGroupBox4 = 140;
inline constexpr int kTeLabel4 = 141;
inline constexpr int kTeProgressBar1 = 142;
inline constexpr int kTeGroupBox6 = 150;
inline constexpr int kLabel2 = 151;
inline constexpr int kLabel1 = 152;
inline constexpr int kTeButton1 = 160;
inline constexpr int kTeButton2 = 161;
inline constexpr int kTeStatusBar1 = 170;
}  // namespace mainform::id

// The main window's controls; the rules live in TKestruneForm.
class KestruneFormWindow final : public platform::win32::Form {
public:
    KestruneFormWindow(platform::MemorySource& memory, platform::VirtualMemory& vm, platform::Clock& clock,
                       platform::UiDispatcher& ui, FormFactory& forms, std::atomic<bool>& appClosing,
                       const std::atomic<bool>* sessionEnding = nullptr, TrimRunner* trim = nullptr);
    ~KestruneFormWindow() override;

    // Shown minimised, not activated, as a start at login asks: into the
    // tray where there is one, with the figures running from the start.
    void showMinimized();
    TKestruneForm& form() { return *form_; }
    KestruneTray& tray() { return *tray_; }
    PerformanceGraph& graph() { return *graph_; }
    // Called once the window has accepted its close.
    std::function<void()> onClosed;
    // The session is ending (log off, shut down): told before the close.
    std::function<void()> onSessionEnd;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void command(int id, int code, HWND control) override;

private:
    // Its figures are those of the design, where the menu bar is part of the
    // client area; here the menu is the frame's.
    class Frame final : public platform::win32::Win32Window {
    public:
        int clientHeight() const override;
        void setClientSize(int width, int height) override;
    };
    // The notices of runs nobody started by hand, as the tray's balloons.
    // The tray is made after the logic, which tells what its menu offers.
    class TrayNotices final : public platform::Notifier {
    public:
        KestruneTray* tray = nullptr;
        void notify(const std::string& title, const std::string& text) override {
            if (tray != nullptr) tray->notify(title, text);
        }
    };
    // The status bar's one panel; only the program writes it, so what it
    // last wrote is kept and an unchanged load costs no message.
    class StatusPanel final : public platform::Label {
    public:
        explicit StatusPanel(HWND bar = nullptr) : bar_(bar) {}
        void setText(const std::string& text) override;
        std::string text() const override { return shown_; }

    private:
        HWND bar_;
        std::string shown_;
    };

    HMENU buildMenu();
    void buildFigures();
    void buildButtons();
    TKestruneForm::Controls wiring();
    void makeTray();
    HWND kindBox(int id, const platform::Rect& r, const char* title, int labelId, int barId,
                 platform::win32::Win32StaticText& label, platform::win32::Win32ProgressBar& bar);
    void menuCommand(int id);
    // The tray's "Kestrune" and its click: a window hidden in the tray is
    // shown anew; one in view comes to the front.
    void restoreFromTray();

    Frame self_;
    bool restoring_ = false;  // restoreFromTray runs the show handling itself
    HWND status_ = nullptr;
    std::unique_ptr<PerformanceGraph> graph_;
    platform::win32::Win32StaticText l1_, l2_, l3_, l4_, l5_, l6_;
    StatusPanel statusPanel_;
    platform::win32::Win32ProgressBar b1_, b2_, b3_, b4_;
    platform::win32::Win32Button recover_, scrub_;
    platform::Autostart autostart_;
    TrayNotices notices_;
    std::unique_ptr<KestruneTray> tray_;
    std::unique_ptr<TKestruneForm> form_;
};

}  // namespace kestrune
