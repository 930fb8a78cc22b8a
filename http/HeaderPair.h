#pragma once
// One request header as the socket layer takes it, and the header text those come from.

#include <string_view>
#include <vector>

#include "encoding/TextBuffer.h"

namespace velmora {

struct HeaderPair {
    TextBuffer name;
    TextBuffer value;
};

// One pair per line of a header text whose lines are separated by "\r\n", in line order. The name
// is the text before the line's first colon and the value everything after that colon, so values
// holding colons (URLs, host:port, keys) stay whole. Nothing is trimmed: "A: b" gives the value
// " b". A line without a colon, an empty line included, gives an empty name and value. An empty
// text gives no pairs and a trailing "\r\n" no empty last pair.
std::vector<HeaderPair> HeaderPairsFromText(std::string_view headerText);

}  // namespace velmora
