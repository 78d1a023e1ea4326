#pragma once

#include <string>

namespace kestrune {

// What the command line asks for. Qt's own options (-platform, -style,
// -display and the rest) are let through for the toolkit.
struct CommandLine {
    // Trim and TrimAll run without a window or a display, then exit.
    enum class Action { Run, Help, Version, Trim, TrimAll, Error };
    Action action = Action::Run;
    bool minimized = false;  // start in the tray where there is one
    bool scrub = false;      // run Scrub Memory at once, then exit
    bool recover = false;    // run Recover Memory at once (after a scrub), then exit
    std::string text;        // the usage, the version line, or the error
};

// Parses without a display, so --help and --version work anywhere.
CommandLine parseCommandLine(int argc, char** argv);

// The hint that follows an error line.
inline constexpr const char* kUsageHint = "Try 'kestrune --help' for more information.";

}  // namespace kestrune
