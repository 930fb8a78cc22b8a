#include "app/LineBreaks.h"

namespace velmora {

std::string ToNewlineBreaks(std::string_view text) {
    return ReplaceText(text, "\r\n", "\n");
}

TextBuffer ToCrLfBreaks(std::string_view text) {
    TextBuffer result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result += '\r';
        result += text[i];
    }
    return result;
}

}  // namespace velmora
