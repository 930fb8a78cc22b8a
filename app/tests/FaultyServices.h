#pragma once
// Chat services for the in-process test server: the stand-in that echoes the user's message, and
// services that misbehave: they refuse the key, or start a streamed reply and then break off or
// stall. Handlers run on the server's connection threads.

#include <string>
#include <string_view>

#include "tests/support/TestServer.h"
#include "tools/StandInService.h"

namespace velmora::testing {

// The head of a streamed reply, up to its chunked body.
inline constexpr std::string_view kStreamHead =
    "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nTransfer-Encoding: chunked\r\n\r\n";

// The stand-in service, replying with the user's message.
inline testsupport::RequestHandler EchoingService() {
    return [](const testsupport::ReceivedRequest& request, testsupport::ResponseWriter& response) {
        standin::ServeChatCompletions({}, request, response);
    };
}

// 401 with an OpenAI-style error body whose message is `message`.
inline testsupport::RequestHandler RefusingTheKey(std::string message) {
    return [message](const testsupport::ReceivedRequest&, testsupport::ResponseWriter& response) {
        response.Write(testsupport::ResponseWithLength(
            401, "{\"error\":{\"message\":\"" + message + "\"}}", "application/json"));
    };
}

enum class BreakOff { close, reset };

// Streams one content event with utf8Text, then closes or resets the connection.
inline testsupport::RequestHandler BreakingOffAfter(std::string utf8Text, BreakOff how) {
    return [utf8Text, how](const testsupport::ReceivedRequest&,
                           testsupport::ResponseWriter& response) {
        response.Write(std::string(kStreamHead) +
                       testsupport::ChunkedPiece(standin::ContentEvent(utf8Text)));
        if (how == BreakOff::reset) {
            response.Reset();
        } else {
            response.Close();
        }
    };
}

// Writes `bytes`, then sends nothing more until the server stops.
inline testsupport::RequestHandler StallingAfter(std::string bytes) {
    return [bytes](const testsupport::ReceivedRequest&, testsupport::ResponseWriter& response) {
        if (!bytes.empty()) response.Write(bytes);
        response.Stall();
    };
}

}  // namespace velmora::testing
