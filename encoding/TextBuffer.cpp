#include "encoding/TextBuffer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace velmora {
namespace {

using detail::CharWidth;

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool BytesMatch(std::string_view text, std::size_t pos, std::string_view sub, bool ignoreCase) {
    if (!ignoreCase) return text.compare(pos, sub.size(), sub) == 0;
    for (std::size_t i = 0; i < sub.size(); ++i) {
        auto a = static_cast<unsigned char>(text[pos + i]);
        auto b = static_cast<unsigned char>(sub[i]);
        if (a == b) continue;
        if (!IsAsciiLetter(a) || !IsAsciiLetter(b) || (a | 0x20) != (b | 0x20)) return false;
    }
    return true;
}

// Walks the characters of text[from, windowEnd) and calls onMatch(p) for every character start p
// where sub lies entirely inside the window. onMatch returns false to stop the walk.
template <typename OnMatch>
void WalkMatches(std::string_view text, std::size_t from, std::size_t windowEnd,
                 std::string_view sub, bool ignoreCase, OnMatch onMatch) {
    std::string_view window = text.substr(0, windowEnd);
    for (std::size_t p = from; p < windowEnd; p += CharWidth(window, p)) {
        if (p + sub.size() <= windowEnd && BytesMatch(window, p, sub, ignoreCase) && !onMatch(p)) {
            return;
        }
    }
}

}  // namespace

int TextLength(std::string_view text) {
    return static_cast<int>(text.size());
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.starts_with(prefix);
}

TextBuffer TextLeft(std::string_view text, int n) {
    if (n <= 0) return {};
    return TextBuffer(text.substr(0, static_cast<std::size_t>(n)));
}

TextBuffer TextRight(std::string_view text, int n) {
    if (n <= 0) return {};
    auto count = std::min(static_cast<std::size_t>(n), text.size());
    return TextBuffer(text.substr(text.size() - count));
}

TextBuffer TextMid(std::string_view text, int start, int n) {
    long long p = static_cast<long long>(start) - 1;
    if (p < 0 || p >= static_cast<long long>(text.size()) || n <= 0) return {};
    return TextBuffer(text.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(n)));
}

TextBuffer CharFromCode(std::uint8_t code) {
    if (code == 0) return {};
    return TextBuffer(1, static_cast<char>(code));
}

int FindText(std::string_view text, std::string_view sub, std::optional<int> start,
             bool ignoreCase) {
    std::size_t from = 0;
    if (start && *start > 1) {
        from = static_cast<std::size_t>(*start) - 1;
        if (from >= text.size()) return -1;
    }
    if (from >= text.size()) return -1;  // empty text: empty window
    if (sub.empty()) return 1;
    int found = -1;
    WalkMatches(text, from, text.size(), sub, ignoreCase, [&](std::size_t p) {
        found = static_cast<int>(p) + 1;
        return false;
    });
    return found;
}

int FindTextReverse(std::string_view text, std::string_view sub, std::optional<int> start,
                    bool ignoreCase) {
    std::size_t windowEnd = text.size();
    if (start) {
        if (*start <= 1) return -1;
        windowEnd = std::min(static_cast<std::size_t>(*start) - 1, text.size());
    }
    if (windowEnd == 0) return -1;
    if (sub.empty()) return 1;
    int found = -1;
    WalkMatches(text, 0, windowEnd, sub, ignoreCase, [&](std::size_t p) {
        found = static_cast<int>(p) + 1;
        return true;
    });
    return found;
}

TextBuffer ToLowerAscii(std::string_view text) {
    TextBuffer out(text);
    for (std::size_t p = 0; p < out.size(); p += CharWidth(out, p)) {
        if (out[p] >= 'A' && out[p] <= 'Z') out[p] = static_cast<char>(out[p] + 0x20);
    }
    return out;
}

TextBuffer ReplaceText(std::string_view text, std::string_view find, std::string_view repl) {
    if (text.empty() || find.empty()) return TextBuffer(text);
    TextBuffer out;
    out.reserve(text.size());
    std::size_t p = 0;
    while (p < text.size()) {
        if (text.size() - p < find.size()) break;
        if (text.compare(p, find.size(), find) == 0) {
            out += repl;
            p += find.size();
        } else {
            std::size_t width = CharWidth(text, p);
            out.append(text, p, width);
            p += width;
        }
    }
    out.append(text, p);
    return out;
}

TextArray SplitText(std::string_view text, std::string_view sep) {
    TextArray pieces;
    if (text.empty()) return pieces;
    if (sep.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t p = 0;
    while (p < text.size()) {
        if (text.size() - p >= sep.size() && text.compare(p, sep.size(), sep) == 0) {
            pieces.emplace_back(text.substr(pieceStart, p - pieceStart));
            p += sep.size();
            pieceStart = p;
        } else {
            p += CharWidth(text, p);
        }
    }
    if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
    return pieces;
}

int CompareText(std::string_view a, std::string_view b) {
    // std::string_view::compare uses char_traits<char>::compare, which compares as unsigned char.
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

TextBuffer ConcatText(std::initializer_list<std::string_view> texts) {
    std::size_t total = 0;
    for (auto t : texts) total += t.size();
    TextBuffer out;
    out.reserve(total);
    for (auto t : texts) out += t;
    return out;
}

TextBuffer BlankText(int n) {
    if (n < 1) return {};
    return TextBuffer(static_cast<std::size_t>(n), ' ');
}

namespace {

// Full-width forms of code page 936 folded to ASCII before a number is read.
TextBuffer FoldFullWidth(std::string_view text) {
    TextBuffer out;
    out.reserve(text.size());
    for (std::size_t p = 0; p < text.size();) {
        std::size_t width = CharWidth(text, p);
        if (width == 2) {
            auto lead = static_cast<unsigned char>(text[p]);
            auto trail = static_cast<unsigned char>(text[p + 1]);
            char folded = 0;
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                folded = static_cast<char>(trail - 0x80);
            } else if (lead == 0xA1 && trail == 0xA1) {
                folded = ' ';
            } else if (lead == 0xA1 && trail == 0xAB) {
                folded = '~';
            } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
                folded = '*';
            }
            if (folded != 0) {
                out += folded;
            } else {
                out.append(text, p, 2);
            }
        } else {
            out += text[p];
        }
        p += width;
    }
    return out;
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int TextToInt(std::string_view text) {
    TextBuffer folded = FoldFullWidth(text);
    std::size_t p = 0;
    while (p < folded.size() && IsCSpace(folded[p])) ++p;
    bool negative = false;
    if (p < folded.size() && (folded[p] == '+' || folded[p] == '-')) negative = folded[p++] == '-';
    // Accumulate as a negative number so that INT32_MIN is reachable; saturate beyond the range.
    long long value = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; p < folded.size() && folded[p] >= '0' && folded[p] <= '9'; ++p) {
        value = value * 10 + (folded[p] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int>(-value);
    return value >= kLimit ? std::numeric_limits<int>::max() : static_cast<int>(value);
}

TextBuffer IntToText(int value) {
    return std::to_string(value);
}

TextBuffer RealToText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    TextBuffer out(buffer);
    // The C library writes at least two exponent digits; the program's form has at least three.
    auto e = out.find('e');
    if (e != TextBuffer::npos && e + 2 < out.size()) {
        std::size_t digits = out.size() - (e + 2);
        if (digits < 3) out.insert(e + 2, 3 - digits, '0');
    }
    return out;
}

int RealToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(value);  // truncates toward zero
}

TextBuffer TextFromPointer(std::uintptr_t address) {
    if (address == 0) return {};
    return TextBuffer(reinterpret_cast<const char*>(address));
}

}  // namespace velmora
