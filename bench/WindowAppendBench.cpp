// Cost of one AppendEditText in the chat window (Qt, offscreen unless a platform is chosen) as
// the transcript grows: a 4-character delta appended behind 50 KB and behind 5 MB of text. The
// appends come from a worker thread, as the reply handler's do, so each one includes the trip to
// the UI thread and the repaints the UI thread does between them.

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
    for (auto _ : state) operations->AppendEditText(Control::TranscriptBox, "abcd");
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
