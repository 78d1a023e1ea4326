// Committing and freeing 1,000 blocks through the recovery's own path against
// a bare mmap/munmap loop of the same blocks.
#include "Ratios.h"
#include "platform/MessageBox.h"
#include "platform/VirtualMemory.h"
#include "platform/Registry.h"
#include "platform/RegistryReaderWriter.h"
#include "recovery/Recovery.h"

#include <sys/mman.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int kBlocks = 1000;

struct NoLabel final : platform::Label {
    void setText(const std::string&) override {}
    std::string text() const override { return {}; }
};
struct NoBar final : platform::ProgressBar {
    void setPosition(int) override {}
    int position() const override { return 0; }
};
struct NoButton final : platform::Button {
    void setCaption(const std::string&) override {}
    std::string caption() const override { return {}; }
    void setEnabled(bool) override {}
    bool enabled() const override { return true; }
};
struct NoWindow final : platform::Window {
    platform::Rect frame() const override { return {}; }
    void moveTo(int, int) override {}
    void setFrameHeight(int) override {}
    int clientWidth() const override { return 0; }
    int clientHeight() const override { return 0; }
    void setClientSize(int, int) override {}
    bool visible() const override { return false; }
    void show() override {}
    void hide() override {}
    void close() override {}
    void repaintNow() override {}
    int screenWidth() const override { return 0; }
    int screenHeight() const override { return 0; }
    platform::WindowHandle handle() const override { return nullptr; }
};
// Sized so the run commits exactly kBlocks blocks: ⌊9 × 1112 / 10⌋ = 1000.
struct Sized final : platform::MemorySource {
    platform::MemoryStatus sample() override {
        return {0, 1ull << 32, 1ull << 31, 1ull << 32, 1112ull << 20, 1ull << 40, 1ull << 39};
    }
};
// The pauses of the three steps take no time here.
struct Instant final : platform::Clock {
    std::uint32_t tickCount() override { return 0; }
    std::time_t now() override { return 0; }
    std::tm localTime(std::time_t) override { return {}; }
    void sleep(unsigned) override {}
    void sleep(unsigned, platform::Alarm&) override {}
};

// The whole operation: commit, decommit and release of every block, with the
// window's steps and the result box reduced to nothing.
void BM_RecoveryPath(benchmark::State& state) {
    NoWindow window;
    NoLabel l1, l2;
    NoBar bar;
    kestrune::TForm2 form{{window, l1, bar, l2}};
    NoButton b1, b2;
    std::string message, caption;
    Sized memory;
    Instant clock;
    for (auto _ : state) {
        kestrune::MemoryRecovery(kestrune::RecoveryHost{b1, b2, message, caption, nullptr}, form, memory,
                                 platform::systemVirtualMemory(), clock)
            .run();
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_RecoveryPath);

constexpr std::size_t kMB = 1 << 20;

// The same blocks mapped and unmapped bare.
void BM_BareMmapMunmap(benchmark::State& state) {
    std::vector<void*> blocks(kBlocks);
    for (auto _ : state) {
        for (auto& p : blocks) p = ::mmap(nullptr, kMB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        for (void* p : blocks) ::munmap(p, kMB);
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_BareMmapMunmap);

// The three calls the recovery makes per block (commit, decommit, release), bare.
void BM_BareCommitDecommitRelease(benchmark::State& state) {
    std::vector<void*> blocks(kBlocks);
    for (auto _ : state) {
        for (auto& p : blocks) p = ::mmap(nullptr, kMB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        for (void* p : blocks) {
            benchmark::DoNotOptimize(
                ::mmap(p, kMB, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0));
            ::munmap(p, kMB);
        }
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
}
BENCHMARK(BM_BareCommitDecommitRelease);

// What recording the run costs when the store cannot be written, as here.
void BM_FailedRecord(benchmark::State& state) {
    for (auto _ : state) {
        platform::RegistryReaderWriter reg;
        reg.setKeyName(platform::kProductKey);
        benchmark::DoNotOptimize(reg.writeNumber(1, "time"));
    }
}
BENCHMARK(BM_FailedRecord);

}  // namespace

int main(int argc, char** argv) {
    // The run's record goes nowhere: a store write is not part of this figure.
    setenv("KESTRUNE_REGISTRY", "/proc/kestrune-bench/none.sqlite3", 1);
    platform::setMessageBoxHandler([](const platform::BoxCall&) {});
    // Rates: ours over the bare loop's is the inverse of the time ratio.
    return benchratio::run(argc, argv,
                           {{"recovery / the same three calls bare (time)", "BM_RecoveryPath",
                             "BM_BareCommitDecommitRelease", 1 / 0.9, true},
                            {"recovery / bare mmap+munmap (time)", "BM_RecoveryPath", "BM_BareMmapMunmap", 1 / 0.9,
                             true}});
}
