#pragma once

#include "app/MemoryFigures.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/Thread.h"
#include "platform/UiSync.h"

#include <atomic>
#include <cstdint>

namespace kestrune {

inline constexpr unsigned kMonitorPeriodMs = 1000;

// Keeps the main window's figures live: once a second it has the UI thread
// take a fresh sample and write it into the controls.
class TMemoryThread final : public platform::Thread {
public:
    // UI thread only: writes the graph's scale and the first sample's
    // figures before it returns.
    TMemoryThread(FigureControls& controls, platform::MemorySource& memory, platform::Clock& clock,
                  platform::UiDispatcher& ui);
    // Clears `running`, drops a handed-over update and waits for the body.
    ~TMemoryThread() override;

    std::atomic<bool> running{false};
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
