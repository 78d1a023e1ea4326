#pragma once

#include "platform/qt/Controls.h"
#include "recovery/Waitform.h"
#include "recovery/WaitformLayout.h"

#include <QWidget>

#include <optional>

class QLabel;
class QProgressBar;

namespace kestrune {

// The always-on-top progress window of "Recover Memory".
class Form2Widget final : public QWidget, public ProgressWindow {
public:
    explicit Form2Widget(QWidget* owner = nullptr);
    ~Form2Widget() override;
    TForm2& form() override { return *form_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // A redraw paints the window now and lets the window system show it; the
    // event loop is not otherwise served while the recovery runs.
    class Redraw final : public platform::QtWindow {
    public:
        explicit Redraw(QWidget* w) : QtWindow(w), w_(w) {}
        void repaintNow() override;

    private:
        QWidget* w_;
    };

    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QProgressBar* bar_ = nullptr;
    Redraw self_{this};
    std::optional<platform::QtLabel> l1_, l2_;
    std::optional<platform::QtProgressBar> b1_;
    std::optional<TForm2> form_;
    bool blocking_ = false;
};

}  // namespace kestrune
