#pragma once

#include <exception>
#include <functional>
#include <string>
#include <thread>

namespace platform {

class UiSync;

// Shows, on the UI thread, what a thread whose body ended with an exception
// reports: the application's error box. Set by the application object;
// empty (the default) for none. Returns the previous handler.
using ThreadFailureHandler = std::function<void(const std::string&)>;
ThreadFailureHandler setThreadFailureHandler(ThreadFailureHandler handler);

// A thread with a body `Execute`. The most-derived class calls start() as the
// last step of its constructor, so the body never runs on a half-built
// object, and waitFor() first thing in its destructor, after telling the body
// to stop; thread classes are therefore final.
//
// A body that ends with an exception does not end in silence: the thread
// writes what it lost and why to stderr, then, where the owner gave it a
// channel, hands the same text to the failure handler on the UI thread. The
// owner closes that channel before it joins, so at shutdown the report is
// dropped and the join never waits for the UI thread.
class Thread {
public:
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    virtual ~Thread();

    // What escaped Execute, if anything; meaningful once the thread has ended.
    std::exception_ptr fatalError() const { return fatal_; }

protected:
    Thread() = default;
    // Before start(): what the user loses if the body fails ("The scheduler
    // stopped"), and the channel its report reaches the UI thread through.
    void reportFailureAs(std::string lost, UiSync& sync);
    void start();
    // Waits until Execute has returned. Idempotent.
    void waitFor();
    virtual void Execute() = 0;

private:
    void reportFailure() noexcept;

    std::thread thread_;
    std::exception_ptr fatal_;
    std::string lost_ = "A Kestrune thread stopped";
    UiSync* failureSync_ = nullptr;
};

}  // namespace platform
