#pragma once
// Texts and the text primitives every part of Velmora is written in.
//
// A text is a byte string in the program's code page: GB18030, which is byte-identical to code
// page 936 (GBK) for every character GBK has and holds every other character as a four-byte
// sequence. A text never contains a zero byte; an absent text and the empty text are the same.
//
// Conventions shared by every operation here:
//  - positions are 1-based byte positions, lengths count bytes, a search that finds nothing
//    returns -1;
//  - searching, replacing, splitting and case folding walk a text one character at a time: a byte
//    0x80-0xFF is a lead byte and takes the byte after it along, every other byte stands alone.
//    A match is considered only at a character start, so a trail byte that happens to equal an
//    ASCII separator (0x5C, the backslash, for example) never matches. A GB18030 four-byte
//    sequence is walked as two two-byte units, so no ASCII byte inside one can match either;
//  - every operation is a total function: it returns a new value and changes no argument.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A zero-free byte string in the program's code page.
using TextBuffer = std::string;

// An ordered list of texts. The primitives' contracts number elements from 1; in C++ the first
// element is pieces[0].
using TextArray = std::vector<TextBuffer>;

// Number of bytes.
int TextLength(std::string_view text);

// True when the first bytes of text equal prefix exactly (an empty prefix gives true).
bool StartsWith(std::string_view text, std::string_view prefix);

// Byte windows; they count bytes and may cut a double-byte character in two.
TextBuffer TextLeft(std::string_view text, int n);
TextBuffer TextRight(std::string_view text, int n);
TextBuffer TextMid(std::string_view text, int start, int n);

// A text of the one byte `code`; code 0 gives the empty text.
TextBuffer CharFromCode(std::uint8_t code);

// 1-based position of the first occurrence of sub at a character start in the window that begins
// at byte `start` (absent or <= 1: the whole text). The window's first byte counts as a character
// start even when it is a trail byte. An empty sub gives 1 for a non-empty window, -1 otherwise.
// ignoreCase folds ASCII letters only.
int FindText(std::string_view text, std::string_view sub, std::optional<int> start = std::nullopt,
             bool ignoreCase = false);

// 1-based position of the last occurrence lying entirely inside the window made of the first
// start-1 bytes (absent: the whole text; start <= 1: an empty window). Overlapping occurrences
// count: FindTextReverse("aaa", "aa") is 2.
int FindTextReverse(std::string_view text, std::string_view sub,
                    std::optional<int> start = std::nullopt, bool ignoreCase = false);

// Copy with the one-byte characters 'A'-'Z' lowered; double-byte characters stay as they are,
// also when their trail byte is an ASCII capital.
TextBuffer ToLowerAscii(std::string_view text);

// Every occurrence of find, left to right, without overlaps, replaced by repl. What was inserted
// is never searched again. An empty text or find gives a copy of text.
TextBuffer ReplaceText(std::string_view text, std::string_view find, std::string_view repl);

// The pieces between occurrences of sep. An empty text gives no pieces; an empty sep gives the
// whole text as one piece; a leading sep gives an empty first piece, adjacent seps an empty piece
// between them, and a trailing sep no empty last piece.
TextArray SplitText(std::string_view text, std::string_view sep);

// strcmp over unsigned bytes: negative, zero or positive.
int CompareText(std::string_view a, std::string_view b);

// The texts' bytes one after another.
TextBuffer ConcatText(std::initializer_list<std::string_view> texts);
template <typename... Rest>
TextBuffer ConcatText(std::string_view first, std::string_view second, const Rest&... rest) {
    return ConcatText({first, second, std::string_view(rest)...});
}

// n spaces; n < 1 gives the empty text.
TextBuffer BlankText(int n);

// atoi after folding full-width digits, signs, letters and the ideographic space to ASCII.
// A value beyond the 32-bit range saturates at INT32_MIN or INT32_MAX.
int TextToInt(std::string_view text);

// Signed decimal digits.
TextBuffer IntToText(int value);

// "%.13g" with an exponent of at least three digits ("1e+015", "2.5e-005").
TextBuffer RealToText(double value);

// Truncation toward zero; a value outside the 32-bit range saturates, NaN gives 0.
int RealToInt(double value);

// A copy of the zero-terminated string at a memory address handed over as an integer by a C
// library; address 0 gives the empty text.
TextBuffer TextFromPointer(std::uintptr_t address);

namespace detail {
// Length in bytes of the character that starts at text[pos] under the character walk: 2 for a
// lead byte with a byte after it, else 1.
inline std::size_t CharWidth(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size() ? 2 : 1;
}
}  // namespace detail

}  // namespace velmora
