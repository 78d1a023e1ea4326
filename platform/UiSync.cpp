#include "platform/UiSync.h"

#include <utility>

namespace platform {

bool UiDispatcher::post(std::function<void()> task, unsigned gates) {
    return queue([this, task = std::move(task), gates]() mutable { deliver(task, gates); });
}

void UiDispatcher::deliver(std::function<void()>& task, unsigned gates) {
    if (held(gates)) {
        parked_.emplace_back(gates, std::move(task));
        return;
    }
    task();
}

bool UiDispatcher::held(unsigned gates) const {
    for (unsigned i = 0; i < kGateCount; ++i)
        if ((gates & (1u << i)) != 0 && holds_[i] > 0) return true;
    return false;
}

void UiDispatcher::hold(unsigned gates) {
    for (unsigned i = 0; i < kGateCount; ++i)
        if ((gates & (1u << i)) != 0) ++holds_[i];
}

void UiDispatcher::release(unsigned gates) {
    for (unsigned i = 0; i < kGateCount; ++i)
        if ((gates & (1u << i)) != 0 && holds_[i] > 0) --holds_[i];
    // Re-queue what may run now, in the order it arrived.
    std::deque<std::pair<unsigned, std::function<void()>>> still;
    while (!parked_.empty()) {
        auto item = std::move(parked_.front());
        parked_.pop_front();
        if (held(item.first))
            still.push_back(std::move(item));
        else
            post(std::move(item.second), item.first);
    }
    parked_ = std::move(still);
}

namespace {
enum class Status { Waiting, Running, Done, Dropped };
}

struct UiSync::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;

    struct Call {
        std::function<void()> fn;
        Status status = Status::Waiting;
        std::exception_ptr error;
    };
    std::shared_ptr<Call> pending;  // the one call its thread is blocked on

    void finish(Call& c, Status s) {
        {
            std::lock_guard lock(mutex);
            c.status = s;
            if (pending.get() == &c) pending.reset();
        }
        changed.notify_all();
    }

    // Rides in the queued task; destroyed unrun means dropped.
    struct Ticket {
        std::shared_ptr<State> state;
        std::shared_ptr<Call> call;
        Ticket(std::shared_ptr<State> s, std::shared_ptr<Call> c) : state(std::move(s)), call(std::move(c)) {}
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket() {
            bool unrun;
            {
                std::lock_guard lock(state->mutex);
                unrun = call->status == Status::Waiting;
            }
            if (unrun) state->finish(*call, Status::Dropped);
        }
        void run() {
            {
                std::lock_guard lock(state->mutex);
                if (call->status != Status::Waiting) return;
                call->status = Status::Running;
            }
            try {
                call->fn();
            } catch (...) {
                call->error = std::current_exception();
            }
            state->finish(*call, Status::Done);
        }
    };
};

UiSync::UiSync(UiDispatcher& ui, unsigned gates) : ui_(ui), gates_(gates), state_(std::make_shared<State>()) {}

UiSync::~UiSync() { close(); }

bool UiSync::call(std::function<void()> fn) {
    if (ui_.onUiThread()) {
        // Already where it must run: waiting for ourselves would never end.
        if (closed()) return false;
        fn();
        return true;
    }
    auto c = std::make_shared<State::Call>();
    c->fn = std::move(fn);
    {
        std::lock_guard lock(state_->mutex);
        if (state_->closed) return false;
        state_->pending = c;
    }
    {
        // If the task is never queued, or is discarded unrun, the ticket's
        // destruction drops the call and wakes us below.
        auto ticket = std::make_shared<State::Ticket>(state_, c);
        ui_.post([ticket] { ticket->run(); }, gates_);
    }
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return c->status == Status::Done || c->status == Status::Dropped; });
    const bool ran = c->status == Status::Done;
    // Taken out here, so the exception dies on the thread that catches it and
    // not whenever the UI thread lets go of the call.
    const std::exception_ptr error = std::exchange(c->error, nullptr);
    lock.unlock();
    if (error) std::rethrow_exception(error);
    return ran;
}

void UiSync::close() {
    std::shared_ptr<State::Call> drop;
    {
        std::lock_guard lock(state_->mutex);
        state_->closed = true;
        if (state_->pending && state_->pending->status == Status::Waiting) drop = state_->pending;
    }
    if (drop) state_->finish(*drop, Status::Dropped);
}

bool UiSync::closed() const {
    std::lock_guard lock(state_->mutex);
    return state_->closed;
}

}  // namespace platform
