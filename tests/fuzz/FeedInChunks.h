#pragma once
// Cutting a fuzzed stream into chunks, the way a network hands a body over in pieces.

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace velmora::fuzz {

// Hands feed the stream's bytes in order, in chunks whose lengths cycle through lengths. A zero
// length feeds an empty chunk; when every length is zero, one-byte chunks follow them, so the
// stream always ends.
template <typename Feed>
void FeedInChunks(std::string_view stream, std::vector<std::size_t> lengths, Feed feed) {
    if (std::all_of(lengths.begin(), lengths.end(), [](std::size_t n) { return n == 0; })) {
        lengths.push_back(1);
    }
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < stream.size(); ++i) {
        const std::size_t n = std::min(lengths[i % lengths.size()], stream.size() - pos);
        feed(stream.substr(pos, n));
        pos += n;
    }
}

}  // namespace velmora::fuzz
