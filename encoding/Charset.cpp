#include "encoding/Charset.h"

#include <algorithm>
#include <string>

#include "encoding/Utf8Text.h"
#include "encoding/detail/Iconv.h"

namespace velmora {
namespace {

constexpr std::string_view kDefaultSourceCharset = "UTF-8";

// Names Windows gives charsets that iconv spells differently or reads another way.
struct Alias {
    std::string_view name, iconvName;
};
constexpr Alias kAliases[] = {
    {"UNICODE", "UTF-16LE"}, {"UTF-16", "UTF-16LE"},      {"UNICODEFFFE", "UTF-16BE"},
    {"UTF-32", "UTF-32LE"},  {"GB2312", "GBK"},           {"X-SJIS", "SHIFT_JIS"},
    {"ASCII", "ASCII"},      {"KS_C_5601-1987", "CP949"},
};

// The iconv name for a charset name; empty for a name that cannot be one. Only plain names pass:
// iconv reads suffixes such as "//IGNORE" as options.
std::string IconvName(std::string_view name) {
    constexpr std::size_t kLongestName = 40;
    std::string upper;
    if (name.size() > kLongestName) return upper;
    for (char c : name) {
        bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                     c == '-' || c == '_' || c == '.' || c == ':';
        if (!plain) return {};
        upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    for (const Alias& alias : kAliases) {
        if (alias.name == upper) return std::string(alias.iconvName);
    }
    return upper;
}

// Malformed input in a charset of two- or four-byte units is skipped a unit at a time, so that
// the units after it stay aligned.
std::size_t TwoByteUnit(std::string_view) {
    return 2;
}
std::size_t FourByteUnit(std::string_view) {
    return 4;
}
auto UnitWidthOf(std::string_view iconvName) -> std::size_t (*)(std::string_view) {
    if (iconvName.starts_with("UTF-16") || iconvName.starts_with("UCS-2")) return TwoByteUnit;
    if (iconvName.starts_with("UTF-32") || iconvName.starts_with("UCS-4")) return FourByteUnit;
    return nullptr;
}

// Width of the GB18030 character at the start of rest, so that one the target cannot hold
// becomes one '?'.
std::size_t Gb18030CharWidth(std::string_view rest) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    if (byte(0) < 0x80 || rest.size() < 2) return 1;
    if (rest.size() >= 4 && byte(1) >= 0x30 && byte(1) <= 0x39) return 4;
    return 2;
}

// The program text of bytes in charset, ending before its first U+0000; nullopt for an unknown
// charset.
std::optional<TextBuffer> DecodeText(ByteView bytes, const std::string& charset) {
    std::string_view input(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (charset == "UTF-8") return Utf8ToText(input);
    iconv_t handle = detail::CachedIconv(kProgramCharset, charset);
    if (handle == nullptr) return std::nullopt;
    TextBuffer text = detail::ConvertAll(handle, input, {kReplacementText, kReplacementText},
                                         UnitWidthOf(charset));
    text.resize(std::min(text.find('\0'), text.size()));
    return text;
}

// The bytes of a program text in charset; nullopt for an unknown charset.
std::optional<ByteBuffer> EncodeText(std::string_view text, const std::string& charset) {
    if (charset == kProgramCharset) return TextToBytes(text);
    iconv_t handle = detail::CachedIconv(charset, kProgramCharset);
    if (handle == nullptr) return std::nullopt;
    std::string encoded = detail::ConvertAll(handle, text, {"?", "?"}, Gb18030CharWidth);
    return ByteBuffer(encoded.begin(), encoded.end());
}

}  // namespace

ByteBuffer ConvertCharset(ByteView bytes, std::string_view fromCharset, std::string_view toCharset,
                          std::optional<int> skip) {
    if (fromCharset.empty()) fromCharset = kDefaultSourceCharset;
    if (toCharset.empty()) toCharset = kProgramCharset;
    return ConvertThroughStream(bytes, fromCharset, toCharset, skip.value_or(0), skip.has_value());
}

ByteBuffer ConvertThroughStream(ByteView bytes, std::string_view fromCharset,
                                std::string_view toCharset, int skip, bool skipGiven) {
    std::string from = IconvName(fromCharset);
    std::string to = IconvName(toCharset);
    if (from.empty() || to.empty()) return {};
    std::optional<TextBuffer> text = DecodeText(bytes, from);
    if (!text) return {};
    std::optional<ByteBuffer> encoded = EncodeText(*text, to);
    if (!encoded) return {};
    // A skip past the end leaves nothing; a negative one drops nothing.
    if (skipGiven && skip > 0) {
        std::size_t drop = std::min(static_cast<std::size_t>(skip), encoded->size());
        encoded->erase(encoded->begin(), encoded->begin() + static_cast<std::ptrdiff_t>(drop));
    }
    return std::move(*encoded);
}

}  // namespace velmora
