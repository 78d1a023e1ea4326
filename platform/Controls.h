#pragma once

#include "platform/Color.h"
#include "platform/MessageBox.h"

#include <cctype>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The few things window logic needs of its controls. Widgets implement them in
// the views (QtControls.h); tests implement them with plain fields.
namespace platform {

// `caption` as a menu or button shows it with `key` as its keyboard letter
// (Alt+key, underlined), written as both toolkits read it: an ampersand before
// the first `key`, matched without case, and the caption's own ampersands
// doubled so they stay visible.
inline std::string withMnemonic(std::string_view caption, char key) {
    std::string out;
    bool marked = false;
    for (const char c : caption) {
        if (c == '&')
            out += '&';
        else if (!marked &&
                 std::tolower(static_cast<unsigned char>(c)) == std::tolower(static_cast<unsigned char>(key))) {
            out += '&';
            marked = true;
        }
        out += c;
    }
    return out;
}

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A control with a text: a label, a status panel, an edit box, a drop-down
// list's current text.
class Label {
public:
    virtual ~Label() = default;
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
};

// A read-only drop-down list whose items the logic chooses; its text is the
// chosen item. Setting items keeps the chosen one where it is still among
// them, else chooses the first.
class DropDown : public Label {
public:
    virtual void setItems(const std::vector<std::string>& items) = 0;
    virtual std::vector<std::string> items() const = 0;
};

class Button {
public:
    virtual ~Button() = default;
    virtual void setCaption(const std::string& caption) = 0;
    virtual std::string caption() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    // Takes the keyboard: at once while its window is the active one, else
    // when that window is next activated.
    virtual void takeFocus() = 0;
};

class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
};

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual void setChecked(bool checked) = 0;
    virtual bool checked() const = 0;
};

// A control that can be shown and hidden within its window.
class Panel {
public:
    virtual ~Panel() = default;
    virtual void setVisible(bool visible) = 0;
    virtual bool visible() const = 0;
};

// A list in report view: rows of two columns, at most one selected. It asks
// for a row's cells only as the row comes into view, so a long list costs no
// more to show than a short one.
class ListView {
public:
    // The two cells of a row, 0 to the count less one.
    using Rows = std::function<std::pair<std::string, std::string>(int row)>;
    virtual ~ListView() = default;
    // Replaces every row with `count` rows that `rows` gives; none is selected.
    virtual void setRows(int count, Rows rows) = 0;
    virtual int rowCount() const = 0;
    virtual std::string cell(int row, int column) const = 0;
    // The selected row, or -1.
    virtual int selectedRow() const = 0;
};

// A list in report view of several columns, any number of rows selected.
// The logic orders the rows: a click on a column's header is only reported,
// and the header shows the order it is told. Rows set or selected by the
// logic are not reported back as the user's choice.
class Table {
public:
    virtual ~Table() = default;
    // Replaces the rows, each a cell per column; the view keeps its scroll
    // position where it can.
    virtual void setRows(const std::vector<std::vector<std::string>>& rows) = 0;
    virtual int rowCount() const = 0;
    virtual std::string cell(int row, int column) const = 0;
    // In row order.
    virtual std::vector<int> selectedRows() const = 0;
    virtual void selectRows(const std::vector<int>& rows) = 0;
    virtual void setSortIndicator(int column, bool ascending) = 0;
};

// A repeating timer on the user-interface thread; its owner's handler runs
// every interval while it is enabled, and never after it is disabled.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(unsigned ms) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

// A control's place within its parent.
class Placement {
public:
    virtual ~Placement() = default;
    virtual Rect bounds() const = 0;
    virtual void setBounds(const Rect& r) = 0;
};

// A memo: lines added one at a time; its whole text is the lines joined by
// "\n", with no line end after the last.
class LineList {
public:
    virtual ~LineList() = default;
    virtual void addLine(const std::string& line) = 0;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

// The history graph: one point a second, value 0 to 100.
class Graph {
public:
    virtual ~Graph() = default;
    virtual void dataPoint(TColor color, int value) = 0;
    virtual void redraw() = 0;
    // Its name for a screen reader, which says its latest value.
    virtual void setName(const std::string& name) = 0;
};

// A drawing surface in window pixels. Rectangles are left, top, right,
// bottom with right and bottom excluded; lines exclude their end point.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void setBrushColor(TColor c) = 0;
    virtual void setPenColor(TColor c) = 0;
    virtual void fillRect(int left, int top, int right, int bottom) = 0;
    virtual void frameRect(int left, int top, int right, int bottom) = 0;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
};

// The desktop's notices: a short message that shows for a while without
// taking the keyboard, for things that happened while nobody was looking.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Never waits on the notice being shown; may be dropped where nothing
    // can show it.
    virtual void notify(const std::string& title, const std::string& text) = 0;
};

// A top-level window. Frame figures are outer sizes on the screen; client
// figures exclude the frame.
class Window {
public:
    virtual ~Window() = default;
    virtual Rect frame() const = 0;
    virtual void moveTo(int left, int top) = 0;
    virtual void setFrameHeight(int height) = 0;
    virtual int clientWidth() const = 0;
    virtual int clientHeight() const = 0;
    virtual void setClientSize(int width, int height) = 0;
    virtual bool visible() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void close() = 0;
    // Paints the window now, not at the next pass of the event loop.
    virtual void repaintNow() = 0;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
    // The screen's free area (less panels and task bars), in frame figures.
    virtual Rect availableArea() const = 0;
    virtual WindowHandle handle() const = 0;
};

}  // namespace platform
