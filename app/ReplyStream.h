#pragma once
// The reply of one exchange: turns the streamed response body into transcript text.
//
// The HTTP client hands every body chunk to OnReplyChunk on its I/O thread, one after another.
// The reply keeps what a chunk leaves unfinished (an incomplete UTF-8 character, line or event)
// for the next one, shows each delta as it arrives, and ends the reply exactly once: at the end
// event, or in Finish when the request returned without it, with a notice saying what went wrong.
// Ending the reply appends "\r\n\r\n" and enables Send again.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "app/ReplyStreamParser.h"
#include "app/WindowOperations.h"
#include "encoding/TextBuffer.h"
#include "encoding/Utf8Decoder.h"
#include "http/HttpClient.h"

namespace velmora {

class JsonDocument;

class ReplyStream {
public:
    // statusCode reads the response status of the running request; it is asked from the first
    // chunk on. Any occurrence of secret in a notice is masked.
    ReplyStream(WindowOperations& window, std::function<int()> statusCode, TextBuffer secret);
    ~ReplyStream();
    ReplyStream(const ReplyStream&) = delete;
    ReplyStream& operator=(const ReplyStream&) = delete;

    // The body handler; on the HTTP client's I/O thread. Only data and length are used.
    void OnReplyChunk(std::uintptr_t sender, std::uintptr_t connectionId, std::uintptr_t data,
                      std::uintptr_t length);

    // The request has returned (on the exchange's worker thread, after the last chunk). Shows a
    // notice for a failed request, an error status or a reply without its end event, then ends
    // the reply if the end event has not. True when the whole reply arrived without an error.
    bool Finish(const HttpResult& result);

private:
    void OnEvent(std::string_view data);
    void ShowDelta(std::string_view text);
    void ShowNotice(std::string_view what, std::string_view detail);
    void EndReply();

    WindowOperations& window_;
    std::function<int()> statusCode_;
    TextBuffer secret_;
    Utf8StreamDecoder decoder_;
    ReplyStreamParser parser_;
    std::unique_ptr<JsonDocument> event_;  // made on the I/O thread at the first event
    TextBuffer errorBody_;                 // the start of a body with an error status
    bool ended_ = false;
    bool sawEndEvent_ = false;
    bool sawError_ = false;
    bool shownText_ = false;              // something follows "AI说：" on its line
    bool pendingCarriageReturn_ = false;  // the last delta ended with CR: a leading LF is its pair
};

}  // namespace velmora
