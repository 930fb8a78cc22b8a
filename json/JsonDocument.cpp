#include "json/JsonDocument.h"

#include <cmath>

#include "json/HelperScript.h"
#include "json/detail/Expressions.h"

namespace velmora {

namespace {

using Lookup = detail::StrictJson::Lookup;
using Kind = detail::StrictJson::Kind;

bool HasValue(const Lookup& lookup) {
    return lookup.outcome == Lookup::Outcome::Value && lookup.node->kind != Kind::Null;
}

JsonType TypeOf(const Lookup& lookup) {
    if (lookup.outcome == Lookup::Outcome::Error) return JsonType::Other;
    if (lookup.outcome != Lookup::Outcome::Value) return JsonType::Null;
    switch (lookup.node->kind) {
        case Kind::Null:
            return JsonType::Null;
        case Kind::Boolean:
            return JsonType::Boolean;
        case Kind::Number:
            return JsonType::Number;
        case Kind::String:
            return JsonType::String;
        case Kind::Array:
            return JsonType::Array;
        case Kind::Object:
            return JsonType::Object;
    }
    return JsonType::Other;
}

JsonType TypeOfKindName(std::string_view kindName) {
    static constexpr std::pair<std::string_view, JsonType> kKinds[] = {
        {"[object String]", JsonType::String},   {"[object Array]", JsonType::Array},
        {"[object Object]", JsonType::Object},   {"[object Number]", JsonType::Number},
        {"[object Boolean]", JsonType::Boolean},
    };
    for (auto [name, type] : kKinds) {
        if (kindName == name) return type;
    }
    return JsonType::Other;
}

// The path with the root's name put before it.
TextBuffer Qualified(std::string_view path, std::string_view rootName) {
    if (path.empty()) return TextBuffer(rootName);
    if (path.front() == '[') return ConcatText(rootName, path);
    return ConcatText(rootName, ".", path);
}

}  // namespace

JsonDocument::JsonDocument() : JsonDocument(ScriptEngine::Create) {}

JsonDocument::JsonDocument(EngineFactory createEngine) : createEngine(std::move(createEngine)) {
    InitEngine();
}

JsonDocument::~JsonDocument() = default;

std::unique_ptr<JsonDocument> JsonDocument::Copy() {
    Engine();  // both documents will read the root from the shared engine
    return std::unique_ptr<JsonDocument>(new JsonDocument(*this));
}

bool JsonDocument::InitEngine() {
    std::shared_ptr<ScriptEngine> fresh = createEngine ? createEngine() : nullptr;
    if (!fresh) return false;
    fresh->SetLanguage("JavaScript");
    fresh->AddCode(kBuiltInJsonRemoval);
    // Compiled once per process; every engine runs the same bytecode.
    static const std::string helperBytecode = [] {
        std::shared_ptr<ScriptEngine> compiler = ScriptEngine::Create();
        return compiler && compiler->SetLanguage("JavaScript") ? compiler->Compile(kHelperScript)
                                                               : std::string();
    }();
    if (!fresh->RunCompiled(helperBytecode)) fresh->AddCode(kHelperScript);
    fresh->Eval(detail::Declaration(varName));
    engine = std::move(fresh);
    engineTouched = false;
    return true;
}

ScriptEngine* JsonDocument::Engine() {
    if (!engine) return nullptr;
    if (strictRoot) {
        // The engine may hold state of an earlier root, or be shared with a copy.
        if ((engineTouched || engine.use_count() > 1) && !InitEngine()) return nullptr;
        if (!engine->SetGlobalTree(varName, *strictRoot)) {
            engine->Eval(detail::NullRoot(varName));
        }
        strictRoot.reset();
    }
    engineTouched = true;
    return engine.get();
}

bool JsonDocument::Parse(std::string_view text, bool literal, ScriptError* error, bool readError) {
    strictRoot.reset();
    if (!engine) return false;
    // An engine nothing has run in since it was loaded is already fresh.
    if ((engineTouched || engine.use_count() > 1) && !InitEngine()) {
        engine.reset();
        return false;
    }
    ScriptEngine* script = Engine();
    script->Eval(detail::NullRoot(varName));
    script->AddCode(literal ? detail::LoadLiteral(varName, text)
                            : detail::LoadEvaluated(varName, text));
    if (readError && error) *error = script->Error();
    return script->EvalTruth(detail::NotNull(varName));
}

bool JsonDocument::LoadStrictJson(std::string_view text) {
    if (!engine) return false;
    std::optional<detail::StrictJson> parsed = detail::StrictJson::Parse(text);
    const bool loaded = parsed.has_value();
    strictRoot = loaded ? std::move(parsed) : detail::StrictJson::Parse("null");
    return loaded && strictRoot->Find(varName, varName).node->kind != Kind::Null;
}

bool JsonDocument::Clear() {
    ScriptEngine* script = Engine();
    return script && script->Eval(detail::EmptyRoot(varName));
}

TextBuffer JsonDocument::ToText() {
    ScriptEngine* script = Engine();
    return script ? script->EvalText(detail::Serialise(varName)) : TextBuffer();
}

bool JsonDocument::SetValue(std::string_view path, std::string_view value, bool json) {
    TextBuffer resolved(path);
    const bool found = ResolvePath(resolved);
    ScriptEngine* script = Engine();
    if (!script) return false;
    if (!json) return EvalWithText(value, detail::Assign(resolved, detail::kTextValueName), false);
    if (found && script->EvalText(detail::KindName(resolved)) == "[object Object]") {
        return script->Eval(detail::Merge(resolved, value.empty() ? "{}" : value));
    }
    return script->Eval(detail::AssignEvaluated(resolved, value));
}

bool JsonDocument::SetExpression(std::string_view path, std::string_view expression) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    return script && script->Eval(detail::AssignEvaluated(resolved, expression));
}

std::optional<Lookup> JsonDocument::ResolveStrict(TextBuffer& path) const {
    if (StartsWith(path, varName)) {
        Lookup asGiven = strictRoot->Find(path, varName);
        if (asGiven.outcome == Lookup::Outcome::Unknown) return std::nullopt;
        if (HasValue(asGiven)) return asGiven;
    }
    TextBuffer qualified = Qualified(path, varName);
    Lookup lookup = strictRoot->Find(qualified, varName);
    if (lookup.outcome == Lookup::Outcome::Unknown) return std::nullopt;
    path = std::move(qualified);
    return lookup;
}

bool JsonDocument::ResolvePath(TextBuffer& path) {
    if (strictRoot) {
        if (auto lookup = ResolveStrict(path)) return HasValue(*lookup);
    }
    ScriptEngine* script = Engine();
    if (script && StartsWith(path, varName) && script->EvalTruth(detail::NotNull(path))) {
        return true;
    }
    path = Qualified(path, varName);
    return script && script->EvalTruth(detail::NotNull(path));
}

bool JsonDocument::Exists(std::string_view path) {
    TextBuffer resolved(path);
    return ResolvePath(resolved);
}

JsonType JsonDocument::GetType(std::string_view path) {
    TextBuffer resolved(path);
    if (strictRoot) {
        if (auto lookup = ResolveStrict(resolved)) return TypeOf(*lookup);
    }
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    if (!script) return JsonType::Other;
    if (script->EvalTruth(detail::IsNull(resolved))) return JsonType::Null;
    return TypeOfKindName(script->EvalText(detail::KindName(resolved)));
}

TextBuffer JsonDocument::GetText(std::string_view path, bool json) {
    TextBuffer resolved(path);
    if (strictRoot && !json) {
        if (auto lookup = ResolveStrict(resolved)) {
            if (lookup->outcome != Lookup::Outcome::Value) return {};
            return strictRoot->ToScriptText(*lookup->node).value_or(TextBuffer());
        }
    }
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    if (!script) return {};
    return script->EvalText(json ? detail::Serialise(resolved) : detail::StringForm(resolved));
}

bool JsonDocument::EvalWithText(std::string_view value, std::string_view code, bool truth) {
    ScriptEngine* script = Engine();
    if (!script || !script->SetGlobalText(detail::kTextValueName, value)) return false;
    const bool result = truth ? script->EvalTruth(code) : script->Eval(code);
    script->DeleteGlobal(detail::kTextValueName);
    return result;
}

std::unique_ptr<JsonDocument> JsonDocument::DocumentOf(std::string_view json) const {
    auto document = std::make_unique<JsonDocument>(createEngine);
    // The text is this engine's own serialisation: valid JSON, so the strict reader takes it,
    // and faster than a script load.
    if (json.empty()) {
        document->Parse("");
    } else {
        document->LoadStrictJson(json);
    }
    return document;
}

int JsonDocument::GetNames(TextArray& names, std::string_view path) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    names =
        script ? SplitText(script->EvalText(detail::MemberNames(resolved)), "\r\n") : TextArray();
    return static_cast<int>(names.size());
}

int JsonDocument::GetCount(std::string_view path) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    return script ? RealToInt(script->EvalReal(detail::ElementCount(resolved))) : 0;
}

std::unique_ptr<JsonDocument> JsonDocument::GetDocument(std::string_view path) {
    return DocumentOf(GetJson(path));
}

bool JsonDocument::AddElement(std::string_view value, std::string_view path, bool json,
                              bool atFront) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    if (!json) {
        return EvalWithText(value, detail::AddElement(resolved, detail::kTextValueName, atFront),
                            true);
    }
    ScriptEngine* script = Engine();
    return script && script->EvalTruth(detail::AddElement(resolved, value, atFront));
}

std::unique_ptr<JsonDocument> JsonDocument::GetElementDocument(int index, std::string_view path) {
    return DocumentOf(GetElementText(index, path, true));
}

TextBuffer JsonDocument::GetElementText(int index, std::string_view path, bool json) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    if (!script) return {};
    return script->EvalText(json ? detail::Serialise(detail::Element(resolved, index))
                                 : detail::ElementString(resolved, index));
}

bool JsonDocument::SetElement(int index, std::string_view path, std::string_view value, bool json) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    const TextBuffer element = detail::Element(resolved, index);
    if (!json) return EvalWithText(value, detail::Assign(element, detail::kTextValueName), false);
    ScriptEngine* script = Engine();
    return script && script->Eval(detail::Assign(element, value));
}

bool JsonDocument::RemoveElement(int index, std::string_view path) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    return script && script->Eval(detail::RemoveElement(resolved, index));
}

bool JsonDocument::Remove(std::string_view path) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    return script && script->EvalTruth(detail::Delete(resolved));
}

bool JsonDocument::SetNumber(std::string_view path, double value) {
    if (!std::isfinite(value)) return false;
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    return script && script->Eval(detail::Assign(resolved, RealToText(value)));
}

double JsonDocument::GetNumber(std::string_view path) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    return script ? script->EvalReal(resolved) : 0;
}

TextBuffer JsonDocument::GetJson(std::string_view path) {
    return GetText(path, true);
}

std::shared_ptr<ScriptEngine> JsonDocument::GetEngine() {
    Engine();  // the holder will look for the root in the engine
    return engine;
}

int JsonDocument::GetAllValues(TextArray& values, std::string_view path, bool recursive) {
    TextBuffer resolved(path);
    ResolvePath(resolved);
    ScriptEngine* script = Engine();
    values.clear();
    if (script && script->Eval(detail::NewValueList())) {
        values = script->EvalTextList(detail::CollectValues(resolved, recursive));
    }
    return static_cast<int>(values.size());
}

}  // namespace velmora
