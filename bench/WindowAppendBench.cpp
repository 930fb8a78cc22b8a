// Cost of one AppendEditText in the chat window (Qt, offscreen unless a platform is chosen) as
// the transcript grows: 4-character deltas appended behind 50 KB and behind 5 MB of text. The
// appends come from a worker thread, as the reply handler's do, so the figure includes the trip
// to the UI thread, its layout and the repaints it does between them.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMetaObject>
#include <cstdlib>
#include <thread>

#include "app/ChatWindow.h"
#include "encoding/TextBuffer.h"

namespace velmora::bench {
namespace {

std::shared_ptr<WindowOperations> operations;

// Lines of about 80 characters, up to the given size.
TextBuffer Transcript(std::size_t bytes) {
    const std::string_view line =
        "Velmora streams this reply. Velmora streams this reply. Velmora streams this.\r\n";
    TextBuffer text;
    text.reserve(bytes + line.size());
    while (text.size() < bytes) text += line;
    return text;
}

void AppendEditTextPerAppend(benchmark::State& state) {
    operations->SetControlText(Control::TranscriptBox,
                               Transcript(static_cast<std::size_t>(state.range(0)) * 1024));
    int appends = 0;
    for (auto _ : state) {
        // Deltas of 4 characters in lines of 80, as a reply's text runs.
        operations->AppendEditText(Control::TranscriptBox, ++appends % 20 ? "abcd" : "abc\r\n");
        // Appends from a worker are queued for the UI thread: now and then the benchmark waits
        // until the window has put them in, so the figure holds the UI thread's work too.
        if (appends % 100 == 0) operations->SetControlDisabled(Control::SendButton, false);
    }
    state.SetItemsProcessed(state.iterations());
}
// A fixed number of appends, so the transcript grows by a few KB only.
BENCHMARK(AppendEditTextPerAppend)
    ->ArgName("transcript_kb")
    ->Arg(50)
    ->Arg(5000)
    ->Iterations(3000)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) {
    using namespace velmora;
    benchmark::Initialize(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ChatWindow window([](WindowOperations&) { return true; });
    window.show();
    bench::operations = window.Operations();
    // The benchmarks run on a worker thread while this thread serves the window.
    std::thread runner([&] {
        benchmark::RunSpecifiedBenchmarks();
        QMetaObject::invokeMethod(&application, &QApplication::quit, Qt::QueuedConnection);
    });
    const int status = application.exec();
    runner.join();
    benchmark::Shutdown();
    return status;
}
