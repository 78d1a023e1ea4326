#pragma once

#include "platform/Controls.h"
#include "platform/windows/Text.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

// Adapters from the window logic's control interfaces to the system's own
// controls. They hold the control's handle, not own it: its window does.
namespace platform::win32 {

using windows::utf8;
using windows::wide;
// Appends a menu item whose caption marks its key.
void appendMenuItem(HMENU menu, UINT flags, UINT_PTR id, std::string_view caption, char key);
// A window's text, as UTF-8.
std::string windowText(HWND w);

class Win32Label final : public Label {
public:
    explicit Win32Label(HWND w = nullptr) : w_(w) {}
    void setText(const std::string& text) override;
    std::string text() const override;

private:
    HWND w_;
};

// A static text only the program writes: what it last wrote is kept, so an
// unchanged figure, set once a second, costs not even a message. With
// `shrinkToFit`, a text wider than the control is drawn in a smaller face
// (down to 8 design pixels) rather than cut off.
class Win32StaticText final : public Label {
public:
    explicit Win32StaticText(HWND w = nullptr, bool shrinkToFit = false)
        : w_(w), shrink_(shrinkToFit), shown_(w != nullptr ? windowText(w) : std::string()) {}
    void setText(const std::string& text) override;
    std::string text() const override { return shown_; }

private:
    void fit(const std::string& text);

    HWND w_;
    bool shrink_;
    std::string shown_;
    HFONT font_ = nullptr;  // the face it was last given, none yet
};

// A drop-down list's current text: setting it selects the item with that
// text, or none. And its items.
class Win32ComboText final : public DropDown {
public:
    explicit Win32ComboText(HWND w = nullptr) : w_(w) {}
    void setText(const std::string& text) override;
    std::string text() const override;
    void setItems(const std::vector<std::string>& items) override;
    std::vector<std::string> items() const override;

private:
    HWND w_;
};

// The caption is the text a user reads: a keyboard letter's mark is kept
// where the button shows one.
class Win32Button final : public Button {
public:
    explicit Win32Button(HWND w = nullptr, char key = 0) : w_(w), key_(key) {}
    void setCaption(const std::string& caption) override;
    std::string caption() const override;
    // Disabled with the keyboard, it leaves the keyboard with its window
    // (not with no window at all), where Escape and Enter still arrive.
    // Enabled again, it takes the keyboard back unless it has been moved on
    // from there meanwhile, so a button disabled while its work runs keeps it.
    void setEnabled(bool enabled) override;
    bool enabled() const override;
    void takeFocus() override;

private:
    HWND w_;
    char key_;
    // Where the keyboard went when it was disabled with it; null while it
    // was disabled without it, or is enabled.
    HWND handedTo_ = nullptr;
};

// Only the program moves a bar: its position is kept, so an unchanged one
// costs no message.
class Win32ProgressBar final : public ProgressBar {
public:
    explicit Win32ProgressBar(HWND w = nullptr);
    void setPosition(int position) override;
    int position() const override { return shown_; }

private:
    HWND w_;
    int shown_ = 0;
};

class Win32CheckBox final : public CheckBox {
public:
    explicit Win32CheckBox(HWND w = nullptr) : w_(w) {}
    void setChecked(bool checked) override;
    bool checked() const override;

private:
    HWND w_;
};

class Win32Panel final : public Panel {
public:
    explicit Win32Panel(HWND w = nullptr) : w_(w) {}
    void setVisible(bool visible) override;
    bool visible() const override;

private:
    HWND w_;
};

// A two-column report list that holds no rows of its own (LVS_OWNERDATA):
// it asks its window for the cells of the rows it shows, in
// LVN_GETDISPINFO, which the window hands to fill(). Clicking selects the
// whole row.
class Win32ListView final : public ListView {
public:
    explicit Win32ListView(HWND w = nullptr) : w_(w) {}
    void setRows(int count, Rows rows) override;
    int rowCount() const override;
    std::string cell(int row, int column) const override;
    int selectedRow() const override;

    // Answers the list's LVN_GETDISPINFO with the asked cell's text.
    void fill(NMLVDISPINFOW& info);

private:
    HWND w_;
    Rows rows_;
    int count_ = 0;
    // A shown row asks for each of its cells in turn.
    int cachedRow_ = -1;
    std::pair<std::string, std::string> cached_;
};

// A report list of several columns, any number of rows selected, its
// figures right-aligned. While it sets rows or a selection itself, `quiet()`
// holds, and its window passes none of the list's changes on as the user's.
class Win32Table final : public Table {
public:
    explicit Win32Table(HWND w = nullptr) : w_(w) {}
    void setRows(const std::vector<std::vector<std::string>>& rows) override;
    int rowCount() const override;
    std::string cell(int row, int column) const override;
    std::vector<int> selectedRows() const override;
    void selectRows(const std::vector<int>& rows) override;
    void setSortIndicator(int column, bool ascending) override;
    bool quiet() const { return quiet_ > 0; }

private:
    HWND w_;
    int quiet_ = 0;
};

// A window's timer: its WM_TIMER comes to the window every interval while it
// is enabled. The window passes one on only where `fires` says so, so none
// runs after it is disabled, even one the system had already queued.
class Win32Timer final : public Timer {
public:
    explicit Win32Timer(HWND w = nullptr, UINT_PTR id = 1) : w_(w), id_(id) {}
    void setInterval(unsigned ms) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    bool fires(WPARAM id) const { return enabled_ && id == id_; }

private:
    HWND w_;
    UINT_PTR id_;
    unsigned interval_ = 1000;
    bool enabled_ = false;
};

// A control's place within its parent, in design pixels.
class Win32Placement final : public Placement {
public:
    explicit Win32Placement(HWND w = nullptr) : w_(w) {}
    Rect bounds() const override;
    void setBounds(const Rect& r) override;

private:
    HWND w_;
};

// A read-only multi-line edit box; lines are kept with the system's CR LF.
class Win32LineList final : public LineList {
public:
    explicit Win32LineList(HWND w = nullptr) : w_(w) {}
    void addLine(const std::string& line) override;
    std::string text() const override;
    void setText(const std::string& text) override;

private:
    HWND w_;
    bool any_ = false;  // a line, even an empty one, is there to follow
};

}  // namespace platform::win32
