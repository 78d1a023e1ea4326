#include "app/Tmemorythread.h"

#include "app/Gates.h"

namespace kestrune {

TMemoryThread::TMemoryThread(FigureControls& controls, platform::MemorySource& memory, platform::Clock& clock,
                             platform::UiDispatcher& ui)
    // `running` is set before the body starts, so a stop that comes first is
    // never undone.
    : running(true), controls_(controls), memory_(memory), clock_(clock), sync_(ui, kGateRecovery) {
    // The first figures are written here, on the UI thread, before the
    // window is first shown: no design text is ever seen, not even while an
    // operation started with the window holds the UI thread.
    // The figure is a 32-bit signed count of whole MB, as the window always kept it.
    totalPhysMB = static_cast<std::int32_t>(platform::toMB(memory_.sample().totalPhys));
    const ScaleTexts scale = scaleTexts(totalPhysMB);
    controls_.TeLabel5.setText(scale.top);
    controls_.TeLabel6.setText(scale.middle);
    Update();
    reportFailureAs("The memory figures stopped: they will not change until Kestrune is started again", sync_);
    start();
}

TMemoryThread::~TMemoryThread() { stop(); }

void TMemoryThread::stop() {
    running = false;
    wake_.ring();
    sync_.close();
    waitFor();
}

void TMemoryThread::Update() {
    const platform::MemoryStatus s = memory_.sample();
    writeFigures(controls_, computeFigures(s));
    if (controls_.sampled) controls_.sampled(s);
}

void TMemoryThread::Execute() {
    // Then once a second, the first update having been made at creation.
    for (;;) {
        // A stop rings the alarm: the thread ends at once, not a second later.
        clock_.sleep(kMonitorPeriodMs, wake_);
        if (!running) break;
        sync_.call([this] { Update(); });
    }
}

}  // namespace kestrune
