#include "recovery/Recovery.h"

#include "platform/Heap.h"
#include "platform/MessageBox.h"
#include "platform/RegistryReaderWriter.h"

#include <algorithm>

namespace kestrune {

using platform::toMB;

std::uint64_t availableMB(const platform::MemoryStatus& s) {
    return toMB(s.availPhys) + toMB(s.availBeyondPhys) + toMB(s.availVirtual);
}

std::uint64_t blockCount(const platform::MemoryStatus& s) {
    const std::uint64_t m = toMB(std::min(s.availPageFile, s.availVirtual));
    // The program's own room in its address space is left as the scrub
    // leaves it: its threads start and its windows paint in it while the
    // blocks are held (a paint that waits on a thread that cannot start
    // waits for ever).
    return std::min(m * 9 / 10, toMB(platform::scrubBudget(s.availVirtual)));
}

std::string resultText(std::uint64_t beforeMB, std::uint64_t afterMB) {
    if (beforeMB < afterMB) return std::to_string((afterMB - beforeMB) * 1024) + recovery::kGainSuffix;
    return recovery::kNothingWon;
}

void MemoryRecovery::run() {
    using namespace recovery;
    host_.TeButton1.setEnabled(false);
    host_.TeButton2.setEnabled(false);

    const platform::MemoryStatus first = memory_.sample();
    const std::uint64_t before = availableMB(first);

    TForm2::Controls& w = progress_.c;
    w.TeLabel1.setText(kStep1);
    w.TeLabel2.setText("Step 1 of 3");
    w.TeProgressBar1.setPosition(0);
    w.self.show();
    w.self.repaintNow();
    for (int i = 0; i < kStep1Ticks && !ending(); ++i) {
        w.TeProgressBar1.setPosition(i);
        w.self.repaintNow();
        clock_.sleep(kTickMs);
    }

    if (!ending()) commitBlocks(blockCount(first));

    w.TeProgressBar1.setPosition(0);
    step(kStep2, "Step 2 of 3", kStep2Ticks, true);
    w.TeProgressBar1.setPosition(0);
    step(kStep3, "Step 3 of 3", kStep3Ticks, false);

    freeBlocks();

    w.self.hide();
    w.TeProgressBar1.setPosition(0);

    // A run cut short by the session's end has nobody left to tell.
    if (!ending()) {
        const std::uint64_t after = availableMB(memory_.sample());
        host_.resultMessage = resultText(before, after);
        host_.resultCaption = kResultCaption;
        platform::messageBox(host_.owner, host_.resultMessage, host_.resultCaption);
        recordRun();
    }

    host_.TeButton1.setEnabled(true);
    host_.TeButton2.setEnabled(true);
    blockList.clear();
    blockList.shrink_to_fit();
}

void MemoryRecovery::step(const char* what, const char* counter, int ticks, bool redraw) {
    TForm2::Controls& w = progress_.c;
    w.TeLabel1.setText(what);
    w.TeLabel2.setText(counter);
    for (int i = 0; i < ticks && !ending(); ++i) {
        w.TeProgressBar1.setPosition(i);
        if (redraw) w.self.repaintNow();
        clock_.sleep(recovery::kTickMs);
    }
}

void MemoryRecovery::commitBlocks(std::uint64_t n) {
    success = true;
    // Room for the usual runs up front; a larger one grows as it goes.
    blockList.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(n, 65536)));
    for (std::uint64_t j = 0; j < n && success; ++j) {
        void* block = vm_.commit();
        if (block == nullptr) {
            success = false;  // ends the allocation early and silently
            break;
        }
        try {
            blockList.push_back(block);
        } catch (const std::bad_alloc&) {
            // No room to remember it: give it straight back and stop here.
            vm_.release(block);
            success = false;
        }
    }
}

void MemoryRecovery::abandon() {
    for (void* block : blockList) {
        vm_.decommit(block);
        vm_.release(block);
    }
    blockList.clear();
}

void MemoryRecovery::freeBlocks() {
    using namespace recovery;
    for (void* block : blockList) {
        if (!vm_.decommit(block)) {
            success = false;
            platform::messageBox(host_.owner, kDecommitFailed, kErrorCaption);
        }
        if (!vm_.release(block)) {
            success = false;
            platform::messageBox(host_.owner, kReleaseFailed, kErrorCaption);
        }
    }
}

void MemoryRecovery::recordRun() {
    platform::RegistryReaderWriter reg;
    reg.setRootKey(platform::HKEY_LOCAL_MACHINE);
    reg.setKeyName(platform::kProductKey);
    // Seconds since 1970 as the registry's 32-bit number; its result is not
    // looked at: a store that cannot be written must not spoil the run.
    reg.writeNumber(static_cast<std::int32_t>(static_cast<std::uint32_t>(clock_.now())), recovery::kTimeValue);
}

}  // namespace kestrune
