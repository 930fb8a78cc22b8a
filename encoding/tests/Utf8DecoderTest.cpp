#include <gtest/gtest.h>

#include "encoding/Utf8Decoder.h"
#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

constexpr std::string_view kReplacement = "\x84\x31\xA4\x37";  // U+FFFD in GB18030

TextBuffer DecodeWhole(std::string_view utf8) {
    Utf8StreamDecoder decoder;
    TextBuffer text = decoder.Feed(utf8);
    return text + decoder.Finish();
}

TextBuffer Repeat(std::string_view s, int n) {
    TextBuffer out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(Utf8StreamDecoder, Table) {
    struct Case {
        std::string_view utf8;
        TextBuffer want;
    } cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"\xE4\xBD\xA0\xE5\xA5\xBD", "\xC4\xE3\xBA\xC3"},
        {"\xF0\x9F\x98\x80", "\x94\x39\xFC\x36"},
        {"\xC2\xB7", "\xA1\xA4"},
        {"\xEF\xBF\xBD", TextBuffer(kReplacement)},
        {"\xF4\x8F\xBF\xBF", "\xE3\x32\x9A\x35"},  // U+10FFFF, the last character
        // A zero byte is dropped; the text goes on.
        {std::string_view("a\0b\0", 4), "ab"},
        // One replacement per byte that belongs to no character.
        {"a\xFF"
         "b",
         ConcatText("a", kReplacement, "b")},
        {"\x80\xBF", Repeat(kReplacement, 2)},              // lone continuations
        {"\xC0\xAF", Repeat(kReplacement, 2)},              // overlong '/'
        {"\xE0\x80\xAF", Repeat(kReplacement, 3)},          // overlong
        {"\xED\xA0\x80", Repeat(kReplacement, 3)},          // surrogate
        {"\xF4\x90\x80\x80", Repeat(kReplacement, 4)},      // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", Repeat(kReplacement, 5)},  // five-byte form
        {"\xE4\xBD"
         "a",
         ConcatText(Repeat(kReplacement, 2), "a")},  // cut short
        {"\xE4\xBD\xE5\xA5\xBD", ConcatText(Repeat(kReplacement, 2), "\xBA\xC3")},
        {"a\xF0\x9F\x98", ConcatText("a", Repeat(kReplacement, 3))},  // cut by the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeWhole(c.utf8), c.want) << testing::PrintToString(c.utf8);
        // Without zero bytes the whole-buffer conversion agrees byte for byte.
        if (c.utf8.find('\0') == std::string_view::npos) {
            EXPECT_EQ(Utf8ToText(c.utf8), c.want) << testing::PrintToString(c.utf8);
        }
    }
}

TEST(Utf8StreamDecoder, SameTextWhereverTheStreamIsCut) {
    const std::string_view stream =
        "data: {\"content\":\"\xE4\xBD\xA0\xE5\xA5\xBD\"} \xF0\x9F\x98\x80\xF0\x9F\x91\x8D "
        "\xC2\xB7\xE2\x82\xAC ok \xFF\xE4\xBD"
        "x\xED\xA0\x80\xF0\x9F\x98 \xE4\xB8\xAD";
    const TextBuffer whole = DecodeWhole(stream);
    ASSERT_EQ(whole, Utf8ToText(stream));
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        Utf8StreamDecoder decoder;
        TextBuffer text = decoder.Feed(stream.substr(0, cut));
        text += decoder.Feed(stream.substr(cut));
        text += decoder.Finish();
        EXPECT_EQ(text, whole) << "cut at " << cut;
    }
    for (std::size_t first = 0; first <= stream.size(); ++first) {
        for (std::size_t second = first; second <= stream.size(); ++second) {
            Utf8StreamDecoder decoder;
            TextBuffer text = decoder.Feed(stream.substr(0, first));
            text += decoder.Feed(stream.substr(first, second - first));
            text += decoder.Feed(stream.substr(second));
            text += decoder.Finish();
            ASSERT_EQ(text, whole) << "cut at " << first << " and " << second;
        }
    }
    Utf8StreamDecoder bytewise;
    TextBuffer text;
    for (char c : stream) text += bytewise.Feed(std::string_view(&c, 1));
    EXPECT_EQ(text + bytewise.Finish(), whole);
}

TEST(Utf8StreamDecoder, KeepsAnIncompleteCharacterUntilItIsComplete) {
    Utf8StreamDecoder decoder;
    const ByteBuffer emoji = {0xF0, 0x9F, 0x98, 0x80};
    EXPECT_EQ(decoder.Feed(ByteView(emoji).first(1)), "");
    EXPECT_EQ(decoder.Feed(ByteView(emoji).subspan(1, 1)), "");
    EXPECT_EQ(decoder.Feed(ByteView()), "");
    EXPECT_EQ(decoder.Feed(ByteView(emoji).subspan(2)), "\x94\x39\xFC\x36");
    EXPECT_EQ(decoder.Finish(), "");

    // Finish turns a kept tail into replacements and leaves the decoder ready for a new stream.
    EXPECT_EQ(decoder.Feed("ok\xE4\xBD"), "ok");
    EXPECT_EQ(decoder.Finish(), Repeat(kReplacement, 2));
    EXPECT_EQ(decoder.Feed("\xA0"), kReplacement);
    EXPECT_EQ(decoder.Finish(), "");
}

}  // namespace
}  // namespace velmora
