#include "json/ScriptEngine.h"

#include <duktape.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "encoding/Utf8Text.h"

namespace velmora {

void detail::DuktapeHeapDeleter::operator()(duk_hthread* heap) const {
    duk_destroy_heap(heap);
}

namespace {

// Runs fn(ctx) inside duk_safe_call, so an engine error unwinds to here and never further. fn
// must hold no object with a destructor: Duktape unwinds with longjmp. fn shares the caller's
// value stack frame: it finds its nargs arguments at the top, not at index 0.
template <typename Fn>
bool Protected(duk_context* ctx, duk_idx_t nargs, duk_idx_t nrets, Fn fn) {
    auto trampoline = [](duk_context* c, void* udata) -> duk_ret_t {
        return (*static_cast<Fn*>(udata))(c);
    };
    return duk_safe_call(ctx, trampoline, &fn, nargs, nrets) == DUK_EXEC_SUCCESS;
}

// Duktape keeps characters beyond U+FFFF that came from script escapes as two CESU-8 surrogates;
// join such pairs into UTF-8 and make a lone surrogate U+FFFD.
std::string CesuToUtf8(std::string_view s) {
    auto surrogateAt = [&](std::size_t i, unsigned char low, unsigned char high) {
        return i + 2 < s.size() && static_cast<unsigned char>(s[i]) == 0xED &&
               static_cast<unsigned char>(s[i + 1]) >= low &&
               static_cast<unsigned char>(s[i + 1]) <= high;
    };
    if (s.find('\xED') == std::string_view::npos) return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (!surrogateAt(i, 0xA0, 0xBF)) {
            out += s[i++];
            continue;
        }
        if (surrogateAt(i, 0xA0, 0xAF) && surrogateAt(i + 3, 0xB0, 0xBF)) {
            auto bits = [&](std::size_t j) {
                return ((static_cast<unsigned>(s[j + 1]) & 0x0F) << 6) |
                       (static_cast<unsigned>(s[j + 2]) & 0x3F);
            };
            unsigned cp = 0x10000 + (bits(i) << 10) + bits(i + 3);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            i += 6;
        } else {
            out += "\xEF\xBF\xBD";
            i += 3;
        }
    }
    return out;
}

// The string at the stack top as program text.
TextBuffer TopText(duk_context* ctx) {
    duk_size_t length = 0;
    const char* bytes = duk_get_lstring(ctx, -1, &length);
    return bytes ? Utf8ToText(CesuToUtf8({bytes, length})) : TextBuffer();
}

}  // namespace

std::shared_ptr<ScriptEngine> ScriptEngine::Create() {
    detail::DuktapeHeap heap(duk_create_heap_default());
    if (!heap) return nullptr;
    return std::make_shared<ScriptEngine>(std::move(heap));
}

ScriptEngine::ScriptEngine(detail::DuktapeHeap heap) : heap(std::move(heap)) {}

bool ScriptEngine::SetLanguage(std::string_view language) {
    languageSet = language == "JavaScript";
    return languageSet;
}

bool ScriptEngine::Run(std::string_view code) {
    error = {};
    if (!languageSet) {
        error.number = DUK_ERR_ERROR;
        error.source = "Error";
        error.description = "no script language set";
        return false;
    }
    const std::string utf8 = TextToUtf8(code);
    if (duk_peval_lstring(heap.get(), utf8.data(), utf8.size()) != 0) {
        CaptureError(code);
        duk_pop(heap.get());
        return false;
    }
    return true;
}

void ScriptEngine::CaptureError(std::string_view code) {
    duk_context* ctx = heap.get();
    error.number = duk_get_error_code(ctx, -1);
    duk_dup_top(ctx);
    // Reading name, message and line may run script (getters, toString): keep it protected.
    if (!Protected(ctx, 1, 3, [](duk_context* c) -> duk_ret_t {
            const duk_idx_t thrown = duk_normalize_index(c, -1);
            if (duk_is_object(c, thrown)) {
                duk_get_prop_string(c, thrown, "name");
                duk_get_prop_string(c, thrown, "message");
                duk_get_prop_string(c, thrown, "lineNumber");
            } else {
                duk_push_string(c, "");
                duk_dup(c, thrown);
                duk_push_int(c, 0);
            }
            duk_to_string(c, thrown + 1);
            duk_to_string(c, thrown + 2);
            duk_to_number(c, thrown + 3);
            return 3;
        })) {
        duk_pop_3(ctx);
        error.description = "unreadable script error";
        return;
    }
    error.line = RealToInt(duk_get_number(ctx, -1));
    duk_pop(ctx);
    error.description = TopText(ctx);
    duk_pop(ctx);
    error.source = TopText(ctx);
    duk_pop(ctx);
    if (error.number == 0) error.number = DUK_ERR_ERROR;  // a thrown value that is no Error
    if (error.line > 0) {
        TextArray lines = SplitText(code, "\n");
        if (error.line <= static_cast<int>(lines.size())) error.text = lines[error.line - 1];
    }
}

bool ScriptEngine::AddCode(std::string_view code) {
    return Eval(code);
}

bool ScriptEngine::Eval(std::string_view code) {
    if (!Run(code)) return false;
    duk_pop(heap.get());
    return true;
}

TextBuffer ScriptEngine::EvalText(std::string_view code) {
    if (!Run(code)) return {};
    duk_context* ctx = heap.get();
    if (duk_is_null_or_undefined(ctx, -1)) {
        duk_pop(ctx);
        return {};
    }
    if (!Protected(ctx, 1, 1, [](duk_context* c) -> duk_ret_t {
            duk_to_string(c, -1);
            return 1;
        })) {
        CaptureError(code);
        duk_pop(ctx);
        return {};
    }
    TextBuffer text = TopText(ctx);
    duk_pop(ctx);
    return text;
}

double ScriptEngine::EvalReal(std::string_view code) {
    if (!Run(code)) return 0;
    duk_context* ctx = heap.get();
    if (duk_is_number(ctx, -1)) {
        double value = duk_get_number(ctx, -1);
        duk_pop(ctx);
        return value;
    }
    if (!Protected(ctx, 1, 1, [](duk_context* c) -> duk_ret_t {
            duk_to_number(c, -1);
            return 1;
        })) {
        CaptureError(code);
        duk_pop(ctx);
        return 0;
    }
    double value = duk_get_number(ctx, -1);
    duk_pop(ctx);
    return std::isnan(value) ? 0 : value;
}

bool ScriptEngine::EvalTruth(std::string_view code) {
    if (!Run(code)) return false;
    bool truth = duk_to_boolean(heap.get(), -1);  // ToBoolean runs no script and cannot fail
    duk_pop(heap.get());
    return truth;
}

TextArray ScriptEngine::EvalTextList(std::string_view code) {
    if (!Run(code)) return {};
    duk_context* ctx = heap.get();
    // Copy the string forms into an array of our own, whose plain elements read back safely.
    if (!Protected(ctx, 1, 1, [](duk_context* c) -> duk_ret_t {
            const duk_idx_t value = duk_normalize_index(c, -1);
            if (!duk_is_array(c, value)) return DUK_RET_TYPE_ERROR;
            const duk_size_t length = duk_get_length(c, value);
            const duk_idx_t texts = duk_push_array(c);
            for (duk_size_t i = 0; i < length; ++i) {
                duk_get_prop_index(c, value, static_cast<duk_uarridx_t>(i));
                duk_to_string(c, -1);
                duk_put_prop_index(c, texts, static_cast<duk_uarridx_t>(i));
            }
            return 1;
        })) {
        CaptureError(code);
        duk_pop(ctx);
        return {};
    }
    TextArray texts(duk_get_length(ctx, -1));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(i));
        texts[i] = TopText(ctx);
        duk_pop(ctx);
    }
    duk_pop(ctx);
    return texts;
}

std::string ScriptEngine::Compile(std::string_view code) {
    error = {};
    if (!languageSet) return {};
    const std::string utf8 = TextToUtf8(code);
    duk_context* ctx = heap.get();
    duk_push_lstring(ctx, utf8.data(), utf8.size());
    if (!Protected(ctx, 1, 1, [](duk_context* c) -> duk_ret_t {
            duk_push_string(c, "code");
            duk_compile(c, 0);
            duk_dump_function(c);
            return 1;
        })) {
        CaptureError(code);
        duk_pop(ctx);
        return {};
    }
    duk_size_t size = 0;
    const void* bytes = duk_get_buffer_data(ctx, -1, &size);
    std::string bytecode(static_cast<const char*>(bytes), size);
    duk_pop(ctx);
    return bytecode;
}

bool ScriptEngine::RunCompiled(std::string_view bytecode) {
    error = {};
    if (!languageSet || bytecode.empty()) return false;
    duk_context* ctx = heap.get();
    void* buffer = duk_push_fixed_buffer(ctx, bytecode.size());
    std::copy(bytecode.begin(), bytecode.end(), static_cast<char*>(buffer));
    const bool done = Protected(ctx, 1, 1, [](duk_context* c) -> duk_ret_t {
        duk_load_function(c);
        duk_call(c, 0);
        return 1;
    });
    if (!done) CaptureError({});
    duk_pop(ctx);
    return done;
}

bool ScriptEngine::SetGlobal(std::string_view name, std::string_view text, bool decodeJson) {
    error = {};
    const std::string utf8Name = TextToUtf8(name), utf8 = TextToUtf8(text);
    duk_context* ctx = heap.get();
    duk_push_lstring(ctx, utf8.data(), utf8.size());
    bool done = Protected(ctx, 1, 1, [&](duk_context* c) -> duk_ret_t {
        if (decodeJson) duk_json_decode(c, -1);
        duk_put_global_lstring(c, utf8Name.data(), utf8Name.size());
        return 0;
    });
    if (!done) CaptureError(text);
    duk_pop(ctx);
    return done;
}

bool ScriptEngine::SetGlobalText(std::string_view name, std::string_view text) {
    return SetGlobal(name, text, false);
}

bool ScriptEngine::SetGlobalJson(std::string_view name, std::string_view json) {
    return SetGlobal(name, json, true);
}

namespace {

// Pushes the value of node onto the stack. Runs inside a protected call.
void PushTree(duk_context* c, const detail::StrictJson& tree,
              const detail::StrictJson::Node& node) {
    using Kind = detail::StrictJson::Kind;
    duk_require_stack(c, 4);
    switch (node.kind) {
        case Kind::Null:
            duk_push_null(c);
            return;
        case Kind::Boolean:
            duk_push_boolean(c, node.boolean);
            return;
        case Kind::Number:
            duk_push_number(c, node.number);
            return;
        case Kind::String: {
            const std::string utf8 = TextToUtf8(node.text);
            duk_push_lstring(c, utf8.data(), utf8.size());
            return;
        }
        case Kind::Array: {
            duk_idx_t array = duk_push_array(c);
            duk_uarridx_t index = 0;
            for (std::int32_t child = node.firstChild; child >= 0;
                 child = tree.At(child).nextSibling) {
                PushTree(c, tree, tree.At(child));
                duk_put_prop_index(c, array, index++);
            }
            return;
        }
        case Kind::Object: {
            duk_idx_t object = duk_push_object(c);
            for (std::int32_t child = node.firstChild; child >= 0;
                 child = tree.At(child).nextSibling) {
                const detail::StrictJson::Node& member = tree.At(child);
                const std::string utf8Name = TextToUtf8(member.name);
                duk_push_lstring(c, utf8Name.data(), utf8Name.size());
                PushTree(c, tree, member);
                // Defined, not assigned: a member named "__proto__" is an own member, as JSON
                // readers make it, and never the object's prototype.
                duk_def_prop(c, object,
                             DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WRITABLE |
                                 DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_SET_CONFIGURABLE);
            }
            return;
        }
    }
}

}  // namespace

bool ScriptEngine::SetGlobalTree(std::string_view name, const detail::StrictJson& tree) {
    error = {};
    const std::string utf8Name = TextToUtf8(name);
    duk_context* ctx = heap.get();
    bool done = Protected(ctx, 0, 1, [&](duk_context* c) -> duk_ret_t {
        PushTree(c, tree, tree.Root());
        duk_put_global_lstring(c, utf8Name.data(), utf8Name.size());
        return 0;
    });
    if (!done) CaptureError(name);
    duk_pop(ctx);
    return done;
}

bool ScriptEngine::DeleteGlobal(std::string_view name) {
    error = {};
    const std::string utf8Name = TextToUtf8(name);
    duk_context* ctx = heap.get();
    bool done = Protected(ctx, 0, 1, [&](duk_context* c) -> duk_ret_t {
        duk_push_global_object(c);
        duk_del_prop_lstring(c, -1, utf8Name.data(), utf8Name.size());
        return 0;
    });
    if (!done) CaptureError(name);
    duk_pop(ctx);
    return done;
}

}  // namespace velmora
