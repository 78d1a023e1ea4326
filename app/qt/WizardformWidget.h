#pragma once

#include "app/Wizardform.h"
#include "app/WizardformLayout.h"
#include "platform/qt/Controls.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QFrame;
class QPushButton;

namespace kestrune {

// A dialog, so Escape closes it as its title bar's close does.
class WizardFormWidget final : public QDialog, public TutorialWindow {
public:
    explicit WizardFormWidget(QWidget* owner = nullptr);
    TWizardForm& form() override { return *form_; }
    void reject() override { close(); }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QFrame* panel2_ = nullptr;
    QCheckBox* checkBox_ = nullptr;
    QPushButton* done_ = nullptr;
    platform::QtWindow self_{this};
    std::optional<platform::QtCheckBox> box_;
    std::optional<platform::QtPlacement> panelPlace_, boxPlace_, donePlace_;
    std::optional<TWizardForm> form_;
};

}  // namespace kestrune
