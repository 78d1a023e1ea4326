#pragma once

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/MemoryStatus.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// What one sample puts on the main window.
struct MemoryFigures {
    std::string totalText, physicalText, virtualText, pageFileText;
    int totalBar = 0, physicalBar = 0, virtualBar = 0, pageFileBar = 0;
    int graphValue = 0;
    std::string graphName;  // what a screen reader says of the graph
    std::string statusText;
};

MemoryFigures computeFigures(const platform::MemoryStatus& s);

// The graph's scale: total physical MB at the top, half of it in the middle.
struct ScaleTexts {
    std::string top, middle;
};
ScaleTexts scaleTexts(std::int32_t totalPhysMB);

inline constexpr platform::TColor kGraphPointColor = platform::clYellow;
inline constexpr unsigned kMonitorPeriodMs = 1000;

// The main-window controls the monitor writes.
struct FigureControls {
    platform::Label& TeLabel1;  // "Physical Memory"
    platform::Label& TeLabel2;  // "Virtual Memory"
    platform::Label& TeLabel3;  // "PageFile"
    platform::Label& TeLabel4;  // "Total Memory"
    platform::Label& TeLabel5;  // graph scale, top
    platform::Label& TeLabel6;  // graph scale, middle
    platform::ProgressBar& TeProgressBar1;  // total
    platform::ProgressBar& TeProgressBar2;  // physical
    platform::ProgressBar& TeProgressBar3;  // virtual
    platform::ProgressBar& TeProgressBar4;  // page file
    platform::Graph& PerformanceGraph1;
    platform::Label& statusPanel;
    // Told of every sample the update takes (the tray follows it); may be empty.
    std::function<void(const platform::MemoryStatus&)> sampled;
};

// Writes one sample's figures into the controls; runs on the UI thread.
void writeFigures(FigureControls& controls, const MemoryFigures& figures);

// Keeps the main window's figures live: once a second it has the UI thread
// take a fresh sample and write it into the controls.
class TMemoryThread final : public platform::Thread {
public:
    TMemoryThread(FigureControls& controls, platform::MemorySource& memory,
                  platform::Clock& clock, platform::UiDispatcher& ui);
    // Clears `running`, drops a handed-over update and waits for the body.
    ~TMemoryThread() override;

    std::atomic<bool> running{false};
    std::atomic<std::int32_t> memoryLoad{0};
    std::atomic<std::int32_t> totalPhysMB{0};

    // Stops the loop; the update in flight, if any, is dropped or served.
    void stop();

    // The per-second update; UI thread only.
    void Update();

protected:
    void Execute() override;

private:
    FigureControls& controls_;
    platform::MemorySource& memory_;
    platform::Clock& clock_;
    platform::Alarm wake_;
    platform::UiSync sync_;
};

}  // namespace kestrune
