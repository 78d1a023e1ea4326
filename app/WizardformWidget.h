#pragma once

#include "Wizardform.h"
#include "platform/QtControls.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QFrame;
class QPushButton;

namespace kestrune {

class WizardFormWidget final : public QWidget, public TutorialWindow {
public:
    explicit WizardFormWidget(QWidget* owner = nullptr);
    TWizardForm& form() override { return *form_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
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
