#include "platform/Thread.h"

#include "platform/UiSync.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace platform {

namespace {

std::mutex handlerMutex;
ThreadFailureHandler& handler() {
    static ThreadFailureHandler h;
    return h;
}

ThreadFailureHandler currentHandler() {
    std::lock_guard lock(handlerMutex);
    return handler();
}

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an unknown error";
    }
}

}  // namespace

ThreadFailureHandler setThreadFailureHandler(ThreadFailureHandler h) {
    std::lock_guard lock(handlerMutex);
    return std::exchange(handler(), std::move(h));
}

Thread::~Thread() {
    // The derived destructor must have joined: its members are gone by now.
    if (thread_.joinable()) std::abort();
}

void Thread::reportFailureAs(std::string lost, UiSync& sync) {
    lost_ = std::move(lost);
    failureSync_ = &sync;
}

void Thread::start() {
    try {
        thread_ = std::thread([this] {
            try {
                Execute();
            } catch (...) {
                fatal_ = std::current_exception();
                reportFailure();
            }
        });
    } catch (const std::system_error& e) {
        // Thrown on to the owner, whose work is refused: said as what is lost.
        throw std::runtime_error(lost_ + ": no thread could be started for it (" + e.what() + ")");
    }
}

void Thread::reportFailure() noexcept {
    try {
        const std::string text = lost_ + ": " + describe(fatal_);
        std::cerr << text << std::endl;
        // The handler is read on the UI thread, where the application sets
        // and clears it.
        if (failureSync_)
            failureSync_->call([&text] {
                if (const ThreadFailureHandler show = currentHandler()) show(text);
            });
    } catch (...) {
        // Even the text could not be made (memory ran out again), or the box
        // failed: the bare fact, which needs no memory.
        std::fputs("Kestrune: a thread stopped on an error\n", stderr);
    }
}

void Thread::waitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace platform
