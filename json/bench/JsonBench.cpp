// Cost of reading one stream event's delta: the trusted script load against the strict JSON load.

#include <benchmark/benchmark.h>

#include "json/JsonDocument.h"

namespace {

constexpr std::string_view kEvent =
    R"({"id":"chatcmpl-1","object":"chat.completion.chunk","created":1,"model":"gpt-3.5-turbo",)"
    R"("choices":[{"index":0,"delta":{"content":"abcd"},"finish_reason":null}]})";
constexpr std::string_view kDeltaPath = "choices[0].delta.content";

void ParseAndGetText(benchmark::State& state) {
    velmora::JsonDocument document;
    for (auto _ : state) {
        document.Parse(kEvent);
        benchmark::DoNotOptimize(document.GetText(kDeltaPath));
    }
}
BENCHMARK(ParseAndGetText);

void LoadStrictJsonAndGetText(benchmark::State& state) {
    velmora::JsonDocument document;
    for (auto _ : state) {
        document.LoadStrictJson(kEvent);
        benchmark::DoNotOptimize(document.GetText(kDeltaPath));
    }
}
BENCHMARK(LoadStrictJsonAndGetText);

// The serialised form goes through the engine: what a strict load costs once script is needed.
void LoadStrictJsonAndToText(benchmark::State& state) {
    velmora::JsonDocument document;
    for (auto _ : state) {
        document.LoadStrictJson(kEvent);
        benchmark::DoNotOptimize(document.ToText());
    }
}
BENCHMARK(LoadStrictJsonAndToText);

void CreateDocument(benchmark::State& state) {
    for (auto _ : state) {
        velmora::JsonDocument document;
        benchmark::DoNotOptimize(document.VarName());
    }
}
BENCHMARK(CreateDocument);

}  // namespace
