#include "Updatethread.h"

namespace kestrune {

UpdateThread::UpdateThread(platform::UiDispatcher& ui, platform::Clock& clock, std::function<void()> refresh)
    : clock_(clock), refresh_(std::move(refresh)), sync_(ui) {
    start();
}

UpdateThread::~UpdateThread() {
    quit = true;
    sync_.close();
    waitFor();
}

void UpdateThread::Execute() {
    while (!quit) {
        sync_.call(refresh_);
        clock_.sleep(1);
    }
}

}  // namespace kestrune
