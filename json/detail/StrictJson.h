#pragma once
// A JSON text read by the JSON grammar alone (RFC 8259), nothing evaluated, kept as a small tree
// that answers plain member and index paths the way the script engine would. A document keeps
// one of these after JsonDocument::LoadStrictJson until an operation needs the engine; reading a
// stream event's delta this way costs no compilation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/TextBuffer.h"

namespace velmora::detail {

// JavaScript's Number::toString: the shortest text that reads back as the same double ("0.7",
// "800", "1e+21", "1.5e-7", "NaN", "-Infinity").
std::string NumberToScriptText(double value);

class StrictJson {
public:
    enum class Kind : std::uint8_t { Null, Boolean, Number, String, Array, Object };
    struct Node {
        Kind kind = Kind::Null;
        bool boolean = false;
        double number = 0;
        std::string text;  // a string's GB18030 bytes (U+0000 kept as a zero byte)
        std::string name;  // the member name when the parent is an object
        std::int32_t firstChild = -1;
        std::int32_t nextSibling = -1;
    };

    // Deeper nesting than this is refused, so reading, and later the engine's own reader, stay
    // within bounded stacks.
    static constexpr int kMaxDepth = 512;

    // The tree of a GB18030 JSON text; nullopt for anything that is not exactly one JSON value
    // with optional white space around it.
    static std::optional<StrictJson> Parse(std::string_view text);

    // The text the tree was read from.
    const TextBuffer& Source() const { return source; }

    // The root, and any node by its index (firstChild, nextSibling).
    const Node& Root() const { return nodes[0]; }
    const Node& At(std::int32_t index) const { return nodes[index]; }

    // What evaluating a path would give, for paths made of identifiers, ".name" and "[index]"
    // only, starting with the variable that holds the root.
    struct Lookup {
        enum class Outcome {
            Value,      // node is the value
            Undefined,  // a missing member or element
            Error,      // the evaluation would fail (a member of null, an unknown variable)
            Unknown,    // not answerable here: ask the engine
        } outcome;
        const Node* node = nullptr;
    };
    Lookup Find(std::string_view path, std::string_view rootName) const;

    // The value's String() form: strings as they are, numbers by NumberToScriptText, arrays as
    // their elements' forms joined by commas (null elements empty), objects "[object Object]".
    // Null gives nullopt (its toString fails). A U+0000 ends the text.
    std::optional<TextBuffer> ToScriptText(const Node& node) const;

private:
    class Reader;
    void AppendScriptText(const Node& node, std::string& out) const;

    std::vector<Node> nodes;  // nodes[0] is the root
    TextBuffer source;
};

}  // namespace velmora::detail
