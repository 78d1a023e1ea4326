#include "platform/VirtualMemory.h"

#include <windows.h>

namespace platform {
namespace {

// An inaccessible committed block is charged to the commit account but never
// given a page.
class WindowsVirtualMemory final : public VirtualMemory {
public:
    void* commit() override { return VirtualAlloc(nullptr, kRecoveryBlockSize, MEM_COMMIT, PAGE_NOACCESS); }
    bool decommit(void* block) override {
        return block != nullptr && VirtualFree(block, kRecoveryBlockSize, MEM_DECOMMIT) != 0;
    }
    bool release(void* block) override { return block != nullptr && VirtualFree(block, 0, MEM_RELEASE) != 0; }
};

}  // namespace

VirtualMemory& systemVirtualMemory() {
    static WindowsVirtualMemory vm;
    return vm;
}

}  // namespace platform
