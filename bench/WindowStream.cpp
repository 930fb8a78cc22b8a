// A long reply through the chat window against the same reply through the terminal front-end:
// the stand-in service runs in this process over HTTPS on 127.0.0.1 and streams N events
// (default 100000) to a whole exchange, first with the terminal window writing to /dev/null,
// then with the Qt window (offscreen unless a platform is chosen). Prints both wall times and
// their ratio; fails when the two transcripts differ.
//
//   bench_window_stream [EVENTS]

#include <QApplication>
#include <QMetaObject>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/ChatExchange.h"
#include "app/ChatWindow.h"
#include "app/StartUp.h"
#include "app/TerminalWindow.h"
#include "tests/support/TestServer.h"
#include "tools/StandInService.h"

namespace velmora::bench {
namespace {

struct Run {
    double seconds = 0;
    bool completed = false;
    TextBuffer transcript;
};

Run Exchange(WindowOperations& window, const ChatConfig& config) {
    window.SetControlText(Control::InputBox, "hi");
    const auto start = std::chrono::steady_clock::now();
    Run run;
    run.completed = SendChatMessage(window, config);
    // Until the transcript holds the whole reply: the window may still be laying it out.
    run.transcript = window.ReadControlText(Control::TranscriptBox);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) {
    using namespace velmora;
    const int events = argc > 1 ? std::atoi(argv[1]) : 100000;
    testsupport::TrustTestCa();
    testsupport::TestServer server(
        [events](const testsupport::ReceivedRequest& request,
                 testsupport::ResponseWriter& response) {
            standin::ServeChatCompletions({.events = events}, request, response);
        },
        &testsupport::TestCertificates().localhost);
    const ChatConfig config{.url = server.Url("/v1/chat/completions"),
                            .key = "sk-bench",
                            .model = "gpt-3.5-turbo",
                            .configFile = "/nowhere/velmora.conf"};

    std::ofstream devNull("/dev/null");
    TerminalWindow terminal(devNull);
    OnChatWindowCreated(terminal);
    const bench::Run inTerminal = bench::Exchange(terminal, config);

    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ChatWindow window([](WindowOperations&) { return true; });
    window.show();
    bench::Run inWindow;
    std::thread worker([&] {
        inWindow = bench::Exchange(*window.Operations(), config);
        QMetaObject::invokeMethod(&application, &QApplication::quit, Qt::QueuedConnection);
    });
    application.exec();
    worker.join();

    std::printf("%d events through the terminal: %.3f s\n", events, inTerminal.seconds);
    std::printf("%d events through the window:   %.3f s (%.2fx the terminal)\n", events,
                inWindow.seconds, inWindow.seconds / inTerminal.seconds);
    if (!inTerminal.completed || !inWindow.completed ||
        inTerminal.transcript != inWindow.transcript) {
        std::fprintf(stderr,
                     "bench_window_stream: the exchanges did not give the same transcript\n");
        return 1;
    }
    return 0;
}
