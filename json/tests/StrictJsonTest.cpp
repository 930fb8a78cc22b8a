#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "encoding/Utf8Text.h"
#include "json/detail/StrictJson.h"

namespace velmora::detail {
namespace {

using Outcome = StrictJson::Lookup::Outcome;

constexpr std::string_view kEvent =
    R"({"id":"chatcmpl-1","object":"chat.completion.chunk","created":1,"model":"gpt-3.5-turbo",)"
    R"("choices":[{"index":0,"delta":{"content":"abcd"},"finish_reason":null}]})";

TEST(StrictJsonTest, NumbersReadAsTheScriptWritesThem) {
    const std::pair<double, const char*> cases[] = {
        {0.7, "0.7"},
        {800, "800"},
        {-0.0, "0"},
        {-2.5, "-2.5"},
        {1e21, "1e+21"},
        {123456789012345680000.0, "123456789012345680000"},
        {1e-7, "1e-7"},
        {0.000001, "0.000001"},
        {1.5e300, "1.5e+300"},
        {0.1 + 0.2, "0.30000000000000004"},
        {std::numeric_limits<double>::infinity(), "Infinity"},
        {-std::numeric_limits<double>::infinity(), "-Infinity"},
        {std::nan(""), "NaN"},
    };
    for (auto [value, text] : cases) EXPECT_EQ(NumberToScriptText(value), text) << text;
}

TEST(StrictJsonTest, AcceptsJsonAndNothingElse) {
    const char* accepted[] = {
        "null",
        " 0 ",
        "-0.5e+3",
        "\"x\"",
        "[]",
        "{}",
        "\r\n\t[1, {\"a\": [true, false]}]\n",
        "{\"a\":1,\"a\":2}",
        "\"\\u00e9\\ud83d\\ude00\\/\\b\\f\\n\\r\\t\"",
        "1E400",
    };
    for (const char* text : accepted) EXPECT_TRUE(StrictJson::Parse(text)) << text;
    const char* refused[] = {
        "",
        " ",
        "foo()",
        "{\"a\":1}//c",
        "{\"a\":1}/*c*/",
        "{'a':1}",
        "{a:1}",
        "{\"a\":1,}",
        "[1,]",
        "[,1]",
        "01",
        "1.",
        ".5",
        "+1",
        "NaN",
        "Infinity",
        "undefined",
        "\"\t\"",
        "{\"a\" 1}",
        "[1]x",
        "[1] [2]",
        "\"\\x41\"",
        "\"\\u12\"",
        "\"abc",
        "tru",
        "nul",
        "(1)",
        "[1 2]",
        "{\"a\":1 \"b\":2}",
    };
    for (const char* text : refused) EXPECT_FALSE(StrictJson::Parse(text)) << text;
}

TEST(StrictJsonTest, EveryTruncationOfAnEventIsRefused) {
    ASSERT_TRUE(StrictJson::Parse(kEvent));
    for (std::size_t length = 0; length < kEvent.size(); ++length) {
        EXPECT_FALSE(StrictJson::Parse(kEvent.substr(0, length))) << length;
    }
}

TEST(StrictJsonTest, NestingIsBounded) {
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(StrictJson::Parse(nested(StrictJson::kMaxDepth + 1)));
    EXPECT_FALSE(StrictJson::Parse(nested(StrictJson::kMaxDepth + 2)));
    EXPECT_FALSE(StrictJson::Parse(nested(100000)));
}

TEST(StrictJsonTest, StringsKeepTheirCharacters) {
    // 0x5C ('\\') and 0x7B ('{') occur as trail bytes of double-byte characters.
    struct Case {
        std::string json;
        TextBuffer text;
    };
    const Case cases[] = {
        {"\"\x95\x5C\"", "\x95\x5C"},
        {"\"\x81\x7B\"", "\x81\x7B"},
        {"\"" + Utf8ToText("你好\U0001F600") + "\"", Utf8ToText("你好\U0001F600")},
        {"\"\\u4f60\\ud83d\\ude00\"", Utf8ToText("你\U0001F600")},
        {"\"\\ud83d\"", Utf8ToText("\uFFFD")},
        {"\"a\\u0000b\"", "a"},
        {"\"\\\\n\\\"\"", "\\n\""},
    };
    for (const Case& c : cases) {
        auto json = StrictJson::Parse(c.json);
        ASSERT_TRUE(json) << c.json;
        auto lookup = json->Find("da", "da");
        ASSERT_EQ(lookup.outcome, Outcome::Value);
        EXPECT_EQ(json->ToScriptText(*lookup.node), c.text) << c.json;
    }
}

TEST(StrictJsonTest, PlainPathsAnswerAsTheEngineWould) {
    auto json = StrictJson::Parse(
        R"({"a":{"b":[10,"x",null,[1,[2,3]],{}]},"n":null,"s":"str","a":{"b":[10,"x",null,[1,[2,3]],{}]},"7":"seven"})");
    ASSERT_TRUE(json);
    struct Case {
        const char* path;
        Outcome outcome;
        const char* text;  // the value's string form when there is one
    };
    const Case cases[] = {
        {"da", Outcome::Value, "[object Object]"},
        {"da.a.b", Outcome::Value, "10,x,,1,2,3,[object Object]"},
        {"da.a.b[1]", Outcome::Value, "x"},
        {"da.a.b[9]", Outcome::Undefined, nullptr},
        {"da[7]", Outcome::Value, "seven"},
        {"da.missing", Outcome::Undefined, nullptr},
        {"da.missing.x", Outcome::Error, nullptr},
        {"da.n.x", Outcome::Error, nullptr},
        {"da.a.b[2].x", Outcome::Error, nullptr},
        {"da.n", Outcome::Value, nullptr},
        // Only the engine knows these.
        {"da.s.length", Outcome::Unknown, nullptr},
        {"da.a.b.length", Outcome::Unknown, nullptr},
        {"da.a.toString", Outcome::Unknown, nullptr},
        {"da.a.b[01]", Outcome::Unknown, nullptr},
        {"da.a['b']", Outcome::Unknown, nullptr},
        {"da.a = 1", Outcome::Unknown, nullptr},
        {"da.", Outcome::Unknown, nullptr},
        {"data.a", Outcome::Unknown, nullptr},
        {"", Outcome::Unknown, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto lookup = json->Find(c.path, "da");
        EXPECT_EQ(lookup.outcome, c.outcome);
        if (c.text) {
            EXPECT_EQ(json->ToScriptText(*lookup.node), c.text);
        }
    }
}

TEST(StrictJsonTest, RepeatedNamesTakeTheLastValueInLargeObjectsToo) {
    std::string large = "{";
    for (int i = 0; i < 40; ++i)
        large += "\"m" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    large += "\"m3\":\"again\",\"m39\":[1]}";
    auto json = StrictJson::Parse(large);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->ToScriptText(*json->Find("da.m3", "da").node), "again");
    EXPECT_EQ(json->ToScriptText(*json->Find("da.m39", "da").node), "1");
    EXPECT_EQ(json->ToScriptText(*json->Find("da.m38", "da").node), "38");
}

}  // namespace
}  // namespace velmora::detail
