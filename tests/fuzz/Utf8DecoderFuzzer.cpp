// The streaming UTF-8 decoder: where the stream is cut must not change its text, the text must be
// what the one-shot conversion makes of the same bytes, and valid UTF-8 must come back unchanged.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "encoding/Utf8Decoder.h"
#include "encoding/Utf8Text.h"
#include "tests/fuzz/FeedInChunks.h"
#include "tests/fuzz/FuzzCheck.h"

namespace velmora::fuzz {
namespace {

// Well-formed UTF-8 as Unicode defines it (no overlong forms, surrogates or values beyond
// U+10FFFF), written independently of the decoder's own scanner.
bool IsWellFormedUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        std::size_t need;
        std::uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
            need = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            need = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            need = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + need >= s.size()) return false;
        for (std::size_t k = 1; k <= need; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[need] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += need + 1;
    }
    return true;
}

// True when the stream holds a well-formed character that the program's code page lacks (glibc's
// GB18030 has no place for 24 private-use characters, U+E78D..U+E864): such a character becomes
// U+FFFD and cannot come back unchanged.
bool HasCharacterOutsideCodePage(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0xC2 || b > 0xF4) continue;
        const std::size_t width = b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4);
        const std::string_view character = s.substr(i, width);
        if (character.size() != width || !IsWellFormedUtf8(character)) continue;
        if (character != kReplacementUtf8 &&
            Utf8ToText(character).find(kReplacementText) != TextBuffer::npos) {
            return true;
        }
    }
    return false;
}

std::string WithoutZeros(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c != '\0') out += c;
    }
    return out;
}

}  // namespace
}  // namespace velmora::fuzz

// Input: one byte k, then k % 16 chunk lengths (each byte % 8), then the stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    using namespace velmora::fuzz;
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::vector<std::size_t> chunkLengths;
    if (!all.empty()) {
        std::size_t count =
            std::min<std::size_t>(static_cast<unsigned char>(all[0]) % 16, all.size() - 1);
        for (std::size_t i = 0; i < count; ++i) {
            chunkLengths.push_back(static_cast<unsigned char>(all[1 + i]) % 8);
        }
        all.remove_prefix(1 + count);
    }
    const std::string_view stream = all;

    Utf8StreamDecoder decoder;
    TextBuffer whole = decoder.Feed(stream);
    whole += decoder.Finish();
    FUZZ_CHECK(whole.find('\0') == TextBuffer::npos);

    // The same decoder serves a second stream once the first is finished. Empty chunks included.
    TextBuffer chunked;
    FeedInChunks(stream, chunkLengths, [&](std::string_view chunk) {
        chunked += decoder.Feed(
            ByteView(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size()));
    });
    chunked += decoder.Finish();
    FUZZ_CHECK(chunked == whole);

    TextBuffer byteByByte;
    for (char c : stream) byteByByte += decoder.Feed(std::string_view(&c, 1));
    byteByByte += decoder.Finish();
    FUZZ_CHECK(byteByByte == whole);

    const std::string utf8 = TextToUtf8(whole);
    FUZZ_CHECK(IsWellFormedUtf8(utf8));
    // The stream decoder drops a U+0000 where the one-shot conversion ends the text.
    if (stream.find('\0') == std::string_view::npos) FUZZ_CHECK(Utf8ToText(stream) == whole);
    if (IsWellFormedUtf8(stream) && !HasCharacterOutsideCodePage(stream)) {
        FUZZ_CHECK(utf8 == WithoutZeros(stream));
    }
    return 0;
}
