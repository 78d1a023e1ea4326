#include "platform/qt/Controls.h"

#include "platform/qt/Accessible.h"
#include "platform/qt/Design.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>

#include <algorithm>

namespace platform {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QScreen* screenOf(const QWidget* w) {
    QScreen* s = w->screen();
    return s != nullptr ? s : QGuiApplication::primaryScreen();
}

}  // namespace

QtLabel::QtLabel(QLabel* w, bool shrinkToFit) : w_(w), shrink_(shrinkToFit) {
    basePixelSize_ = w_->font().pixelSize() > 0 ? w_->font().pixelSize() : 11;
}

void QtLabel::setText(const std::string& text) {
    const QString t = q(text);
    if (t == w_->text()) return;
    w_->setText(t);
    if (!shrink_) return;
    QFont f = w_->font();
    int size = basePixelSize_;
    for (f.setPixelSize(size); size > 8 && QFontMetrics(f).horizontalAdvance(t) > w_->width();) f.setPixelSize(--size);
    if (f != w_->font()) w_->setFont(f);
    // Only a text cut off even in the smallest face needs a tip; one that
    // repeated the label would be read out twice (a tip is its description).
    w_->setToolTip(QFontMetrics(f).horizontalAdvance(t) > w_->width() ? t : QString());
}
std::string QtLabel::text() const { return w_->text().toStdString(); }

void QtButton::setCaption(const std::string& caption) {
    w_->setText(q(key_ != 0 ? withMnemonic(caption, key_) : caption));
}
std::string QtButton::caption() const {
    QString text = w_->text();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') text.remove(i, 1);  // "&&" leaves one, which the next step passes
    }
    return text.toStdString();
}
void QtButton::setEnabled(bool enabled) {
    // Its window's keyboard, whether or not that window is the active one.
    QWidget* const window = w_->window();
    if (!enabled) {
        const bool hadKeyboard = window->focusWidget() == w_;
        w_->setEnabled(false);
        if (hadKeyboard) handedTo_ = QPointer<QWidget>(window->focusWidget());
        return;
    }
    w_->setEnabled(true);
    if (handedTo_ && window->focusWidget() == handedTo_->data()) w_->setFocus(Qt::OtherFocusReason);
    handedTo_.reset();
}
bool QtButton::enabled() const { return w_->isEnabled(); }
// Qt keeps it as its window's focus widget when that window is not active.
void QtButton::takeFocus() { w_->setFocus(Qt::OtherFocusReason); }

void QtProgressBar::setPosition(int position) { w_->setValue(position); }
int QtProgressBar::position() const { return w_->value(); }

void QtCheckBox::setChecked(bool checked) { w_->setChecked(checked); }
bool QtCheckBox::checked() const { return w_->isChecked(); }

void QtComboText::setText(const std::string& text) { w_->setCurrentText(q(text)); }
std::string QtComboText::text() const { return w_->currentText().toStdString(); }
void QtComboText::setItems(const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& item : items) list << q(item);
    const QString chosen = w_->currentText();
    const QSignalBlocker quiet(w_);  // the logic's own change, not the user's choice
    w_->clear();
    w_->addItems(list);
    w_->setCurrentIndex(std::max<int>(0, static_cast<int>(list.indexOf(chosen))));
}
std::vector<std::string> QtComboText::items() const {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(w_->count()));
    for (int i = 0; i < w_->count(); ++i) out.push_back(w_->itemText(i).toStdString());
    return out;
}

void QtPanel::setVisible(bool visible) { w_->setVisible(visible); }
bool QtPanel::visible() const { return w_->isVisibleTo(w_->parentWidget()); }

// Rows the logic gives one at a time; the view asks only for those it shows.
class ListModel final : public QAbstractTableModel {
public:
    ListModel(QObject* parent, const std::string& first, const std::string& second)
        : QAbstractTableModel(parent), headers_{q(first), q(second)} {}

    void setRows(int count, ListView::Rows rows) {
        beginResetModel();
        count_ = count;
        rows_ = std::move(rows);
        cachedRow_ = -1;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_) return {};
        return q(cell(index.row(), index.column()));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 1) return {};
        return headers_[section];
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    }

    // A painted row asks for both its cells, one after the other.
    const std::string& cell(int row, int column) const {
        if (row != cachedRow_) {
            cached_ = rows_ && row >= 0 && row < count_ ? rows_(row) : std::pair<std::string, std::string>{};
            cachedRow_ = row;
        }
        return column == 0 ? cached_.first : cached_.second;
    }

private:
    QString headers_[2];
    int count_ = 0;
    ListView::Rows rows_;
    mutable int cachedRow_ = -1;
    mutable std::pair<std::string, std::string> cached_;
};

namespace {

// The keyboard comes into a list with no row chosen on its first row,
// selected: seen at once, and the first Down goes on to the second.
class FirstRowOnFocus final : public QObject {
public:
    explicit FirstRowOnFocus(QTreeView* view) : QObject(view), view_(view) { view->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == view_ && e->type() == QEvent::FocusIn &&
            static_cast<QFocusEvent*>(e)->reason() != Qt::MouseFocusReason && view_->model()->rowCount() > 0 &&
            !view_->selectionModel()->hasSelection())
            view_->setCurrentIndex(view_->model()->index(0, 0));
        return QObject::eventFilter(watched, e);
    }

private:
    QTreeView* view_;
};

}  // namespace

QtLineList::QtLineList(QPlainTextEdit* w) : w_(w) { nameScrollAreaParts(w_); }

QtListView::QtListView(QTreeView* w, const std::string& firstHeader, const std::string& secondHeader)
    : w_(w), model_(new ListModel(w, firstHeader, secondHeader)) {
    nameScrollAreaParts(w_);
    w_->setModel(model_);
    // Every row is one line: the view then never measures rows it does not show.
    w_->setUniformRowHeights(true);
    new FirstRowOnFocus(w_);
}

void QtListView::setRows(int count, Rows rows) { model_->setRows(count, std::move(rows)); }
int QtListView::rowCount() const { return model_->rowCount(); }
std::string QtListView::cell(int row, int column) const { return model_->cell(row, column); }
int QtListView::selectedRow() const {
    const QModelIndexList selected = w_->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.front().row();
}

QtTable::QtTable(QTreeWidget* w) : w_(w) {
    nameScrollAreaParts(w_);
    w_->setSortingEnabled(false);
    w_->header()->setSortIndicatorShown(true);
    w_->header()->setSectionsClickable(true);
}
void QtTable::setRows(const std::vector<std::vector<std::string>>& rows) {
    // Rows are written over in place, so the scroll position and the
    // keyboard's current row stay where they were.
    const QSignalBlocker quiet(w_);
    const int count = static_cast<int>(rows.size());
    while (w_->topLevelItemCount() > count) delete w_->takeTopLevelItem(w_->topLevelItemCount() - 1);
    for (int r = 0; r < count; ++r) {
        QTreeWidgetItem* item = w_->topLevelItem(r);
        if (item == nullptr) {
            item = new QTreeWidgetItem(w_);
            // Each column's cells lined up as its header is.
            for (int c = 0; c < w_->columnCount(); ++c)
                item->setTextAlignment(
                    c, Qt::Alignment::fromInt(static_cast<Qt::Alignment::Int>(w_->headerItem()->textAlignment(c))));
        }
        const std::vector<std::string>& cells = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            const QString text = q(cells[static_cast<std::size_t>(c)]);
            if (item->text(c) != text) item->setText(c, text);
        }
    }
}
int QtTable::rowCount() const { return w_->topLevelItemCount(); }
std::string QtTable::cell(int row, int column) const {
    const QTreeWidgetItem* item = w_->topLevelItem(row);
    return item != nullptr ? item->text(column).toStdString() : std::string();
}
std::vector<int> QtTable::selectedRows() const {
    std::vector<int> rows;
    for (int r = 0; r < w_->topLevelItemCount(); ++r)
        if (w_->topLevelItem(r)->isSelected()) rows.push_back(r);
    return rows;
}
void QtTable::selectRows(const std::vector<int>& rows) {
    const QSignalBlocker quiet(w_);
    for (int r = 0; r < w_->topLevelItemCount(); ++r) {
        const bool on = std::find(rows.begin(), rows.end(), r) != rows.end();
        if (w_->topLevelItem(r)->isSelected() != on) w_->topLevelItem(r)->setSelected(on);
    }
    // The selection model was told nothing while blocked: repaint what it shows.
    w_->viewport()->update();
}
void QtTable::setSortIndicator(int column, bool ascending) {
    w_->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void QtTimer::setInterval(unsigned ms) { t_->setInterval(static_cast<int>(ms)); }
void QtTimer::setEnabled(bool enabled) {
    if (enabled && !t_->isActive()) t_->start();
    if (!enabled) t_->stop();
}
bool QtTimer::enabled() const { return t_->isActive(); }

Rect QtPlacement::bounds() const {
    const QRect g = w_->geometry();
    return scaleOf(w_).toDesign(Rect{g.x(), g.y(), g.width(), g.height()});
}
void QtPlacement::setBounds(const Rect& r) { place(w_, r); }

void QtLineList::addLine(const std::string& line) { w_->appendPlainText(q(line)); }
std::string QtLineList::text() const { return w_->toPlainText().toStdString(); }
void QtLineList::setText(const std::string& text) {
    w_->setPlainText(q(text));
    w_->verticalScrollBar()->setValue(w_->verticalScrollBar()->maximum());
}

QRect QtWindow::frameGeometry() const {
    if (surface_ != nullptr && surface_->cut()) return surface_->frameGeometry();
    // While the window manager is still framing it, Qt may read a frame
    // smaller than the window inside it: then the window itself.
    const QRect frame = w_->frameGeometry();
    return frame.contains(w_->geometry()) ? frame : w_->geometry();
}

Rect QtWindow::frame() const {
    const QRect g = frameGeometry();
    return designScale().toDesign(Rect{g.x(), g.y(), g.width(), g.height()});
}
void QtWindow::moveTo(int left, int top) {
    if (surface_ != nullptr)
        surface_->moveFrame({px(left), px(top)});
    else
        w_->move(px(left), px(top));
}
void QtWindow::setFrameHeight(int height) {
    const int decoration = frameGeometry().height() - w_->height();
    w_->resize(w_->width(), px(height) - decoration);
}
int QtWindow::clientWidth() const {
    return surface_ != nullptr ? surface_->designWidth() : scaleOf(w_).toDesign(w_->width());
}
int QtWindow::clientHeight() const {
    return surface_ != nullptr ? surface_->designHeight() : scaleOf(w_).toDesign(w_->height());
}
void QtWindow::setClientSize(int width, int height) {
    if (surface_ != nullptr)
        surface_->setDesignSize(width, height);
    else
        w_->resize(px(w_, width), px(w_, height));
}
bool QtWindow::visible() const { return w_->isVisible(); }
void QtWindow::show() { w_->show(); }
void QtWindow::hide() { w_->hide(); }
void QtWindow::close() { w_->close(); }
void QtWindow::repaintNow() { w_->repaint(); }
int QtWindow::screenWidth() const { return designScale().toDesign(screenOf(w_)->geometry().width()); }
int QtWindow::screenHeight() const { return designScale().toDesign(screenOf(w_)->geometry().height()); }
Rect QtWindow::availableArea() const {
    const QRect a = screenOf(w_)->availableGeometry();
    return designScale().toDesign(Rect{a.x(), a.y(), a.width(), a.height()});
}

}  // namespace platform
