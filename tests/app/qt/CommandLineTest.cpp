#include "app/qt/CommandLine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using kestrune::CommandLine;

CommandLine parse(std::initializer_list<const char*> args) {
    std::vector<std::string> owned{"kestrune"};
    for (const char* a : args) owned.emplace_back(a);
    std::vector<char*> argv;
    argv.reserve(owned.size());
    for (auto& s : owned) argv.push_back(s.data());
    return kestrune::parseCommandLine(static_cast<int>(argv.size()), argv.data());
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

}  // namespace
