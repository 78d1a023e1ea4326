#pragma once

#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"
#include "platform/win32/MaskedEdit.h"
#include "schedule/Schedulerform.h"
#include "schedule/SchedulerformLayout.h"

#include <array>
#include <optional>
#include <span>

namespace kestrune {

// Escape sends IDCANCEL: so Escape is a press of Close.
static_assert(schedulerform::id::kTeButton2 == IDCANCEL);

// The date picker's date as month/day/four-digit year, whatever the locale
// shows; a text that is no such date leaves the picker as it was.
class Win32DateText final : public platform::Label {
public:
    explicit Win32DateText(HWND w = nullptr) : w_(w) {}
    void setText(const std::string& text) override;
    std::string text() const override;

private:
    HWND w_;
};

// The "Scheduler" window; the rules live in TScheduler. Escape, Close and
// the title bar's close all hide it, which ends showModal; its opener
// destroys it.
class SchedulerWindow final : public platform::win32::Form, public ModalWindow {
public:
    explicit SchedulerWindow(HWND owner = nullptr, SchedulerOffers offers = {});
    TScheduler& form() { return *form_; }
    void showModal() override;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void command(int id, int code, HWND control) override;
    LRESULT notify(const NMHDR& header) override;

private:
    HWND word(const char* text, int left, int top, HWND parent);
    HWND dropDown(int id, std::span<const char* const> items, const char* initial, const platform::Rect& r,
                  HWND parent);
    HWND maskedBox(const schedulerform::PanelControl& c, const char* shape, HWND parent);
    HWND numberBox(int id, int upDownId, int low, int high, int initial, int left, int top, HWND parent);
    HWND periodPanel(int id, int width);
    void lineControl(const schedulerform::PanelControl& c, HWND panel);
    void buildPeriodChoices();
    void buildRun();
    void buildLoadPanel();
    void buildList();
    void wire(SchedulerOffers offers);
    void placeOnScreen();

    platform::win32::Win32Window self_;
    platform::win32::Win32ComboText run_, weekday_, monthDay_, measure_;
    platform::win32::Win32MaskedText minutes_;
    // Those of the panels set by the clock, in the panels' order.
    std::array<platform::win32::Win32MaskedText, 4> times_;
    std::array<platform::win32::Win32ComboText, 4> amPms_;
    Win32DateText date_;
    platform::win32::Win32Label percent_, cooldown_;
    std::array<platform::win32::Win32Panel, schedulerform::kPeriodCount> panels_;
    platform::win32::Win32ListView list_;
    std::optional<TScheduler> form_;
};

}  // namespace kestrune
