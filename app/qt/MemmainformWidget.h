#pragma once

#include "app/Memmainform.h"
#include "app/MemmainformLayout.h"
#include "app/qt/KestruneTray.h"
#include "app/qt/PerformanceGraph.h"
#include "platform/qt/CloseRequests.h"
#include "platform/qt/Controls.h"
#include "platform/qt/Notifier.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace platform {
class DesignSurface;
}

namespace kestrune {

// The main window's widgets; the rules live in TKestruneForm.
class KestruneFormWidget final : public QWidget {
public:
    KestruneFormWidget(platform::MemorySource& memory, platform::VirtualMemory& vm, platform::Clock& clock,
                       platform::UiDispatcher& ui, FormFactory& forms, std::atomic<bool>& appClosing,
                       const std::atomic<bool>* sessionEnding = nullptr, TrimRunner* trim = nullptr);
    ~KestruneFormWidget() override;

    TKestruneForm& form() { return *form_; }
    KestruneTray& tray() { return *tray_; }
    // Called once the window has accepted its close.
    std::function<void()> onClosed;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void buildMenu(QWidget* client);
    void buildFigures(QWidget* client);
    void buildButtons(QWidget* client);
    TKestruneForm::Controls wiring();
    void makeTray();
    QLabel* kindLabel(QWidget* box, const char* name);
    QProgressBar* kindBar(QWidget* box, const char* name);

    QMenuBar* menuBar_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    PerformanceGraph* graph_ = nullptr;
    QLabel *label1_, *label2_, *label3_, *label4_, *label5_, *label6_, *label7_, *status_;
    QProgressBar *bar1_, *bar2_, *bar3_, *bar4_;
    QPushButton *button1_, *button2_;
    QWidget* groupBox6_ = nullptr;
    platform::DesignSurface* surface_ = nullptr;

    platform::QtWindow self_{this};
    std::optional<platform::QtLabel> l1_, l2_, l3_, l4_, l5_, l6_, statusPanel_;
    std::optional<platform::QtProgressBar> b1_, b2_, b3_, b4_;
    std::optional<platform::QtButton> recover_, scrub_;
    platform::QtNotifier notifier_;
    std::unique_ptr<TKestruneForm> form_;
    platform::Autostart autostart_;
    std::unique_ptr<KestruneTray> tray_;
    std::optional<platform::BlockedCloseWatch> blockedClose_;
};

}  // namespace kestrune
