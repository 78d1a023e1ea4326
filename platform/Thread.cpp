#include "platform/Thread.h"

#include <cstdlib>

namespace platform {

Thread::~Thread() {
    // The derived destructor must have joined: its members are gone by now.
    if (thread_.joinable()) std::abort();
}

void Thread::start() {
    thread_ = std::thread([this] {
        try {
            Execute();
        } catch (...) {
            // The thread ends quietly; the owner may look at it after joining.
            fatal_ = std::current_exception();
        }
    });
}

void Thread::waitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace platform
