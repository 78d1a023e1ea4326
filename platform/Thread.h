#pragma once

#include <exception>
#include <thread>

namespace platform {

// A thread with a body `Execute`. The most-derived class calls start() as the
// last step of its constructor, so the body never runs on a half-built
// object, and waitFor() first thing in its destructor, after telling the body
// to stop; thread classes are therefore final.
class Thread {
public:
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    virtual ~Thread();

    // What escaped Execute, if anything; meaningful once the thread has ended.
    std::exception_ptr fatalError() const { return fatal_; }

protected:
    Thread() = default;
    void start();
    // Waits until Execute has returned. Idempotent.
    void waitFor();
    virtual void Execute() = 0;

private:
    std::thread thread_;
    std::exception_ptr fatal_;
};

}  // namespace platform
