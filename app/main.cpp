// velmora: the chat window, or with --terminal the same conversation in a terminal.

#include <cstdio>
#include <iostream>

#include "app/ChatConfig.h"
#include "app/ChatExchange.h"
#include "app/CommandLine.h"
#include "app/TerminalFrontEnd.h"
#include "app/WorkerThreads.h"
#ifdef VELMORA_WITH_WINDOW
#include "app/WindowFrontEnd.h"
#endif

namespace {

int Run(const velmora::CommandLine& options, const char* programName) {
    using Action = velmora::CommandLine::Action;
    const velmora::ChatConfig config = velmora::LoadChatConfig();
    const velmora::ExchangeRoutine routine = [config](velmora::WindowOperations& window) {
        return velmora::SendChatMessage(window, config);
    };
    switch (options.action) {
        case Action::ShowHelp:
            std::fputs(velmora::UsageText(programName).c_str(), stdout);
            return velmora::kExitSuccess;
        case Action::ShowVersion:
            std::printf("velmora %s\n", VELMORA_VERSION);
            return velmora::kExitSuccess;
        case Action::Fail:
            std::fprintf(stderr, "velmora: %s (try --help)\n", options.error.c_str());
            return velmora::kExitCannotStart;
        case Action::RunTerminal:
            return velmora::RunTerminalFrontEnd(routine, std::cin, std::cout, std::cerr,
                                                options.message);
        case Action::RunWindow:
            break;
    }
#ifdef VELMORA_WITH_WINDOW
    return velmora::RunWindowFrontEnd(options.toolkitArguments, routine);
#else
    std::fprintf(stderr, "velmora: this build has no window; run velmora --terminal\n");
    return velmora::kExitCannotStart;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const int status = Run(velmora::ParseCommandLine(argc, argv), argc > 0 ? argv[0] : "velmora");
    // A worker blocked in the network must not hold the process, nor meet destroyed statics.
    velmora::ExitNowIfWorkersRun(status);
    return status;
}
