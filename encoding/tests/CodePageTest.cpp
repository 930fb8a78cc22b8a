#include <gtest/gtest.h>

#include "encoding/CodePage.h"

namespace velmora {
namespace {

ByteBuffer B(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}

constexpr std::string_view kNiHaoGbk = "\xC4\xE3\xBA\xC3";           // 你好
constexpr std::string_view kNiHaoUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";  // 你好
constexpr std::string_view kEmojiGb18030 = "\x94\x39\xFC\x36";       // U+1F600
constexpr std::string_view kEmojiUtf8 = "\xF0\x9F\x98\x80";          // U+1F600
constexpr std::string_view kEmojiUtf16 = std::string_view("\x3D\xD8\x00\xDE", 4);

TEST(AnsiToUtf8, Table) {
    struct Case {
        std::string_view text, utf8;
    } cases[] = {
        {"", ""},
        {kNiHaoGbk, kNiHaoUtf8},
        {"plain ASCII {\"a\":1}", "plain ASCII {\"a\":1}"},
        {kEmojiGb18030, kEmojiUtf8},
        {"\x81\x5C\\", "\xE4\xB9\x97\\"},  // trail byte 0x5C, then a real backslash
    };
    for (const auto& c : cases) EXPECT_EQ(AnsiToUtf8(c.text), c.utf8) << c.text;
}

TEST(AnsiToUtf16, TerminatorKeptOrStripped) {
    EXPECT_EQ(AnsiToUtf16("ab", false), B(std::string_view("a\0b\0\0\0", 6)));
    EXPECT_EQ(AnsiToUtf16("ab", true), B(std::string_view("a\0b\0", 4)));
    EXPECT_EQ(AnsiToUtf16(kNiHaoGbk, true), B("\x60\x4F\x7D\x59"));
    EXPECT_TRUE(AnsiToUtf16("", false).empty());
    EXPECT_TRUE(AnsiToUtf16("", true).empty());
}

TEST(TrimUtf16, Table) {
    struct Case {
        std::string_view in;
        bool keepTerminator;
        std::string_view want;
    } cases[] = {
        {std::string_view("a\0\0\0b\0", 6), true, std::string_view("a\0\0\0", 4)},
        {std::string_view("a\0\0\0b\0", 6), false, std::string_view("a\0", 2)},
        {std::string_view("\0\0a\0", 4), true, ""},
        {"a", true, ""},
        {"", false, ""},
        {std::string_view("a\0b\0", 4), false, std::string_view("a\0b\0", 4)},
        {std::string_view("a\0b\0", 4), true, std::string_view("a\0b\0\0\0", 6)},
        {std::string_view("a\0b", 3), true, std::string_view("a\0\0\0", 4)},  // odd byte dropped
        {std::string_view("\0a\0\0", 4), false, std::string_view("\0a", 2)},  // U+6100 is no zero
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimUtf16(B(c.in), c.keepTerminator), B(c.want))
            << testing::PrintToString(c.in) << " keep " << c.keepTerminator;
    }
}

TEST(CodePageToUtf16, Table) {
    struct Case {
        std::string_view bytes;
        int codePage;
        std::string_view want;
    } cases[] = {
        {std::string_view("a\0b", 3), kGbkCodePage, std::string_view("a\0\0\0", 4)},
        {"", kGbkCodePage, ""},
        {std::string_view("\0a", 2), kGbkCodePage, ""},
        {"a", 12345, ""},  // unsupported code page
        {kNiHaoGbk, kSystemCodePage, std::string_view("\x60\x4F\x7D\x59\0\0", 6)},
        {kEmojiGb18030, kGbkCodePage, std::string_view("\x3D\xD8\x00\xDE\0\0", 6)},
        {kEmojiUtf8, kUtf8CodePage, std::string_view("\x3D\xD8\x00\xDE\0\0", 6)},
        {"\xA4\xA4", 950, std::string_view("\x2D\x4E\0\0", 4)},  // 中 in Big5
        {"\x93\xFA", 932, std::string_view("\xE5\x65\0\0", 4)},  // 日 in Shift_JIS
        {"\x80", 1252, std::string_view("\xAC\x20\0\0", 4)},     // euro sign
        {"z", 20127, std::string_view("z\0\0\0", 4)},
        {"a\xFF", kUtf8CodePage, std::string_view("a\0\xFD\xFF\0\0", 6)},  // malformed: U+FFFD
        {"a\x81", kGbkCodePage, std::string_view("a\0\xFD\xFF\0\0", 6)},   // lone lead byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodePageToUtf16(B(c.bytes), c.codePage), B(c.want))
            << testing::PrintToString(c.bytes) << " in " << c.codePage;
    }
}

TEST(Utf16ToCodePage, Table) {
    struct Case {
        std::string_view units;
        int codePage;
        std::string_view want;
    } cases[] = {
        {std::string_view("a\0b\0", 4), kSystemCodePage, "ab"},
        {std::string_view("a\0\0\0b\0", 6), kUtf8CodePage, "a"},
        {std::string_view("\0\0a\0", 4), kUtf8CodePage, ""},
        {"", kUtf8CodePage, ""},
        {std::string_view("a\0", 2), 12345, ""},
        {std::string_view("a\0b", 3), kUtf8CodePage, "a"},  // trailing odd byte ignored
        {kEmojiUtf16, kGbkCodePage, kEmojiGb18030},
        {kEmojiUtf16, kUtf8CodePage, kEmojiUtf8},
        {std::string_view("\x2D\x4E\x61\x00", 4), 1252, "?a"},          // 中 has no place in 1252
        {std::string_view("\x3D\xD8\x00\xDE\x61\x00", 6), 1252, "?a"},  // a pair is one '?'
        {std::string_view("\xE9\x00", 2), 20127, "?"},
        {std::string_view("\xE9\x00", 2), 1252, "\xE9"},
        {std::string_view("\x2D\x4E", 2), 950, "\xA4\xA4"},
        {std::string_view("\xE5\x65", 2), 932, "\x93\xFA"},
        // A lone surrogate reads as U+FFFD and the units after it stay aligned.
        {std::string_view("\x00\xD8\x61\x00", 4), kUtf8CodePage,
         "\xEF\xBF\xBD"
         "a"},
        {std::string_view("\x00\xDC\x61\x00", 4), 1252, "?a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToCodePage(B(c.units), c.codePage), B(c.want))
            << testing::PrintToString(c.units) << " to " << c.codePage;
    }
}

TEST(Utf16ToText, SystemOrGivenCodePage) {
    ByteBuffer ab = B(std::string_view("a\0b\0", 4));
    EXPECT_EQ(Utf16ToText(ab, 12345, false), "ab");  // the code page is ignored
    EXPECT_EQ(Utf16ToText(ab, 12345, true), "");
    EXPECT_EQ(Utf16ToText(B(kEmojiUtf16), kUtf8CodePage, false), kEmojiGb18030);
    EXPECT_EQ(Utf16ToText(B(kEmojiUtf16), kUtf8CodePage, true), kEmojiUtf8);
}

TEST(CodePageServices, SizeQueryThenFill) {
    const char* source =
        "\xC4\xE3"
        "a";
    int units = MultiByteToUtf16(kGbkCodePage, source, {});
    ASSERT_EQ(units, 3);  // 你, a and the terminator
    ByteBuffer wide(2 * units, 0xEE);
    EXPECT_EQ(MultiByteToUtf16(kGbkCodePage, source, std::span(wide).first(4)), 0);  // too small
    EXPECT_EQ(MultiByteToUtf16(kGbkCodePage, source, wide), 3);
    EXPECT_EQ(wide, B(std::string_view("\x60\x4F"
                                       "a\0\0\0",
                                       6)));
    EXPECT_EQ(Utf16Length(wide.data()), 2);

    int bytes = Utf16ToMultiByte(kUtf8CodePage, wide.data(), {});
    ASSERT_EQ(bytes, 5);  // three bytes, one byte and the terminator
    ByteBuffer narrow(bytes, 0xEE);
    EXPECT_EQ(Utf16ToMultiByte(kUtf8CodePage, wide.data(), std::span(narrow).first(4)), 0);
    EXPECT_EQ(Utf16ToMultiByte(kUtf8CodePage, wide.data(), narrow), 5);
    EXPECT_EQ(narrow, B(std::string_view("\xE4\xBD\xA0"
                                         "a\0",
                                         5)));

    EXPECT_EQ(MultiByteToUtf16(12345, source, {}), 0);
    EXPECT_EQ(Utf16ToMultiByte(12345, wide.data(), {}), 0);
}

TEST(CodePageServices, EverySupportedCodePageRoundTripsAscii) {
    for (int codePage : {0,     936,   54936, 65001, 20127, 20936, 950,   932,   949,   874,  1250,
                         1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  437,   850,  866,
                         20866, 21866, 20932, 51932, 51949, 28591, 28592, 28595, 28597, 28605}) {
        ASSERT_NE(CodePageCharset(codePage), nullptr) << codePage;
        ByteBuffer wide = CodePageToUtf16(B("Hi 42!"), codePage);
        EXPECT_EQ(wide, B(std::string_view("H\0i\0 \0"
                                           "4\0"
                                           "2\0!\0\0\0",
                                           14)))
            << codePage;
        EXPECT_EQ(Utf16ToCodePage(wide, codePage), B("Hi 42!")) << codePage;
    }
}

}  // namespace
}  // namespace velmora
