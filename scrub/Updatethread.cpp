#include "scrub/Updatethread.h"

namespace kestrune {

UpdateThread::UpdateThread(platform::UiDispatcher& ui, platform::Clock& clock, std::function<bool()> refresh)
    : clock_(clock), refresh_(std::move(refresh)), sync_(ui) {
    reportFailureAs("The scrub window stopped redrawing until it is opened again", sync_);
    start();
}

UpdateThread::~UpdateThread() {
    quit = true;
    stop_.ring();
    sync_.close();
    waitFor();
}

void UpdateThread::Execute() {
    while (!quit) {
        bool changing = true;
        sync_.call([this, &changing] { changing = refresh_(); });
        if (changing)
            clock_.sleep(1);
        else
            clock_.sleep(kSettledCheckMs, stop_);
    }
}

}  // namespace kestrune
