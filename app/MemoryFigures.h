#pragma once

#include "platform/Color.h"
#include "platform/Controls.h"
#include "platform/MemoryStatus.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// What one sample puts on the main window.
struct MemoryFigures {
    std::string totalText, physicalText, virtualText, pageFileText;
    int totalBar = 0, physicalBar = 0, virtualBar = 0, pageFileBar = 0;
    int graphValue = 0;
    std::string graphName;  // what a screen reader says of the graph
    std::string statusText;
};

MemoryFigures computeFigures(const platform::MemoryStatus& s);

// The graph's scale: total physical MB at the top, half of it in the middle.
struct ScaleTexts {
    std::string top, middle;
};
ScaleTexts scaleTexts(std::int32_t totalPhysMB);

inline constexpr platform::TColor kGraphPointColor = platform::clYellow;

// The main-window controls the monitor writes. The designer's numbers do not
// pair a label with its bar: TeLabel1 is the physical figure, TeProgressBar1
// the total, TeLabel4 the total and TeProgressBar4 the page file.
struct FigureControls {
    platform::Label& TeLabel1;              // "Physical Memory"
    platform::Label& TeLabel2;              // "Virtual Memory"
    platform::Label& TeLabel3;              // "PageFile"
    platform::Label& TeLabel4;              // "Total Memory"
    platform::Label& TeLabel5;              // graph scale, top
    platform::Label& TeLabel6;              // graph scale, middle
    platform::ProgressBar& TeProgressBar1;  // total
    platform::ProgressBar& TeProgressBar2;  // physical
    platform::ProgressBar& TeProgressBar3;  // virtual
    platform::ProgressBar& TeProgressBar4;  // page file
    platform::Graph& PerformanceGraph1;
    platform::Label& statusPanel;
    // Told of every sample the update takes (the tray follows it); may be empty.
    std::function<void(const platform::MemoryStatus&)> sampled;
};

// Writes one sample's figures into the controls; runs on the UI thread.
void writeFigures(FigureControls& controls, const MemoryFigures& figures);

}  // namespace kestrune
