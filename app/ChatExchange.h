#pragma once
// One exchange with the chat service: what a click on Send runs, on a worker thread of its own.

#include <string_view>

#include "app/ChatConfig.h"
#include "app/WindowOperations.h"

namespace velmora {

// The request body's template; the user's text goes to messages[0].content.
extern const std::string_view kChatRequestTemplate;

// Echoes the input, posts it with "stream": true and shows the streamed reply, then ends the
// reply with a blank line and enables Send again, whatever happened. True when the whole reply
// arrived. Without a URL or key it shows one line saying what to set and where, keeps the input
// and leaves Send usable.
bool SendChatMessage(WindowOperations& window, const ChatConfig& config);

}  // namespace velmora
