#pragma once

#include "platform/win32/Controls.h"
#include "platform/win32/Form.h"
#include "platform/win32/MaskedEdit.h"
#include "schedule/Schedulerform.h"
#include "schedule/SchedulerformLayout.h"

#include <optional>

namespace kestrune {

namespace schedulerform::id {
inline constexpr int kTeGroupBox3 = 100;  // the period choices
inline constexpr int kTeRadioButton2 = 101;
inline constexpr int kTeRadioButton1 = 102;
inline constexpr int kTeRadioButton3 = 103;
inline constexpr int kTeRadioButton4 = 104;
inline constexpr int kTeRadioButton5 = 105;
inline constexpr int kLoadRadioButton = 106;
inline constexpr int kLabel13 = 110;
inline constexpr int kTeComboBox11 = 111;
inline constexpr int kTeGroupBox1 = 120;
inline constexpr int kTeGroupBox2 = 121;
inline constexpr int kTeGroupBox4 = 122;
inline constexpr int kTeGroupBox5 = 123;
inline constexpr int kTeGroupBox6 = 124;
inline constexpr int kLoadGroupBox = 125;
inline constexpr int kTeMaskEdit1 = 130;
inline constexpr int kTeMaskEdit2 = 131;
inline constexpr int kTeMaskEdit3 = 132;
inline constexpr int kTeMaskEdit4 = 133;
inline constexpr int kTeMaskEdit5 = 134;
inline constexpr int kTeComboBox3 = 140;
inline constexpr int kTeComboBox1 = 141;
inline constexpr int kTeComboBox7 = 142;
inline constexpr int kTeComboBox10 = 143;
inline constexpr int kTeComboBox6 = 150;
inline constexpr int kTeComboBox9 = 151;
inline constexpr int kDateTimePicker1 = 152;
inline constexpr int kLoadPercentEdit = 153;
inline constexpr int kLoadPercentUpDown = 154;
inline constexpr int kLoadCooldownEdit = 155;
inline constexpr int kLoadCooldownUpDown = 156;
inline constexpr int kLoadMeasureBox = 157;
inline constexpr int kTeButton4 = 160;
inline constexpr int kTeButton1 = 161;
inline constexpr int kTeButton5 = 162;
inline constexpr int kTeButton6 = 163;
inline constexpr int kTeButton7 = 164;
inline constexpr int kLoadButton = 165;
inline constexpr int kTeListView1 = 170;
inline constexpr int kTeButton3 = 171;
// The ID Escape sends, so that Escape is a press of Close.
inline constexpr int kTeButton2 = IDCANCEL;
}  // namespace schedulerform::id

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
    HWND dropDown(int id, const char* const* items, std::size_t count, const char* initial, const platform::Rect& r,
                  HWND parent);
    HWND timeBox(int id, HWND parent);
    HWND amPm(int id, HWND parent);
    HWND numberBox(int id, int upDownId, int low, int high, int initial, int left, int top, HWND parent);
    HWND periodPanel(int id, int width);
    HWND scheduleButton(int id, HWND panel, int panelWidth);
    void placeOnScreen();

    platform::win32::Win32Window self_;
    platform::win32::Win32ComboText run_, dailyAmPm_, weeklyAmPm_, monthlyAmPm_, onceAmPm_, weekday_, monthDay_,
        measure_;
    platform::win32::Win32MaskedText minutes_, dailyTime_, weeklyTime_, monthlyTime_, onceTime_;
    Win32DateText date_;
    platform::win32::Win32Label percent_, cooldown_;
    platform::win32::Win32Panel hourly_, daily_, weekly_, monthly_, once_, byLoad_;
    platform::win32::Win32ListView list_;
    std::optional<TScheduler> form_;
};

}  // namespace kestrune
