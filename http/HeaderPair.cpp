#include "http/HeaderPair.h"

#include "http/UrlHelpers.h"

namespace velmora {

std::vector<HeaderPair> HeaderPairsFromText(std::string_view headerText) {
    std::vector<HeaderPair> pairs;
    for (const TextBuffer& line : SplitText(headerText, "\r\n")) {
        const int colon = FindText(line, ":");
        if (colon == -1) {
            pairs.push_back({});
        } else {
            pairs.push_back({TextLeftOf(line, ":"), TextRight(line, TextLength(line) - colon)});
        }
    }
    return pairs;
}

}  // namespace velmora
