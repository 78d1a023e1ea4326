#pragma once

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/MemoryStatus.h"
#include "platform/Numbers.h"
#include "platform/Thread.h"
#include "scrub/Workerthread.h"
#include "scrub/scrubber.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

namespace kestrune {

namespace scrubform {
inline constexpr const char* kCaption = "Memory Defragmenter";
inline constexpr const char* kTitle = "Tarnwick Memory Scrubber";
inline constexpr platform::Rect kBevel1{20, 40, 429, 285};
inline constexpr const char* kClose = "Close";
inline constexpr const char* kStop = "Stop";
inline constexpr const char* kStopping = "Stopping";
inline constexpr std::uint64_t kLowMemoryKB = 25600;  // at most 25 MB left: stop
inline constexpr std::uint32_t kStepIntervalMs = 100;
}  // namespace scrubform

using platform::GroupThousands;
// 3725 → "1 hrs 2 minutes 5 seconds".
std::string FormatDuration(int seconds);

// The scrub window's rules: starts the worker and the refresh, animates the
// page-set map, honours Stop and the low-memory guard, reports the result.
class TScrubForm {
public:
    struct Controls {
        platform::Window& self;
        platform::LineList& TeMemo1;
        platform::Button& TeButton1;
        platform::Canvas& canvas;
    };
    struct Services {
        platform::MemorySource& memory;
        platform::Clock& clock;
        RandomSource& random;
        // The scrub worker; starts idle.
        std::function<std::unique_ptr<ScrubWorker>()> makeWorker;
        // The refresh thread, calling `refresh` until destroyed; `refresh`
        // repaints the map and says whether it may still change.
        std::function<std::unique_ptr<platform::Thread>(std::function<bool()> refresh)> makeUpdateThread;
    };

    TScrubForm(const Controls& controls, Services services);
    ~TScrubForm();
    TScrubForm(const TScrubForm&) = delete;
    TScrubForm& operator=(const TScrubForm&) = delete;

    void FormShow();
    void FormPaint();  // the refresh
    // The run is over and its summary written: the map will not change again.
    bool settled() const { return worker != nullptr && !inProgress; }
    void TeButton1Click();
    void FormClose();

    std::unique_ptr<PartitionDisplay> display;
    std::unique_ptr<platform::Thread> updateThread;
    std::unique_ptr<ScrubWorker> worker;
    std::uint32_t lastStepTick;
    bool inProgress = false;
    bool finishSeen = false;
    std::uint64_t startAvailPhys = 0;
    int pageSet = 0;
    std::time_t startTime = 0;
    bool previousIdle = false;
    // The summary's "Memory Freed" line once the run has finished; empty
    // while it runs or when it was closed before the end.
    std::string freedLine;

    platform::Window& window() { return c_.self; }

private:
    void finish(const platform::MemoryStatus& sample);

    Controls c_;
    Services s_;
};

// A scrub window as the main window holds it.
class ScrubWindow {
public:
    virtual ~ScrubWindow() = default;
    virtual TScrubForm& form() = 0;
    // Shows the window modally; returns once it has closed.
    virtual void showModal() = 0;
};

// The process-wide reference to the current scrub window; empty when none.
extern TScrubForm* ScrubForm;

}  // namespace kestrune
