#include "encoding/Utf8Decoder.h"

#include "encoding/Utf8Text.h"
#include "encoding/detail/Utf8Sequence.h"

namespace velmora {
namespace {

using detail::ScanSequence;
using detail::Sequence;
using detail::Utf8CharWidth;

void AppendReplacements(std::size_t count, TextBuffer& out) {
    for (std::size_t i = 0; i < count; ++i) out.append(kReplacementText);
}

}  // namespace

Utf8StreamDecoder::Utf8StreamDecoder() : converter(detail::OpenIconv(kProgramCharset, "UTF-8")) {}

TextBuffer Utf8StreamDecoder::Feed(ByteView bytes) {
    return Feed(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

TextBuffer Utf8StreamDecoder::Feed(std::string_view input) {
    TextBuffer out;
    out.reserve(input.size());
    std::size_t pos = CompletePending(input, out);
    std::size_t runStart = pos;  // valid input from here to pos is not yet in out
    while (pos < input.size()) {
        unsigned char b = static_cast<unsigned char>(input[pos]);
        if (b != 0 && b < 0x80) {
            ++pos;
            continue;
        }
        if (b == 0) {
            AppendValid(input.substr(runStart, pos - runStart), out);
            runStart = ++pos;
            continue;
        }
        Sequence s = ScanSequence(input.substr(pos));
        if (s.kind == Sequence::kValid) {
            pos += s.length;
            continue;
        }
        AppendValid(input.substr(runStart, pos - runStart), out);
        if (s.kind == Sequence::kIncomplete) {
            input.copy(pending.data(), s.length, pos);
            pendingLength = s.length;
            return out;
        }
        // One replacement per malformed byte: the bytes after a bad lead are read afresh.
        AppendReplacements(1, out);
        runStart = ++pos;
    }
    AppendValid(input.substr(runStart, pos - runStart), out);
    return out;
}

TextBuffer Utf8StreamDecoder::Finish() {
    TextBuffer out;
    AppendReplacements(pendingLength, out);
    pendingLength = 0;
    return out;
}

std::size_t Utf8StreamDecoder::CompletePending(std::string_view input, TextBuffer& out) {
    std::size_t taken = 0;
    while (pendingLength > 0 && taken < input.size()) {
        pending[pendingLength] = input[taken];
        Sequence s = ScanSequence(std::string_view(pending.data(), pendingLength + 1));
        if (s.kind == Sequence::kInvalid) {
            // The new byte does not continue the character: every kept byte is malformed, and
            // the new byte is read afresh by the caller.
            AppendReplacements(pendingLength, out);
            pendingLength = 0;
            break;
        }
        ++pendingLength;
        ++taken;
        if (s.kind == Sequence::kValid) {
            AppendValid(std::string_view(pending.data(), pendingLength), out);
            pendingLength = 0;
        }
    }
    return taken;
}

void Utf8StreamDecoder::AppendValid(std::string_view utf8, TextBuffer& out) {
    std::size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    out.append(utf8.substr(0, ascii));
    std::string_view rest = utf8.substr(ascii);
    if (rest.empty()) return;
    if (!converter) {  // iconv without its GB18030 module: keep at least the characters' places
        for (char c : rest) {
            unsigned char b = static_cast<unsigned char>(c);
            if (b < 0x80) out.push_back(c);
            if (b >= 0xC0) AppendReplacements(1, out);
        }
        return;
    }
    detail::ConvertAppend(converter.get(), rest, {kReplacementText, kReplacementText},
                          Utf8CharWidth, out);
}

}  // namespace velmora
