#include "platform/win32/Dpi.h"
#include "platform/win32/UiDispatcher.h"
#include "scrub/win32/ScrubformWindow.h"
#include "support/Fakes.h"
#include "support/win32/Win32Pump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace kestrune;
using namespace testsupport;
using platform::win32::toDevice;

namespace s = scrubform;

namespace {

// A real scrub window over a memory source that leaves its heap nothing to
// claim, on a clock the test moves. Sleeps still pass a moment of real time,
// so the worker and the refresh wait instead of spinning.
struct ScrubWindowFixture {
    FakeMemory memory;
    FakeClock clock;
    BoxRecorder boxes;  // none is expected; none may wait on screen
    platform::win32::Win32UiDispatcher ui;
    std::unique_ptr<ScrubFormWindow> w;
    ScrubWindowFixture() {
        memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096));
        clock.onSleep([](unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5u))); });
        w = std::make_unique<ScrubFormWindow>(nullptr, memory, clock, ui);
    }
    ~ScrubWindowFixture() { w.reset(); }
    HWND h() const { return w->hwnd(); }
    HWND control(int id) const { return findControl(h(), id); }
    std::string memo() const { return platform::win32::Win32LineList(control(s::id::kTeMemo1)).text(); }
    std::string button() const { return textOf(control(s::id::kTeButton1)); }
};

void expectPlace(HWND control, const platform::Rect& design) {
    const RECT r = placeOf(control);
    EXPECT_EQ(r.left, toDevice(design.left));
    EXPECT_EQ(r.top, toDevice(design.top));
    EXPECT_EQ(r.right - r.left, toDevice(design.width));
    EXPECT_EQ(r.bottom - r.top, toDevice(design.height));
}

// The window's client area as WM_PRINTCLIENT paints it, pixel by pixel.
class ClientPrint {
public:
    explicit ClientPrint(HWND window) {
        GetClientRect(window, &area_);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = area_.right;
        info.bmiHeader.biHeight = -area_.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ~ClientPrint() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF at(int designX, int designY) const { return GetPixel(dc_, toDevice(designX), toDevice(designY)); }

private:
    RECT area_{};
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace

TEST(ScrubWindowWin32, LaidOutAsDesignedWithTheButtonFirstInTheTabOrder) {
    ScrubWindowFixture f;
    const HWND h = f.h();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(textOf(h), "Memory Defragmenter");
    RECT client{};
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, toDevice(s::kClientWidth));
    EXPECT_EQ(client.bottom, toDevice(s::kClientHeight));
    const auto style = GetWindowLongPtrA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    RECT frame{};
    GetWindowRect(h, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    const HWND title = f.control(s::id::kLabel1);
    EXPECT_EQ(textOf(title), "Tarnwick Memory Scrubber");
    expectPlace(title, {s::kLabel1.left, s::kLabel1.top, s::kLabel1ShownWidth, s::kLabel1.height});
    LOGFONTA face{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)), sizeof face, &face);
    EXPECT_STREQ(face.lfFaceName, "Verdana");
    EXPECT_EQ(face.lfHeight, -toDevice(s::kLabel1FontPixels));

    const HWND memo = f.control(s::id::kTeMemo1);
    expectPlace(memo, s::kMemo1);
    const auto memoStyle = GetWindowLongPtrA(memo, GWL_STYLE);
    EXPECT_EQ(memoStyle & (ES_MULTILINE | ES_READONLY | WS_VSCROLL), ES_MULTILINE | ES_READONLY | WS_VSCROLL);
    const HWND button = f.control(s::id::kTeButton1);
    expectPlace(button, s::kButton1);
    EXPECT_EQ(f.button(), "Close");  // as designed, before it is shown
    EXPECT_EQ(GetNextDlgTabItem(h, nullptr, FALSE), button);
    EXPECT_EQ(GetNextDlgTabItem(h, button, FALSE), memo);
}

TEST(ScrubWindowWin32, PaintsTheMapInsideItsBevelAndARefreshRepaintsItAtOnce) {
    ScrubWindowFixture f;
    ShowWindow(f.h(), SW_SHOW);  // as its opener shows it: the scrub starts
    EXPECT_EQ(f.button(), "Stop");
    EXPECT_EQ(f.memo().rfind("Physical Memory Available: 1,048,576 KB\n", 0), 0U) << f.memo();
    {
        // The first step paints at least the first cell, at 2 pixels inside the bevel.
        const ClientPrint print(f.h());
        const int left = s::kBevel1.left + 2, top = s::kBevel1.top + 2;
        EXPECT_EQ(print.at(left + 5, top + 5), RGB(0, 128, 0));
        EXPECT_EQ(print.at(left + 10, top + 5), RGB(0, 0, 0));  // the grid line after it
        EXPECT_EQ(print.at(s::kBevel1.left, s::kBevel1.top), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(print.at(s::kBevel1.left + s::kBevel1.width - 1, s::kBevel1.top + s::kBevel1.height - 1),
                  GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(print.at(4, 4), GetSysColor(COLOR_BTNFACE));
    }
    // The refresh thread's repaint runs the window's refresh before it returns.
    const PartitionDisplay& map = *f.w->form().display;
    const unsigned before = map.CursorRow() * map.Columns() + map.CursorColumn();
    f.clock.advance(s::kStepIntervalMs + 1);
    f.w->form().window().repaintNow();
    EXPECT_GT(map.CursorRow() * map.Columns() + map.CursorColumn(), before);
}

namespace {

// Drives a modal scrub window from a timer: its clock moves on at each tick,
// Stop is clicked at the first and Close once the summary is there.
struct ModalDriver {
    explicit ModalDriver(ScrubWindowFixture& fixture) : f(fixture) {}
    ScrubWindowFixture& f;
    int ticks = 0;
    std::string stopping;
    bool stopEnabled = true;
    bool summarised = false;

    static ModalDriver*& current() {
        static ModalDriver* d = nullptr;
        return d;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) { current()->step(); }

    void step() {
        ++ticks;
        f.clock.advance(s::kStepIntervalMs + 50);
        if (ticks == 1) {
            click(f.h(), s::id::kTeButton1);
            stopping = f.button();
            stopEnabled = IsWindowEnabled(f.control(s::id::kTeButton1)) != FALSE;
        } else if (f.button() == "Close") {
            summarised = true;
            click(f.h(), s::id::kTeButton1);
        } else if (ticks > 2000) {
            PostMessageA(f.h(), WM_CLOSE, 0, 0);  // never left waiting
        }
    }
};

}  // namespace

TEST(ScrubWindowWin32, ARunStoppedByTheUserEndsInItsSummaryAndCloseEndsTheModalDisplay) {
    ScrubWindowFixture f;
    ModalDriver driver(f);
    ModalDriver::current() = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &ModalDriver::tick);
    f.w->showModal();
    KillTimer(nullptr, timer);
    ModalDriver::current() = nullptr;

    EXPECT_EQ(driver.stopping, "Stopping");
    EXPECT_FALSE(driver.stopEnabled);
    EXPECT_TRUE(driver.summarised);
    EXPECT_FALSE(IsWindowVisible(f.h()));
    EXPECT_FALSE(f.w->form().worker);
    const std::string memo = f.memo();
    EXPECT_NE(memo.find("\nStopping scrub..."), std::string::npos) << memo;
    EXPECT_NE(memo.find("\nDone Freeing Memory\nMemory Freed: 0 KB Physical Memory\nTime Took: "), std::string::npos)
        << memo;
}

TEST(ScrubWindowWin32, ClosingFromTheSystemMenuMidScrubStopsAndJoinsEverythingAtOnce) {
    ScrubWindowFixture f;
    ShowWindow(f.h(), SW_SHOW);
    win32PumpUntil([&] { return false; }, 30);
    SendMessageA(f.h(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(f.h()));
    EXPECT_FALSE(f.w->form().worker);
    EXPECT_FALSE(f.w->form().updateThread);
    EXPECT_EQ(f.memo().find("Done Freeing Memory"), std::string::npos);
}
