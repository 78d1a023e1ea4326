#include "app/qt/CommandLine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using kestrune::CommandLine;
using Action = CommandLine::Action;

// Both programs parse with the one parser: the Linux one lets Qt's options
// through, the Windows one has no toolkit options.
enum class Program { Linux, Windows };

CommandLine parse(std::initializer_list<const char*> args, Program program = Program::Linux) {
    std::vector<const char*> argv{"kestrune"};
    argv.insert(argv.end(), args.begin(), args.end());
    return kestrune::parseCommandLine(static_cast<int>(argv.size()), argv.data(),
                                      program == Program::Linux ? kestrune::qtOptions() : kestrune::ToolkitOptions{});
}

TEST(CommandLine, RunsWithTheToolkitsOwnOptionsAndRefusesAnythingElse) {
    EXPECT_EQ(parse({}).action, CommandLine::Action::Run);
    EXPECT_FALSE(parse({}).minimized);

    const CommandLine toolkit = parse({"-platform", "offscreen", "-style", "Fusion", "-reverse", "--minimized"});
    EXPECT_EQ(toolkit.action, CommandLine::Action::Run);
    EXPECT_TRUE(toolkit.minimized);

    const CommandLine unknown = parse({"--minimised"});
    EXPECT_EQ(unknown.action, CommandLine::Action::Error);
    EXPECT_NE(unknown.text.find("minimised"), std::string::npos) << unknown.text;
    EXPECT_EQ(unknown.text.find('\n'), std::string::npos) << "one line";

    const CommandLine both = parse({"--recover", "--scrub"});
    EXPECT_EQ(both.action, CommandLine::Action::Run);
    EXPECT_TRUE(both.recover && both.scrub);
    EXPECT_FALSE(parse({"--recover"}).scrub);

    EXPECT_EQ(parse({"file.txt"}).action, CommandLine::Action::Error);
    EXPECT_EQ(parse({"-platform"}).action, CommandLine::Action::Error);  // a value is missing
}

TEST(CommandLine, TrimAndTrimAllRunAloneWithoutAWindow) {
    EXPECT_EQ(parse({"--trim"}).action, CommandLine::Action::Trim);
    EXPECT_EQ(parse({"--trim-all"}).action, CommandLine::Action::TrimAll);
    EXPECT_EQ(parse({"--trim-all", "-platform", "offscreen"}).action, CommandLine::Action::TrimAll);
    const CommandLine withWindow = parse({"--trim", "--recover"});
    EXPECT_EQ(withWindow.action, CommandLine::Action::Error);
    EXPECT_EQ(withWindow.text, "kestrune: --trim runs without a window and cannot be used with --recover");
    EXPECT_EQ(parse({"--trim", "--trim-all"}).action, CommandLine::Action::Error);
    EXPECT_EQ(parse({"--trim", "--help"}).action, CommandLine::Action::Help);
}

TEST(CommandLine, HelpAllAddsTheToolkitsOptionsToHelp) {
    const CommandLine help = parse({"--help"});
    const CommandLine all = parse({"--help-all"});
    ASSERT_EQ(help.action, CommandLine::Action::Help);
    ASSERT_EQ(all.action, CommandLine::Action::Help);
    for (const char* option : {"platform <name>", "style <style>", "platformtheme", "reverse"}) {
        EXPECT_EQ(help.text.find(option), std::string::npos) << option << " in --help:\n" << help.text;
        EXPECT_NE(all.text.find(option), std::string::npos) << option << " missing from --help-all:\n" << all.text;
    }
    EXPECT_NE(all.text.find("--minimized"), std::string::npos) << "the program's own options stay";
}

// What each program makes of one command line: the action, the error line
// and the argument it refused first (the Windows program names it in its box).
TEST(CommandLine, BothProgramsReadTheSameGrammar) {
    struct Case {
        std::initializer_list<const char*> args;
        Program program;
        Action action;
        const char* text;        // the error line; null: not an error
        const char* firstWrong;  // null: none
    };
    const Case cases[] = {
        {{"-minimized", "--scrub"}, Program::Windows, Action::Run, nullptr, nullptr},
        {{"--bogus", "--other"}, Program::Linux, Action::Error, "kestrune: Unknown options: bogus, other.", "--bogus"},
        {{"--bogus", "-platform"},
         Program::Linux,
         Action::Error,
         "kestrune: Missing value after '-platform'.",
         "--bogus"},
        {{"-platform", "--bogus"}, Program::Linux, Action::Run, nullptr, nullptr},  // a value, whatever it looks like
        {{"-platform=", "-style=Fusion"}, Program::Linux, Action::Run, nullptr, nullptr},
        {{"--minimized=1"},
         Program::Windows,
         Action::Error,
         "kestrune: Unexpected value after '--minimized'.",
         "--minimized=1"},
        {{"-platform", "offscreen"},
         Program::Windows,
         Action::Error,
         "kestrune: Unknown option 'platform'.",
         "-platform"},
        {{"--help-all"}, Program::Windows, Action::Error, "kestrune: Unknown option 'help-all'.", "--help-all"},
        {{"--", "--scrub"}, Program::Linux, Action::Error, "kestrune: unexpected argument '--scrub'", "--scrub"},
        {{"-"}, Program::Windows, Action::Error, "kestrune: unexpected argument '-'", "-"},
        {{"--help", "--bogus"}, Program::Windows, Action::Error, "kestrune: Unknown option 'bogus'.", "--bogus"},
        {{"-h", "x"}, Program::Windows, Action::Help, nullptr, "x"},
        {{"-v"}, Program::Windows, Action::Version, nullptr, nullptr},
        {{"--trim", "x"}, Program::Linux, Action::Error, "kestrune: unexpected argument 'x'", "x"},
        {{"--trim-all", "--minimized", "--scrub"},
         Program::Windows,
         Action::Error,
         "kestrune: --trim-all runs without a window and cannot be used with --minimized",
         nullptr},
    };
    for (const Case& c : cases) {
        const CommandLine got = parse(c.args, c.program);
        std::string line;
        for (const char* a : c.args) line += std::string(a) + ' ';
        EXPECT_EQ(got.action, c.action) << line;
        if (c.text != nullptr) {
            EXPECT_EQ(got.text, c.text) << line;
        }
        EXPECT_EQ(got.firstWrong, c.firstWrong != nullptr ? c.firstWrong : "") << line;
    }
    // A runaway argument is named by its start and its length, never echoed whole.
    const std::string runaway = "--" + std::string(100000, 'x');
    EXPECT_EQ(parse({runaway.c_str()}).text,
              "kestrune: Unknown option '" + std::string(60, 'x') + "... (100000 characters)'.");
    EXPECT_TRUE(parse({"--trim", "--bogus"}, Program::Windows).windowless) << "its error goes to the console";
    EXPECT_EQ(parse({"--version"}).text.rfind("Kestrune ", 0), 0U);
    EXPECT_EQ(parse({"--help"}, Program::Windows).text.find("--help-all"), std::string::npos);
}

// The lines of --help keep within 79 columns, each description beside its
// option's name or under the one before.
TEST(CommandLine, HelpWrapsDescriptionsInTheirColumn) {
    const std::string all = parse({"--help-all"}).text;
    EXPECT_NE(all.find("  --scrub                       Run Scrub Memory at once; exit when its window\n"
                       "                                is closed. With --recover, the scrub runs first.\n"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("  --platform <name>             The window system plugin: xcb, wayland,\n"
                       "                                offscreen, …\n"),
              std::string::npos)
        << all;
}

}  // namespace
