#include "app/win32/MemmainformWindow.h"
#include "app/win32/Win32FormFactory.h"
#include "platform/win32/Controls.h"
#include "platform/win32/UiDispatcher.h"
#include "support/Fakes.h"
#include "support/win32/Win32Pump.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <iterator>

using namespace kestrune;
using namespace testsupport;
namespace id = mainform::id;

namespace {

// The real main window under Wine's null display, fed a fixed sample.
struct MainWindow {
    FakeMemory memory;
    FakeClock clock;
    platform::win32::Win32UiDispatcher ui;
    FakeApplications apps;
    SharedActivity activity;
    TrimRunner trims{apps, activity, clock, ui};
    Win32FormFactory forms{memory, clock, ui, &trims};
    std::atomic<bool> appClosing{false};
    std::unique_ptr<KestruneFormWindow> w;
    bool closed = false;

    MainWindow() {
        memory.set(statusMB(512, 128, 1200, 900, 2047.875, 2000, 75));
        w = std::make_unique<KestruneFormWindow>(memory, platform::systemVirtualMemory(), clock, ui, forms, appClosing,
                                                 nullptr, &trims);
        forms.setOwner(w->hwnd());
        w->onClosed = [this] { closed = true; };
    }
    ~MainWindow() {
        if (w && !closed) SendMessageW(w->hwnd(), WM_CLOSE, 0, 0);
    }
    HWND control(int which) const { return findControl(w->hwnd(), which); }
    std::string text(int which) const { return textOf(control(which)); }
    void showAndWaitForFigures() {
        ShowWindow(w->hwnd(), SW_SHOW);
        ASSERT_TRUE(win32PumpUntil([&] { return status() == "Memory Load: 75%"; }));
    }
    std::string status() const {
        wchar_t text[64] = {};
        SendMessageW(control(id::kTeStatusBar1), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return platform::win32::utf8(text);
    }
};

// The menu bar's items, as their captions with the keyboard marks.
std::vector<std::string> menuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, static_cast<int>(std::size(text)), MF_BYPOSITION);
        texts.push_back(platform::win32::utf8(text));
        if (const HMENU sub = GetSubMenu(menu, i))
            for (const auto& t : menuTexts(sub)) texts.push_back("  " + t);
    }
    return texts;
}

}  // namespace

TEST(MainWindowWin32, EachControlTakesItsPlaceCaptionAndFigure) {
    MainWindow m;
    m.showAndWaitForFigures();
    // In design pixels at 96 dots an inch, below the menu bar, which the
    // frame holds here.
    const struct {
        int control;
        platform::Rect at;
    } places[] = {{id::kTeGroupBox5, mainform::kGroupBox5},
                  {id::kTeGroupBox2, mainform::kGroupBox2},
                  {id::kTeGroupBox6, mainform::kGroupBox6},
                  {id::kTeButton1, mainform::kButton1},
                  {id::kTeButton2, mainform::kButton2}};
    for (const auto& p : places) {
        const RECT r = placeOf(m.control(p.control));
        EXPECT_EQ(r.left, p.at.left) << p.control;
        EXPECT_EQ(r.top, p.at.top - mainform::kMenuBar.height) << p.control;
        EXPECT_EQ(r.right - r.left, p.at.width) << p.control;
        EXPECT_EQ(r.bottom - r.top, p.at.height) << p.control;
    }
    const RECT graph = placeOf(m.control(id::kPerformanceGraph1));
    EXPECT_EQ(graph.left, mainform::kGraph.left);
    EXPECT_EQ(graph.top, mainform::kGraph.top);
    EXPECT_EQ(textOf(m.w->hwnd()), "Kestrune");
    EXPECT_EQ(m.text(id::kTeButton1), "&Recover Memory");
    EXPECT_EQ(menuTexts(GetMenu(m.w->hwnd())),
              (std::vector<std::string>{"&File", "  E&xit", "&Edit", "  &Scheduler", "  &Applications\u2026", "&Help",
                                        "  &Tutorial", "  &Visit Support", "  &About Kestrune"}));

    // Each figure control shows the figure the logic wrote to it.
    const struct {
        int control;
        const char* text;
    } labels[] = {{id::kTeLabel2, "47 MB / 2047 MB"},
                  {id::kTeLabel3, "300 MB / 1200 MB"},
                  {id::kTeLabel4, "731 MB / 3759 MB"},
                  {id::kTeLabel5, "512 MB"},
                  {id::kTeLabel6, "256 MB"}};
    for (const auto& l : labels) EXPECT_EQ(m.text(l.control), l.text) << l.control;
    EXPECT_EQ(m.text(id::kTeLabel1), "384 MB / 512 MB");
    const struct {
        int control;
        int value;
    } bars[] = {
        {id::kTeProgressBar1, 19}, {id::kTeProgressBar2, 75}, {id::kTeProgressBar3, 2}, {id::kTeProgressBar4, 25}};
    for (const auto& b : bars) EXPECT_EQ(SendMessageW(m.control(b.control), PBM_GETPOS, 0, 0), b.value) << b.control;
    {
        // Not smooth: the filled part of a bar is blocks with the face between them.
        const HWND bar = m.control(id::kTeProgressBar2);
        RECT r{};
        GetClientRect(bar, &r);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ previous = SelectObject(dc, CreateBitmap(r.right, r.bottom, 1, 32, nullptr));
        SendMessageW(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        int blocks = 0;
        bool inBlock = false;
        for (int x = 0; x < r.right * 70 / 100; ++x) {
            const bool filled = GetPixel(dc, x, r.bottom / 2) == GetSysColor(COLOR_HIGHLIGHT);
            if (filled && !inBlock) ++blocks;
            inBlock = filled;
        }
        EXPECT_GT(blocks, 3);
        RECT outer{};
        GetWindowRect(bar, &outer);
        EXPECT_GT(outer.right - outer.left, r.right) << "with its border";
        DeleteObject(SelectObject(dc, previous));
        DeleteDC(dc);
    }
    EXPECT_FALSE(m.w->graph().points().empty());
    EXPECT_EQ(m.w->tray().logic().toolTip(), "Memory Load: 75%");

    // A resize reaches the size rules: the width is fixed, the height floored.
    SetWindowPos(m.w->hwnd(), nullptr, 0, 0, 800, 200, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(m.w->hwnd(), &client);
    EXPECT_EQ(client.right, fixedClientWidth());
    EXPECT_GE(client.bottom, mainform::kMinClientHeight - mainform::kMenuBar.height);
}

TEST(MainWindowWin32, AKindsFigureShowsOnOneLineWithItsUnitAtA64BitVirtualTotal) {
    MainWindow m;
    // 128 TiB of address space, as a 64-bit program has, while a scrub holds 23 GB of it.
    m.memory.set(statusMB(65536, 16384, 65536, 65536, 134217727, 134193727, 75));
    m.showAndWaitForFigures();
    const auto font = [&](int which) { return SendMessageW(m.control(which), WM_GETFONT, 0, 0); };
    EXPECT_EQ(font(id::kTeLabel1), reinterpret_cast<LRESULT>(platform::win32::dialogFont()));  // a figure that fits
    const HWND label = m.control(id::kTeLabel2);
    const std::string text = textOf(label);
    ASSERT_EQ(text, "24000 MB / 134217727 MB");
    EXPECT_EQ(GetWindowLongPtrW(label, GWL_STYLE) & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << "a wrap cuts the unit off";
    const HDC dc = GetDC(label);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    const std::wstring shown = platform::win32::wide(text);
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    RECT room{};
    GetClientRect(label, &room);
    EXPECT_LE(extent.cx, room.right) << "the whole figure fits beside its bar, in a smaller face";
}

TEST(MainWindowWin32, MenuButtonsAndTheTrayReachTheirHandlersAndTheCloseStopsTheMonitor) {
    MainWindow m;
    m.showAndWaitForFigures();
    // Help > Tutorial opens the tutorial docked at the right.
    SendMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(id::kCustomItem2, 0), 0);
    ASSERT_TRUE(m.w->form().WizardForm);
    EXPECT_TRUE(m.w->form().WizardForm->form().window().visible());
    {
        // Help > About Kestrune: its box, owned by the window.
        BoxRecorder boxes;
        SendMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(id::kAboutItem, 0), 0);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].caption, "About Kestrune");
        EXPECT_EQ(boxes.calls()[0].owner, m.w->hwnd());
    }

    // The tray's menu offers the operations while their buttons are enabled.
    EnableWindow(m.control(id::kTeButton2), FALSE);
    const HMENU menu = m.w->tray().buildMenu();
    EXPECT_EQ(GetMenuState(menu, tray::id::kRecover, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(menu, tray::id::kScrub, MF_BYCOMMAND) & MF_GRAYED, 0u);
    DestroyMenu(menu);
    EnableWindow(m.control(id::kTeButton2), TRUE);

    // Its Exit is posted, and closes as File > Exit does.
    PostMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(tray::id::kExit, 0), 0);
    ASSERT_TRUE(win32PumpUntil([&] { return m.closed; }));
    EXPECT_TRUE(m.appClosing);
    EXPECT_FALSE(m.w->form().WizardForm);
    EXPECT_FALSE(m.w->form().MemoryThread);
    EXPECT_FALSE(IsWindowVisible(m.w->hwnd()));
}

// As a start at login shows it: the tray has the load at once.
TEST(MainWindowWin32, StartedMinimisedTheTrayShowsTheFirstSample) {
    MainWindow m;
    m.w->showMinimized();
    EXPECT_TRUE(IsIconic(m.w->hwnd()));
    EXPECT_EQ(m.w->tray().logic().toolTip(), "Memory Load: 75%");
}

TEST(MainWindowWin32, OutOfTheTrayTheWindowIsShownAnewCentredWithItsTutorialDocked) {
    MainWindow m;
    m.showAndWaitForFigures();
    SendMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(id::kCustomItem2, 0), 0);  // Help > Tutorial
    ASSERT_TRUE(m.w->form().WizardForm);
    const HWND tutorial = static_cast<HWND>(m.w->form().WizardForm->form().window().handle());
    SetWindowPos(m.w->hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // dragged to a corner
    ShowWindow(m.w->hwnd(), SW_MINIMIZE);  // and into the tray, as minimising with one there does
    ShowWindow(m.w->hwnd(), SW_HIDE);

    m.w->tray().logic().activated();
    EXPECT_TRUE(IsWindowVisible(m.w->hwnd()));
    EXPECT_FALSE(IsIconic(m.w->hwnd()));
    RECT main{}, docked{};
    GetWindowRect(m.w->hwnd(), &main);
    // Centred, or as far left of that as the tutorial needs to stay on the
    // screen beside it.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int centred = centredOffset(GetSystemMetrics(SM_CXSCREEN), main.right - main.left);
    EXPECT_EQ(main.top, centredOffset(GetSystemMetrics(SM_CYSCREEN), main.bottom - main.top));
    ASSERT_TRUE(win32PumpUntil([&] {
        GetWindowRect(m.w->hwnd(), &main);
        GetWindowRect(tutorial, &docked);
        return IsWindowVisible(tutorial) && docked.left == main.right + mainform::kTutorialGap;
    })) << "the tutorial at "
        << docked.left << ", the window's right edge at " << main.right;
    EXPECT_EQ(docked.top, main.top);
    EXPECT_LE(docked.right, work.right);
    if (main.left != centred) {
        EXPECT_LT(main.left, centred);
        EXPECT_EQ(docked.right, work.right);
    }
}

TEST(MainWindowWin32, RecoverMemoryRunsToItsResultBoxWithTheButtonsDisabledMeanwhile) {
    MainWindow m;
    m.memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096, 75));
    m.showAndWaitForFigures();
    BoxRecorder boxes;
    bool disabledDuring = false;
    boxes.whileShown([&](const platform::BoxCall&) { disabledDuring = !IsWindowEnabled(m.control(id::kTeButton1)); });
    click(m.w->hwnd(), id::kTeButton1);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].caption, "Complete");
    EXPECT_EQ(boxes.calls()[0].owner, m.w->hwnd());
    EXPECT_TRUE(disabledDuring);
    EXPECT_TRUE(IsWindowEnabled(m.control(id::kTeButton1)));
}

TEST(MainWindowWin32, EditApplicationsOpensOneWindowAndTheTraysTrimTakesTheIdleApplications) {
    MainWindow m;
    // Seen quiet for ten minutes: idle.
    m.apps.put(appMB("c:\\apps\\reader.exe", "reader", 300, 0));
    m.activity.observe(m.apps.list(0), m.clock.now());
    m.clock.setNow(m.clock.now() + 600);
    m.showAndWaitForFigures();

    SendMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(id::kCustomItem8, 0), 0);
    SendMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(id::kCustomItem8, 0), 0);
    ASSERT_TRUE(m.w->form().ApplicationsForm);
    const HWND applications = FindWindowW(L"KestruneApplicationsForm", nullptr);
    ASSERT_NE(applications, nullptr);
    EXPECT_TRUE(IsWindowVisible(applications));
    EXPECT_EQ(GetWindow(applications, GW_OWNER), m.w->hwnd());
    EXPECT_EQ(FindWindowExW(nullptr, applications, L"KestruneApplicationsForm", nullptr), nullptr);  // only one

    // The tray offers the trim while none runs; its choice is posted, as the menu's is.
    const HMENU menu = m.w->tray().buildMenu();
    wchar_t text[64] = {};
    GetMenuStringW(menu, tray::id::kTrimIdle, text, static_cast<int>(std::size(text)), MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Trim Idle Applications");
    EXPECT_EQ(GetMenuState(menu, tray::id::kTrimIdle, MF_BYCOMMAND) & MF_GRAYED, 0u);
    DestroyMenu(menu);
    PostMessageW(m.w->hwnd(), WM_COMMAND, MAKEWPARAM(tray::id::kTrimIdle, 0), 0);
    ASSERT_TRUE(win32PumpUntil([&] { return !m.apps.requests().empty() && m.w->form().trimFree(); }));
    EXPECT_EQ(m.apps.requests()[0].id, "c:\\apps\\reader.exe");

    // The main window's close takes it along.
    SendMessageW(m.w->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(m.closed);
    EXPECT_FALSE(IsWindow(applications));
}
