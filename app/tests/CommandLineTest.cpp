#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/LineBreaks.h"

namespace velmora {
namespace {

using Action = CommandLine::Action;
using Strings = std::vector<std::string>;

CommandLine Parse(Strings args) {
    args.insert(args.begin(), "velmora");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, PicksTheAction) {
    struct Case {
        Strings args;
        Action action;
        std::optional<std::string> message;
    };
    const Case cases[] = {
        {{}, Action::RunWindow, std::nullopt},
        {{"--terminal"}, Action::RunTerminal, std::nullopt},
        {{"--terminal", "--message", "a\nb"}, Action::RunTerminal, "a\nb"},
        {{"--message=x=y", "--terminal"}, Action::RunTerminal, "x=y"},
        {{"--message", "-"}, Action::RunTerminal, "-"},
        {{"--message", ""}, Action::RunTerminal, ""},
        {{"--help"}, Action::ShowHelp, std::nullopt},
        {{"--terminal", "-h"}, Action::ShowHelp, std::nullopt},
        {{"--bogus", "--version"}, Action::ShowVersion, std::nullopt},
        {{"--message"}, Action::Fail, std::nullopt},
        {{"--message", "a", "--message", "b"}, Action::Fail, "a"},
        {{"--terminal", "--bogus"}, Action::Fail, std::nullopt},
    };
    for (const Case& c : cases) {
        const CommandLine parsed = Parse(c.args);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(parsed.message, c.message);
        EXPECT_EQ(parsed.error.empty(), c.action != Action::Fail);
    }
}

TEST(CommandLine, LeavesUnknownArgumentsToTheWindowToolkit) {
    const CommandLine parsed = Parse({"-platform", "offscreen"});
    EXPECT_EQ(parsed.action, Action::RunWindow);
    EXPECT_EQ(parsed.toolkitArguments, (Strings{"velmora", "-platform", "offscreen"}));
}

TEST(CommandLine, UsageNamesEveryOption) {
    const std::string usage = UsageText("velmora");
    for (const char* option : {"--terminal", "--message", "--help", "--version"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(LineBreaks, ConvertBothWays) {
    struct Case {
        std::string crlf, newline;
    };
    const Case cases[] = {
        {"", ""},
        {"\r\n", "\n"},
        {"a\r\nb\r\n\r\n", "a\nb\n\n"},
        {"\xB0\xA1\r\n\x81\x30\x81\x30", "\xB0\xA1\n\x81\x30\x81\x30"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToNewlineBreaks(c.crlf), c.newline);
        EXPECT_EQ(ToCrLfBreaks(c.newline), c.crlf);
        EXPECT_EQ(ToCrLfBreaks(c.crlf), c.crlf) << "existing pairs stay";
    }
    EXPECT_EQ(ToNewlineBreaks("a\rb\n"), "a\rb\n") << "only pairs change";
    EXPECT_EQ(ToCrLfBreaks("\n\r\n\n"), "\r\n\r\n\r\n");
}

}  // namespace
}  // namespace velmora
