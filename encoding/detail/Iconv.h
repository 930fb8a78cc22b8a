#pragma once
// The one wrapper around glibc's iconv: an owned handle and a whole-buffer conversion.

#include <iconv.h>

#include <memory>
#include <string>
#include <string_view>

namespace velmora::detail {

struct IconvCloser {
    void operator()(iconv_t handle) const { iconv_close(handle); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// Opens a converter; nullptr when iconv does not know one of the charsets.
IconvHandle OpenIconv(const char* toCharset, const char* fromCharset);

// A converter owned by the calling thread and kept for its later calls with the same pair of
// charsets; nullptr when iconv does not know one of them. Valid until the thread ends; never hand
// it to another thread.
iconv_t CachedIconv(std::string_view toCharset, std::string_view fromCharset);

// What to write in place of input the converter cannot take.
struct Replacement {
    std::string_view forMalformedInput;  // each byte of a malformed or truncated sequence
    std::string_view forUnmappable;      // a valid character the target cannot hold
};

// Converts all of input through handle (reset first). A malformed or truncated sequence in the
// input is replaced and skipped one byte at a time; a character the target cannot hold is
// replaced and skipped as one whole character of the source (sourceCharWidth tells its width).
// An empty replacement drops the input.
std::string ConvertAll(iconv_t handle, std::string_view input, const Replacement& replacement,
                       std::size_t (*sourceCharWidth)(std::string_view rest) = nullptr);

// ConvertAll that appends to out instead of returning a new string, so a caller converting
// piece by piece reuses one buffer.
void ConvertAppend(iconv_t handle, std::string_view input, const Replacement& replacement,
                   std::size_t (*sourceCharWidth)(std::string_view rest), std::string& out);

}  // namespace velmora::detail
