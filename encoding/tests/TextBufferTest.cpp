#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "encoding/TextBuffer.h"

namespace velmora {
namespace {

// Double-byte characters whose trail byte is an ASCII character, and a four-byte GB18030 one.
constexpr std::string_view kTrailBackslash = "\x81\x5C";  // trail byte is '\'
constexpr std::string_view kTrailCapitalA = "\x81\x41";   // trail byte is 'A'
constexpr std::string_view kNiHao = "\xC4\xE3\xBA\xC3";   // 你好
constexpr std::string_view kEmoji = "\x94\x39\xFC\x36";   // U+1F600 in GB18030

std::string S(std::string_view a, std::string_view b = {}, std::string_view c = {},
              std::string_view d = {}) {
    return ConcatText({a, b, c, d});
}

TEST(TextWindows, LeftRightMid) {
    struct Case {
        std::string got, want;
    } cases[] = {
        {TextLeft("abc", 5), "abc"},   {TextLeft("abc", 0), ""},    {TextLeft("abc", -1), ""},
        {TextLeft("abc", 2), "ab"},    {TextRight("abc", 2), "bc"}, {TextRight("abc", 9), "abc"},
        {TextRight("abc", 0), ""},     {TextMid("abc", 3, 5), "c"}, {TextMid("abc", 4, 1), ""},
        {TextMid("abc", 0, 2), ""},    {TextMid("abc", 1, 0), ""},  {TextMid("abc", 2, 1), "b"},
        {TextLeft(kNiHao, 1), "\xC4"},  // counts bytes: cuts a character
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(TextBasics, LengthStartsWithCharFromCode) {
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength(kNiHao), 4);
    EXPECT_TRUE(StartsWith("abc", ""));
    EXPECT_TRUE(StartsWith("abc", "ab"));
    EXPECT_FALSE(StartsWith("ab", "abc"));
    EXPECT_FALSE(StartsWith("abc", "b"));
    EXPECT_EQ(CharFromCode(0), "");
    EXPECT_EQ(CharFromCode(0x41), "A");
    EXPECT_EQ(CharFromCode(0xC4), "\xC4");
}

TEST(FindText, Table) {
    struct Case {
        std::string text, sub;
        std::optional<int> start;
        bool ignoreCase;
        int want;
    } cases[] = {
        {"abc", "", {}, false, 1},
        {"", "", {}, false, -1},
        {"abc", "c", 4, false, -1},
        {"abcabc", "c", 4, false, 6},
        {"abc", "a", 0, false, 1},
        {"abc", "a", -5, false, 1},
        {"abc", "", 3, false, 1},
        {"abc", "", 4, false, -1},
        {"ABC", "b", 1, true, 2},
        {"ABC", "b", 1, false, -1},
        {"a[b", "[", {}, true, 2},  // '[' is not a letter: no folding with '{'
        {"a{b", "[", {}, true, -1},
        {"abc", "abcd", {}, false, -1},
        // A match never starts on a trail byte...
        {S(kTrailBackslash), "\\", {}, false, -1},
        {S(kTrailBackslash, "\\"), "\\", {}, false, 3},
        {S(kTrailCapitalA, "a"), "a", {}, true, 3},
        {S(kEmoji, ","), ",", {}, false, 5},
        {S(kEmoji, "9"), "9", {}, false, 5},  // the 0x39 inside the emoji is skipped
        // ...except when the window itself starts on one.
        {S(kTrailBackslash, "\\"), "\\", 2, false, 2},
        {S("x", kNiHao, "x"), kNiHao.data(), {}, false, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindText(c.text, c.sub, c.start, c.ignoreCase), c.want)
            << "text=" << c.text << " sub=" << c.sub;
    }
}

TEST(FindTextReverse, Table) {
    struct Case {
        std::string text, sub;
        std::optional<int> start;
        int want;
    } cases[] = {
        {"a:b:c", ":", 1, -1},
        {"a:b:c", ":", {}, 4},
        {"a.b.c", ".", 4, 2},  // window 'a.b'
        {"a.b.c", ".", 5, 4},  // window 'a.b.'
        {"aaa", "aa", {}, 2},
        {"aaa", "", {}, 1},
        {"", "", {}, -1},
        {"abc", "", 1, -1},
        {"abc", "c", 99, 3},
        {S("\\", kTrailBackslash), "\\", {}, 1},
        {S(kEmoji, ":", kEmoji), ":", {}, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindTextReverse(c.text, c.sub, c.start), c.want)
            << "text=" << c.text << " sub=" << c.sub;
    }
    EXPECT_EQ(FindTextReverse("xAbab", "AB", std::nullopt, true), 4);
}

TEST(ToLowerAscii, LowersOnlySingleByteCapitals) {
    EXPECT_EQ(ToLowerAscii("HTTPS://Host/Path"), "https://host/path");
    EXPECT_EQ(ToLowerAscii(S("A", kTrailCapitalA, "B", kNiHao)),
              S("a", kTrailCapitalA, "b", kNiHao));
    EXPECT_EQ(ToLowerAscii(S(kEmoji, "Z")), S(kEmoji, "z"));
    EXPECT_EQ(ToLowerAscii("A\xC4"), "a\xC4");  // lone lead byte at the end is kept
    EXPECT_EQ(ToLowerAscii(""), "");
}

TEST(ReplaceText, Table) {
    struct Case {
        std::string text, find, repl, want;
    } cases[] = {
        {"aaa", "aa", "b", "ba"},
        {"", "a", "b", ""},
        {"abc", "", "x", "abc"},
        {"a\\b\\", "\\", "\\\\", "a\\\\b\\\\"},  // doubles each backslash exactly once
        {"a\nb\n", "\n", "#\xBB\xBB\xD0\xD0\xB7\xFB",
         "a#\xBB\xBB\xD0\xD0\xB7\xFB"
         "b#\xBB\xBB\xD0\xD0\xB7\xFB"},
        {"ab", "b", "bb", "abb"},  // the inserted text is not searched again
        {S(kTrailBackslash, "\\"), "\\", "/", S(kTrailBackslash, "/")},
        {S(kEmoji, "\\n"), "\\n", "X", S(kEmoji, "X")},
        {"abc", "abcd", "x", "abc"},
        {"xyz", "z", "", "xy"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceText(c.text, c.find, c.repl), c.want);
}

TEST(SplitText, Table) {
    struct Case {
        std::string text, sep;
        TextArray want;
    } cases[] = {
        {"", "x", {}},
        {"abc", "", {"abc"}},
        {"abc", "x", {"abc"}},
        {"x", "x", {""}},
        {"a..b.", ".", {"a", "", "b"}},
        {"data: A\n\ndata: B\n\n", "data: ", {"", "A\n\n", "B\n\n"}},
        {S("a", kTrailBackslash, "\\b"), "\\", {S("a", kTrailBackslash), "b"}},
        {S(kEmoji, ",", kEmoji), ",", {S(kEmoji), S(kEmoji)}},
        {"ab", "abc", {"ab"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.sep), c.want) << c.text;
}

TEST(SplitText, ConcatOfPiecesWithSeparatorGivesTextBack) {
    // Holds whenever the text does not end with the separator.
    for (std::string text : {S("a,b,,c"), S(",lead"), S("none"), S(kEmoji, ",", kNiHao, ",x")}) {
        auto pieces = SplitText(text, ",");
        std::string joined;
        for (std::size_t i = 0; i < pieces.size(); ++i) joined += (i ? "," : "") + pieces[i];
        EXPECT_EQ(joined, text);
    }
}

TEST(CompareAndConcat, Table) {
    EXPECT_EQ(CompareText("", ""), 0);
    EXPECT_LT(CompareText("", "a"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("b", "abc"), 0);
    EXPECT_GT(CompareText("\xC4", "a"), 0);  // unsigned bytes
    EXPECT_EQ(ConcatText("", ""), "");
    EXPECT_EQ(ConcatText("a", "b", std::string("c")), "abc");
    EXPECT_EQ(BlankText(3), "   ");
    EXPECT_EQ(BlankText(0), "");
    EXPECT_EQ(BlankText(-2), "");
}

TEST(TextToInt, Table) {
    struct Case {
        std::string text;
        int want;
    } cases[] = {
        {"443", 443},
        {" 443/x", 443},
        {"abc", 0},
        {"", 0},
        {"\xA3\xB8\xA3\xB0", 80},                   // full-width 80
        {"\xA1\xA1\xA3\xAD\xA3\xB1\xA3\xB2", -12},  // ideographic space, full-width -12
        {"\t\r\n -7", -7},
        {"+5", 5},
        {"--5", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {S(kNiHao, "5"), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.want) << c.text;
}

TEST(Numbers, IntAndRealToText) {
    EXPECT_EQ(IntToText(0), "0");
    EXPECT_EQ(IntToText(-42), "-42");
    EXPECT_EQ(IntToText(INT_MIN), "-2147483648");
    struct Case {
        double value;
        std::string want;
    } cases[] = {
        {0.7, "0.7"},
        {1.0, "1"},
        {800.0, "800"},
        {1e15, "1e+015"},
        {2.5e-5, "2.5e-005"},
        {1e100, "1e+100"},
        {-1.5e300, "-1.5e+300"},
        {0.0001, "0.0001"},
        {1234567890123.0, "1234567890123"},
        {0.1 + 0.2, "0.3"},
        {-0.0, "-0"},
    };
    for (const auto& c : cases) EXPECT_EQ(RealToText(c.value), c.want) << c.value;
}

TEST(Numbers, RealToIntTruncatesAndSaturates) {
    EXPECT_EQ(RealToInt(3.9), 3);
    EXPECT_EQ(RealToInt(-3.9), -3);
    EXPECT_EQ(RealToInt(1e12), INT_MAX);
    EXPECT_EQ(RealToInt(-1e12), INT_MIN);
    EXPECT_EQ(RealToInt(0.0 / 0.0), 0);
}

TEST(Pointers, TextFromPointer) {
    const char raw[] = "abc";
    EXPECT_EQ(TextFromPointer(reinterpret_cast<std::uintptr_t>(raw)), "abc");
    EXPECT_EQ(TextFromPointer(0), "");
}

}  // namespace
}  // namespace velmora
