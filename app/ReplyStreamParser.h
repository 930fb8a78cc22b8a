#pragma once
// Splits a streamed reply body into server-sent events, across chunk boundaries.
//
// The body arrives in chunks cut anywhere: inside a line, between the CR and LF of a line end,
// inside "data:". The parser keeps the unfinished line and the data lines of the unfinished event
// between feeds, so no event is lost or merged whatever the chunking.
//
// Event-stream rules: lines end with "\r\n", "\n" or "\r"; a blank line dispatches the event; a
// line "data:value" (one space after the colon dropped) adds value to the event's data, several
// data lines joined with "\n"; comment lines (starting with ':') and other fields (event, id,
// retry) are ignored; an event without data lines is not dispatched.

#include <functional>
#include <string_view>

#include "encoding/TextBuffer.h"

namespace velmora {

class ReplyStreamParser {
public:
    using EventHandler = std::function<void(std::string_view data)>;

    explicit ReplyStreamParser(EventHandler onEvent) : onEvent_(std::move(onEvent)) {}

    // Takes the next piece of the body (program text). Calls the handler for every event it
    // completes, in order, before returning.
    void Feed(std::string_view text);

    // The body has ended: an unterminated last line and event are dispatched as if a blank line
    // had followed.
    void Finish();

private:
    void TakeLine(std::string_view line);
    void DispatchEvent();

    EventHandler onEvent_;
    TextBuffer partialLine_;
    TextBuffer data_;
    bool hasData_ = false;
    bool skipLineFeed_ = false;  // the last feed ended with CR: a leading LF belongs to it
};

}  // namespace velmora
