#pragma once

#include "platform/Heap.h"
#include "platform/UiSync.h"
#include "platform/qt/Accessible.h"
#include "platform/qt/Canvas.h"
#include "platform/qt/Controls.h"
#include "scrub/Scrubform.h"
#include "scrub/ScrubformLayout.h"

#include <QWidget>

#include <memory>
#include <optional>

class QPlainTextEdit;
class QPushButton;

namespace kestrune {

// The "Memory Defragmenter" window; the rules live in TScrubForm.
class ScrubFormWidget final : public QWidget, public ScrubWindow {
public:
    ScrubFormWidget(QWidget* owner, platform::MemorySource& memory, platform::Clock& clock, platform::UiDispatcher& ui,
                    RandomSource& random = runtimeRandom());
    ~ScrubFormWidget() override;

    TScrubForm& form() override { return *form_; }
    void showModal() override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Repainting for the refresh covers the map only; the memo and the
    // button repaint themselves when they change.
    class MapRepaint final : public platform::QtWindow {
    public:
        MapRepaint(QWidget* w) : QtWindow(w) {}
        void repaintNow() override;
        QWidget* surface = nullptr;  // where the map is drawn
    };

    QPlainTextEdit* memo_ = nullptr;
    QPushButton* button_ = nullptr;
    std::unique_ptr<platform::Heap> heap_;
    MapRepaint self_{this};
    platform::QtCanvas canvas_;
    std::optional<platform::QtLineList> lines_;
    std::optional<platform::QtDescription> mapDescription_;
    std::optional<platform::QtButton> buttonAdapter_;
    std::optional<TScrubForm> form_;
};

}  // namespace kestrune
