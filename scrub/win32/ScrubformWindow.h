#pragma once

#include "platform/Heap.h"
#include "platform/UiSync.h"
#include "platform/win32/Canvas.h"
#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"
#include "scrub/Scrubform.h"
#include "scrub/ScrubformLayout.h"

#include <memory>
#include <optional>

namespace kestrune {

namespace scrubform::id {
inline constexpr int kLabel1 = 101;
inline constexpr int kTeMemo1 = 102;
inline constexpr int kTeButton1 = 103;
}  // namespace scrubform::id

// The "Memory Defragmenter" window; the rules live in TScrubForm. The map is
// painted by the window itself, inside the bevel it draws.
class ScrubFormWindow final : public platform::win32::Form, public ScrubWindow {
public:
    ScrubFormWindow(HWND owner, platform::MemorySource& memory, platform::Clock& clock, platform::UiDispatcher& ui,
                    RandomSource& random = runtimeRandom());
    ~ScrubFormWindow() override;

    TScrubForm& form() override { return *form_; }
    void showModal() override;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void command(int id, int code, HWND control) override;

private:
    // Repainting for the refresh covers the map only; the memo and the
    // button repaint themselves when they change.
    class MapRepaint final : public platform::win32::Win32Window {
    public:
        void repaintNow() override;
    };

    // The background, the bevel and the map, onto `dc` (a buffer or a print).
    void paint(HDC dc, const RECT& area);

    std::unique_ptr<platform::Heap> heap_;
    MapRepaint self_;
    platform::win32::GdiCanvas canvas_;
    platform::win32::PaintBuffer buffer_;  // repainted back to back while it runs
    bool painting_ = false;
    bool paintAgain_ = false;
    platform::win32::Win32LineList lines_;
    platform::win32::Win32Button button_;
    std::optional<TScrubForm> form_;
};

}  // namespace kestrune
