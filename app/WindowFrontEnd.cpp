#include "app/WindowFrontEnd.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/ChatWindow.h"
#include "app/CommandLine.h"
#include "app/WindowEvents.h"
#include "http/PumpingDelay.h"

namespace velmora {
namespace {

// Messages Qt writes while it looks for a display are held back: when no display can be
// opened they would only bury the one line that says what to do.
std::vector<std::string> heldMessages;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages.push_back(qFormatLogMessage(type, context, text).toStdString());
        return;
    }
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        std::fprintf(stderr,
                     "velmora: cannot open the display %s; run velmora --terminal to chat in "
                     "this terminal\n",
                     display);
    } else {
        std::fprintf(stderr,
                     "velmora: no display (DISPLAY is not set); run velmora --terminal to chat "
                     "in this terminal\n");
    }
    std::_Exit(kExitCannotStart);
}

}  // namespace

int RunWindowFrontEnd(const std::vector<std::string>& toolkitArguments, ExchangeRoutine routine) {
    std::vector<std::string> storage = toolkitArguments;
    std::vector<char*> argv;
    for (std::string& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());

    const QtMessageHandler previousHandler = qInstallMessageHandler(HoldStartupMessage);
    QApplication application(argc, argv.data());
    qInstallMessageHandler(previousHandler);
    for (const std::string& message : heldMessages) std::fprintf(stderr, "%s\n", message.c_str());
    heldMessages.clear();

    if (argc > 1) {
        std::fprintf(stderr, "velmora: unknown option %s (try --help)\n", argv[1]);
        return kExitCannotStart;
    }
    ChatWindow window(std::move(routine));
    // A network wait on this thread (none of the program's own; any a future caller adds) keeps
    // the window answering.
    SetEventPump(std::this_thread::get_id(), ProcessPendingWindowEvents);
    window.show();
    const int status = application.exec();
    SetEventPump(std::this_thread::get_id(), {});
    return status;
}

}  // namespace velmora
