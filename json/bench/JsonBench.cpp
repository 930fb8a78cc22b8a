// Cost of reading one stream event's delta: the trusted script load against the strict JSON load.

#include <benchmark/benchmark.h>

#include "json/JsonDocument.h"

namespace {

using velmora::JsonDocument;
using velmora::TextBuffer;

constexpr std::string_view kEvent =
    R"({"id":"chatcmpl-1","object":"chat.completion.chunk","created":1,"model":"gpt-3.5-turbo",)"
    R"("choices":[{"index":0,"delta":{"content":"abcd"},"finish_reason":null}]})";

bool ParseEvent(JsonDocument& document) {
    return document.Parse(kEvent);
}
bool LoadEvent(JsonDocument& document) {
    return document.LoadStrictJson(kEvent);
}
TextBuffer ReadDelta(JsonDocument& document) {
    return document.GetText("choices[0].delta.content");
}
// The serialised form goes through the engine: what a strict load costs once script is needed.
TextBuffer Serialise(JsonDocument& document) {
    return document.ToText();
}

// One document loads the event and reads it again and again, as the reply handler does.
void LoadAndRead(benchmark::State& state, bool (*load)(JsonDocument&),
                 TextBuffer (*read)(JsonDocument&)) {
    JsonDocument document;
    for (auto _ : state) {
        load(document);
        benchmark::DoNotOptimize(read(document));
    }
}
BENCHMARK_CAPTURE(LoadAndRead, ParseAndGetText, ParseEvent, ReadDelta);
BENCHMARK_CAPTURE(LoadAndRead, LoadStrictJsonAndGetText, LoadEvent, ReadDelta);
BENCHMARK_CAPTURE(LoadAndRead, LoadStrictJsonAndToText, LoadEvent, Serialise);

void CreateDocument(benchmark::State& state) {
    for (auto _ : state) {
        JsonDocument document;
        benchmark::DoNotOptimize(document.VarName());
    }
}
BENCHMARK(CreateDocument);

}  // namespace
