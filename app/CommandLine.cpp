#include "app/CommandLine.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrune {
namespace {

constexpr const char* kDescription =
    "Kestrune shows how the computer's memory is used and recovers or scrubs memory, now or on a schedule, and "
    "trims the memory of idle applications.";

// The program's own options; the order in which --help lists them.
enum class Own { Help, HelpAll, Version, Minimized, Recover, Scrub, Trim, TrimAll };
struct OwnOption {
    Own id;
    const char* shortName;  // none: a long name only
    const char* name;
    const char* what;
};
constexpr OwnOption kOwn[] = {
    {Own::Help, "h", "help", "Displays help on commandline options."},
    {Own::HelpAll, nullptr, "help-all", nullptr},  // only with a toolkit's options
    {Own::Version, "v", "version", "Displays version information."},
    {Own::Minimized, nullptr, "minimized", "Start in the system tray, where there is one."},
    {Own::Recover, nullptr, "recover", "Run Recover Memory at once; exit when its result is closed."},
    {Own::Scrub, nullptr, "scrub",
     "Run Scrub Memory at once; exit when its window is closed. With --recover, the scrub runs first."},
    {Own::Trim, nullptr, "trim",
     "Trim the applications idle for 5 minutes, print the result and exit. No window opens and no display is "
     "needed."},
    {Own::TrimAll, nullptr, "trim-all",
     "Trim every application of the session but Kestrune, print the result and exit. No window opens and no "
     "display is needed."},
};

// Characters as the terminal shows them: UTF-8 continuation bytes add none.
std::size_t shownWidth(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

// One option's lines: its names in a column `width` wide, its description
// wrapped at word ends to keep within 79 columns, as Qt's own --help wraps
// them (a line after the first may take one character more).
std::string optionLines(const std::string& names, std::size_t width, std::string_view what) {
    constexpr std::size_t kLineWidth = 79;
    const std::size_t room = kLineWidth - (2 + width + 1);
    std::vector<std::string> lines{""};
    std::size_t at = 0;
    while (at < what.size()) {
        const std::size_t end = std::min(what.find(' ', at), what.size());
        const std::string_view word = what.substr(at, end - at);
        std::string& line = lines.back();
        const std::size_t lineRoom = lines.size() == 1 ? room : room + 1;
        if (!line.empty() && shownWidth(line) + 1 + shownWidth(word) > lineRoom)
            lines.emplace_back(word);
        else
            line += (line.empty() ? "" : " ") + std::string(word);
        at = end + 1;
    }
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string column = i == 0 ? names : std::string();
        out += "  " + column + std::string(width - shownWidth(column), ' ') + ' ' + lines[i] + '\n';
    }
    return out;
}

std::string helpText(const ToolkitOptions& toolkit, bool withToolkit) {
    struct Row {
        std::string names;
        std::string what;
    };
    std::vector<Row> rows;
    for (const OwnOption& o : kOwn) {
        std::string names = (o.shortName != nullptr ? "-" + std::string(o.shortName) + ", " : "") + "--" + o.name;
        if (o.id != Own::HelpAll)
            rows.push_back({std::move(names), o.what});
        else if (toolkit.helpAllWhat != nullptr)
            rows.push_back({std::move(names), toolkit.helpAllWhat});
    }
    if (withToolkit)
        for (const ToolkitOption& o : toolkit.options)
            rows.push_back(
                {"--" + std::string(o.name) + (o.value != nullptr ? " <" + std::string(o.value) + ">" : ""), o.what});
    std::size_t width = 0;
    for (const Row& r : rows) width = std::max(width, shownWidth(r.names));
    ++width;
    std::string out = "Usage: kestrune [options]\n" + std::string(kDescription) + "\n\nOptions:\n";
    for (const Row& r : rows) out += optionLines(r.names, width, r.what);
    return out;
}

struct Known {
    std::optional<Own> own;
    bool takesValue = false;
};

std::optional<Known> find(std::string_view name, const ToolkitOptions& toolkit) {
    for (const OwnOption& o : kOwn) {
        if (o.id == Own::HelpAll && toolkit.helpAllWhat == nullptr) continue;
        if (name == o.name || (o.shortName != nullptr && name == o.shortName)) return Known{o.id, false};
    }
    for (const ToolkitOption& o : toolkit.options)
        if (name == o.name) return Known{std::nullopt, o.value != nullptr};
    return std::nullopt;
}

// What of an argument a message repeats: enough to know it by, never a
// screenful (a script's runaway variable can be any length).
std::string echoed(std::string_view arg) {
    constexpr std::size_t kMost = 60;
    if (arg.size() <= kMost) return std::string(arg);
    return std::string(arg.substr(0, kMost)) + "... (" + std::to_string(arg.size()) + " characters)";
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv, const ToolkitOptions& toolkit) {
    CommandLine out;
    std::vector<bool> given(std::size(kOwn), false);
    auto isSet = [&given](Own o) { return given[static_cast<std::size_t>(o)]; };
    std::vector<std::string> unknown;
    std::vector<std::string> positional;
    // A value missing or given where none is taken outweighs an unknown
    // name; of those, the last one found is told.
    std::string valueError;
    auto refused = [&out](std::string_view arg) {
        if (out.firstWrong.empty()) out.firstWrong = arg;
    };
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.emplace_back(arg);
            refused(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t dashes = arg.starts_with("--") ? 2 : 1;
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(dashes, equals == std::string_view::npos ? arg.npos : equals - dashes);
        const std::string written(arg.substr(0, dashes + name.size()));
        const std::optional<Known> known = find(name, toolkit);
        if (!known) {
            unknown.emplace_back(name);
            refused(arg);
        } else if (known->takesValue) {
            if (equals == std::string_view::npos && i + 1 >= argc) {
                valueError = "Missing value after '" + echoed(written) + "'.";
                refused(arg);
            } else if (equals == std::string_view::npos) {
                ++i;  // the next argument is its value, whatever it looks like
            }
        } else if (equals != std::string_view::npos) {
            valueError = "Unexpected value after '" + echoed(written) + "'.";
            refused(arg);
        } else if (known->own) {
            given[static_cast<std::size_t>(*known->own)] = true;
        }
    }

    out.minimized = isSet(Own::Minimized);
    out.recover = isSet(Own::Recover);
    out.scrub = isSet(Own::Scrub);
    out.windowless = isSet(Own::Trim) || isSet(Own::TrimAll);
    auto fail = [&out](std::string text) {
        out.action = CommandLine::Action::Error;
        out.text = "kestrune: " + std::move(text);
        return out;
    };
    if (!valueError.empty()) return fail(valueError);
    if (unknown.size() == 1) return fail("Unknown option '" + echoed(unknown.front()) + "'.");
    if (!unknown.empty()) {
        std::string names;
        for (const std::string& n : unknown) names += (names.empty() ? "" : ", ") + echoed(n);
        return fail("Unknown options: " + names + ".");
    }
    if (isSet(Own::Help) || isSet(Own::HelpAll)) {
        out.action = CommandLine::Action::Help;
        out.text = helpText(toolkit, isSet(Own::HelpAll));
        return out;
    }
    if (isSet(Own::Version)) {
        out.action = CommandLine::Action::Version;
        out.text = "Kestrune " KESTRUNE_VERSION;
        return out;
    }
    if (!positional.empty()) return fail("unexpected argument '" + echoed(positional.front()) + "'");
    if (out.windowless) {
        const char* name = isSet(Own::Trim) ? "--trim" : "--trim-all";
        const char* window = out.minimized ? "--minimized"
                             : out.recover ? "--recover"
                             : out.scrub   ? "--scrub"
                                           : nullptr;
        if (isSet(Own::Trim) && isSet(Own::TrimAll)) return fail("--trim and --trim-all cannot be used together");
        if (window != nullptr)
            return fail(std::string(name) + " runs without a window and cannot be used with " + window);
        out.action = isSet(Own::Trim) ? CommandLine::Action::Trim : CommandLine::Action::TrimAll;
    }
    return out;
}

}  // namespace kestrune
