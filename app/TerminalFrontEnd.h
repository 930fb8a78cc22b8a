#pragma once
// `velmora --terminal`: the conversation without a display, over TerminalWindow.

#include <iosfwd>
#include <optional>
#include <string>

#include "app/WindowOperations.h"

namespace velmora {

// Writes the greeting, then presses Send once per message: each line of in (UTF-8; a "\r"
// before the line's end is dropped), or, when message is given, that one text; the message "-"
// stands for the whole of in, less one final line break. A message's line breaks reach InputBox
// as "\r\n", as if typed in the window. A message is taken only when SendButton is enabled; if it
// stays disabled after every exchange has ended, the rest of the input is not sent and a line on
// err says so. Returns once every exchange started has ended: 0 when every routine returned true
// and every message was sent, 1 otherwise.
int RunTerminalFrontEnd(const ExchangeRoutine& routine, std::istream& in, std::ostream& out,
                        std::ostream& err, const std::optional<std::string>& message);

}  // namespace velmora
