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

// A real scrub window over memory that leaves its heap nothing to claim, on
// a clock the test moves; sleeps pass a moment of real time so that the
// worker and the refresh wait instead of spinning.
struct ScrubWindowFixture {
    FakeMemory memory;
    FakeClock clock;
    BoxRecorder boxes;  // none may wait on screen
    platform::win32::Win32UiDispatcher ui;
    std::unique_ptr<ScrubFormWindow> w;
    ScrubWindowFixture() {
        memory.set(statusMB(4096, 1024, 4096, 8, 4096, 4096));
        clock.onSleep([](unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5u))); });
        w = std::make_unique<ScrubFormWindow>(nullptr, memory, clock, ui);
    }
    HWND h() const { return w->hwnd(); }
    std::string memo() const { return platform::win32::Win32LineList(findControl(h(), s::id::kTeMemo1)).text(); }
    std::string button() const { return textOf(findControl(h(), s::id::kTeButton1)); }
};

}  // namespace

TEST(ScrubWindowWin32, LaidOutAsDesignedItPaintsTheMapInItsBevelAndARefreshRepaintsItAtOnce) {
    ScrubWindowFixture f;
    EXPECT_EQ(textOf(f.h()), "Memory Defragmenter");
    const struct {
        int id;
        const char* text;
        platform::Rect place;
    } controls[] = {{s::id::kLabel1, "Tarnwick Memory Scrubber", {136, 16, s::kLabel1ShownWidth, 16}},
                    {s::id::kTeMemo1, "", s::kMemo1},
                    {s::id::kTeButton1, "Clo&se", s::kButton1}};  // as designed, before it is shown
    for (const auto& c : controls) {
        const HWND control = findControl(f.h(), c.id);
        EXPECT_EQ(textOf(control), c.text);
        const RECT r = placeOf(control);
        EXPECT_EQ(platform::win32::toDesign(platform::Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}), c.place)
            << c.id;
    }
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(findControl(f.h(), s::id::kLabel1), WM_GETFONT, 0, 0)), sizeof face,
               &face);
    EXPECT_STREQ(face.lfFaceName, L"Verdana");
    EXPECT_EQ(GetNextDlgTabItem(f.h(), nullptr, FALSE), findControl(f.h(), s::id::kTeButton1));

    ShowWindow(f.h(), SW_SHOW);  // as its opener shows it: the scrub starts
    EXPECT_EQ(f.memo().rfind("Physical Memory Available: 1,048,576 KB\n", 0), 0U) << f.memo();
    // Its paint into a memory bitmap: the first step has painted the first
    // cell, 2 pixels inside the bevel.
    const HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof info.bmiHeader, toDevice(s::kClientWidth), -toDevice(s::kClientHeight), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HGDIOBJ previous = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    SendMessageW(f.h(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const auto at = [&](int x, int y) { return GetPixel(dc, toDevice(x), toDevice(y)); };
    EXPECT_EQ(at(s::kBevel1.left + 2 + 5, s::kBevel1.top + 2 + 5), RGB(0, 128, 0));
    EXPECT_EQ(at(s::kBevel1.left, s::kBevel1.top), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(4, 4), GetSysColor(COLOR_BTNFACE));
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);

    const PartitionDisplay& map = *f.w->form().display;
    const unsigned before = map.CursorRow() * map.Columns() + map.CursorColumn();
    f.clock.advance(s::kStepIntervalMs + 1);
    f.w->form().window().repaintNow();
    EXPECT_GT(map.CursorRow() * map.Columns() + map.CursorColumn(), before);
}  // destroyed mid-scrub: its threads stop first

namespace {

// Drives the modal window from a timer, with the keys a user presses: the
// clock moves on at each tick; Escape at the first (Stop), Enter once the
// button offers Close.
struct ModalDriver {
    ScrubWindowFixture* f = nullptr;
    int ticks = 0;
    HWND focusAtStart = nullptr, focusAtClose = nullptr;
    std::string afterStop;
    static ModalDriver run;
    static void key(WPARAM key) {
        const HWND to = GetFocus() != nullptr ? GetFocus() : run.f->h();
        PostMessageW(to, WM_KEYDOWN, key, 1);
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        run.f->clock.advance(s::kStepIntervalMs + 50);
        ++run.ticks;
        if (run.ticks == 1) {
            run.focusAtStart = GetFocus();
            key(VK_ESCAPE);
        } else if (run.ticks == 2) {
            run.afterStop = run.f->button();
            key(VK_ESCAPE);  // while stopping the button cannot be pressed: nothing happens
        } else if (run.f->button() == "Clo&se" && run.focusAtClose == nullptr) {
            run.focusAtClose = GetFocus();
            key(VK_RETURN);
        } else if (run.ticks > 2000) {
            PostMessageW(run.f->h(), WM_CLOSE, 0, 0);  // never left waiting
        }
    }
};
ModalDriver ModalDriver::run;

}  // namespace

TEST(ScrubWindowWin32, TheKeyboardStaysOnItsOneButtonEscapeStopsAndEnterClosesAfterTheSummary) {
    ScrubWindowFixture f;
    ModalDriver::run.f = &f;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &ModalDriver::tick);
    f.w->showModal();
    KillTimer(nullptr, timer);

    const HWND button = findControl(f.h(), s::id::kTeButton1);
    EXPECT_EQ(ModalDriver::run.focusAtStart, button);  // not the read-only list
    EXPECT_EQ(ModalDriver::run.afterStop, "&Stopping");
    EXPECT_EQ(ModalDriver::run.focusAtClose, button);
    EXPECT_FALSE(IsWindowVisible(f.h()));
    EXPECT_FALSE(f.w->form().worker);
    EXPECT_NE(f.memo().find("\nStopping scrub...\n"), std::string::npos) << f.memo();
    EXPECT_EQ(f.memo().find("Stopping scrub...\nStopping"), std::string::npos) << "a second stop";
    EXPECT_NE(f.memo().find("\nDone Freeing Memory\nMemory Freed: 0 KB Physical Memory\n"), std::string::npos);
}
