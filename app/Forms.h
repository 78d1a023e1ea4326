#pragma once

#include "Memmainform.h"

class QWidget;

namespace kestrune {

// The main window's windows, as Qt widgets owned by the logic that asks.
class QtFormFactory final : public FormFactory {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    std::unique_ptr<TutorialWindow> createTutorial() override;

private:
    QWidget* owner_ = nullptr;
};

}  // namespace kestrune
