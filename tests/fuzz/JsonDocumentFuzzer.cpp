// The strict JSON load of a JsonDocument: any text loads without a fault; paths answered from the
// natively read tree give what the script engine gives for the same root; and the serialisation
// of a loaded root loads again and serialises to itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/TextBuffer.h"
#include "encoding/Utf8Text.h"
#include "json/JsonDocument.h"
#include "json/JsonType.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"

namespace velmora::fuzz {
namespace {

// U+2400 in the program's code page. The serialiser turns it into a backslash (it marks one in
// strings stored as text), so a loaded string holding it does not survive a round trip.
constexpr std::string_view kBackslashMark = "\x81\x37\x83\x30";

// Keeps the characters of plain member and index paths: nothing the engine could run as code.
TextBuffer PlainPath(std::string_view raw) {
    TextBuffer out;
    for (char c : raw) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '$' || c == '.' || c == '[' || c == ']') {
            out += c;
        }
    }
    return out;
}

void CheckSamePaths(JsonDocument& strict, JsonDocument& engine, std::string_view fuzzedPath) {
    const std::string_view kPaths[] = {
        "",           "da",     "[0]",        "[1]",  "a",        "a.b", "choices[0].delta.content",
        "choices[0]", "length", "[0].length", "da.a", fuzzedPath,
    };
    for (std::string_view path : kPaths) {
        FUZZ_CHECK(strict.Exists(path) == engine.Exists(path));
        FUZZ_CHECK(strict.GetType(path) == engine.GetType(path));
        FUZZ_CHECK(strict.GetText(path) == engine.GetText(path));
    }
}

}  // namespace
}  // namespace velmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    using namespace velmora::fuzz;
    FuzzInput input(data, size);
    const std::string_view text = input.TakeText();
    const TextBuffer path = PlainPath(input.TakeText());

    JsonDocument strict;
    JsonDocument engine;
    const bool loaded = strict.LoadStrictJson(text);
    FUZZ_CHECK(engine.LoadStrictJson(text) == loaded);
    // Serialising needs the engine, so from here on `engine` answers from the script engine
    // while `strict` still answers from the tree.
    const TextBuffer serialised = engine.ToText();
    // Program texts are well-formed GB18030: every text reaches the program through a
    // converter. In bytes that are not, the tree and the engine (which gets them as U+FFFD, one
    // per byte) may even pair a trail byte 0x5C differently and so read a different JSON text;
    // only well-formed input is held to agreement.
    const bool wellFormed = Utf8ToText(TextToUtf8(text)) == text;
    if (!wellFormed) return 0;
    CheckSamePaths(strict, engine, path);
    FUZZ_CHECK(strict.ToText() == serialised);

    if (!loaded) {
        // Not JSON, or JSON null: the root is null either way.
        FUZZ_CHECK(serialised == "null");
        return 0;
    }
    FUZZ_CHECK(!serialised.empty());
    if (serialised == "null") {
        // A number beyond a double's range is infinite, which JSON writes as null.
        FUZZ_CHECK(engine.GetType("") == JsonType::Number);
        return 0;
    }
    if (FindText(text, kBackslashMark) != -1 || FindText(text, "2400") != -1) return 0;
    JsonDocument again;
    FUZZ_CHECK(again.LoadStrictJson(serialised));
    const TextBuffer reserialised = again.ToText();
    // A lone surrogate escape leaves the engine as a raw U+FFFD, which the serialiser escapes
    // the next time round; from then on the text is stable.
    if (serialised.find(kReplacementText) == TextBuffer::npos) {
        FUZZ_CHECK(reserialised == serialised);
    }
    // A document takes a new root without keeping anything of the old one.
    FUZZ_CHECK(strict.LoadStrictJson(reserialised));
    FUZZ_CHECK(strict.ToText() == reserialised);
    return 0;
}
