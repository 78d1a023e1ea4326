#pragma once

#include <span>
#include <string>

namespace kestrune {

// An option the toolkit takes itself, let through to it and listed by
// --help-all only.
struct ToolkitOption {
    const char* name;
    const char* value;  // none: a switch
    const char* what;
};

// What a toolkit adds to the command line; none on a toolkit that takes no
// options of its own, which then has no --help-all either.
struct ToolkitOptions {
    const char* helpAllWhat = nullptr;  // --help-all's line
    std::span<const ToolkitOption> options;
};

// What the command line asks for. An option is written with one dash or
// two, its value after '=' or as the next argument.
struct CommandLine {
    // Trim and TrimAll run without a window or a display, then exit.
    enum class Action { Run, Help, Version, Trim, TrimAll, Error };
    Action action = Action::Run;
    bool minimized = false;   // start in the tray where there is one
    bool scrub = false;       // run Scrub Memory at once, then exit
    bool recover = false;     // run Recover Memory at once (after a scrub), then exit
    bool windowless = false;  // --trim or --trim-all was given, whatever else
    std::string text;         // the usage, the version line, or the error
    std::string firstWrong;   // the first argument refused, as given; empty when none was
};

// Parses without a display, so --help and --version work anywhere.
CommandLine parseCommandLine(int argc, const char* const* argv, const ToolkitOptions& toolkit = {});

// The hint that follows an error line.
inline constexpr const char* kUsageHint = "Try 'kestrune --help' for more information.";

}  // namespace kestrune
