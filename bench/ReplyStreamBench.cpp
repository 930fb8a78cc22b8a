// CPU cost of the reply handler per event: the decoder, the event-stream parser, the strict JSON
// load and the delta read, with a window that does nothing. The body is cut into chunks as the
// HTTP client may hand it over: one event per chunk when the service sends each event on its own
// and the client keeps up, packet-sized pieces, or 16 KB when the client reads a backlog.

#include <benchmark/benchmark.h>

#include <vector>

#include "app/ReplyStream.h"
#include "bench/BenchSupport.h"

namespace velmora::bench {
namespace {

constexpr int kEvents = 1000;

// The body cut into pieces of chunkSize bytes; 0: one event per piece.
std::vector<std::string_view> Chunks(std::string_view body, std::size_t chunkSize) {
    std::vector<std::string_view> chunks;
    while (!body.empty()) {
        const std::size_t size = chunkSize > 0 ? chunkSize : body.find("\n\n") + 2;
        chunks.push_back(body.substr(0, size));
        body.remove_prefix(std::min(size, body.size()));
    }
    return chunks;
}

void ReplyHandlerPerEvent(benchmark::State& state) {
    const std::string body = StreamBody(kEvents);
    const std::vector<std::string_view> chunks =
        Chunks(body, static_cast<std::size_t>(state.range(0)));
    NullWindow window;
    ReplyStream reply(
        window, [] { return 200; }, "sk-bench");
    for (auto _ : state) {
        for (std::string_view chunk : chunks) {
            reply.OnReplyChunk(0, 0, reinterpret_cast<std::uintptr_t>(chunk.data()), chunk.size());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
    state.counters["per_event"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kEvents),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ReplyHandlerPerEvent)->ArgName("chunk_bytes")->Arg(0)->Arg(1400)->Arg(16384);

}  // namespace
}  // namespace velmora::bench
