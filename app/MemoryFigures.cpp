// The arithmetic and texts of the main window's figures.
#include "app/MemoryFigures.h"

#include <algorithm>

namespace kestrune {
namespace {

using platform::toMB;

// share × 100, truncated; an empty total shows as 0 rather than dividing by zero.
int percent(float share) { return static_cast<int>(share * 100.0f); }

float byteShare(std::uint64_t total, std::uint64_t avail) {
    if (total == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(total - std::min(avail, total)) / static_cast<double>(total));
}

std::string usedOfTotal(std::uint64_t usedMB, std::uint64_t totalMB) {
    return std::to_string(usedMB) + " MB / " + std::to_string(totalMB) + " MB";
}

}  // namespace

MemoryFigures computeFigures(const platform::MemoryStatus& s) {
    MemoryFigures f;
    // Each byte once: the page file's share is what lies beyond the RAM.
    const std::uint64_t totalMB = toMB(s.totalPhys) + toMB(s.totalBeyondPhys) + toMB(s.totalVirtual);
    const std::uint64_t availMB = toMB(s.availPhys) + toMB(s.availBeyondPhys) + toMB(s.availVirtual);
    const std::uint64_t usedMB = totalMB - std::min(availMB, totalMB);
    const float totalShare =
        totalMB == 0 ? 0.0f : static_cast<float>(static_cast<double>(usedMB) / static_cast<double>(totalMB));
    const float physicalShare = byteShare(s.totalPhys, s.availPhys);
    const float virtualShare = byteShare(s.totalVirtual, s.availVirtual);
    const float pageFileShare = byteShare(s.totalPageFile, s.availPageFile);

    f.graphValue = percent(physicalShare);
    f.graphName = "Physical memory in use: " + std::to_string(f.graphValue) + " %";
    f.totalText = usedOfTotal(usedMB, totalMB);
    f.totalBar = percent(totalShare);
    f.physicalText = usedOfTotal(toMB(s.totalPhys - std::min(s.availPhys, s.totalPhys)), toMB(s.totalPhys));
    f.physicalBar = percent(physicalShare);
    f.virtualText = usedOfTotal(toMB(s.totalVirtual - std::min(s.availVirtual, s.totalVirtual)), toMB(s.totalVirtual));
    f.virtualBar = percent(virtualShare);
    f.pageFileText =
        usedOfTotal(toMB(s.totalPageFile - std::min(s.availPageFile, s.totalPageFile)), toMB(s.totalPageFile));
    f.pageFileBar = percent(pageFileShare);
    f.statusText = "Memory Load: " + std::to_string(static_cast<std::int32_t>(s.memoryLoad)) + "%";
    return f;
}

ScaleTexts scaleTexts(std::int32_t totalPhysMB) {
    return {std::to_string(totalPhysMB) + " MB", std::to_string(static_cast<std::int32_t>(totalPhysMB * 0.5)) + " MB"};
}

void writeFigures(FigureControls& c, const MemoryFigures& f) {
    c.PerformanceGraph1.dataPoint(kGraphPointColor, f.graphValue);
    c.PerformanceGraph1.redraw();
    c.PerformanceGraph1.setName(f.graphName);
    c.TeLabel4.setText(f.totalText);
    c.TeProgressBar1.setPosition(f.totalBar);
    c.TeLabel1.setText(f.physicalText);
    c.TeProgressBar2.setPosition(f.physicalBar);
    c.TeLabel2.setText(f.virtualText);
    c.TeProgressBar3.setPosition(f.virtualBar);
    c.TeLabel3.setText(f.pageFileText);
    c.TeProgressBar4.setPosition(f.pageFileBar);
    c.statusPanel.setText(f.statusText);
}

}  // namespace kestrune
