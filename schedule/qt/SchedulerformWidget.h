#pragma once

#include "platform/qt/Controls.h"
#include "schedule/Schedulerform.h"
#include "schedule/SchedulerformLayout.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QTreeView;

namespace kestrune {

// The "Scheduler" window; the rules live in TScheduler. A dialog, so Escape
// closes it as the Close button does.
class SchedulerWidget final : public QDialog, public ModalWindow {
public:
    explicit SchedulerWidget(QWidget* owner = nullptr, SchedulerOffers offers = {});
    ~SchedulerWidget() override;
    TScheduler& form() { return *form_; }
    void showModal() override;

    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QGroupBox* panel(const char* name, int width, const char* spoken);
    QWidget* buildRun();
    std::vector<QWidget*> buildPeriodChoices();
    void buildTimedPanels(std::vector<QWidget*>& order);
    void buildLoadPanel(std::vector<QWidget*>& order);
    void buildList(std::vector<QWidget*>& order);
    void wire(SchedulerOffers offers);
    void placeOnScreen();
    // The control of that name on the window.
    template <class Widget>
    Widget* named(const char* name) const;
    // The adapter of a control the rules see, kept for the window's life.
    template <class Adapter, class Widget>
    Adapter& adapt(Widget* w);

    platform::QtWindow self_{this};
    QWidget* client_ = nullptr;  // the surface its controls are on
    std::vector<std::unique_ptr<platform::Label>> texts_;
    std::vector<std::unique_ptr<platform::Panel>> panels_;
    std::optional<platform::QtComboText> run_;
    std::optional<platform::QtListView> list_;
    std::optional<TScheduler> form_;
};

}  // namespace kestrune
