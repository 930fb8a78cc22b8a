#include "encoding/ByteBuffer.h"

#include <algorithm>

namespace velmora {

int BytesLength(ByteView bytes) {
    return static_cast<int>(bytes.size());
}

ByteBuffer TextToBytes(std::string_view text) {
    return ByteBuffer(text.begin(), text.end());
}

TextBuffer BytesToText(ByteView bytes) {
    auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return TextBuffer(bytes.begin(), end);
}

ByteBuffer BlankBytes(int n) {
    if (n <= 0) return {};
    return ByteBuffer(static_cast<std::size_t>(n), 0);
}

ByteBuffer ConcatBytes(std::initializer_list<ByteView> buffers) {
    ByteBuffer out;
    for (auto b : buffers) out.insert(out.end(), b.begin(), b.end());
    return out;
}

ByteBuffer BytesFromPointer(std::uintptr_t address, int n) {
    if (address == 0 || n <= 0) return {};
    auto* p = reinterpret_cast<const std::uint8_t*>(address);
    return ByteBuffer(p, p + n);
}

}  // namespace velmora
