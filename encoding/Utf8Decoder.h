#pragma once
// Incremental UTF-8 decoding for a reply that arrives in chunks: a chunk boundary may fall inside
// a character, so the decoder keeps the incomplete end of one chunk and completes it with the
// start of the next.

#include <array>
#include <cstdint>
#include <string_view>

#include "encoding/ByteBuffer.h"
#include "encoding/TextBuffer.h"
#include "encoding/detail/Iconv.h"

namespace velmora {

// Decodes a UTF-8 stream into program text. The text of a stream does not depend on where it was
// cut into chunks. Each byte that does not belong to a valid character becomes U+FFFD, so a
// damaged chunk is never lost. A U+0000 cannot live in a text and is dropped.
//
// Not thread-safe: one stream, one decoder, fed by one thread at a time (the reply handler's
// chunks arrive one after another).
class Utf8StreamDecoder {
public:
    Utf8StreamDecoder();

    // The text of every character completed by bytes; an incomplete character at the end is kept
    // for the next call.
    TextBuffer Feed(ByteView bytes);
    TextBuffer Feed(std::string_view bytes);

    // Ends the stream: a kept incomplete character becomes U+FFFD (one per byte). The decoder is
    // then ready for a new stream.
    TextBuffer Finish();

private:
    // Appends the program text of valid UTF-8 to out.
    void AppendValid(std::string_view utf8, TextBuffer& out);
    // Completes the kept character from the front of input; returns the bytes taken.
    std::size_t CompletePending(std::string_view input, TextBuffer& out);

    detail::IconvHandle converter;
    std::array<char, 4> pending{};  // the start of a character cut off by the end of a chunk
    std::size_t pendingLength = 0;
};

}  // namespace velmora
