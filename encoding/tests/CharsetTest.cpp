#include <gtest/gtest.h>

#include "encoding/Charset.h"

namespace velmora {
namespace {

ByteBuffer B(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}

TEST(ConvertCharset, Table) {
    struct Case {
        std::string_view bytes, from, to;
        std::string_view want;
    } cases[] = {
        {"\xE4\xBD\xA0\xE5\xA5\xBD", "", "", "\xC4\xE3\xBA\xC3"},  // 你好
        {"plain ascii", "", "", "plain ascii"},
        {"plain ascii", "GBK", "UTF-8", "plain ascii"},
        {"", "", "", ""},
        {"\xC4\xE3\xBA\xC3", "GBK", "utf-8", "\xE4\xBD\xA0\xE5\xA5\xBD"},
        // The program's code page holds every character; plain GBK does not.
        {"\xF0\x9F\x98\x80", "", "", "\x94\x39\xFC\x36"},
        {"\xF0\x9F\x98\x80", "", "GBK", "?"},
        {"\xF0\x9F\x98\x80"
         "a",
         "", "gbk", "?a"},
        {"\xF0\x9F\x98\x80", "", "GB18030", "\x94\x39\xFC\x36"},
        {"\xF0\x9F\x98\x80", "", "UTF-8", "\xF0\x9F\x98\x80"},
        {"\x94\x39\xFC\x36", "gb18030", "utf-8", "\xF0\x9F\x98\x80"},
        // A zero byte cuts the text.
        {std::string_view("ab\0cd", 5), "", "", "ab"},
        {std::string_view("\0ab", 3), "", "", ""},
        // Malformed input is replaced, not lost.
        {"a\xFF"
         "b",
         "", "",
         "a\x84\x31\xA4\x37"
         "b"},
        // Other charsets by the names Windows and the web give them, in any case.
        {"ab", "", "UTF-16LE", std::string_view("a\0b\0", 4)},
        {"ab", "", "Unicode", std::string_view("a\0b\0", 4)},
        {"ab", "", "utf-16", std::string_view("a\0b\0", 4)},
        {"ab", "", "UTF-16BE", std::string_view("\0a\0b", 4)},
        {std::string_view("a\0b\0", 4), "UTF-16LE", "", "ab"},
        {"\x81\x5C", "GB2312", "UTF-8", "\xE4\xB9\x97"},  // a GBK character outside GB2312
        {"\xA4\xA4", "BIG5", "UTF-8", "\xE4\xB8\xAD"},
        {"\x93\xFA", "Shift_JIS", "UTF-8", "\xE6\x97\xA5"},
        {"\xE9", "ISO-8859-1", "UTF-8", "\xC3\xA9"},
        {"\x80", "Windows-1252", "UTF-8", "\xE2\x82\xAC"},
        {"\xC3\xA9"
         "a",
         "", "US-ASCII", "?a"},
        // A lone surrogate or odd byte in UTF-16 input does not shift the units after it.
        {std::string_view("\x00\xD8"
                          "a\0",
                          4),
         "UTF-16LE", "UTF-8",
         "\xEF\xBF\xBD"
         "a"},
        {std::string_view("a\0b", 3), "UTF-16LE", "", "a\x84\x31\xA4\x37"},
        // Names iconv does not know, or that carry options, give nothing.
        {"ab", "NO-SUCH-CHARSET", "", ""},
        {"ab", "", "NO-SUCH-CHARSET", ""},
        {"ab\xC3\xA9", "", "ASCII//TRANSLIT", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertCharset(B(c.bytes), c.from, c.to), B(c.want))
            << testing::PrintToString(c.bytes) << " from '" << c.from << "' to '" << c.to << "'";
    }
}

TEST(ConvertCharset, SkipDropsBytesOfTheEncodedOutput) {
    struct Case {
        std::optional<int> skip;
        std::string_view want;
    } cases[] = {
        {std::nullopt,
         "\xC4\xE3"
         "abc"},
        {0,
         "\xC4\xE3"
         "abc"},
        {3, "bc"},  // counted in output bytes: 你 is two of them
        {5, ""},
        {99, ""},
        {-1,
         "\xC4\xE3"
         "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertCharset(B("\xE4\xBD\xA0"
                                   "abc"),
                                 "", "", c.skip),
                  B(c.want))
            << testing::PrintToString(c.skip);
    }
    EXPECT_EQ(ConvertThroughStream(B("abc"), "UTF-8", "GBK", 1, true), B("bc"));
    EXPECT_EQ(ConvertThroughStream(B("abc"), "UTF-8", "GBK", 1, false), B("abc"));
}

}  // namespace
}  // namespace velmora
