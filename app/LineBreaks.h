#pragma once
// Line breaks between the program's texts ("\r\n") and the outside world ("\n"): the window
// toolkit and the terminal. Neither byte occurs inside a GB18030 or UTF-8 character, so both
// functions work on either encoding.

#include <string>
#include <string_view>

#include "encoding/TextBuffer.h"

namespace velmora {

// Every "\r\n" becomes "\n"; a lone "\r" stays.
std::string ToNewlineBreaks(std::string_view text);

// Every "\n" that has no "\r" before it becomes "\r\n"; existing "\r\n" pairs stay as they are.
TextBuffer ToCrLfBreaks(std::string_view text);

}  // namespace velmora
