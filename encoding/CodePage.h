#pragma once
// Code pages by number, and the conversions between them through UTF-16 that the request body
// takes on its way to UTF-8.
//
// Two layers. The code-page services convert a zero-terminated string, its terminator included,
// between a code page and UTF-16LE; each is called once with no output to learn the size and
// once to fill a buffer of that size. The conversion family below them (AnsiToUtf8 and the
// rest) takes byte buffers and returns new ones; none keeps state or reports an error, a failure
// gives the empty result.
//
// UTF-16 values are byte buffers of UTF-16LE units: two bytes each, low byte first, no
// byte-order mark. Code page 0 (the system's code page) and 936 are the program's code page,
// GB18030, which agrees with GBK on every character GBK has.

#include <cstdint>
#include <span>
#include <string_view>

#include "encoding/ByteBuffer.h"
#include "encoding/TextBuffer.h"

namespace velmora {

inline constexpr int kSystemCodePage = 0;
inline constexpr int kGbkCodePage = 936;
inline constexpr int kUtf8CodePage = 65001;

// The iconv name of a code page; nullptr for a code page not supported here.
const char* CodePageCharset(int codePage);

// Converts the zero-terminated string at source, read in codePage, to UTF-16LE; the terminator
// is converted too. With an empty out, returns the number of units the result needs; otherwise
// writes the result into out (room for out.size() / 2 units) and returns the units written, or
// 0 when they do not fit. 0 for an unsupported code page. A byte that does not belong to a valid
// character becomes U+FFFD.
int MultiByteToUtf16(int codePage, const char* source, std::span<std::uint8_t> out);

// Converts the zero-terminated UTF-16LE string at source (it ends at its first zero unit) to
// codePage; the terminator is converted too. Size query and fill as for MultiByteToUtf16, in
// bytes. A character the code page cannot hold becomes '?'; a lone surrogate is read as U+FFFD.
int Utf16ToMultiByte(int codePage, const std::uint8_t* source, std::span<std::uint8_t> out);

// Number of units before the first zero unit of the UTF-16LE string at source.
int Utf16Length(const std::uint8_t* source);

// The UTF-8 bytes of a program text, held in a TextBuffer (no byte-order mark, no terminator).
TextBuffer AnsiToUtf8(std::string_view text);

// The UTF-16LE units of a program text: ending with one zero unit, or with stripTerminator cut
// before the first zero unit. The text is read as code page 936 whatever the system's is.
ByteBuffer AnsiToUtf16(std::string_view text, bool stripTerminator);

// The UTF-16LE units of bytes in codePage followed by one zero unit; bytes from the first zero
// byte on take no part. Empty for empty input and for an unsupported code page.
ByteBuffer CodePageToUtf16(ByteView bytes, int codePage);

// The units before the first zero unit, followed by one zero unit when keepTerminator is true;
// empty when the first unit is zero or there is no whole unit. A trailing odd byte is dropped.
ByteBuffer TrimUtf16(ByteView utf16, bool keepTerminator);

// The text of UTF-16LE units in codePage, or in the system's code page when useCodePage is
// false; it ends before the first zero byte.
TextBuffer Utf16ToText(ByteView utf16, int codePage, bool useCodePage);

// UTF-16LE units (up to the first zero unit) in codePage, without terminator. Empty when the
// first unit is zero and for an unsupported code page. A trailing odd byte is ignored.
ByteBuffer Utf16ToCodePage(ByteView utf16, int codePage);

}  // namespace velmora
