#include <gtest/gtest.h>

#include <functional>

#include "encoding/Utf8Text.h"
#include "json/JsonDocument.h"

namespace velmora {
namespace {

constexpr std::string_view kTemplate =
    "{\r\n    \"stream\": true,\r\n    \"temperature\": 0.7,\r\n    \"messages\": [ {\r\n"
    "        \"role\": \"user\",\r\n        \"content\": \"<text>\"\r\n    }],\r\n"
    "    \"max_tokens\": 800,\r\n    \"top_p\": 1,\r\n    \"frequency_penalty\": 0,\r\n"
    "    \"model\": \"gpt-3.5-turbo\",\r\n    \"presence_penalty\": 0\r\n}";

TextBuffer Request(std::string_view content) {
    return ConcatText(
        R"({"stream":true,"temperature":0.7,"messages":[{"role":"user","content":)", content,
        R"(}],"max_tokens":800,"top_p":1,"frequency_penalty":0,"model":"gpt-3.5-turbo",)"
        R"("presence_penalty":0})");
}

// The two ways a document gets its root: script source and the strict JSON reader. Reads must
// agree whichever way the root came in.
using Loader = std::function<bool(JsonDocument&, std::string_view)>;
const std::pair<const char*, Loader> kLoaders[] = {
    {"Parse", [](JsonDocument& d, std::string_view t) { return d.Parse(t); }},
    {"LoadStrictJson", [](JsonDocument& d, std::string_view t) { return d.LoadStrictJson(t); }},
};

TEST(JsonDocumentTest, RequestTemplateSerialisesCompactlyInOrder) {
    for (auto& [name, load] : kLoaders) {
        SCOPED_TRACE(name);
        JsonDocument document;
        EXPECT_TRUE(load(document, kTemplate));
        EXPECT_EQ(document.ToText(), Request(R"("<text>")"));
    }
}

TEST(JsonDocumentTest, TextModeStoresExactlyWhatWasGiven) {
    const TextBuffer texts[] = {
        "say \"hi\" and 'bye'",
        "line\r\nbreak",
        "a\\nb",
        "trailing\\",
        "\\\\server\\share",
        Utf8ToText("para\u2028graph\u2029"),
        Utf8ToText("你好，世界"),
        Utf8ToText("\U0001F600 four bytes"),
        Utf8ToText("own \u2400 mark"),
        "\x01\x1F\x7F tab\t",
        "'); throw 1; ('",
        "",
    };
    for (const TextBuffer& text : texts) {
        SCOPED_TRACE(text);
        JsonDocument document;
        document.Parse(kTemplate);
        ASSERT_TRUE(document.SetValue("messages[0].content", text));
        EXPECT_EQ(document.GetText("messages[0].content"), text);
        JsonDocument reread;
        ASSERT_TRUE(reread.LoadStrictJson(document.ToText())) << document.ToText();
        EXPECT_EQ(reread.GetText("messages[0].content"), text);
        EXPECT_EQ(reread.ToText(), document.ToText());
    }
}

TEST(JsonDocumentTest, SerialisationEscapesTheHelperSet) {
    const std::pair<TextBuffer, TextBuffer> cases[] = {
        {"\"", R"("\"")"},
        {"\\", R"("\\")"},
        {"a\\nb", R"("a\\nb")"},
        {"\t\b\f\r\n", R"("\t\b\f\r\n")"},
        {"'", R"("'")"},
        {"\x01\x1F\x7F", R"("\u0001\u001f\u007f")"},
        {Utf8ToText("\u0080\u009F\u00AD"), R"("\u0080\u009f\u00ad")"},
        {Utf8ToText("\u0600\u0604\u070F\u17B4\u17B5"), R"("\u0600\u0604\u070f\u17b4\u17b5")"},
        {Utf8ToText("\u200C\u200F\u2028\u202F\u2060\u206F"),
         R"("\u200c\u200f\u2028\u202f\u2060\u206f")"},
        {Utf8ToText("\uFEFF\uFFF0\uFFFF"), R"("\ufeff\ufff0\uffff")"},
        {Utf8ToText("\u00A0\u00AE你\u2400"), Utf8ToText("\"\u00A0\u00AE你\u2400\"")},
        {Utf8ToText("\U0001F600"), Utf8ToText("\"\U0001F600\"")},
    };
    for (auto& [text, json] : cases) {
        SCOPED_TRACE(json);
        JsonDocument document;
        document.Parse(kTemplate);
        document.SetValue("messages[0].content", text);
        EXPECT_EQ(document.ToText(), Request(json));
    }
}

TEST(JsonDocumentTest, ReadsAgreeForBothLoads) {
    constexpr std::string_view kRoot =
        R"({"s":"t\\u","n":0.7,"b":true,"o":{"k":1},"a":[1,"a"],"z":null,"e":[],"big":1e21,)"
        R"("choices":[{"delta":{"content":"abcd"}}]})";
    struct Case {
        const char* path;
        JsonType type;
        const char* text;  // nullptr: not compared
        bool exists;
    };
    const Case cases[] = {
        {"", JsonType::Object, "[object Object]", true},
        {"da", JsonType::Object, "[object Object]", true},
        {"s", JsonType::String, "t\\u", true},
        {"da.s", JsonType::String, "t\\u", true},
        {"n", JsonType::Number, "0.7", true},
        {"b", JsonType::Boolean, "true", true},
        {"o", JsonType::Object, "[object Object]", true},
        {"a", JsonType::Array, "1,a", true},
        {"a[1]", JsonType::String, "a", true},
        {"a[2]", JsonType::Null, "", false},
        {"z", JsonType::Null, "", false},
        {"e", JsonType::Array, "", true},
        {"big", JsonType::Number, "1e+21", true},
        {"missing", JsonType::Null, "", false},
        {"da.missing", JsonType::Other, "", false},  // da.da.missing
        {"missing.parent", JsonType::Other, "", false},
        {"z.x", JsonType::Other, "", false},
        {"choices[0].delta.content", JsonType::String, "abcd", true},
        {"choices[0].delta.role", JsonType::Null, "", false},
        {"s.length", JsonType::Number, "3", true},
        {"o.toString", JsonType::Other, nullptr, true},  // a function
        {"a.length", JsonType::Number, "2", true},
    };
    for (auto& [name, load] : kLoaders) {
        JsonDocument document;
        ASSERT_TRUE(load(document, kRoot));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + c.path);
            EXPECT_EQ(document.GetType(c.path), c.type);
            if (c.text) {
                EXPECT_EQ(document.GetText(c.path), c.text);
            }
            EXPECT_EQ(document.Exists(c.path), c.exists);
        }
        EXPECT_EQ(document.GetText("s", true), R"("t\\u")");
        EXPECT_EQ(document.GetText("a", true), R"([1,"a"])");
        EXPECT_EQ(document.GetText("missing", true), "");
    }
}

TEST(JsonDocumentTest, ResolvePathQualifiesOnlyWhatHasNoValue) {
    struct Case {
        const char* path;
        const char* resolved;
        bool found;
    };
    const Case cases[] = {
        {"", "da", true},           {"da", "da", true},         {"[2]", "da[2]", true},
        {"x", "da.x", true},        {"da.x", "da.x", true},     {"y", "da.y", false},
        {"da.y", "da.da.y", false}, {"data", "da.data", false},
    };
    for (auto& [name, load] : kLoaders) {
        JsonDocument document;
        load(document, R"({"x":1,"2":"two"})");
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + c.path);
            TextBuffer path = c.path;
            EXPECT_EQ(document.ResolvePath(path), c.found);
            EXPECT_EQ(path, c.resolved);
        }
    }
    JsonDocument document;
    document.Parse(R"({"x":1})");
    EXPECT_FALSE(document.SetValue("da.y", "v"));  // da.da.y: its parent is missing
    EXPECT_EQ(document.ToText(), R"({"x":1})");
    EXPECT_TRUE(document.SetValue("y", "v"));
    EXPECT_EQ(document.ToText(), R"({"x":1,"y":"v"})");
}

TEST(JsonDocumentTest, ParseFailuresLeaveAnEmptyRoot) {
    JsonDocument document;
    EXPECT_FALSE(document.Parse(""));
    EXPECT_EQ(document.ToText(), "");  // undefined
    ScriptError error;
    EXPECT_FALSE(document.Parse("{\"a\":", false, &error, true));
    EXPECT_EQ(document.ToText(), "null");
    EXPECT_EQ(error.source, "SyntaxError");
    EXPECT_NE(error.number, 0);
    EXPECT_FALSE(error.description.empty());
    EXPECT_TRUE(document.Parse("{\"a\":1}", false, &error, true));
    EXPECT_EQ(error.number, 0);
    EXPECT_TRUE(document.Parse("{'a': 1 /* script */}", true));
    EXPECT_EQ(document.ToText(), R"({"a":1})");
}

TEST(JsonDocumentTest, StrictLoadEvaluatesNothing) {
    const char* refused[] = {
        "(function(){ leak = 1; return {a: 1} })()",
        "{\"a\":1}//comment",
        "{'a':1}",
        "",
        "{\"a\":1}\n{\"b\":2}",
        "while(true){}",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        JsonDocument document;
        EXPECT_FALSE(document.LoadStrictJson(text));
        EXPECT_EQ(document.ToText(), "null");
        EXPECT_EQ(document.GetText("a"), "");
        EXPECT_EQ(document.GetType("a"), JsonType::Other);
        EXPECT_FALSE(document.SetExpression("probe", "'typeof leak'"));  // the root is null
    }
    JsonDocument document;
    EXPECT_FALSE(document.LoadStrictJson("null"));
    EXPECT_TRUE(document.LoadStrictJson(R"({"__proto__":{"p":1}})"));
    EXPECT_EQ(document.GetText("p"), "");
    EXPECT_EQ(document.ToText(), R"({"__proto__":{"p":1}})");
}

TEST(JsonDocumentTest, StrictNumbersAgreeWithTheEngine) {
    // The strict reader's numbers reach the engine exactly: extreme exponents, which the
    // engine's own reader refuses, and long numbers, which it may round to a neighbour.
    struct Case {
        const char* json;
        const char* text;
    } cases[] = {
        {"[1e400]", "Infinity"},
        {"[-1e400]", "-Infinity"},
        {"[1e-400]", "0"},
        {"[1e00000005]", "100000"},
        {"[1e12345678]", "Infinity"},
        {"[1e-45504455]", "0"},
        {"[56748688642967776]", "56748688642967780"},
        {"[45555555555555556]", "45555555555555550"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        JsonDocument document;
        ASSERT_TRUE(document.LoadStrictJson(c.json));
        EXPECT_EQ(document.GetText("[0]"), c.text);  // answered by the strict reader
        EXPECT_TRUE(document.SetValue("[1]", "moved into the engine"));
        EXPECT_EQ(document.GetText("[0]"), c.text);  // answered by the engine
        // The serialisation loads back to the same number.
        JsonDocument again;
        ASSERT_TRUE(again.LoadStrictJson(document.ToText()));
        EXPECT_EQ(again.ToText(), document.ToText());
    }
}

TEST(JsonDocumentTest, DeepestStrictRootStillSerialises) {
    const int depth = detail::StrictJson::kMaxDepth;
    const std::string deep = std::string(depth, '[') + "\"x\"" + std::string(depth, ']');
    JsonDocument document;
    ASSERT_TRUE(document.LoadStrictJson(deep));
    EXPECT_EQ(document.ToText(), deep);
}

TEST(JsonDocumentTest, NothingOfAnEarlierLoadStaysVisible) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse("(function () { leak = 'old'; return { a: 1 } })()"));
    EXPECT_TRUE(document.SetValue("b", "x"));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(document.LoadStrictJson(R"({"c":2})"));
        EXPECT_EQ(document.GetText("a"), "");
        EXPECT_TRUE(document.SetExpression("probe", "'typeof leak'"));
        EXPECT_EQ(document.GetText("probe"), "undefined");
        EXPECT_EQ(document.ToText(), R"({"c":2,"probe":"undefined"})");
    }
    EXPECT_TRUE(document.Parse(R"({"d":3})"));
    EXPECT_EQ(document.ToText(), R"({"d":3})");
    EXPECT_EQ(document.GetText("c"), "");
}

TEST(JsonDocumentTest, JsonModeMergesIntoObjectsAndReplacesTheRest) {
    struct Case {
        const char* root;
        const char* path;
        const char* value;
        bool result;
        const char* after;
    };
    const Case cases[] = {
        {R"({"a":1})", "", R"({"b":{"c":2}})", true, R"({"a":1,"b":{"c":2}})"},
        {R"({"o":{"x":"s","y":true}})", "o", R"({"x":{"n":1},"y":false,"z":3})", true,
         R"({"o":{"x":{"n":1},"y":false,"z":3}})"},
        {R"({"o":{"n":1}})", "o", R"({"n":2})", true, R"({"o":{"n":2}})"},
        {R"({"o":{"a":[1]}})", "o", R"({"a":[2,3]})", true, R"({"o":{"a":[1,2,3]}})"},
        {R"({"o":{"d":{"x":1}}})", "o", R"({"d":{"y":2}})", true, R"({"o":{"d":{"x":1,"y":2}}})"},
        {R"({"o":{"a":"1","z":null}})", "o", R"({"a":"2","z":{"q":1}})", false,
         R"({"o":{"a":"2","z":null}})"},
        {R"({"s":"text"})", "s", R"({"a":1})", true, R"({"s":{"a":1}})"},
        {R"({"s":"text"})", "s", "", true, "{}"},
        {R"({"o":{"k":1}})", "o", "", true, R"({"o":{"k":1}})"},
        {R"({"a":1})", "new", "[1,2]", true, R"({"a":1,"new":[1,2]})"},
    };
    for (auto& [name, load] : kLoaders) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + c.root + " " + c.value);
            JsonDocument document;
            load(document, c.root);
            EXPECT_EQ(document.SetValue(c.path, c.value, true), c.result);
            EXPECT_EQ(document.ToText(), c.after);
        }
    }
}

TEST(JsonDocumentTest, CopiesShareTheRootUntilALoad) {
    for (auto& [name, load] : kLoaders) {
        SCOPED_TRACE(name);
        JsonDocument document;
        load(document, R"({"a":1})");
        std::unique_ptr<JsonDocument> copy = document.Copy();
        EXPECT_TRUE(copy->SetValue("b", "2"));
        EXPECT_EQ(document.GetText("b"), "2");
        EXPECT_TRUE(document.Clear());
        EXPECT_EQ(copy->ToText(), "{}");
        load(document, R"({"c":3})");
        EXPECT_EQ(copy->ToText(), "{}");
        EXPECT_EQ(document.ToText(), R"({"c":3})");
        EXPECT_TRUE(document.SetValue("d", "4"));
        EXPECT_EQ(copy->ToText(), "{}");
    }
}

TEST(JsonDocumentTest, WithoutAnEngineEveryOperationIsEmpty) {
    int attempts = 0;
    JsonDocument document([&]() -> std::shared_ptr<ScriptEngine> {
        ++attempts;
        return nullptr;
    });
    EXPECT_FALSE(document.Parse(kTemplate));
    EXPECT_FALSE(document.LoadStrictJson(kTemplate));
    EXPECT_FALSE(document.InitEngine());
    EXPECT_EQ(attempts, 2);  // creation and the explicit InitEngine; Parse does not retry
    EXPECT_FALSE(document.Clear());
    EXPECT_EQ(document.ToText(), "");
    EXPECT_FALSE(document.SetValue("a", "b"));
    EXPECT_FALSE(document.SetValue("a", "{}", true));
    EXPECT_FALSE(document.SetExpression("a", "1"));
    EXPECT_FALSE(document.Exists(""));
    EXPECT_EQ(document.GetType(""), JsonType::Other);
    EXPECT_EQ(document.GetText("", true), "");
    TextBuffer path = "messages";
    EXPECT_FALSE(document.ResolvePath(path));
    EXPECT_EQ(path, "da.messages");
    EXPECT_EQ(document.Copy()->ToText(), "");
}

TEST(JsonDocumentTest, SetExpressionEvaluatesTrustedScript) {
    JsonDocument document;
    document.Parse(R"({"a":1})");
    // The expression's value is itself evaluated.
    EXPECT_TRUE(document.SetExpression("b", "'[' + 2 * 3 + ', \"x\"]'"));
    EXPECT_EQ(document.GetText("b", true), "[6,\"x\"]");
    EXPECT_FALSE(document.SetExpression("c", "syntax error("));
    EXPECT_FALSE(document.Exists("c"));
}

}  // namespace
}  // namespace velmora
