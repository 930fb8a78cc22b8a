#pragma once
// Carves one fuzz input into the arguments of a call.
//
// Texts come from the front, separated by zero bytes: a program text never holds a zero, so the
// separator costs the fuzzer no text it could have meant. Numbers and flags come from the back,
// so that mutating one does not shift the texts; take them before the texts, or the last text
// swallows their bytes.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : rest(reinterpret_cast<const char*>(data), size) {}

    // The bytes up to the next zero byte (which is consumed), or all that is left.
    std::string_view TakeText() {
        std::size_t end = rest.find('\0');
        std::string_view text = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return text;
    }

    // Everything not taken yet, zero bytes included.
    std::string_view TakeRest() {
        std::string_view all = rest;
        rest = {};
        return all;
    }

    // One byte from the back; 0 once the input is used up.
    std::uint8_t TakeByte() {
        if (rest.empty()) return 0;
        auto b = static_cast<std::uint8_t>(rest.back());
        rest.remove_suffix(1);
        return b;
    }

    bool TakeBool() { return (TakeByte() & 1) != 0; }

    // Four bytes from the back as any 32-bit value.
    std::int32_t TakeInt() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | TakeByte();
        return static_cast<std::int32_t>(v);
    }

    // A position or count: mostly small values around the lengths of short texts, sometimes the
    // extremes of the 32-bit range, where off-by-one and overflow faults live.
    int TakePosition() {
        std::uint8_t b = TakeByte();
        switch (b) {
            case 0xFF:
                return INT_MAX;
            case 0xFE:
                return INT_MIN;
            case 0xFD:
                return INT_MAX - 1;
            case 0xFC:
                return INT_MIN + 1;
            default:
                return static_cast<int>(b) - 4;
        }
    }

private:
    std::string_view rest;
};

}  // namespace velmora::fuzz
