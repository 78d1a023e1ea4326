// One memory sample against a bare read of the same /proc files, and one
// full update of the main window's controls.
#include "app/qt/MemmainformWidget.h"
#include "app/qt/QtFormFactory.h"
#include "bench/Ratios.h"
#include "platform/linux/MemoryStatus.h"
#include "platform/qt/UiDispatcher.h"

#include <QApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

void BM_Sample(benchmark::State& state) {
    platform::ProcMemorySource source;
    for (auto _ : state) benchmark::DoNotOptimize(source.sample());
}
BENCHMARK(BM_Sample);

// What a program that reads the two files plainly does: open, read, close.
void BM_BareRead(benchmark::State& state) {
    char buf[16384];
    for (auto _ : state) {
        for (const char* path : {"/proc/meminfo", "/proc/self/status"}) {
            const int fd = ::open(path, O_RDONLY);
            ssize_t n = 0;
            while ((n = ::read(fd, buf, sizeof buf)) > 0) benchmark::DoNotOptimize(buf[0]);
            ::close(fd);
        }
    }
}
BENCHMARK(BM_BareRead);

// The same two files kept open and read again from the start.
void BM_BarePread(benchmark::State& state) {
    char buf[16384];
    const int a = ::open("/proc/meminfo", O_RDONLY);
    const int b = ::open("/proc/self/status", O_RDONLY);
    for (auto _ : state) {
        benchmark::DoNotOptimize(::pread(a, buf, sizeof buf, 0));
        benchmark::DoNotOptimize(::pread(b, buf, sizeof buf, 0));
    }
    ::close(a);
    ::close(b);
}
BENCHMARK(BM_BarePread);

struct Window {
    platform::QtUiDispatcher ui;
    kestrune::QtFormFactory forms{platform::systemMemory(), platform::systemClock(), ui};
    std::atomic<bool> closing{false};
    kestrune::KestruneFormWidget w{
        platform::systemMemory(), platform::systemVirtualMemory(), platform::systemClock(), ui, forms, closing};
};

// Sample, derive and write every label, bar, the graph point and the status.
void BM_WindowUpdate(benchmark::State& state) {
    Window win;
    for (auto _ : state) {
        kestrune::writeFigures(win.w.form().figures(), kestrune::computeFigures(platform::systemMemory().sample()));
    }
}
BENCHMARK(BM_WindowUpdate);

// The same, plus painting the whole window as the event loop then would.
void BM_WindowUpdateAndPaint(benchmark::State& state) {
    Window win;
    win.w.setAttribute(Qt::WA_DontShowOnScreen);
    win.w.show();
    for (auto _ : state) {
        kestrune::writeFigures(win.w.form().figures(), kestrune::computeFigures(platform::systemMemory().sample()));
        win.w.repaint();
    }
    win.w.form().FormCloseQuery();
}
BENCHMARK(BM_WindowUpdateAndPaint);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return benchratio::run(argc, argv,
                           {{"sample / bare open+read+close", "BM_Sample", "BM_BareRead", 1.3, true},
                            {"sample / bare pread of open files", "BM_Sample", "BM_BarePread", 1.3, true}});
}
