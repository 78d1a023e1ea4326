#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace testsupport {

// Takes what goes to std::cerr while it lives: the store's diagnostics stay
// out of the test's output, and a test may look at them.
class CapturedStderr {
public:
    CapturedStderr() : old_(std::cerr.rdbuf(out_.rdbuf())) {}
    ~CapturedStderr() { std::cerr.rdbuf(old_); }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;
    std::string text() const { return out_.str(); }
    // What came since the last take.
    std::string take() {
        std::string text = out_.str();
        out_.str("");
        return text;
    }

private:
    std::ostringstream out_;
    std::streambuf* old_;
};

}  // namespace testsupport
