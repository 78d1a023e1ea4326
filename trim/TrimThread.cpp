#include "trim/TrimThread.h"

#include <exception>
#include <utility>

namespace kestrune {

TrimThread::TrimThread(platform::Applications& system, SharedActivity& activity, platform::Clock& clock,
                       platform::UiDispatcher& ui, unsigned gates, std::vector<platform::AppMemory> chosen,
                       TrimListener listener)
    : system_(system),
      activity_(activity),
      clock_(clock),
      chosen_(std::move(chosen)),
      listener_(std::move(listener)),
      sync_(ui, gates) {
    reportFailureAs("Trim Memory stopped before it could say what it freed", sync_);
    start();
}

TrimThread::~TrimThread() {
    stop();
    waitFor();
}

void TrimThread::stop() {
    stop_ = true;
    sync_.close();
}

void TrimThread::Execute() {
    // However the body ends, its owner may start the next trim.
    struct Finished {
        std::atomic<bool>& flag;
        ~Finished() { flag = true; }
    } finished{finished_};
    TrimResult total;
    std::string failure;
    try {
        // Another trim of this user's, in this program or another copy, ends first.
        const auto turn = system_.takeTurn(stop_, [this] {
            if (listener_.waiting) sync_.call([this] { listener_.waiting(); });
        });
        if (!turn) failure = turn.error().text;
        for (const platform::AppMemory& app : chosen_) {
            // No turn: it could not be had, or a stop ended the wait.
            if (!turn || !turn.value()) break;
            if (stop_) break;
            if (listener_.trimming) sync_.call([this, &app] { listener_.trimming(app.name); });
            if (stop_) break;
            const TrimResult one = trimApplications(system_, {app}, stop_);
            addTrim(total, one);
            for (const std::string& id : one.trimmedIds) activity_.trimmed(id, clock_.now());
            // The swap reserve is as short for the next one.
            if (one.swapGuard) break;
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (stop_) return;
    handingBack_ = true;
    if (listener_.done) sync_.call([this, &total, &failure] { listener_.done(total, failure); });
}

}  // namespace kestrune
