#pragma once
// Re-encoding a byte buffer from one named charset into another, the way a received reply chunk
// becomes program text.
//
// The bytes are decoded into a program text and the text is encoded in the target charset. The
// program's code page, GB18030, holds every character, so nothing is lost on the way; only a
// character the target charset cannot hold becomes '?'. A byte that does not belong to a valid
// character of the source charset becomes U+FFFD.
//
// Charset names are case-insensitive: "UTF-8", "GBK", "GB2312" (read as GBK, as browsers and
// Windows do), "GB18030", "BIG5", "Shift_JIS", "UTF-16LE", "UTF-16BE", "Unicode" and "UTF-16"
// (both UTF-16LE), "ISO-8859-1", "Windows-1252", "US-ASCII" and any other name iconv knows.
// No byte-order mark is written.
//
// A chunk of a stream may end inside a character; each call converts its input on its own, so a
// streamed UTF-8 reply is decoded with Utf8StreamDecoder instead.

#include <optional>
#include <string_view>

#include "encoding/ByteBuffer.h"

namespace velmora {

// bytes re-encoded from fromCharset into toCharset. An empty fromCharset means "UTF-8"; an empty
// toCharset means the program's code page, GB18030 (an explicit "GBK" means GBK). The decoded
// text ends before its first U+0000. With skip given, the first skip bytes of the encoded result
// are dropped. Empty for an unknown charset name.
ByteBuffer ConvertCharset(ByteView bytes, std::string_view fromCharset, std::string_view toCharset,
                          std::optional<int> skip = std::nullopt);

// ConvertCharset once the empty names have been replaced by their defaults.
ByteBuffer ConvertThroughStream(ByteView bytes, std::string_view fromCharset,
                                std::string_view toCharset, int skip, bool skipGiven);

}  // namespace velmora
