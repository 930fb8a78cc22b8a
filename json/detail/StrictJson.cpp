#include "json/detail/StrictJson.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "encoding/Utf8Text.h"

namespace velmora::detail {

std::string NumberToScriptText(double value) {
    if (std::isnan(value)) return "NaN";
    if (value == 0) return "0";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    std::string out;
    if (value < 0) {
        out = "-";
        value = -value;
    }
    // Shortest round-trip digits d.ddde±x, laid out by the script's rules.
    std::array<char, 40> buffer{};
    auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                             std::chars_format::scientific)
                   .ptr;
    std::string_view scientific(buffer.data(), end - buffer.data());
    const std::size_t e = scientific.find('e');
    std::string digits(1, scientific[0]);
    if (e > 1) digits += scientific.substr(2, e - 2);
    const int k = static_cast<int>(digits.size());
    const int n = std::atoi(std::string(scientific.substr(e + 1)).c_str()) + 1;
    if (k <= n && n <= 21) {
        out += digits + std::string(n - k, '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, n) + "." + digits.substr(n);
    } else if (-6 < n && n <= 0) {
        out += "0." + std::string(-n, '0') + digits;
    } else {
        out += digits[0];
        if (k > 1) out += "." + digits.substr(1);
        out += n - 1 >= 0 ? "e+" : "e-";
        out += std::to_string(std::abs(n - 1));
    }
    return out;
}

namespace {

constexpr int kIndexedMembers = 16;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendCodePoint(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);  // U+0000 too: a string may hold it
        return;
    }
    std::string utf8;
    if (cp < 0x800) {
        utf8 += static_cast<char>(0xC0 | (cp >> 6));
    } else {
        if (cp < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (cp >> 12));
        } else {
            utf8 += static_cast<char>(0xF0 | (cp >> 18));
            utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        }
        utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    out += Utf8ToText(utf8);
}

}  // namespace

class StrictJson::Reader {
public:
    Reader(std::string_view text, std::vector<Node>& nodes) : text(text), nodes(nodes) {}

    bool ReadDocument() {
        SkipSpace();
        if (ReadValue(0) < 0) return false;
        SkipSpace();
        return pos == text.size();
    }

private:
    void SkipSpace() {
        while (pos < text.size() && IsSpace(text[pos])) ++pos;
    }
    bool Next(char c) {
        SkipSpace();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }

    // Index of the new node, or -1.
    std::int32_t ReadValue(int depth) {
        if (depth > kMaxDepth) return -1;
        SkipSpace();
        if (pos >= text.size()) return -1;
        const auto index = static_cast<std::int32_t>(nodes.size());
        nodes.emplace_back();
        switch (text[pos]) {
            case '{':
                return ReadObject(index, depth) ? index : -1;
            case '[':
                return ReadArray(index, depth) ? index : -1;
            case '"': {
                nodes[index].kind = Kind::String;
                std::string value;
                if (!ReadString(value)) return -1;
                nodes[index].text = std::move(value);
                return index;
            }
            case 't':
                nodes[index].kind = Kind::Boolean;
                nodes[index].boolean = true;
                return ReadWord("true") ? index : -1;
            case 'f':
                nodes[index].kind = Kind::Boolean;
                return ReadWord("false") ? index : -1;
            case 'n':
                return ReadWord("null") ? index : -1;
            default:
                nodes[index].kind = Kind::Number;
                return ReadNumber(nodes[index].number) ? index : -1;
        }
    }

    bool ReadWord(std::string_view word) {
        if (text.substr(pos, word.size()) != word) return false;
        pos += word.size();
        return true;
    }

    bool ReadNumber(double& out) {
        const std::size_t start = pos;
        auto digits = [&] {
            const std::size_t from = pos;
            while (pos < text.size() && IsDigit(text[pos])) ++pos;
            return pos > from;
        };
        if (pos < text.size() && text[pos] == '-') ++pos;
        if (pos < text.size() && text[pos] == '0') {
            ++pos;
        } else if (!digits()) {
            return false;
        }
        if (pos < text.size() && text[pos] == '.' && (++pos, !digits())) return false;
        if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
            ++pos;
            if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
            if (!digits()) return false;
        }
        const char* first = text.data() + start;
        const char* last = text.data() + pos;
        if (std::from_chars(first, last, out).ec != std::errc()) {
            out = std::strtod(std::string(first, last).c_str(), nullptr);  // overflow: ±HUGE_VAL
        }
        return true;
    }

    bool ReadHex4(unsigned& unit) {
        if (pos + 4 > text.size()) return false;
        auto [end, ec] = std::from_chars(text.data() + pos, text.data() + pos + 4, unit, 16);
        if (ec != std::errc() || end != text.data() + pos + 4) return false;
        pos += 4;
        return true;
    }

    bool ReadEscape(std::string& out) {
        if (++pos >= text.size()) return false;
        const char c = text[pos++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                break;
            default:
                return false;
        }
        unsigned unit = 0;
        if (!ReadHex4(unit)) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && text.substr(pos, 2) == "\\u") {
            const std::size_t back = pos;
            pos += 2;
            unsigned low = 0;
            if (ReadHex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
                AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            pos = back;  // not a pair: the next escape stands on its own
        }
        AppendCodePoint(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        return true;
    }

    // A string at pos; GB18030 characters are taken whole, so a trail byte that equals '"' or
    // '\' ends nothing.
    bool ReadString(std::string& out) {
        ++pos;
        while (pos < text.size()) {
            const std::size_t run = pos;
            while (pos < text.size()) {
                const auto c = static_cast<unsigned char>(text[pos]);
                if (c == '"' || c == '\\' || c < 0x20) break;
                const bool pair = c >= 0x80 && pos + 1 < text.size() &&
                                  static_cast<unsigned char>(text[pos + 1]) >= 0x30;
                pos += pair ? 2 : 1;
            }
            out.append(text.substr(run, pos - run));
            if (pos >= text.size() || static_cast<unsigned char>(text[pos]) < 0x20) return false;
            if (text[pos] == '"') {
                ++pos;
                return true;
            }
            if (!ReadEscape(out)) return false;
        }
        return false;
    }

    void Link(std::int32_t parent, std::int32_t& last, std::int32_t child) {
        if (last < 0) {
            nodes[parent].firstChild = child;
        } else {
            nodes[last].nextSibling = child;
        }
        last = child;
    }

    bool ReadArray(std::int32_t index, int depth) {
        nodes[index].kind = Kind::Array;
        ++pos;
        if (Next(']')) return true;
        std::int32_t last = -1;
        do {
            const std::int32_t child = ReadValue(depth + 1);
            if (child < 0) return false;
            Link(index, last, child);
        } while (Next(','));
        return Next(']');
    }

    // A repeated name keeps its first place and takes the last value, as a script object literal
    // does.
    bool ReadObject(std::int32_t index, int depth) {
        nodes[index].kind = Kind::Object;
        ++pos;
        if (Next('}')) return true;
        std::int32_t last = -1;
        int count = 0;
        // Small objects are searched along their chain; a large one gets an index, so a hostile
        // text with many members stays linear.
        std::unordered_map<std::string, std::int32_t> byName;  // owns its keys: nodes move
        auto findMember = [&](std::string_view name) -> std::int32_t {
            if (!byName.empty()) {
                auto it = byName.find(std::string(name));
                return it == byName.end() ? -1 : it->second;
            }
            for (std::int32_t c = nodes[index].firstChild; c >= 0; c = nodes[c].nextSibling) {
                if (nodes[c].name == name) return c;
            }
            return -1;
        };
        do {
            std::string name;
            SkipSpace();
            if (pos >= text.size() || text[pos] != '"' || !ReadString(name) || !Next(':')) {
                return false;
            }
            const std::int32_t child = ReadValue(depth + 1);
            if (child < 0) return false;
            const std::int32_t existing = findMember(name);
            if (existing < 0) {
                nodes[child].name = std::move(name);
                Link(index, last, child);
                if (++count == kIndexedMembers) {
                    for (std::int32_t c = nodes[index].firstChild; c >= 0;
                         c = nodes[c].nextSibling) {
                        byName.emplace(nodes[c].name, c);
                    }
                } else if (count > kIndexedMembers) {
                    byName.emplace(nodes[child].name, child);
                }
            } else {
                Node& kept = nodes[existing];
                Node& fresh = nodes[child];
                kept.kind = fresh.kind;
                kept.boolean = fresh.boolean;
                kept.number = fresh.number;
                kept.text = std::move(fresh.text);
                kept.firstChild = fresh.firstChild;
            }
        } while (Next(','));
        return Next('}');
    }

    std::string_view text;
    std::size_t pos = 0;
    std::vector<Node>& nodes;
};

std::optional<StrictJson> StrictJson::Parse(std::string_view text) {
    StrictJson json;
    json.nodes.reserve(text.size() / 8 + 1);
    if (!Reader(text, json.nodes).ReadDocument()) return std::nullopt;
    json.source = TextBuffer(text);
    return json;
}

namespace {

// Names every object inherits from Object.prototype in the document engine: a missing own
// member of one of these names is not undefined there.
bool IsInheritedName(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "constructor",      "toString",         "toLocaleString",       "valueOf",
        "hasOwnProperty",   "isPrototypeOf",    "propertyIsEnumerable", "__defineGetter__",
        "__defineSetter__", "__lookupGetter__", "__lookupSetter__",     "__proto__",
        "toJSONString",     "parseJSON"};
    for (std::string_view known : kNames) {
        if (name == known) return true;
    }
    return false;
}

bool IsIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
bool IsIdentifierPart(char c) {
    return IsIdentifierStart(c) || IsDigit(c);
}

// One step of a plain path: ".name" / the leading identifier, or "[digits]".
struct Step {
    std::string_view name;
    bool isIndex = false;
    int index = 0;
};

// Splits off the next step at pos; false when the path is not plain.
bool NextStep(std::string_view path, std::size_t& pos, bool first, Step& step) {
    if (!first && pos < path.size() && path[pos] == '[') {
        const std::size_t start = ++pos;
        while (pos < path.size() && IsDigit(path[pos])) ++pos;
        const std::size_t length = pos - start;
        if (pos >= path.size() || path[pos] != ']' || length == 0 || length > 9 ||
            (length > 1 && path[start] == '0')) {
            return false;  // "[01]" is an octal literal to the script: not plain
        }
        step = {path.substr(start, length), true,
                std::atoi(std::string(path.substr(start, length)).c_str())};
        ++pos;
        return true;
    }
    if (!first && (pos >= path.size() || path[pos++] != '.')) return false;
    const std::size_t start = pos;
    if (pos >= path.size() || !IsIdentifierStart(path[pos])) return false;
    while (pos < path.size() && IsIdentifierPart(path[pos])) ++pos;
    step = {path.substr(start, pos - start)};
    return true;
}

}  // namespace

StrictJson::Lookup StrictJson::Find(std::string_view path, std::string_view rootName) const {
    using Outcome = Lookup::Outcome;
    // The whole path must be plain before any step is answered: "da.x = 1" is no lookup.
    Step step;
    std::size_t pos = 0;
    for (bool first = true; pos < path.size() || first; first = false) {
        if (!NextStep(path, pos, first, step)) return {Outcome::Unknown};
    }
    pos = 0;
    NextStep(path, pos, true, step);
    if (step.name != rootName) return {Outcome::Unknown};
    const Node* current = &nodes[0];
    while (pos < path.size()) {
        NextStep(path, pos, false, step);
        if (!current || current->kind == Kind::Null) return {Outcome::Error};
        if (current->kind != Kind::Object && current->kind != Kind::Array)
            return {Outcome::Unknown};
        if (current->kind == Kind::Array && !step.isIndex) return {Outcome::Unknown};
        const Node* found = nullptr;
        int position = 0;
        for (std::int32_t child = current->firstChild; child >= 0;
             child = nodes[child].nextSibling, ++position) {
            const bool match = current->kind == Kind::Array ? position == step.index
                                                            : nodes[child].name == step.name;
            if (match) {
                found = &nodes[child];
                break;
            }
        }
        if (!found && current->kind == Kind::Object && IsInheritedName(step.name)) {
            return {Outcome::Unknown};
        }
        current = found;
    }
    return current ? Lookup{Outcome::Value, current} : Lookup{Outcome::Undefined};
}

void StrictJson::AppendScriptText(const Node& node, std::string& out) const {
    switch (node.kind) {
        case Kind::Null:
            break;
        case Kind::Boolean:
            out += node.boolean ? "true" : "false";
            break;
        case Kind::Number:
            out += NumberToScriptText(node.number);
            break;
        case Kind::String:
            out += node.text;
            break;
        case Kind::Object:
            out += "[object Object]";
            break;
        case Kind::Array:
            for (std::int32_t child = node.firstChild; child >= 0;
                 child = nodes[child].nextSibling) {
                if (child != node.firstChild) out += ',';
                AppendScriptText(nodes[child], out);
            }
            break;
    }
}

std::optional<TextBuffer> StrictJson::ToScriptText(const Node& node) const {
    if (node.kind == Kind::Null) return std::nullopt;
    std::string out;
    AppendScriptText(node, out);
    out.resize(std::min(out.size(), out.find('\0')));
    return out;
}

}  // namespace velmora::detail
