#pragma once

#include "platform/Controls.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <optional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QTreeView;
class QTreeWidget;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTimer;
class QWidget;

// Adapters from the window logic's control interfaces to Qt widgets. They hold
// the widget, not own it: the view's widget tree owns its widgets.
namespace platform {

// A caption with its keyboard letter, for a menu, an action or a button.
inline QString mnemonic(const char* caption, char key) { return QString::fromStdString(withMnemonic(caption, key)); }

class QtLabel final : public Label {
public:
    // With `shrinkToFit`, a text wider than the label is drawn in a smaller
    // face (down to 8 pixels) rather than cut off.
    explicit QtLabel(QLabel* w, bool shrinkToFit = false);
    void setText(const std::string& text) override;
    std::string text() const override;

private:
    QLabel* w_;
    bool shrink_;
    int basePixelSize_ = 0;
};

// The caption is the text a user reads: a keyboard letter's mark is not part
// of it. Disabled with the keyboard, it hands the keyboard on as Qt does;
// enabled again, it takes it back unless it has been moved on from there
// meanwhile, so a button disabled while its work runs keeps the keyboard.
class QtButton final : public Button {
public:
    // With a `key`, every caption set shows that keyboard letter.
    explicit QtButton(QAbstractButton* w, char key = 0) : w_(w), key_(key) {}
    void setCaption(const std::string& caption) override;
    std::string caption() const override;
    void setEnabled(bool enabled) override;
    bool enabled() const override;
    void takeFocus() override;

private:
    QAbstractButton* w_;
    char key_;
    // Where the keyboard went when it was disabled with it; none while it
    // was disabled without it, or is enabled.
    std::optional<QPointer<QWidget>> handedTo_;
};

class QtProgressBar final : public ProgressBar {
public:
    explicit QtProgressBar(QProgressBar* w) : w_(w) {}
    void setPosition(int position) override;
    int position() const override;

private:
    QProgressBar* w_;
};

class QtCheckBox final : public CheckBox {
public:
    explicit QtCheckBox(QCheckBox* w) : w_(w) {}
    void setChecked(bool checked) override;
    bool checked() const override;

private:
    QCheckBox* w_;
};

// A drop-down list's current text, and its items.
class QtComboText final : public DropDown {
public:
    explicit QtComboText(QComboBox* w) : w_(w) {}
    void setText(const std::string& text) override;
    std::string text() const override;
    void setItems(const std::vector<std::string>& items) override;
    std::vector<std::string> items() const override;

private:
    QComboBox* w_;
};

class QtPanel final : public Panel {
public:
    explicit QtPanel(QWidget* w) : w_(w) {}
    void setVisible(bool visible) override;
    bool visible() const override;

private:
    QWidget* w_;
};

class ListModel;

// A two-column report list over a model that asks for the rows the view
// shows, and no others; clicking selects the whole row.
class QtListView final : public ListView {
public:
    QtListView(QTreeView* w, const std::string& firstHeader, const std::string& secondHeader);
    // The model it makes belongs to the view.
    QtListView(const QtListView&) = delete;
    QtListView& operator=(const QtListView&) = delete;
    void setRows(int count, Rows rows) override;
    int rowCount() const override;
    std::string cell(int row, int column) const override;
    int selectedRow() const override;

private:
    QTreeView* w_;
    ListModel* model_;  // the view's child
};

// A report list of several columns. The header's clicks are the view's to
// forward; Qt's own sorting stays off, as the logic orders the rows. Cells
// are aligned as their column's header is.
class QtTable final : public Table {
public:
    explicit QtTable(QTreeWidget* w);
    void setRows(const std::vector<std::vector<std::string>>& rows) override;
    int rowCount() const override;
    std::string cell(int row, int column) const override;
    std::vector<int> selectedRows() const override;
    void selectRows(const std::vector<int>& rows) override;
    void setSortIndicator(int column, bool ascending) override;

private:
    QTreeWidget* w_;
};

class QtTimer final : public Timer {
public:
    explicit QtTimer(QTimer* t) : t_(t) {}
    void setInterval(unsigned ms) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override;

private:
    QTimer* t_;
};

class QtPlacement final : public Placement {
public:
    explicit QtPlacement(QWidget* w) : w_(w) {}
    Rect bounds() const override;
    void setBounds(const Rect& r) override;

private:
    QWidget* w_;
};

class QtLineList final : public LineList {
public:
    explicit QtLineList(QPlainTextEdit* w);
    void addLine(const std::string& line) override;
    std::string text() const override;
    void setText(const std::string& text) override;

private:
    QPlainTextEdit* w_;
};

class DesignSurface;

// A window as the logic sees it, in design pixels (platform/qt/Design.h):
// its client area is its surface's, where it has one, at the window's own
// scale; its frame and the screen at the face's, so that windows of
// different scales are placed in the same figures.
class QtWindow : public Window {
public:
    explicit QtWindow(QWidget* w, DesignSurface* surface = nullptr) : w_(w), surface_(surface) {}
    void setSurface(DesignSurface* surface) { surface_ = surface; }
    Rect frame() const override;
    void moveTo(int left, int top) override;
    void setFrameHeight(int height) override;
    int clientWidth() const override;
    int clientHeight() const override;
    void setClientSize(int width, int height) override;
    bool visible() const override;
    void show() override;
    void hide() override;
    void close() override;
    void repaintNow() override;
    int screenWidth() const override;
    int screenHeight() const override;
    Rect availableArea() const override;
    WindowHandle handle() const override { return w_; }

private:
    QRect frameGeometry() const;

    QWidget* w_;
    DesignSurface* surface_;
};

}  // namespace platform
