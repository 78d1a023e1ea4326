#include "platform/VirtualMemory.h"

#include <sys/mman.h>

namespace platform {
namespace {

class LinuxVirtualMemory final : public VirtualMemory {
public:
    void* commit() override {
        // The kernel charges a private mapping while it is writable, and
        // current kernels give the charge back as soon as write access is
        // taken away: so the block stays writable, and is simply never touched.
        void* p = ::mmap(nullptr, kRecoveryBlockSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }
    bool decommit(void* block) override {
        if (block == nullptr) return false;
        void* p = ::mmap(block, kRecoveryBlockSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE,
                         -1, 0);
        return p == block;
    }
    bool release(void* block) override { return block != nullptr && ::munmap(block, kRecoveryBlockSize) == 0; }
};

}  // namespace

VirtualMemory& systemVirtualMemory() {
    static LinuxVirtualMemory vm;
    return vm;
}

}  // namespace platform
