// velmora-standin: a local stand-in chat service on 127.0.0.1 (see tools/StandInService.h).
//
//   velmora-standin [--tls --ca-file FILE] [--events N] [--chars N] [--pause-ms N]
//
// Prints the URL to give Velmora as VELMORA_API_URL and serves until interrupted. With --tls it
// presents a certificate of a CA made for this run and writes that CA to FILE, for
// SSL_CERT_FILE=FILE.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/StandInService.h"

namespace {

int Usage() {
    std::fputs(
        "usage: velmora-standin [--tls --ca-file FILE] [--events N] [--chars N] [--pause-ms N]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    standin::StandInOptions options;
    bool tls = false;
    std::string caFile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--tls") {
            tls = true;
        } else if (arg == "--ca-file") {
            const char* v = value();
            if (!v) return Usage();
            caFile = v;
        } else if (arg == "--events" || arg == "--chars" || arg == "--pause-ms") {
            const char* v = value();
            if (!v) return Usage();
            int n = std::atoi(v);
            if (arg == "--events") options.events = n;
            if (arg == "--chars") options.charsPerEvent = n > 0 ? n : 1;
            if (arg == "--pause-ms") options.pause = std::chrono::milliseconds(n);
        } else {
            return Usage();
        }
    }
    if (tls && caFile.empty()) return Usage();

    // Block the stop signals before any thread starts, so that only sigwait below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const testsupport::ServerIdentity* identity = nullptr;
    if (tls) {
        std::ofstream(caFile) << testsupport::TestCertificates().caCertificatePem;
        identity = &testsupport::TestCertificates().localhost;
    }
    testsupport::TestServer server(
        [options](const testsupport::ReceivedRequest& request,
                  testsupport::ResponseWriter& response) {
            standin::ServeChatCompletions(options, request, response);
        },
        identity);
    std::printf("%s\n", server.Url("/v1/chat/completions").c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    return 0;
}
