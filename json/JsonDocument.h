#pragma once
// One JSON value, the root, kept in a script engine of the document's own and read and changed by
// path: a member-access expression relative to the root such as "messages[0].content" or
// "choices[0].delta.content". Every operation builds a short script from fixed fragments and the
// engine evaluates it (json/detail/Expressions.h).
//
// Two ways in:
//  - Parse takes script source: for trusted texts of the program only (the request template).
//  - LoadStrictJson takes JSON by its grammar alone and evaluates nothing: for every text from
//    the network. Plain paths of such a root are answered without the engine.
//
// Failures give the empty value of the result's kind (false, "", 0, JsonType::Other, an empty
// array); nothing is thrown. A document is created, used and destroyed on one thread.

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "encoding/TextBuffer.h"
#include "json/JsonType.h"
#include "json/ScriptEngine.h"
#include "json/ScriptError.h"
#include "json/detail/StrictJson.h"

namespace velmora {

class JsonDocument {
public:
    // Where a document gets its engines; nullptr means none can be had.
    using EngineFactory = std::function<std::shared_ptr<ScriptEngine>()>;

    // Creates the document's engine. Without one every operation gives its empty result.
    JsonDocument();
    explicit JsonDocument(EngineFactory createEngine);
    JsonDocument& operator=(const JsonDocument&) = delete;

    // The table of operations, in its fixed order.

    virtual ~JsonDocument();

    // A document sharing this one's engine: changes through either are seen by both.
    virtual std::unique_ptr<JsonDocument> Copy();

    // Takes a fresh engine with the helper script and an empty root; false (the old engine
    // kept) when none can be had.
    virtual bool InitEngine();

    // Loads script source (a JSON text or any script expression) as the new root in a fresh
    // engine: nothing of an earlier root or script state stays. literal: the text is the root
    // variable's initial value rather than the argument of eval. With readError, *error receives
    // the engine's error of the load. True when the root is neither null nor undefined; a text
    // that does not load leaves it null (an empty text: undefined).
    virtual bool Parse(std::string_view text, bool literal = false, ScriptError* error = nullptr,
                       bool readError = false);

    // The root becomes an empty object.
    virtual bool Clear();

    // The root as JSON: no white space, members in the engine's order, strings escaped as the
    // helper's serialiser does. Empty for an undefined root.
    virtual TextBuffer ToText();

    // Text mode stores exactly `value` as a string at path (a missing last member is created; a
    // missing parent fails and changes nothing). JSON mode: value is script source; it is merged
    // into an existing object with get__extend, and replaces anything else.
    virtual bool SetValue(std::string_view path, std::string_view value, bool json = false);

    // The value at path becomes eval(expression).
    virtual bool SetExpression(std::string_view path, std::string_view expression);

    // Qualifies path with the root's name unless it already names a value that way ("" and
    // "da" address the root, "[2]" becomes "da[2]", "x" becomes "da.x"). True when the value at
    // the resulting path is neither null nor undefined.
    virtual bool ResolvePath(TextBuffer& path);

    virtual bool Exists(std::string_view path);

    // Null for null and missing values; Other for a path that cannot be evaluated.
    virtual JsonType GetType(std::string_view path);

    // json: the value serialised. Otherwise its string form: "0.7", "true", "1,a",
    // "[object Object]", a string as stored; empty for null and missing values.
    virtual TextBuffer GetText(std::string_view path, bool json = false);

    // Collections and elements. Indexes count from 0 as the script counts array elements.

    // The names of the object's members that are not functions, in order; none for anything
    // but an object. names is replaced; the result is their number.
    virtual int GetNames(TextArray& names, std::string_view path);

    // An array's length; 0 for anything else.
    virtual int GetCount(std::string_view path);

    // A new document, with an engine of its own, holding a copy of the value at path; its root
    // is undefined when there is no value. Never nullptr.
    virtual std::unique_ptr<JsonDocument> GetDocument(std::string_view path);

    // Appends value (or puts it in front) to the array at path, which first becomes an empty
    // array when it is anything else. Text mode stores exactly the text; JSON mode takes script
    // source. True when the array holds an element afterwards.
    virtual bool AddElement(std::string_view value, std::string_view path, bool json = false,
                            bool atFront = false);

    virtual std::unique_ptr<JsonDocument> GetElementDocument(int index, std::string_view path);

    // json: the element serialised. Otherwise the element's text when it is a string; empty for
    // anything else, numbers included.
    virtual TextBuffer GetElementText(int index, std::string_view path, bool json = false);

    // Element index becomes value (text or script source as for AddElement); an index past the
    // end lengthens the array. True when the assignment ran.
    virtual bool SetElement(int index, std::string_view path, std::string_view value,
                            bool json = false);

    // Removes one element and closes the gap. True when the removal ran (also past the end).
    virtual bool RemoveElement(int index, std::string_view path);

    // Deletes the member at path: true also when there was none, false when the path cannot be
    // evaluated.
    virtual bool Remove(std::string_view path);

    // The value at path becomes the number written with 13 significant digits; false for NaN and
    // infinities, which JSON cannot hold.
    virtual bool SetNumber(std::string_view path, double value);

    // The number at path; other values through the script's ToNumber; 0 when that fails.
    virtual double GetNumber(std::string_view path);

    // The value at path serialised, as GetText with json.
    virtual TextBuffer GetJson(std::string_view path);

    // A further reference to the engine, holding the root; nullptr when there is none.
    virtual std::shared_ptr<ScriptEngine> GetEngine();

    // The strings, numbers and booleans directly under path, in order, and with recursive also
    // those inside nested objects and arrays, depth first; numbers and booleans in their text
    // form. values is replaced, one element per value; the result is their number.
    virtual int GetAllValues(TextArray& values, std::string_view path, bool recursive = false);

    // Reads text as JSON by its grammar alone, nothing evaluated, as the new root; nothing of an
    // earlier root or script state stays visible. Not JSON (or no engine): the root is null and
    // the result false; otherwise true unless the root is null.
    bool LoadStrictJson(std::string_view text);

    const TextBuffer& VarName() const { return varName; }

protected:
    JsonDocument(const JsonDocument&) = default;

private:
    // The engine, ready for script: a root loaded by LoadStrictJson is moved into a fresh engine
    // first. nullptr when the document has none.
    ScriptEngine* Engine();

    // A new document holding the value of a serialisation (empty: undefined).
    std::unique_ptr<JsonDocument> DocumentOf(std::string_view json) const;

    // Evaluates an expression builder's text with the value of text mode reachable as
    // detail::kTextValueName.
    bool EvalWithText(std::string_view value, std::string_view code, bool truth);

    // ResolvePath answered from a strictly loaded root; nullopt when only the engine can answer.
    std::optional<detail::StrictJson::Lookup> ResolveStrict(TextBuffer& path) const;

    TextBuffer varName = "da";
    std::shared_ptr<ScriptEngine> engine;
    EngineFactory createEngine;
    std::optional<detail::StrictJson> strictRoot;  // the root while it is not in the engine
    bool engineTouched = false;                    // anything evaluated since the engine was loaded
};

}  // namespace velmora
