#pragma once

#include "platform/qt/Controls.h"
#include "trim/Applicationsform.h"
#include "trim/ApplicationsformLayout.h"

#include <QDialog>

#include <optional>

class QLabel;
class QTimer;
class QTreeWidget;

namespace kestrune {

// The "Applications" window; the rules live in TApplicationsForm. Modeless:
// it may stay open beside the user's work. A dialog, so Escape closes it as
// its Close button does.
class ApplicationsFormWidget final : public QDialog, public AppListWindow {
public:
    ApplicationsFormWidget(QWidget* owner, TrimRunner& runner);
    ~ApplicationsFormWidget() override;
    TApplicationsForm& form() override { return *form_; }
    void showInFront() override;
    void reject() override { close(); }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QLabel* line(QWidget* parent, const char* name, const platform::Rect& r);
    QTreeWidget* buildList(QWidget* client);

    platform::QtWindow self_{this};
    std::optional<platform::QtLabel> system_, swap_, pressure_, caveat_, notice_, status_;
    std::optional<platform::QtTable> list_;
    std::optional<platform::QtPanel> listShown_, noticeShown_;
    std::optional<platform::QtButton> trimSelected_, trimIdle_;
    std::optional<platform::QtTimer> timer_;
    std::optional<TApplicationsForm> form_;
};

}  // namespace kestrune
