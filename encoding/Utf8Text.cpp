#include "encoding/Utf8Text.h"

#include "encoding/detail/Iconv.h"
#include "encoding/detail/Utf8Sequence.h"

namespace velmora {
namespace {

bool IsAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Opening a converter costs far more than a short conversion: keep one per thread and direction.
iconv_t ToUtf8Converter() {
    thread_local detail::IconvHandle handle = detail::OpenIconv("UTF-8", kProgramCharset);
    return handle.get();
}

iconv_t FromUtf8Converter() {
    thread_local detail::IconvHandle handle = detail::OpenIconv(kProgramCharset, "UTF-8");
    return handle.get();
}

}  // namespace

std::string TextToUtf8(std::string_view text) {
    if (IsAscii(text)) return std::string(text);
    return detail::ConvertAll(ToUtf8Converter(), text, {kReplacementUtf8, {}});
}

TextBuffer Utf8ToText(std::string_view utf8) {
    utf8 = utf8.substr(0, utf8.find('\0'));
    if (IsAscii(utf8)) return TextBuffer(utf8);
    // The few private-use characters glibc's GB18030 has no place for become one U+FFFD each.
    return detail::ConvertAll(FromUtf8Converter(), utf8, {kReplacementText, kReplacementText},
                              detail::Utf8CharWidth);
}

}  // namespace velmora
