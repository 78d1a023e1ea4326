#pragma once

#include <iostream>
#include <mutex>
#include <streambuf>
#include <string>

namespace testsupport {

// Takes what goes to std::cerr while it lives: the store's diagnostics stay
// out of the test's output, and a test may look at them. Several threads may
// write at once (two schedule threads, say): the buffer has no put area, so
// every write comes through its lock.
class CapturedStderr {
public:
    CapturedStderr() : old_(std::cerr.rdbuf(&out_)) {}
    ~CapturedStderr() { std::cerr.rdbuf(old_); }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;
    std::string text() const { return out_.text(); }
    // What came since the last take.
    std::string take() { return out_.take(); }

private:
    class LockedText final : public std::streambuf {
    public:
        std::string text() const {
            const std::lock_guard lock(mutex_);
            return text_;
        }
        std::string take() {
            const std::lock_guard lock(mutex_);
            std::string taken;
            taken.swap(text_);
            return taken;
        }

    protected:
        int_type overflow(int_type c) override {
            if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
            const std::lock_guard lock(mutex_);
            text_.push_back(traits_type::to_char_type(c));
            return c;
        }
        std::streamsize xsputn(const char* s, std::streamsize n) override {
            const std::lock_guard lock(mutex_);
            text_.append(s, static_cast<std::size_t>(n));
            return n;
        }

    private:
        mutable std::mutex mutex_;
        std::string text_;
    };

    LockedText out_;
    std::streambuf* old_;
};

}  // namespace testsupport
