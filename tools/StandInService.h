#pragma once
// A local stand-in for a chat-completions service, to try Velmora without an account and to
// test and benchmark it: POST on a path ending in "/chat/completions" streams an OpenAI-style
// reply as "data: " chunk events (a role-only event, the content events, "data: [DONE]").

#include <chrono>

#include "tests/support/TestServer.h"

namespace velmora::standin {

struct StandInOptions {
    int events = 0;         // 0: the reply echoes the user's message; N: N events of made-up text
    int charsPerEvent = 4;  // characters of reply text per content event
    std::chrono::milliseconds pause{0};  // between events
};

// Serves one request of the in-process server (on its connection thread).
void ServeChatCompletions(const StandInOptions& options,
                          const testsupport::ReceivedRequest& request,
                          testsupport::ResponseWriter& response);

// One content event: "data: {...chat.completion.chunk...}\n\n" with text (UTF-8) as the delta.
std::string ContentEvent(std::string_view utf8Text);

}  // namespace velmora::standin
