#pragma once
// What the chat window holds when it opens, and its created event.

#include "app/WindowOperations.h"
#include "encoding/TextBuffer.h"

namespace velmora {

// The greeting in GB18030, ending in a blank line ("\r\n\r\n").
TextBuffer GreetingText();

// SendButton's caption, "发送", in GB18030.
TextBuffer SendButtonCaption();

// The created event of the chat window, run once its controls exist: the transcript becomes
// exactly the greeting.
void OnChatWindowCreated(WindowOperations& window);

}  // namespace velmora
