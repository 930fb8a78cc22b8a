// The collection and element operations of JsonDocument.

#include <gtest/gtest.h>

#include <limits>

#include "encoding/Utf8Text.h"
#include "json/JsonDocument.h"

namespace velmora {
namespace {

std::unique_ptr<JsonDocument> Loaded(std::string_view json) {
    auto document = std::make_unique<JsonDocument>();
    EXPECT_TRUE(document->LoadStrictJson(json)) << json;
    return document;
}

TEST(JsonCollectionTest, NamesOfObjectsOnly) {
    const std::pair<const char*, TextArray> cases[] = {
        {"o", {"b", "a", "n"}}, {"", {"o", "arr", "e", "s"}}, {"arr", {}}, {"e", {}}, {"s", {}},
        {"missing", {}},        {"missing.parent", {}},
    };
    auto document = Loaded(R"({"o":{"b":1,"a":{"x":1},"n":null},"arr":[1],"e":{},"s":"t"})");
    for (auto& [path, expected] : cases) {
        SCOPED_TRACE(path);
        TextArray names = {"stale"};
        EXPECT_EQ(document->GetNames(names, path), static_cast<int>(expected.size()));
        EXPECT_EQ(names, expected);
    }
}

TEST(JsonCollectionTest, CountsArraysOnly) {
    const std::pair<const char*, int> cases[] = {
        {"arr", 3}, {"empty", 0}, {"lengthy", 0}, {"s", 0}, {"missing", 0}, {"missing.x", 0},
    };
    auto document = Loaded(R"({"arr":[1,[2],{}],"empty":[],"lengthy":{"length":5},"s":"abc"})");
    for (auto [path, count] : cases) EXPECT_EQ(document->GetCount(path), count) << path;
}

TEST(JsonCollectionTest, ElementTextIsForStringElements) {
    auto document = Loaded(R"({"a":[7,"x\\y",true,{"k":"v"}]})");
    const std::pair<int, const char*> cases[] = {{0, ""}, {1, "x\\y"}, {2, ""}, {3, ""}, {9, ""}};
    for (auto [index, text] : cases) EXPECT_EQ(document->GetElementText(index, "a"), text) << index;
    EXPECT_EQ(document->GetText("a[0]"), "7");
    EXPECT_EQ(document->GetElementText(3, "a", true), R"({"k":"v"})");
    EXPECT_EQ(document->GetElementText(1, "a", true), R"("x\\y")");
    EXPECT_EQ(document->GetElementText(0, "missing"), "");
}

TEST(JsonCollectionTest, AddElementMakesAnArrayFirst) {
    struct Case {
        const char* path;
        const char* value;
        bool json;
        bool atFront;
        const char* after;
    };
    const Case cases[] = {
        {"a", "x", false, false, R"({"a":[1,"x"],"s":"t","o":{}})"},
        {"a", "x", false, true, R"({"a":["x",1],"s":"t","o":{}})"},
        {"s", "x", false, false, R"({"a":[1],"s":["x"],"o":{}})"},
        {"o", "x", false, false, R"({"a":[1],"s":"t","o":["x"]})"},
        {"n", "x", false, false, R"({"a":[1],"s":"t","o":{},"n":["x"]})"},
        {"a", R"({"k":[2]})", true, false, R"({"a":[1,{"k":[2]}],"s":"t","o":{}})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " " + c.value);
        auto document = Loaded(R"({"a":[1],"s":"t","o":{}})");
        EXPECT_TRUE(document->AddElement(c.value, c.path, c.json, c.atFront));
        EXPECT_EQ(document->ToText(), c.after);
    }
    auto document = Loaded("{}");
    EXPECT_FALSE(document->AddElement("x", "missing.parent"));
    EXPECT_EQ(document->ToText(), "{}");
}

TEST(JsonCollectionTest, TextValuesStoreExactlyThroughElements) {
    const TextBuffer texts[] = {
        "it's",
        "\"quoted\"",
        "back\\slash",
        "trailing\\",
        "a\\nb",
        "'); da = 1; ('",
        Utf8ToText("中文\u2028\U0001F600"),
    };
    for (const TextBuffer& text : texts) {
        SCOPED_TRACE(text);
        auto document = Loaded(R"({"a":["old"]})");
        EXPECT_TRUE(document->AddElement(text, "a"));
        EXPECT_TRUE(document->SetElement(0, "a", text));
        EXPECT_EQ(document->GetElementText(0, "a"), text);
        EXPECT_EQ(document->GetElementText(1, "a"), text);
        auto reread = Loaded(document->ToText());
        EXPECT_EQ(reread->GetElementText(1, "a"), text);
    }
}

TEST(JsonCollectionTest, SetAndRemoveElements) {
    auto document = Loaded(R"({"a":[1,2,3],"s":"t"})");
    EXPECT_TRUE(document->SetElement(5, "a", "x"));
    EXPECT_EQ(document->GetJson("a"), R"([1,2,3,null,null,"x"])");
    EXPECT_TRUE(document->SetElement(0, "a", "[true]", true));
    EXPECT_TRUE(document->RemoveElement(1, "a"));
    EXPECT_EQ(document->GetJson("a"), R"([[true],3,null,null,"x"])");
    EXPECT_EQ(document->GetCount("a"), 5);
    EXPECT_TRUE(document->RemoveElement(9, "a"));  // nothing there to remove
    EXPECT_EQ(document->GetCount("a"), 5);
    EXPECT_FALSE(document->RemoveElement(0, "s"));  // not an array
    EXPECT_FALSE(document->SetElement(0, "missing.parent", "x"));
    EXPECT_FALSE(document->SetElement(0, "a", "", true));  // no script value
}

TEST(JsonCollectionTest, RemoveMembers) {
    const std::pair<const char*, bool> cases[] = {
        {"a", true},
        {"missing", true},
        {"missing.parent", false},
        {"o.k", true},
    };
    auto document = Loaded(R"({"a":1,"o":{"k":2,"l":3}})");
    for (auto [path, result] : cases) EXPECT_EQ(document->Remove(path), result) << path;
    EXPECT_EQ(document->ToText(), R"({"o":{"l":3}})");
}

TEST(JsonCollectionTest, NumbersInAndOut) {
    auto document = Loaded(R"({"n":1,"s":"12","t":"abc","b":true,"o":{}})");
    const std::pair<const char*, double> reads[] = {
        {"n", 1}, {"s", 12}, {"t", 0}, {"b", 1}, {"o", 0}, {"missing", 0}, {"missing.x", 0},
    };
    for (auto [path, value] : reads) EXPECT_EQ(document->GetNumber(path), value) << path;
    const std::pair<double, const char*> writes[] = {
        {0.5, "0.5"},
        {-3, "-3"},
        {1e15, "1000000000000000"},
        {1.0 / 3, "0.3333333333333"},
    };
    for (auto [value, text] : writes) {
        EXPECT_TRUE(document->SetNumber("x", value));
        EXPECT_EQ(document->GetText("x"), text);
    }
    EXPECT_FALSE(document->SetNumber("x", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(document->SetNumber("x", std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(document->SetNumber("missing.x", 1));
    EXPECT_EQ(document->GetJson("missing"), "");
    EXPECT_EQ(document->GetJson("o"), "{}");
}

TEST(JsonCollectionTest, AllValuesComeBackOneEach) {
    // A value holding this text stays one value.
    const TextBuffer separator = Utf8ToText("[2020年7月20日20时0分0秒]");
    auto document = Loaded(ConcatText(R"({"n":1,"o":{"s":"a","t":"b)", separator,
                                      R"(c","u":["d\\e"],"v":[{"w":"x"}]},"f":false})"));
    TextArray values = {"stale"};
    EXPECT_EQ(document->GetAllValues(values, ""), 2);
    EXPECT_EQ(values, (TextArray{"1", "false"}));
    EXPECT_EQ(document->GetAllValues(values, "", true), 6);
    EXPECT_EQ(values, (TextArray{"1", "a", ConcatText("b", separator, "c"), "d\\e", "x", "false"}));
    EXPECT_EQ(document->GetAllValues(values, "o.u"), 1);
    EXPECT_EQ(document->GetAllValues(values, "o.v"), 0);
    EXPECT_EQ(document->GetAllValues(values, "o.v", true), 1);
    EXPECT_EQ(document->GetAllValues(values, "missing.parent"), 0);
    EXPECT_TRUE(values.empty());
}

TEST(JsonCollectionTest, DocumentsOfValuesAreIndependentCopies) {
    JsonDocument document;
    document.Parse(R"({"o":{"k":"v"},"a":[1,{"e":2}]})");
    ASSERT_TRUE(document.SetValue("o.text", "back\\slash and trailing\\"));
    std::unique_ptr<JsonDocument> copy = document.GetDocument("o");
    EXPECT_EQ(copy->ToText(), document.GetJson("o"));
    EXPECT_EQ(copy->GetText("text"), "back\\slash and trailing\\");
    copy->SetValue("k", "changed");
    document.SetValue("o.k", "also changed");
    EXPECT_EQ(copy->GetText("k"), "changed");
    EXPECT_EQ(document.GetText("o.k"), "also changed");

    std::unique_ptr<JsonDocument> element = document.GetElementDocument(1, "a");
    EXPECT_EQ(element->ToText(), R"({"e":2})");
    EXPECT_EQ(document.GetElementDocument(5, "a")->ToText(), "");
    std::unique_ptr<JsonDocument> missing = document.GetDocument("missing");
    EXPECT_EQ(missing->GetType(""), JsonType::Null);
    EXPECT_EQ(missing->ToText(), "");
}

TEST(JsonCollectionTest, EngineReferenceSeesTheRoot) {
    JsonDocument document;
    document.LoadStrictJson(R"({"a":"x"})");
    std::shared_ptr<ScriptEngine> engine = document.GetEngine();
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->EvalText("da.a"), "x");
    document.LoadStrictJson(R"({"a":"y"})");
    EXPECT_EQ(document.GetText("a"), "y");
    EXPECT_EQ(document.ToText(), R"({"a":"y"})");
    EXPECT_EQ(engine->EvalText("da.a"), "x");  // the reference keeps the engine it was given

    JsonDocument engineless([] { return std::shared_ptr<ScriptEngine>(); });
    EXPECT_EQ(engineless.GetEngine(), nullptr);
    TextArray values;
    EXPECT_EQ(engineless.GetAllValues(values, ""), 0);
    EXPECT_EQ(engineless.GetNames(values, ""), 0);
    EXPECT_FALSE(engineless.AddElement("x", "a"));
    EXPECT_EQ(engineless.GetDocument("")->ToText(), "");
}

}  // namespace
}  // namespace velmora
