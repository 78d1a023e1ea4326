#include "trim/TrimRunner.h"

#include <utility>

namespace kestrune {

TrimRunner::TrimRunner(platform::Applications& system, SharedActivity& activity, platform::Clock& clock,
                       platform::UiDispatcher& ui, unsigned gates)
    : system_(system), activity_(activity), clock_(clock), ui_(ui), gates_(gates) {}

TrimRunner::~TrimRunner() { stop(); }

TrimRunner::Ticket TrimRunner::start(std::vector<platform::AppMemory> chosen, TrimListener listener) {
    if (busy()) return 0;
    // One that ended is joined at once; one still handing back (the new
    // trim may be started from its very listener) only later.
    if (thread_ && !thread_->finished())
        retired_ = std::move(thread_);
    else
        thread_.reset();
    thread_ =
        std::make_unique<TrimThread>(system_, activity_, clock_, ui_, gates_, std::move(chosen), std::move(listener));
    return ++ticket_;
}

bool TrimRunner::busy() const { return thread_ && !thread_->finished() && !thread_->handingBack(); }

void TrimRunner::abandon(Ticket ticket) {
    if (ticket != 0 && ticket == ticket_ && thread_) thread_->stop();
}

void TrimRunner::stop() {
    thread_.reset();
    retired_.reset();
}

}  // namespace kestrune
