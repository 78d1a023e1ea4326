#include "app/win32/MemmainformWindow.h"

#include "platform/win32/Dpi.h"

#include <utility>

#include <commctrl.h>

#include <string>

namespace kestrune {
namespace {

namespace m = mainform;
using platform::withMnemonic;
using platform::win32::toDevice;

// The design's client area begins above the menu bar.
platform::Rect belowMenu(const platform::Rect& r) { return {r.left, r.top - m::kMenuBar.height, r.width, r.height}; }

std::string executablePath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return platform::win32::utf8(std::wstring_view(path, length));
}

}  // namespace

int KestruneFormWindow::Frame::clientHeight() const { return Win32Window::clientHeight() + m::kMenuBar.height; }

void KestruneFormWindow::Frame::setClientSize(int width, int height) {
    Win32Window::setClientSize(width, height - m::kMenuBar.height);
}

void KestruneFormWindow::StatusPanel::setText(const std::string& text) {
    if (text == shown_) return;
    SendMessageW(bar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(platform::win32::wide(text).c_str()));
    shown_ = text;
}

HMENU KestruneFormWindow::buildMenu() {
    const HMENU bar = CreateMenu();
    const HMENU file = CreatePopupMenu();
    platform::win32::appendMenuItem(file, MF_STRING, m::id::kCustomItem1, m::kExitItem, m::kExitKey);
    platform::win32::appendMenuItem(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), m::kFileMenu, m::kFileKey);
    const HMENU edit = CreatePopupMenu();
    platform::win32::appendMenuItem(edit, MF_STRING, m::id::kCustomItem7, m::kSchedulerItem, m::kSchedulerKey);
    platform::win32::appendMenuItem(edit, MF_STRING, m::id::kCustomItem8, m::kApplicationsItem, m::kApplicationsKey);
    platform::win32::appendMenuItem(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), m::kEditMenu, m::kEditKey);
    const HMENU help = CreatePopupMenu();
    platform::win32::appendMenuItem(help, MF_STRING, m::id::kCustomItem2, m::kTutorialItem, m::kTutorialKey);
    platform::win32::appendMenuItem(help, MF_STRING, m::id::kCustomItem5, m::kSupportItem, m::kSupportKey);
    platform::win32::appendMenuItem(help, MF_STRING, m::id::kAboutItem, m::kAboutItem, m::kAboutKey);
    platform::win32::appendMenuItem(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), m::kHelpMenu, m::kHelpKey);
    return bar;
}

HWND KestruneFormWindow::kindBox(int id, const platform::Rect& r, const char* title, int labelId, int barId,
                                 platform::win32::Win32StaticText& label, platform::win32::Win32ProgressBar& bar) {
    const HWND box = panel(id, belowMenu(r), title);
    // The figures may outgrow the designed 97 pixels: use the room up to the
    // bar, on one line (a static control would wrap at the last space and
    // cut the unit off below).
    const HWND text = Form::label(m::kDesignKindText, labelId,
                                  {m::kKindLabel.left, m::kKindLabel.top - 1, m::kKindBar.left - m::kKindLabel.left - 4,
                                   m::kKindLabel.height + 2},
                                  box, SS_LEFTNOWORDWRAP);
    const HWND progress = progressBar(title, barId, m::kKindBar, box);
    label = platform::win32::Win32StaticText(text, true);
    bar = platform::win32::Win32ProgressBar(progress);
    return box;
}

KestruneFormWindow::KestruneFormWindow(platform::MemorySource& memory, platform::VirtualMemory& vm,
                                       platform::Clock& clock, platform::UiDispatcher& ui, FormFactory& forms,
                                       std::atomic<bool>& appClosing, const std::atomic<bool>* sessionEnding,
                                       TrimRunner* trim)
    : autostart_(executablePath()) {
    // A fixed width and a floor under the height: a frame that sizes, no maximise.
    create(L"KestruneForm", m::kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME, 0,
           nullptr, m::kDesignClientWidth, m::kDesignClientHeight - m::kMenuBar.height);
    SetMenu(hwnd(), buildMenu());
    self_.attach(hwnd());
    self_.setClientSize(m::kDesignClientWidth, m::kDesignClientHeight);

    buildFigures();
    buildButtons();
    // No one to ask which application has the focus: the back end asks the
    // system for the foreground window itself.
    form_ = std::make_unique<TKestruneForm>(wiring(), TKestruneForm::Services{.memory = memory,
                                                                              .vm = vm,
                                                                              .clock = clock,
                                                                              .ui = ui,
                                                                              .forms = forms,
                                                                              .appClosing = appClosing,
                                                                              .sessionEnding = sessionEnding,
                                                                              .notifier = &notices_,
                                                                              .trim = trim});
    makeTray();
}

// The figures: the history graph and its scale, and a bar for each kind of memory.
void KestruneFormWindow::buildFigures() {
    control(WC_STATICW, "", SS_ETCHEDHORZ, m::id::kBevel1, belowMenu(m::kBevel1));

    const HWND history = panel(m::id::kTeGroupBox5, belowMenu(m::kGroupBox5), m::kHistoryTitle);
    graph_ = std::make_unique<PerformanceGraph>(history, m::id::kPerformanceGraph1, m::kGraph);
    graph_->setForegroundColor(platform::clBlue);
    graph_->setGradient(100);
    // Right-aligned scale labels: they grow to the left, so longer figures
    // keep the designed right edge.
    // A static control wraps a text too wide for it, and this face's
    // "24105 MB" outgrows the designed right edge: they may use the box's
    // room up to its frame.
    const int scaleLeft = m::kGraph.left + m::kGraph.width + 2;
    const int scaleRight = m::kGroupBox5.width - 6;
    auto scale = [&](const char* text, int id, const platform::Rect& r) {
        return Form::label(text, id, {scaleLeft, r.top, scaleRight - scaleLeft, r.height}, history, SS_RIGHT);
    };
    l5_ = platform::win32::Win32StaticText(scale(m::kDesignScaleTop, m::id::kTeLabel5, m::kLabel5), true);
    l6_ = platform::win32::Win32StaticText(scale(m::kDesignScaleMiddle, m::id::kTeLabel6, m::kLabel6), true);
    scale(m::kScaleBottom, m::id::kTeLabel7, m::kLabel7);

    kindBox(m::id::kTeGroupBox2, m::kGroupBox2, m::kVirtualTitle, m::id::kTeLabel2, m::id::kTeProgressBar3, l2_, b3_);
    kindBox(m::id::kTeGroupBox3, m::kGroupBox3, m::kPageFileTitle, m::id::kTeLabel3, m::id::kTeProgressBar4, l3_, b4_);
    kindBox(m::id::kTeGroupBox1, m::kGroupBox1, m::kPhysicalTitle, m::id::kTeLabel1, m::id::kTeProgressBar2, l1_, b2_);
    kindBox(m::id::kTeGroupBox4, m::kGroupBox4, m::kTotalTitle, m::id::kTeLabel4, m::id::kTeProgressBar1, l4_, b1_);

    const HWND info = panel(m::id::kTeGroupBox6, belowMenu(m::kGroupBox6), m::kInformationTitle);
    // This face runs a little wider than the designed one: the two texts
    // take the box's free height below them, and the second one Label2's width.
    Form::label(
        m::kInfoGraph, m::id::kLabel2,
        {m::kInfoLabel2.left, m::kInfoLabel2.top, m::kInfoLabel2.width, m::kInfoLabel1.top - m::kInfoLabel2.top}, info);
    Form::label(
        m::kInfoBars, m::id::kLabel1,
        {m::kInfoLabel1.left, m::kInfoLabel1.top, m::kInfoLabel2.width, m::kGroupBox6.height - m::kInfoLabel1.top - 4},
        info);
}

void KestruneFormWindow::buildButtons() {
    recover_ = platform::win32::Win32Button(
        button(withMnemonic(m::kRecoverCaption, m::kRecoverKey), m::id::kTeButton1, belowMenu(m::kButton1)),
        m::kRecoverKey);
    scrub_ = platform::win32::Win32Button(
        button(withMnemonic(m::kScrubCaption, m::kScrubKey), m::id::kTeButton2, belowMenu(m::kButton2)), m::kScrubKey);

    status_ = control(STATUSCLASSNAMEW, m::kDesignStatus, 0, m::id::kTeStatusBar1, {0, 0, 0, 0});
    const int parts[] = {toDevice(hwnd(), m::kStatusPanelWidth), -1};
    SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    statusPanel_ = StatusPanel(status_);
    statusPanel_.setText(m::kDesignStatus);
}

// The controls as the rules see them.
TKestruneForm::Controls KestruneFormWindow::wiring() {
    TKestruneForm::Controls controls{
        .self = self_,
        .figures = {.TeLabel1 = l1_,
                    .TeLabel2 = l2_,
                    .TeLabel3 = l3_,
                    .TeLabel4 = l4_,
                    .TeLabel5 = l5_,
                    .TeLabel6 = l6_,
                    .TeProgressBar1 = b1_,
                    .TeProgressBar2 = b2_,
                    .TeProgressBar3 = b3_,
                    .TeProgressBar4 = b4_,
                    .PerformanceGraph1 = *graph_,
                    .statusPanel = statusPanel_,
                    // The tray follows the very sample the window shows.
                    .sampled = [this](const platform::MemoryStatus& s) { tray_->setLoad(s.memoryLoad); }},
        .TeButton1 = recover_,
        .TeButton2 = scrub_};
    return controls;
}

void KestruneFormWindow::makeTray() {
    TrayLogic::Actions trayActions{[this] { restoreFromTray(); }, [this] { form_->TeButton1Click(); },
                                   [this] { form_->TeButton2Click(); }, [this] { form_->CustomItem1Click(); }};
    if (form_->trimOffered()) {
        trayActions.trimIdle = [this] { form_->trimIdle(); };
        trayActions.trimFree = [this] { return form_->trimFree(); };
    }
    tray_ = std::make_unique<KestruneTray>(hwnd(), TrayLogic(recover_, scrub_, std::move(trayActions), &autostart_));
    notices_.tray = tray_.get();
}

KestruneFormWindow::~KestruneFormWindow() {
    // The logic stops its thread before the controls it writes go.
    form_.reset();
    tray_.reset();
}

void KestruneFormWindow::showMinimized() {
    ShowWindow(hwnd(), SW_SHOWMINNOACTIVE);
    // Minimised straight from hidden, the window may be told of no show
    // (Wine tells none): its show handling, which starts the sample the tray
    // shows, runs here then, or the tray would show a load of 0% until the
    // window is first opened.
    if (!form_->MemoryThread) form_->FormShow();
}

void KestruneFormWindow::restoreFromTray() {
    if (!IsWindowVisible(hwnd())) {
        // Out of the tray the program shows the window anew: restored
        // first, so the show handling centres it at its own size (a
        // minimised window's is not) and docks the tutorial; that handling
        // runs once, here, not also from the show itself.
        restoring_ = true;
        ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
        restoring_ = false;
        form_->FormShow();
    } else if (IsIconic(hwnd())) {
        ShowWindow(hwnd(), SW_RESTORE);  // in the task bar: restored where it was, as the system does
    }
    SetForegroundWindow(hwnd());
}

void KestruneFormWindow::menuCommand(int id) {
    switch (id) {
        case m::id::kCustomItem1:
            form_->CustomItem1Click();
            break;
        case m::id::kCustomItem7:
            form_->CustomItem7Click();
            break;
        case m::id::kCustomItem8:
            form_->CustomItem8Click();
            break;
        case m::id::kCustomItem2:
            form_->CustomItem2Click();
            break;
        case m::id::kCustomItem5:
            form_->CustomItem5Click();
            break;
        case m::id::kAboutItem:
            form_->AboutItemClick();
            break;
        default:
            break;
    }
}

void KestruneFormWindow::command(int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    if (id == m::id::kTeButton1) form_->TeButton1Click();
    if (id == m::id::kTeButton2) form_->TeButton2Click();
}

LRESULT KestruneFormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tray_ && tray_->handle(message, wParam, lParam)) return 0;
    switch (message) {
        case WM_COMMAND:
            if (lParam == 0) {  // a menu's item or its keyboard letter
                menuCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_SHOWWINDOW:
            // Shown by the program, not restored by the system.
            if (wParam != FALSE && lParam == 0 && form_ && !restoring_) form_->FormShow();
            break;
        case WM_CLOSE:
            // While a modal window (a box, the scrub window) has it disabled,
            // a close from the taskbar is only put off during an operation.
            if (!IsWindowEnabled(hwnd())) {
                form_->BlockedCloseQuery();
                return 0;
            }
            if (!form_->FormCloseQuery()) return 0;
            // Only hidden: its object goes at the end of the run, never
            // inside one of its own messages.
            tray_->hide();
            ShowWindow(hwnd(), SW_HIDE);
            if (onClosed) onClosed();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                if (onSessionEnd) onSessionEnd();
                form_->CustomItem1Click();
            }
            return 0;
        case WM_SIZE:
            SendMessageW(status_, WM_SIZE, 0, 0);
            // Minimised with a tray to go to: the window leaves the task bar for it.
            if (wParam == SIZE_MINIMIZED) {
                if (tray_->minimised()) ShowWindow(hwnd(), SW_HIDE);
                return 0;
            }
            if (form_) form_->FormResize();
            return 0;
        case WM_GETMINMAXINFO: {
            // The client width is fixed and the height has a floor: the frame
            // says so, and a drag never fights the resize rule.
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            RECT r{0, 0, toDevice(hwnd(), fixedClientWidth()),
                   toDevice(hwnd(), m::kMinClientHeight - m::kMenuBar.height)};
            AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), TRUE,
                               static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
            limits->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
            limits->ptMaxTrackSize.x = r.right - r.left;
            // On a screen too small for that, the window fits it and scrolls.
            limitToWorkArea(*limits);
            return 0;
        }
        case WM_MOVE:
            // A move repaints nothing: the tutorial follows from here too.
            if (form_) form_->FormPaint();
            break;
        case WM_PAINT: {
            const LRESULT result = defaultHandling(message, wParam, lParam);
            if (form_) form_->FormPaint();
            return result;
        }
        default:
            break;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace kestrune
