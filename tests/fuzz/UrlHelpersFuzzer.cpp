// The URL and header helpers: any text is taken apart without a fault, the pieces fit back into
// the text they were cut from, and a well-formed URL assembled from parts gives those parts back.

#include <cstdint>
#include <string>

#include "encoding/TextBuffer.h"
#include "http/HeaderPair.h"
#include "http/UrlHelpers.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"

namespace velmora::fuzz {
namespace {

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

void CheckAnyUrl(std::string_view url) {
    const TextBuffer hostAndPort = GetUrlHost(url, true);
    const TextBuffer host = GetUrlHost(url, false);
    FUZZ_CHECK(StartsWith(hostAndPort, host));
    FUZZ_CHECK(ToLowerAscii(hostAndPort) == hostAndPort);
    FUZZ_CHECK(FindText(hostAndPort, "/") == -1);
    FUZZ_CHECK(FindText(host, ":") == -1);
    const bool hasPort = host != hostAndPort;
    if (hasPort) FUZZ_CHECK(hostAndPort[host.size()] == ':');

    const int port = GetUrlPort(url);
    if (!hasPort) FUZZ_CHECK(port == (IsHttpsUrl(url) ? 443 : 80));
    FUZZ_CHECK(IsHttpsUrl(url) == StartsWith(ToLowerAscii(url), "https://"));

    const TextBuffer path = GetUrlPath(url);
    FUZZ_CHECK(StartsWith(path, "/"));
    FUZZ_CHECK(path == "/" || EndsWith(url, path));
}

// Keeps the bytes a host name is made of, so that the assembled URL is one the helpers must read
// exactly.
TextBuffer HostName(std::string_view raw) {
    TextBuffer out;
    for (char c : raw) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '-') {
            out += c;
        }
    }
    return out;
}

void CheckAssembledUrl(std::string_view rawHost, std::string_view rawPath, std::uint8_t scheme,
                       std::uint16_t port, bool withPort) {
    const TextBuffer host = HostName(rawHost);
    if (host.empty()) return;
    // Without a scheme, an "http://" later in the URL is taken for the scheme.
    static constexpr std::string_view kSchemes[] = {"https://", "http://", "HTTPS://", "HtTp://",
                                                    ""};
    const std::string_view prefix = kSchemes[scheme % std::size(kSchemes)];
    if (prefix.empty() && FindText(rawPath, "http://", std::nullopt, true) != -1) return;
    const bool https = FindText(prefix, "https", std::nullopt, true) == 1;

    const TextBuffer path = rawPath.empty() ? TextBuffer() : ConcatText("/", rawPath);
    const TextBuffer portText = withPort ? IntToText(port) : TextBuffer();
    const TextBuffer url = ConcatText(prefix, host, withPort ? ":" : "", portText, path);

    FUZZ_CHECK(GetUrlHost(url, false) == ToLowerAscii(host));
    FUZZ_CHECK(GetUrlHost(url, true) ==
               ConcatText(ToLowerAscii(host), withPort ? ":" : "", portText));
    FUZZ_CHECK(GetUrlPort(url) == (withPort ? port : (https ? 443 : 80)));
    FUZZ_CHECK(GetUrlPath(url) == (path.empty() ? "/" : path));
    FUZZ_CHECK(IsHttpsUrl(url) == https);
}

void CheckCutters(std::string_view text, std::string_view first, std::string_view second) {
    const TextBuffer left = TextLeftOf(text, first);
    if (FindText(text, first) == -1) {
        FUZZ_CHECK(left.empty());
    } else {
        FUZZ_CHECK(StartsWith(text, ConcatText(left, first)));
        if (!first.empty()) FUZZ_CHECK(FindText(left, first) == -1);
    }

    const TextBuffer right = TextRightOf(text, first);
    if (FindTextReverse(text, first) == -1) {
        FUZZ_CHECK(right.empty());
    } else {
        FUZZ_CHECK(EndsWith(text, ConcatText(first, right)));
    }

    // A "#" might spell the quote placeholder, which changes the markers; leave those alone.
    if (first.find('#') != std::string_view::npos || second.find('#') != std::string_view::npos) {
        (void)TextBetween(text, first, second);
        return;
    }
    const TextBuffer between = TextBetween(text, first, second);
    if (!between.empty()) {
        FUZZ_CHECK(StartsWith(text, ConcatText(TextLeftOf(text, first), first, between, second)));
        FUZZ_CHECK(FindText(between, second) == -1);
    }
}

void CheckHeaders(std::string_view headerText) {
    const std::vector<HeaderPair> pairs = HeaderPairsFromText(headerText);
    const TextArray lines = SplitText(headerText, "\r\n");
    FUZZ_CHECK(pairs.size() == lines.size());
    for (std::size_t i = 0; i < pairs.size() && i < lines.size(); ++i) {
        const HeaderPair& pair = pairs[i];
        if (FindText(lines[i], ":") == -1) {
            FUZZ_CHECK(pair.name.empty() && pair.value.empty());
        } else {
            FUZZ_CHECK(ConcatText(pair.name, ":", pair.value) == lines[i]);
            FUZZ_CHECK(FindText(pair.name, ":") == -1);
        }
    }
}

}  // namespace
}  // namespace velmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::fuzz;
    FuzzInput input(data, size);
    const std::uint8_t scheme = input.TakeByte();
    const bool withPort = input.TakeBool();
    const auto port = static_cast<std::uint16_t>(input.TakeInt());
    const std::string_view text = input.TakeText();
    const std::string_view first = input.TakeText();
    const std::string_view second = input.TakeText();

    CheckAnyUrl(text);
    CheckAssembledUrl(first, second, scheme, port, withPort);
    CheckCutters(text, first, second);
    CheckHeaders(text);
    return 0;
}
