#include "platform/qt/Controls.h"

#include "platform/qt/Design.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWidget>

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
    w_->setToolTip(size < basePixelSize_ ? t : QString());
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
void QtButton::setEnabled(bool enabled) { w_->setEnabled(enabled); }
bool QtButton::enabled() const { return w_->isEnabled(); }
// Qt keeps it as its window's focus widget when that window is not active.
void QtButton::takeFocus() { w_->setFocus(Qt::OtherFocusReason); }

void QtProgressBar::setPosition(int position) { w_->setValue(position); }
int QtProgressBar::position() const { return w_->value(); }

void QtCheckBox::setChecked(bool checked) { w_->setChecked(checked); }
bool QtCheckBox::checked() const { return w_->isChecked(); }

void QtComboText::setText(const std::string& text) { w_->setCurrentText(q(text)); }
std::string QtComboText::text() const { return w_->currentText().toStdString(); }

void QtPanel::setVisible(bool visible) { w_->setVisible(visible); }
bool QtPanel::visible() const { return w_->isVisibleTo(w_->parentWidget()); }

void QtListView::clear() { w_->clear(); }
void QtListView::addRow(const std::string& first, const std::string& second) {
    new QTreeWidgetItem(w_, QStringList{q(first), q(second)});
}
int QtListView::rowCount() const { return w_->topLevelItemCount(); }
std::string QtListView::cell(int row, int column) const {
    const QTreeWidgetItem* item = w_->topLevelItem(row);
    return item != nullptr ? item->text(column).toStdString() : std::string();
}
int QtListView::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = w_->selectedItems();
    return selected.isEmpty() ? -1 : w_->indexOfTopLevelItem(selected.front());
}

Rect QtPlacement::bounds() const {
    const QRect g = w_->geometry();
    return designScale().toDesign(Rect{g.x(), g.y(), g.width(), g.height()});
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
    return surface_ != nullptr ? surface_->designWidth() : designScale().toDesign(w_->width());
}
int QtWindow::clientHeight() const {
    return surface_ != nullptr ? surface_->designHeight() : designScale().toDesign(w_->height());
}
void QtWindow::setClientSize(int width, int height) {
    if (surface_ != nullptr)
        surface_->setDesignSize(width, height);
    else
        w_->resize(px(width), px(height));
}
bool QtWindow::visible() const { return w_->isVisible(); }
void QtWindow::show() { w_->show(); }
void QtWindow::hide() { w_->hide(); }
void QtWindow::close() { w_->close(); }
void QtWindow::repaintNow() { w_->repaint(); }
int QtWindow::screenWidth() const { return designScale().toDesign(screenOf(w_)->geometry().width()); }
int QtWindow::screenHeight() const { return designScale().toDesign(screenOf(w_)->geometry().height()); }

}  // namespace platform
