#pragma once
// The details of a script engine's last error, as JsonDocument::Parse hands them to a caller that
// asks for them.

#include <cstdint>

#include "encoding/TextBuffer.h"

namespace velmora {

struct ScriptError {
    std::int32_t number = 0;  // the engine's error code (1 = Error ... 7 = URIError), 0: none
    TextBuffer source;        // the error's name, such as "SyntaxError"
    TextBuffer description;   // the error message
    TextBuffer helpFile;      // always empty: the engine has no help files
    std::int32_t helpContext = 0;
    TextBuffer text;          // the line of script text the error points at
    std::int32_t line = 0;    // 1-based line of that text, 0 when unknown
    std::int32_t column = 0;  // 0: the engine does not report columns
};

}  // namespace velmora
