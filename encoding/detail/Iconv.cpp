#include "encoding/detail/Iconv.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace velmora::detail {

IconvHandle OpenIconv(const char* toCharset, const char* fromCharset) {
    iconv_t handle = iconv_open(toCharset, fromCharset);
    if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(handle);
}

iconv_t CachedIconv(std::string_view toCharset, std::string_view fromCharset) {
    struct Entry {
        std::string to, from;
        IconvHandle handle;
    };
    // A thread meets only a handful of charset pairs; the bound keeps a caller that cycles
    // through many names from growing the cache without end.
    constexpr std::size_t kMaxEntries = 16;
    thread_local std::vector<Entry> cache;
    for (const Entry& e : cache) {
        if (e.to == toCharset && e.from == fromCharset) return e.handle.get();
    }
    Entry entry{std::string(toCharset), std::string(fromCharset), nullptr};
    entry.handle = OpenIconv(entry.to.c_str(), entry.from.c_str());
    if (!entry.handle) return nullptr;
    if (cache.size() == kMaxEntries) cache.erase(cache.begin());
    cache.push_back(std::move(entry));
    return cache.back().handle.get();
}

std::string ConvertAll(iconv_t handle, std::string_view input, const Replacement& replacement,
                       std::size_t (*sourceCharWidth)(std::string_view rest)) {
    std::string out;
    ConvertAppend(handle, input, replacement, sourceCharWidth, out);
    return out;
}

void ConvertAppend(iconv_t handle, std::string_view input, const Replacement& replacement,
                   std::size_t (*sourceCharWidth)(std::string_view rest), std::string& out) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    std::size_t written = out.size();
    out.resize(written + input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
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
                skip = std::min(w, inLeft);
                text = replacement.forUnmappable;
            }
        }
        if (out.size() < written + text.size()) out.resize(written + text.size() + 16);
        out.replace(written, text.size(), text);
        written += text.size();
        in += skip;
        inLeft -= skip;
    }
    // Flush any shift state (a stateful charset such as ISO-2022-JP ends with an escape).
    if (out.size() < written + 16) out.resize(written + 16);
    char* outPtr = out.data() + written;
    std::size_t outLeft = out.size() - written;
    iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
    written = static_cast<std::size_t>(outPtr - out.data());
    out.resize(written);
}

}  // namespace velmora::detail
