#pragma once

#include "platform/Controls.h"

#include <QAccessible>

class QAbstractScrollArea;
class QWidget;

// What a screen reader is told of a widget beyond its name.
namespace platform {

// Gives `w` the role a screen reader expects where Qt's guess is wrong: a
// top-level plain widget reads as a filler, not a window or a dialog; a
// frame as a frame, not a separator or a picture. Before `w` is first shown.
void setAccessibleRole(QWidget* w, QAccessible::Role role);

// Qt holds each scroll bar of a scroll area in a nameless filler, and shows
// its content in another: a screen reader is told what each holds (the
// content by the area's name, where it has one by then). Before `area` is
// first shown.
void nameScrollAreaParts(QAbstractScrollArea* area);

// A widget's accessible description, as the logic words it: what a picture
// shows that colour alone tells the eye.
class QtDescription final : public Label {
public:
    explicit QtDescription(QWidget* w) : w_(w) {}
    void setText(const std::string& text) override;
    std::string text() const override;

private:
    QWidget* w_;
};

}  // namespace platform
