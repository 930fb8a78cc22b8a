#include "encoding/CodePage.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "encoding/detail/Iconv.h"

namespace velmora {
namespace {

constexpr const char* kUtf16Charset = "UTF-16LE";
constexpr std::string_view kUtf16Replacement = "\xFD\xFF";  // U+FFFD, low byte first
constexpr std::uint16_t kReplacementUnit = 0xFFFD;

struct CodePageName {
    int codePage;
    const char* charset;
};

// The Windows code pages a chat text plausibly arrives in, by their iconv names.
constexpr CodePageName kCodePages[] = {
    {kSystemCodePage, "GB18030"},
    {kGbkCodePage, "GB18030"},
    {54936, "GB18030"},
    {kUtf8CodePage, "UTF-8"},
    {20127, "ASCII"},
    {20936, "GB2312"},
    {950, "CP950"},
    {932, "CP932"},
    {949, "CP949"},
    {874, "WINDOWS-874"},
    {1250, "WINDOWS-1250"},
    {1251, "WINDOWS-1251"},
    {1252, "WINDOWS-1252"},
    {1253, "WINDOWS-1253"},
    {1254, "WINDOWS-1254"},
    {1255, "WINDOWS-1255"},
    {1256, "WINDOWS-1256"},
    {1257, "WINDOWS-1257"},
    {1258, "WINDOWS-1258"},
    {437, "IBM437"},
    {850, "IBM850"},
    {866, "IBM866"},
    {20866, "KOI8-R"},
    {21866, "KOI8-U"},
    {20932, "EUC-JP"},
    {51932, "EUC-JP"},
    {51949, "EUC-KR"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28595, "ISO-8859-5"},
    {28597, "ISO-8859-7"},
    {28605, "ISO-8859-15"},
};

std::uint16_t UnitAt(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
bool IsHighSurrogate(std::uint16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(std::uint16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Width of the UTF-16LE character at the start of rest, so that one the target cannot hold is
// skipped whole: a surrogate pair becomes one '?', not two.
std::size_t Utf16CharWidth(std::string_view rest) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(rest.data());
    return rest.size() >= 4 && IsHighSurrogate(UnitAt(p)) ? 4 : 2;
}

// The units of source up to and including its zero unit, each lone surrogate replaced by U+FFFD.
// iconv rejects a lone surrogate as malformed, and skipping it a byte at a time would shift
// every later unit by one byte.
std::string TerminatedUnits(const std::uint8_t* source) {
    std::string units;
    for (const std::uint8_t* p = source;; p += 2) {
        std::uint16_t unit = UnitAt(p);
        if (IsHighSurrogate(unit) && IsLowSurrogate(UnitAt(p + 2))) {
            units.append(reinterpret_cast<const char*>(p), 4);
            p += 2;
            continue;
        }
        if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) unit = kReplacementUnit;
        units.push_back(static_cast<char>(unit & 0xFF));
        units.push_back(static_cast<char>(unit >> 8));
        if (unit == 0) return units;
    }
}

// The size query or the fill of a code-page service, for a result already converted.
int Deliver(std::string_view converted, std::span<std::uint8_t> out, std::size_t unitSize) {
    int units = static_cast<int>(converted.size() / unitSize);
    if (out.empty()) return units;
    if (out.size() < converted.size()) return 0;
    std::memcpy(out.data(), converted.data(), converted.size());
    return units;
}

// The bytes of buffer before its first zero byte, as a new buffer.
ByteBuffer BeforeFirstZero(ByteView buffer) {
    return ByteBuffer(buffer.begin(), std::find(buffer.begin(), buffer.end(), 0));
}

}  // namespace

const char* CodePageCharset(int codePage) {
    for (const CodePageName& entry : kCodePages) {
        if (entry.codePage == codePage) return entry.charset;
    }
    return nullptr;
}

int MultiByteToUtf16(int codePage, const char* source, std::span<std::uint8_t> out) {
    const char* charset = CodePageCharset(codePage);
    if (charset == nullptr) return 0;
    iconv_t handle = detail::CachedIconv(kUtf16Charset, charset);
    if (handle == nullptr) return 0;
    std::string_view input(source, std::strlen(source) + 1);
    std::string converted = detail::ConvertAll(handle, input, {kUtf16Replacement, {}});
    return Deliver(converted, out, 2);
}

int Utf16ToMultiByte(int codePage, const std::uint8_t* source, std::span<std::uint8_t> out) {
    const char* charset = CodePageCharset(codePage);
    if (charset == nullptr) return 0;
    iconv_t handle = detail::CachedIconv(charset, kUtf16Charset);
    if (handle == nullptr) return 0;
    std::string converted =
        detail::ConvertAll(handle, TerminatedUnits(source), {"?", "?"}, Utf16CharWidth);
    return Deliver(converted, out, 1);
}

int Utf16Length(const std::uint8_t* source) {
    int n = 0;
    while (UnitAt(source + 2 * n) != 0) ++n;
    return n;
}

TextBuffer AnsiToUtf8(std::string_view text) {
    ByteBuffer units = AnsiToUtf16(text, false);
    return Utf16ToText(units, kUtf8CodePage, true);
}

ByteBuffer AnsiToUtf16(std::string_view text, bool stripTerminator) {
    ByteBuffer bytes = TextToBytes(text);
    ByteBuffer units = CodePageToUtf16(bytes, kGbkCodePage);
    if (stripTerminator) units = TrimUtf16(units, false);
    return units;
}

ByteBuffer CodePageToUtf16(ByteView bytes, int codePage) {
    ByteBuffer source = ConcatBytes(bytes, ByteBuffer{0});
    if (source[0] == 0) return {};
    const char* string = reinterpret_cast<const char*>(source.data());
    int units = MultiByteToUtf16(codePage, string, {});
    ByteBuffer out = BlankBytes(RealToInt(units * 2.0));
    if (out.empty() || MultiByteToUtf16(codePage, string, out) == 0) return {};
    return out;
}

ByteBuffer TrimUtf16(ByteView utf16, bool keepTerminator) {
    std::size_t length = utf16.size();
    if (length < 2) return {};
    std::size_t i = 0;
    while (i + 2 <= length && UnitAt(&utf16[i]) != 0) i += 2;
    if (i == 0) return {};
    ByteBuffer out(utf16.begin(), utf16.begin() + static_cast<std::ptrdiff_t>(i));
    if (keepTerminator) out.insert(out.end(), {0, 0});
    return out;
}

TextBuffer Utf16ToText(ByteView utf16, int codePage, bool useCodePage) {
    ByteBuffer bytes = Utf16ToCodePage(utf16, useCodePage ? codePage : kSystemCodePage);
    return BytesToText(bytes);
}

ByteBuffer Utf16ToCodePage(ByteView utf16, int codePage) {
    // Only whole units: a trailing odd byte would make the terminator straddle two units.
    ByteBuffer source = ConcatBytes(utf16.first(utf16.size() & ~std::size_t{1}), ByteBuffer{0, 0});
    if (Utf16Length(source.data()) == 0) return {};
    int size = Utf16ToMultiByte(codePage, source.data(), {});
    ByteBuffer out = BlankBytes(size);
    if (out.empty() || Utf16ToMultiByte(codePage, source.data(), out) == 0) return {};
    return BeforeFirstZero(out);
}

}  // namespace velmora
