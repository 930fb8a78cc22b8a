// The text primitives against each other: each check below follows from the contracts in
// encoding/TextBuffer.h, so a failure means one primitive broke its contract or two disagree
// about the character walk.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "encoding/ByteBuffer.h"
#include "encoding/TextBuffer.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"

namespace velmora::fuzz {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Flips the case of every ASCII letter byte, trail bytes included: a case-blind search compares
// byte by byte, so it must not see the difference.
TextBuffer FlipCase(std::string_view text) {
    TextBuffer out(text);
    for (char& c : out) {
        if (IsAsciiLetter(static_cast<unsigned char>(c))) c = static_cast<char>(c ^ 0x20);
    }
    return out;
}

bool BytesEqual(std::string_view a, std::string_view b, bool ignoreCase) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (!ignoreCase || !IsAsciiLetter(x) || !IsAsciiLetter(y) || (x ^ y) != 0x20) return false;
    }
    return true;
}

TextBuffer Join(const TextArray& pieces, std::string_view sep) {
    TextBuffer out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) out += sep;
        out += pieces[i];
    }
    return out;
}

void CheckWindows(std::string_view text, int n, int start) {
    const int length = TextLength(text);
    const int clamped = std::clamp(n, 0, length);
    FUZZ_CHECK(ConcatText(TextLeft(text, n), TextRight(text, length - clamped)) == text);
    FUZZ_CHECK(StartsWith(text, TextLeft(text, n)));

    const TextBuffer mid = TextMid(text, start, n);
    FUZZ_CHECK(TextLength(mid) <= std::max(n, 0));
    if (start >= 1 && start <= length) {
        FUZZ_CHECK(ConcatText(TextLeft(text, start - 1), TextMid(text, start, length)) == text);
    }
    // The window's first byte counts as a character start, so a piece cut out at `start` is
    // found right there, even when the cut split a double-byte character.
    if (!mid.empty()) {
        FUZZ_CHECK(FindText(text, mid, start) == start);
        FUZZ_CHECK(FindText(text, mid, start, true) == start);
    }
}

void CheckFind(std::string_view text, std::string_view sub, int start, bool ignoreCase) {
    const int length = TextLength(text);
    const int m = TextLength(sub);

    const int found = FindText(text, sub, start, ignoreCase);
    const bool forwardWindowEmpty = start > 1 ? start - 1 >= length : length == 0;
    if (m == 0) {
        FUZZ_CHECK(found == (forwardWindowEmpty ? -1 : 1));
    } else if (found != -1) {
        FUZZ_CHECK(found >= std::max(start, 1));
        FUZZ_CHECK(found - 1 + m <= length);
        FUZZ_CHECK(BytesEqual(text.substr(found - 1, m), sub, ignoreCase));
        if (!ignoreCase) {
            const int blind = FindText(text, sub, start, true);
            FUZZ_CHECK(blind != -1 && blind <= found);
        }
    }
    if (ignoreCase) {
        FUZZ_CHECK(FindText(FlipCase(text), sub, start, true) == found);
        FUZZ_CHECK(FindText(text, FlipCase(sub), start, true) == found);
    }

    const int last = FindTextReverse(text, sub, start, ignoreCase);
    const int window = start > 1 ? std::min(start - 1, length) : 0;
    if (m == 0) {
        FUZZ_CHECK(last == (window > 0 ? 1 : -1));
    } else if (last != -1) {
        FUZZ_CHECK(last >= 1 && last - 1 + m <= window);
        FUZZ_CHECK(BytesEqual(text.substr(last - 1, m), sub, ignoreCase));
        // A shorter window walks the same characters, so it can only lose occurrences.
        const int lastOverall = FindTextReverse(text, sub, std::nullopt, ignoreCase);
        FUZZ_CHECK(lastOverall >= last);
    }
    if (m == 0) return;

    // Over the whole text both directions walk the same characters.
    const int first = FindText(text, sub, std::nullopt, ignoreCase);
    const int lastOverall = FindTextReverse(text, sub, std::nullopt, ignoreCase);
    FUZZ_CHECK((first == -1) == (lastOverall == -1));
    if (lastOverall != -1) {
        FUZZ_CHECK(lastOverall >= first);
        // The window that just holds the last occurrence still finds it; one byte less loses it.
        FUZZ_CHECK(FindTextReverse(text, sub, lastOverall + m, ignoreCase) == lastOverall);
        FUZZ_CHECK(FindTextReverse(text, sub, lastOverall + m - 1, ignoreCase) < lastOverall);
    }
    if (StartsWith(text, sub)) FUZZ_CHECK(first == 1);
}

// SplitText, ReplaceText and FindText share one character walk, so they must agree on where the
// occurrences of sep are.
void CheckSplitReplace(std::string_view text, std::string_view sep, std::string_view repl) {
    const TextArray pieces = SplitText(text, sep);
    if (text.empty()) {
        FUZZ_CHECK(pieces.empty());
        FUZZ_CHECK(ReplaceText(text, sep, repl).empty());
        return;
    }
    if (sep.empty()) {
        FUZZ_CHECK(pieces.size() == 1 && pieces[0] == text);
        FUZZ_CHECK(ReplaceText(text, sep, repl) == text);
        return;
    }
    FUZZ_CHECK(!pieces.empty());
    const TextBuffer joined = Join(pieces, sep);
    const bool endsWithSep = joined != text;
    if (endsWithSep) {
        // Only a separator at the very end is lost by the split.
        FUZZ_CHECK(ConcatText(joined, sep) == text);
    } else {
        FUZZ_CHECK(!pieces.back().empty());
    }
    for (const TextBuffer& piece : pieces) FUZZ_CHECK(FindText(piece, sep) == -1);

    const TextBuffer replaced = ReplaceText(text, sep, repl);
    FUZZ_CHECK(replaced == ConcatText(Join(pieces, repl), endsWithSep ? repl : ""));
    FUZZ_CHECK(ReplaceText(text, sep, sep) == text);

    const int first = FindText(text, sep);
    if (first == -1) {
        FUZZ_CHECK(pieces.size() == 1 && !endsWithSep);
    } else {
        FUZZ_CHECK(pieces[0] == TextLeft(text, first - 1));
    }
}

void CheckLower(std::string_view text) {
    const TextBuffer lower = ToLowerAscii(text);
    FUZZ_CHECK(lower.size() == text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto before = static_cast<unsigned char>(text[i]);
        auto after = static_cast<unsigned char>(lower[i]);
        FUZZ_CHECK(after == before || (before >= 'A' && before <= 'Z' && after == before + 0x20));
    }
    for (std::size_t p = 0; p < lower.size(); p += detail::CharWidth(lower, p)) {
        FUZZ_CHECK(!(lower[p] >= 'A' && lower[p] <= 'Z'));
    }
    FUZZ_CHECK(ToLowerAscii(lower) == lower);
}

void CheckCompare(std::string_view a, std::string_view b) {
    FUZZ_CHECK(Sign(CompareText(a, b)) == -Sign(CompareText(b, a)));
    FUZZ_CHECK((CompareText(a, b) == 0) == (a == b));
    const int withTail = CompareText(a, ConcatText(a, b));
    FUZZ_CHECK(b.empty() ? withTail == 0 : withTail < 0);
    FUZZ_CHECK(StartsWith(ConcatText(a, b), a));
}

// The digits of IntToText in their full-width code-page forms: A3 B0..B9, minus A3 AD.
TextBuffer FullWidth(std::string_view ascii) {
    TextBuffer out;
    for (char c : ascii) {
        out += '\xA3';
        out += static_cast<char>(static_cast<unsigned char>(c) + 0x80);
    }
    return out;
}

void CheckNumbers(std::string_view text, std::int32_t value, std::uint8_t style, double real) {
    (void)TextToInt(text);

    const TextBuffer digits = IntToText(value);
    FUZZ_CHECK(!digits.empty());
    const std::string_view magnitude = std::string_view(digits).substr(value < 0 ? 1 : 0);
    FUZZ_CHECK(magnitude == "0" || magnitude[0] != '0');
    FUZZ_CHECK(std::all_of(magnitude.begin(), magnitude.end(),
                           [](char c) { return c >= '0' && c <= '9'; }));
    FUZZ_CHECK(TextToInt(digits) == value);

    // Leading blanks, full-width forms and whatever follows a non-digit do not change the value.
    static constexpr std::string_view kBlanks[] = {" ", "\t", "\n", "\v", "\f", "\r", "\xA1\xA1"};
    TextBuffer decorated(kBlanks[style % std::size(kBlanks)]);
    decorated += (style & 0x10) ? FullWidth(digits) : digits;
    decorated += 'x';
    decorated += text;
    FUZZ_CHECK(TextToInt(decorated) == value);

    const int truncated = RealToInt(real);
    if (std::isnan(real)) {
        FUZZ_CHECK(truncated == 0);
    } else if (real >= 2147483648.0) {
        FUZZ_CHECK(truncated == INT32_MAX);
    } else if (real <= -2147483649.0) {
        FUZZ_CHECK(truncated == INT32_MIN);
    } else {
        FUZZ_CHECK(truncated == static_cast<int>(std::trunc(real)));
    }

    const TextBuffer printed = RealToText(real);
    FUZZ_CHECK(!printed.empty());
    if (std::isfinite(real)) {
        const double back = std::strtod(printed.c_str(), nullptr);
        FUZZ_CHECK(std::fabs(back - real) <= std::fabs(real) * 1e-12);
        const std::size_t e = printed.find('e');
        if (e != TextBuffer::npos) {
            FUZZ_CHECK(e + 2 < printed.size() && (printed[e + 1] == '+' || printed[e + 1] == '-'));
            FUZZ_CHECK(printed.size() - (e + 2) >= 3);
        }
    }
}

void CheckBytes(std::string_view text, int n) {
    FUZZ_CHECK(BytesToText(TextToBytes(text)) == text);
    FUZZ_CHECK(TextFromPointer(reinterpret_cast<std::uintptr_t>(TextBuffer(text).c_str())) == text);
    FUZZ_CHECK(TextFromPointer(0).empty());
    const int small = std::clamp(n, -8, 1024);
    FUZZ_CHECK(BlankText(small) == TextBuffer(std::max(small, 0), ' '));
    FUZZ_CHECK(BlankBytes(small) == ByteBuffer(std::max(small, 0), 0));
    ByteBuffer withZero = TextToBytes(text);
    withZero.push_back(0);
    withZero.push_back('z');
    FUZZ_CHECK(BytesToText(withZero) == text);
    const ByteBuffer bytes = TextToBytes(text);
    FUZZ_CHECK(BytesFromPointer(reinterpret_cast<std::uintptr_t>(bytes.data()),
                                BytesLength(bytes)) == bytes);
}

}  // namespace
}  // namespace velmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    using namespace velmora::fuzz;
    FuzzInput input(data, size);
    const int n = input.TakePosition();
    const int start = input.TakePosition();
    const bool ignoreCase = input.TakeBool();
    const std::uint8_t style = input.TakeByte();
    const std::int32_t value = input.TakeInt();
    std::int64_t realBits = (static_cast<std::int64_t>(input.TakeInt()) << 32) |
                            static_cast<std::uint32_t>(input.TakeInt());
    double real;
    static_assert(sizeof real == sizeof realBits);
    std::memcpy(&real, &realBits, sizeof real);
    const std::string_view text = input.TakeText();
    const std::string_view sub = input.TakeText();
    const std::string_view repl = input.TakeText();

    CheckWindows(text, n, start);
    CheckFind(text, sub, start, ignoreCase);
    CheckSplitReplace(text, sub, repl);
    CheckLower(text);
    CheckCompare(text, sub);
    CheckNumbers(text, value, style, real);
    CheckBytes(text, n);
    return 0;
}
