#pragma once
// The program's options.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitExchangeFailed = 1;  // an exchange did not complete, or input was left
inline constexpr int kExitCannotStart = 2;     // bad options, or no display for the window

struct CommandLine {
    enum class Action { RunWindow, RunTerminal, ShowHelp, ShowVersion, Fail };
    Action action = Action::RunWindow;
    // --message's text as given (UTF-8); "-" stands for the whole of stdin.
    std::optional<std::string> message;
    // Arguments we do not know, for the window toolkit to take (e.g. "-platform offscreen"),
    // with the program name first.
    std::vector<std::string> toolkitArguments;
    // Why the options were refused (Action::Fail).
    std::string error;
};

// --help and --version win over everything else; --message implies --terminal. Without
// --terminal, unknown arguments are left to the window toolkit; with it they are an error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The text --help prints.
std::string UsageText(std::string_view programName);

}  // namespace velmora
