#pragma once
// Program text (GB18030) to and from UTF-8, the form of the wire, the window toolkit and the
// script engine. GB18030 holds every Unicode character, so both directions are lossless for valid
// input (but for 24 private-use characters that glibc's GB18030 has no place for: each becomes one
// U+FFFD). Malformed input becomes U+FFFD, one per bad byte, never a lost text.

#include <string>
#include <string_view>

#include "encoding/TextBuffer.h"

namespace velmora {

// The program's code page as iconv names it.
inline constexpr const char* kProgramCharset = "GB18030";

// U+FFFD, what malformed input becomes, in the program's code page and in UTF-8.
inline constexpr std::string_view kReplacementText = "\x84\x31\xA4\x37";
inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// UTF-8 bytes of a program text.
std::string TextToUtf8(std::string_view text);

// The program text of UTF-8 bytes. A text holds no zero byte, so the result ends before the first
// U+0000.
TextBuffer Utf8ToText(std::string_view utf8);

}  // namespace velmora
