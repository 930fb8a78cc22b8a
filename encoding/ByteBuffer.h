#pragma once
// Counted byte arrays: request bodies, received chunks, conversion results. Zero bytes allowed.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "encoding/TextBuffer.h"

namespace velmora {

using ByteBuffer = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

int BytesLength(ByteView bytes);

// The text's bytes, without a terminator.
ByteBuffer TextToBytes(std::string_view text);

// The bytes before the first zero byte, or all of them.
TextBuffer BytesToText(ByteView bytes);

// n zero bytes; n <= 0 gives the empty buffer.
ByteBuffer BlankBytes(int n);

// The buffers' bytes one after another.
ByteBuffer ConcatBytes(std::initializer_list<ByteView> buffers);
template <typename... Rest>
ByteBuffer ConcatBytes(ByteView first, ByteView second, const Rest&... rest) {
    return ConcatBytes({first, second, ByteView(rest)...});
}

// A copy of the n bytes at a memory address handed over as an integer by a C library.
ByteBuffer BytesFromPointer(std::uintptr_t address, int n);

}  // namespace velmora
