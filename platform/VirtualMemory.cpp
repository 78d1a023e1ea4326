#include "VirtualMemory.h"

#include <sys/mman.h>

namespace platform {
namespace {

class LinuxVirtualMemory final : public VirtualMemory {
public:
    void* commit() override {
        void* p = ::mmap(nullptr, kRecoveryBlockSize, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        // The charge stays with the range; only access is taken away.
        if (::mprotect(p, kRecoveryBlockSize, PROT_NONE) != 0) {
            ::munmap(p, kRecoveryBlockSize);
            return nullptr;
        }
        return p;
    }
    bool decommit(void* block) override {
        if (block == nullptr) return false;
        void* p = ::mmap(block, kRecoveryBlockSize, PROT_NONE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0);
        return p == block;
    }
    bool release(void* block) override {
        return block != nullptr && ::munmap(block, kRecoveryBlockSize) == 0;
    }
};

}  // namespace

VirtualMemory& systemVirtualMemory() {
    static LinuxVirtualMemory vm;
    return vm;
}

}  // namespace platform
