#pragma once
// The embedded JavaScript engine (Duktape) in which a JsonDocument keeps its root.
//
// One instance is one independent global environment. Every call is protected: a script error,
// a failed conversion or an engine error becomes the empty value of the kind asked for and is
// kept for Error(); nothing is thrown and no longjmp leaves this class. Texts go in and come out
// in the program's code page (GB18030) and are converted to and from the engine's own strings
// here, so every character survives both ways; a returned text ends at its first U+0000.
//
// An instance is used by one thread at a time; it holds no callbacks. Share it through
// std::shared_ptr: the engine is released with its last holder.

#include <memory>
#include <string>
#include <string_view>

#include "encoding/TextBuffer.h"
#include "json/ScriptError.h"
#include "json/detail/StrictJson.h"

struct duk_hthread;

namespace velmora {

namespace detail {
struct DuktapeHeapDeleter {
    void operator()(duk_hthread* heap) const;
};
using DuktapeHeap = std::unique_ptr<duk_hthread, DuktapeHeapDeleter>;
}  // namespace detail

class ScriptEngine {
public:
    // A new engine; nullptr when the engine cannot be had.
    static std::shared_ptr<ScriptEngine> Create();

    explicit ScriptEngine(detail::DuktapeHeap heap);

    // Only "JavaScript" is known. Code runs only once the language is set.
    bool SetLanguage(std::string_view language);

    // Runs statements in the global scope; what they declare stays. False on any error.
    bool AddCode(std::string_view code);

    // Evaluate code (an expression or a list of statements) in the global scope and take the
    // value of the last expression evaluated:
    //   Eval      - not read; true when the evaluation succeeded
    //   EvalText  - its string form; undefined and null give the empty text
    //   EvalReal  - a number unchanged, anything else through ToNumber; NaN from a conversion is 0
    //   EvalTruth - ToBoolean of the value
    //   EvalTextList - the string forms of the elements of an array value, one text each
    bool Eval(std::string_view code);
    TextBuffer EvalText(std::string_view code);
    double EvalReal(std::string_view code);
    bool EvalTruth(std::string_view code);
    TextArray EvalTextList(std::string_view code);

    // Compiling once and running the result in many engines saves the compiler's time, which is
    // most of what loading the helper script costs. Compile gives the engine's bytecode of
    // statements (empty on failure); RunCompiled runs such bytecode in the global scope as
    // AddCode would. Only bytecode from Compile may be run: the engine does not check it.
    std::string Compile(std::string_view code);
    bool RunCompiled(std::string_view bytecode);

    // Global variables set without compiling anything: a string with exactly the given text, or
    // the value of a JSON text read by the engine's own JSON reader (nothing is evaluated).
    bool SetGlobalText(std::string_view name, std::string_view text);
    bool SetGlobalJson(std::string_view name, std::string_view json);
    // The value of a tree the strict JSON reader made, built value by value: numbers exactly as
    // the tree holds them (the engine's own reader rounds some long ones differently).
    bool SetGlobalTree(std::string_view name, const detail::StrictJson& tree);
    bool DeleteGlobal(std::string_view name);

    // The error of the last call that failed since the last call began; number 0 when none.
    const ScriptError& Error() const { return error; }

private:
    bool Run(std::string_view code);
    void CaptureError(std::string_view code);
    bool SetGlobal(std::string_view name, std::string_view text, bool decodeJson);

    detail::DuktapeHeap heap;
    bool languageSet = false;
    ScriptError error;
};

}  // namespace velmora
