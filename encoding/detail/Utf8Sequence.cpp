#include "encoding/detail/Utf8Sequence.h"

namespace velmora::detail {

Sequence ScanSequence(std::string_view s) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(0);
    std::size_t need;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the byte after the lead
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {Sequence::kInvalid, 1};
    }
    for (std::size_t i = 1; i < need; ++i) {
        if (i == s.size()) return {Sequence::kIncomplete, i};
        if (byte(i) < low || byte(i) > high) return {Sequence::kInvalid, 1};
        low = 0x80;
        high = 0xBF;
    }
    return {Sequence::kValid, need};
}

std::size_t Utf8CharWidth(std::string_view rest) {
    Sequence s = ScanSequence(rest);
    return s.kind == Sequence::kValid ? s.length : 0;
}

}  // namespace velmora::detail
