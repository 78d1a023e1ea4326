#pragma once

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/MemoryStatus.h"
#include "platform/VirtualMemory.h"
#include "recovery/Waitform.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

namespace recovery {
inline constexpr unsigned kTickMs = 100;
inline constexpr int kStep1Ticks = 10;
inline constexpr int kStep2Ticks = 100;
inline constexpr int kStep3Ticks = 100;
inline constexpr const char* kStep1 = "Accessing Available Page Sets";
inline constexpr const char* kStep2 = "Searching for destructable memory blocks";
inline constexpr const char* kStep3 = "Attempting to free destructable memory blocks";
inline constexpr const char* kDecommitFailed = "Could not destruct memory";
inline constexpr const char* kReleaseFailed = "Could not release memory";
inline constexpr const char* kErrorCaption = "TarnError";
inline constexpr const char* kResultCaption = "Complete";
inline constexpr const char* kNothingWon = "System Memory is Optimized!";
inline constexpr const char* kGainSuffix = " KB of ram was destructed and allocated back to system";
inline constexpr const char* kTimeValue = "time";
}  // namespace recovery

// Available physical + page file + virtual, each in whole MB before the sum;
// of the page file only what it holds beyond the physical memory, so that
// memory freed during a run counts once on every system.
std::uint64_t availableMB(const platform::MemoryStatus& s);
// 90 % of the smaller of available page file and available virtual space, in
// 1 MB blocks: ⌊9M/10⌋, so ten MB give exactly nine blocks; but never so many
// that less address space is left than the scrub's headroom.
std::uint64_t blockCount(const platform::MemoryStatus& s);
// The result box's text for the two totals in MB.
std::string resultText(std::uint64_t beforeMB, std::uint64_t afterMB);

// What the recovery needs of the main window.
struct RecoveryHost {
    platform::Button& TeButton1;
    platform::Button& TeButton2;
    std::string& resultMessage;
    std::string& resultCaption;
    platform::WindowHandle owner;
    // Set when the session asks the program to end: the run stops at its next
    // tick, gives its blocks back and reports nothing. None: it never does.
    const std::atomic<bool>* ending = nullptr;
};

// "Recover Memory": commits up to 90 % of the smaller available amount in
// 1 MB blocks behind a three-step progress window, frees them all, reports
// the memory won back and records the time of the run. Runs on the UI thread
// from start to end.
class MemoryRecovery {
public:
    MemoryRecovery(const RecoveryHost& host, TForm2& progress, platform::MemorySource& memory,
                   platform::VirtualMemory& vm, platform::Clock& clock)
        : host_(host), progress_(progress), memory_(memory), vm_(vm), clock_(clock) {}

    void run();
    // The program is ending under the run (the toolkit ends it when the
    // display goes away): every block goes back at once, without a word.
    void abandon();

private:
    void step(const char* what, const char* counter, int ticks, bool redraw);
    void commitBlocks(std::uint64_t n);
    void freeBlocks();
    void recordRun();
    bool ending() const { return host_.ending != nullptr && host_.ending->load(); }

    RecoveryHost host_;
    TForm2& progress_;
    platform::MemorySource& memory_;
    platform::VirtualMemory& vm_;
    platform::Clock& clock_;
    std::vector<void*> blockList;
    bool success = true;
};

}  // namespace kestrune
