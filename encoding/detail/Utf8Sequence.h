#pragma once
// The shape of one UTF-8 sequence, for the converters that must tell a malformed byte from a
// whole character the target lacks.

#include <cstddef>
#include <string_view>

namespace velmora::detail {

struct Sequence {
    enum Kind { kValid, kIncomplete, kInvalid } kind;
    std::size_t length;  // kValid: bytes of the character; kIncomplete: bytes present
};

// Classifies the UTF-8 sequence at the start of s (not empty, s[0] not ASCII) by the well-formed
// byte ranges of Unicode: no overlong forms, no surrogates, nothing beyond U+10FFFF.
Sequence ScanSequence(std::string_view s);

// Width of the valid character at the start of rest, 0 when there is none there; a converter
// replaces a character its target lacks whole, not byte by byte.
std::size_t Utf8CharWidth(std::string_view rest);

}  // namespace velmora::detail
