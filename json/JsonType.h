#pragma once
// The kind of value at a document path, as JsonDocument::GetType reports it.

#include <cstdint>

namespace velmora {

enum class JsonType : std::int32_t {
    Other = -1,  // a function, a date, or a path that cannot be evaluated
    Null = 0,    // null, or a missing member
    Boolean = 1,
    Number = 2,
    // 3 is not used.
    Object = 4,
    Array = 5,
    String = 6,
};

}  // namespace velmora
