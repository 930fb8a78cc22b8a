#include <gtest/gtest.h>

#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

TEST(Utf8Text, RoundTripsTable) {
    struct Case {
        std::string text, utf8;
    } cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"\xC4\xE3\xBA\xC3", "\xE4\xBD\xA0\xE5\xA5\xBD"},  // 你好
        {"\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"},          // U+1F600, four bytes both ways
        {"\x81\x5C\\", "\xE4\xB9\x97\\"},                  // 乗: trail byte 0x5C, then a backslash
        {"\xA1\xA4", "\xC2\xB7"},                          // U+00B7
        {"\x84\x31\xA4\x37", "\xEF\xBF\xBD"},              // U+FFFD itself
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToUtf8(c.text), c.utf8);
        EXPECT_EQ(Utf8ToText(c.utf8), c.text);
    }
}

TEST(Utf8Text, MalformedInputBecomesReplacementNotLoss) {
    EXPECT_EQ(Utf8ToText("a\xFF"
                         "b"),
              "a\x84\x31\xA4\x37"
              "b");
    EXPECT_EQ(Utf8ToText("a\xE4\xBD"),
              "a\x84\x31\xA4\x37\x84\x31\xA4\x37");   // truncated at the end
    EXPECT_EQ(TextToUtf8("a\x81"), "a\xEF\xBF\xBD");  // lone lead byte
}

TEST(Utf8Text, ACharacterGb18030LacksBecomesOneReplacement) {
    // U+E818, private use, has no place in glibc's GB18030; the streaming decoder agrees.
    EXPECT_EQ(Utf8ToText("a\xEE\xA0\x98"
                         "b"),
              "a\x84\x31\xA4\x37"
              "b");
}

TEST(Utf8Text, TextEndsAtZero) {
    EXPECT_EQ(Utf8ToText(std::string_view("ab\0cd", 5)), "ab");
}

}  // namespace
}  // namespace velmora
