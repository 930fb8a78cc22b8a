#include "encoding/detail/Iconv.h"

#include <cerrno>

namespace velmora::detail {

IconvHandle OpenIconv(const char* toCharset, const char* fromCharset) {
    iconv_t handle = iconv_open(toCharset, fromCharset);
    if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(handle);
}

std::string ConvertAll(iconv_t handle, std::string_view input, const Replacement& replacement,
                       std::size_t (*sourceCharWidth)(std::string_view rest)) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + written;
        std::size_t outLeft = out.size() - written;
        std::size_t r = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        written = static_cast<std::size_t>(outPtr - out.data());
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: input the converter cannot take at `in`. glibc reports a valid
        // character that the target cannot hold as EILSEQ too; the caller's width function
        // tells the two apart when it can.
        std::size_t skip = 1;
        std::string_view text = replacement.forMalformedInput;
        if (sourceCharWidth != nullptr) {
            if (std::size_t w = sourceCharWidth(std::string_view(in, inLeft)); w > 0) {
                skip = w;
                text = replacement.forUnmappable;
            }
        }
        if (out.size() < written + text.size()) out.resize(written + text.size() + 16);
        out.replace(written, text.size(), text);
        written += text.size();
        in += skip;
        inLeft -= skip;
    }
    // Flush any shift state (none of the charsets used here has one, but it costs nothing).
    char* outPtr = out.data() + written;
    std::size_t outLeft = out.size() - written;
    iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
    written = static_cast<std::size_t>(outPtr - out.data());
    out.resize(written);
    return out;
}

}  // namespace velmora::detail
