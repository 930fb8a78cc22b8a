// CPU cost of reading one stream event as the reply handler does: a strict JSON load into one
// reused document, then the delta's type and text.

#include <benchmark/benchmark.h>

#include "json/JsonDocument.h"
#include "tools/StandInService.h"

namespace velmora::bench {
namespace {

constexpr std::string_view kPath = "choices[0].delta.content";

void LoadStrictJsonAndGetText(benchmark::State& state, std::string_view utf8Text) {
    std::string event = standin::ContentEvent(utf8Text);
    event = event.substr(6, event.size() - 8);  // the JSON between "data: " and the blank line
    JsonDocument document;
    for (auto _ : state) {
        document.LoadStrictJson(event);
        if (document.GetType(kPath) == JsonType::String) {
            benchmark::DoNotOptimize(document.GetText(kPath));
        }
    }
}
BENCHMARK_CAPTURE(LoadStrictJsonAndGetText, four_ascii_chars, "abcd");
BENCHMARK_CAPTURE(LoadStrictJsonAndGetText, four_chinese_chars, "你好世界");
BENCHMARK_CAPTURE(LoadStrictJsonAndGetText, line_break_and_quote, "a\n\"b\"");

}  // namespace
}  // namespace velmora::bench
