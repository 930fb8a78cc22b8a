#pragma once
// The script every document engine is loaded with: the four functions the document operations
// call (get__nodeValue, get__count, get__name_All, get__extend) and the JSON support
// (JSON.stringify, JSON.parse, toJSON methods, toJSONString/parseJSON on every object).
// One line of ASCII.

#include <string_view>

namespace velmora {

extern const std::string_view kHelperScript;

// Run before the helper script: the engine's built-in JSON writes a different escape set and
// dates with milliseconds; removing it lets the helper install its own serialiser, which is then
// the only one in use.
extern const std::string_view kBuiltInJsonRemoval;

}  // namespace velmora
