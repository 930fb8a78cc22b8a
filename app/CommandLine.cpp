#include "app/CommandLine.h"

namespace velmora {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    result.toolkitArguments.emplace_back(argc > 0 ? argv[0] : "velmora");
    bool terminal = false;
    auto fail = [&result](std::string error) {
        result.action = CommandLine::Action::Fail;
        result.error = std::move(error);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            CommandLine shown;
            shown.action = arg == "--version" ? CommandLine::Action::ShowVersion
                                              : CommandLine::Action::ShowHelp;
            return shown;
        }
        if (result.action == CommandLine::Action::Fail) continue;  // still look for --help
        if (arg == "--terminal") {
            terminal = true;
        } else if (arg == "--message" || arg.starts_with("--message=")) {
            if (result.message) {
                fail("--message given twice");
            } else if (arg != "--message") {
                result.message = std::string(arg.substr(arg.find('=') + 1));
            } else if (i + 1 < argc) {
                result.message = argv[++i];
            } else {
                fail("--message needs a text (or - for standard input)");
            }
            terminal = true;
        } else {
            result.toolkitArguments.emplace_back(arg);
        }
    }
    if (result.action == CommandLine::Action::Fail) return result;
    if (terminal) {
        if (result.toolkitArguments.size() > 1) {
            fail("unknown option " + result.toolkitArguments[1]);
            return result;
        }
        result.action = CommandLine::Action::RunTerminal;
    }
    return result;
}

std::string UsageText(std::string_view programName) {
    std::string name(programName);
    return "Usage: " + name + " [--terminal [--message TEXT]]\n" +
           "A chat client for a chat-completions service with streamed replies.\n"
           "\n"
           "Without options it opens the chat window.\n"
           "  --terminal        chat in this terminal: every line of standard input is sent as\n"
           "                    one message, the transcript goes to standard output (UTF-8)\n"
           "  --message TEXT    send TEXT (line breaks included) as one message and exit when\n"
           "                    its exchange has ended; TEXT - reads the message from standard\n"
           "                    input; implies --terminal\n"
           "  --help            show this text and exit\n"
           "  --version         show the version and exit\n"
           "\n"
           "Exit status: 0 when every exchange completed, 1 when one did not, 2 when the\n"
           "program could not start (bad options, no display).\n";
}

}  // namespace velmora
