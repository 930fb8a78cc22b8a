#include <gtest/gtest.h>

#include "encoding/Utf8Text.h"
#include "json/ScriptEngine.h"

namespace velmora {
namespace {

std::shared_ptr<ScriptEngine> JavaScriptEngine() {
    auto engine = ScriptEngine::Create();
    EXPECT_TRUE(engine && engine->SetLanguage("JavaScript"));
    return engine;
}

TEST(ScriptEngineTest, OnlyJavaScriptRunsAndOnlyOnceChosen) {
    auto engine = ScriptEngine::Create();
    ASSERT_TRUE(engine);
    EXPECT_FALSE(engine->Eval("1"));
    EXPECT_FALSE(engine->SetLanguage("VBScript"));
    EXPECT_FALSE(engine->Eval("1"));
    EXPECT_TRUE(engine->SetLanguage("JavaScript"));
    EXPECT_TRUE(engine->Eval("1"));
}

TEST(ScriptEngineTest, StatementsYieldTheLastExpressionAndGlobalsStay) {
    auto engine = JavaScriptEngine();
    EXPECT_TRUE(engine->AddCode("function twice(x) { return 2 * x } var seed = 4"));
    EXPECT_EQ(engine->EvalText("var x = 1; if (seed) { x = twice(seed) } x + 1"), "9");
    EXPECT_EQ(engine->EvalText("x"), "8");
    EXPECT_EQ(engine->EvalText("y = 'set'"), "set");  // an assignment yields the value
    EXPECT_TRUE(engine->EvalTruth("delete y"));
    EXPECT_EQ(engine->EvalText("typeof y"), "undefined");
}

TEST(ScriptEngineTest, ResultsTakenAsTextRealAndTruth) {
    struct Case {
        const char* code;
        const char* text;
        double real;
        bool truth;
    };
    const Case cases[] = {
        {"0.7", "0.7", 0.7, true},
        {"'12'", "12", 12, true},
        {"'abc'", "abc", 0, true},
        {"''", "", 0, false},
        {"true", "true", 1, true},
        {"0", "0", 0, false},
        {"null", "", 0, false},
        {"undefined", "", 0, false},
        {"[1, 'a']", "1,a", 0, true},
        {"({})", "[object Object]", 0, true},
        {"syntax error here", "", 0, false},
        {"missing.member", "", 0, false},
        {"({ toString: function () { throw 1 } })", "", 0, true},
    };
    auto engine = JavaScriptEngine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(engine->EvalText(c.code), c.text);
        EXPECT_EQ(engine->EvalReal(c.code), c.real);
        EXPECT_EQ(engine->EvalTruth(c.code), c.truth);
    }
}

TEST(ScriptEngineTest, TextsCrossTheBoundaryInTheProgramCodePage) {
    auto engine = JavaScriptEngine();
    const TextBuffer chinese = Utf8ToText("你好，世界");
    const TextBuffer controlPicture = Utf8ToText("\u2400");
    const TextBuffer fourByte = Utf8ToText("\U0001F600");
    for (const TextBuffer& text : {chinese, controlPicture, fourByte}) {
        ASSERT_TRUE(engine->SetGlobalText("t", text));
        EXPECT_EQ(engine->EvalText("t"), text);
        EXPECT_EQ(engine->EvalText(ConcatText("'", text, "'")), text);
    }
    // Escapes make surrogate pairs inside the engine; they come back as one character.
    EXPECT_EQ(engine->EvalText("'\\ud83d\\ude00'"), fourByte);
    EXPECT_EQ(engine->EvalText("'\\ud83d'"), Utf8ToText("\uFFFD"));
    EXPECT_EQ(engine->EvalText("'ab\\u0000cd'"), "ab");
    EXPECT_EQ(engine->EvalText("String.fromCharCode(9216).charCodeAt(0)"), "9216");
}

TEST(ScriptEngineTest, ErrorDescribesTheLastFailure) {
    auto engine = JavaScriptEngine();
    EXPECT_FALSE(engine->Eval("var a = 1\nvar b = (\nvar c = 3"));
    ScriptError error = engine->Error();
    EXPECT_EQ(error.number, 5);  // SyntaxError
    EXPECT_EQ(error.source, "SyntaxError");
    EXPECT_FALSE(error.description.empty());
    EXPECT_GE(error.line, 2);
    EXPECT_FALSE(error.text.empty());

    EXPECT_FALSE(engine->Eval("null.x"));
    EXPECT_EQ(engine->Error().source, "TypeError");
    EXPECT_FALSE(engine->Eval("throw 'plain'"));
    EXPECT_EQ(engine->Error().description, "plain");
    EXPECT_NE(engine->Error().number, 0);

    EXPECT_TRUE(engine->Eval("1"));
    EXPECT_EQ(engine->Error().number, 0);
}

TEST(ScriptEngineTest, GlobalsSetWithoutCompiling) {
    auto engine = JavaScriptEngine();
    const TextBuffer hostile = "'); throw 1; ('\\\"\r\n";
    EXPECT_TRUE(engine->SetGlobalText("v", hostile));
    EXPECT_EQ(engine->EvalText("v"), hostile);
    EXPECT_TRUE(engine->SetGlobalJson("j", R"({"__proto__":{"p":1},"a":[1,"x"]})"));
    EXPECT_EQ(
        engine->EvalText("j.a[1] + Object.prototype.hasOwnProperty.call(j, '__proto__') + j.p"),
        "xtrueundefined");
    EXPECT_FALSE(engine->SetGlobalJson("j", "{bad"));
    EXPECT_TRUE(engine->DeleteGlobal("v"));
    EXPECT_EQ(engine->EvalText("typeof v"), "undefined");
}

TEST(ScriptEngineTest, CompiledCodeRunsInOtherEngines) {
    auto compiler = JavaScriptEngine();
    const std::string bytecode = compiler->Compile("function f(x) { return x + 1 } var g = f(1)");
    ASSERT_FALSE(bytecode.empty());
    EXPECT_EQ(compiler->EvalText("typeof f"), "undefined");  // compiling runs nothing
    for (int i = 0; i < 2; ++i) {
        auto engine = JavaScriptEngine();
        EXPECT_TRUE(engine->RunCompiled(bytecode));
        EXPECT_EQ(engine->EvalText("f(g)"), "3");
    }
    EXPECT_TRUE(compiler->Compile("var (").empty());
    EXPECT_EQ(compiler->Error().source, "SyntaxError");
    auto engine = JavaScriptEngine();
    EXPECT_FALSE(engine->RunCompiled(compiler->Compile("throw new RangeError('r')")));
    EXPECT_EQ(engine->Error().source, "RangeError");
}

TEST(ScriptEngineTest, TextListTakesEachElement) {
    auto engine = JavaScriptEngine();
    EXPECT_EQ(engine->EvalTextList("['a,b', 0.5, true, '']"),
              (TextArray{"a,b", "0.5", "true", ""}));
    EXPECT_TRUE(engine->EvalTextList("'not an array'").empty());
    EXPECT_TRUE(engine->EvalTextList("[{ toString: function () { throw 1 } }]").empty());
}

}  // namespace
}  // namespace velmora
