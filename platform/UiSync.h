#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace platform {

// Gates hold back work on the user-interface thread while the application
// wants it held: each is one bit of a mask (the application names them), and
// a task waits while any gate of its mask is held.
inline constexpr unsigned kNoGate = 0;
inline constexpr unsigned kGateCount = 2;

// Runs tasks on the user-interface thread. Production queues them on the Qt
// event loop; tests pump a queue by hand.
class UiDispatcher {
public:
    UiDispatcher() = default;
    UiDispatcher(const UiDispatcher&) = delete;
    UiDispatcher& operator=(const UiDispatcher&) = delete;
    virtual ~UiDispatcher() = default;

    // Any thread. Queues `task`; false when it cannot be queued. A task posted
    // with gates that are held when it comes up waits until they are released.
    bool post(std::function<void()> task, unsigned gates = kNoGate);

    // User-interface thread only; holds nest.
    void hold(unsigned gates);
    void release(unsigned gates);
    bool held(unsigned gates) const;

    virtual bool onUiThread() const = 0;

protected:
    // Any thread: hand `task` to the UI thread's queue. A task destroyed
    // without being run counts as dropped.
    virtual bool queue(std::function<void()> task) = 0;

private:
    void deliver(std::function<void()>& task, unsigned gates);

    int holds_[kGateCount] = {};
    std::deque<std::pair<unsigned, std::function<void()>>> parked_;
};

// Holds gates for the lifetime of a scope.
class GateHold {
public:
    GateHold(UiDispatcher& ui, unsigned gates) : ui_(ui), gates_(gates) { ui_.hold(gates_); }
    ~GateHold() { ui_.release(gates_); }
    GateHold(const GateHold&) = delete;
    GateHold& operator=(const GateHold&) = delete;

private:
    UiDispatcher& ui_;
    unsigned gates_;
};

// One thread's synchronised calls onto the user-interface thread. The calling
// thread blocks until its call has run or has been dropped. The owner closes
// the channel before it joins the thread: a pending call is dropped, new ones
// are refused, so a join on the UI thread never waits for the UI thread.
class UiSync {
public:
    explicit UiSync(UiDispatcher& ui, unsigned gates = kNoGate);
    ~UiSync();
    UiSync(const UiSync&) = delete;
    UiSync& operator=(const UiSync&) = delete;

    // True when `fn` ran (on the UI thread), false when it was dropped. An
    // exception that `fn` throws is thrown again here, in the calling thread.
    bool call(std::function<void()> fn);

    // Drops the pending call, if any, and refuses further calls. Idempotent.
    void close();
    bool closed() const;

private:
    struct State;
    UiDispatcher& ui_;
    unsigned gates_;
    std::shared_ptr<State> state_;
};

}  // namespace platform
