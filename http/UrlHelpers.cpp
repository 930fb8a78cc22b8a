#include "http/UrlHelpers.h"

namespace velmora {

namespace {
constexpr std::string_view kHttps = "https://";
constexpr std::string_view kHttp = "http://";
// "#引号" in GB18030.
constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";
}  // namespace

bool IsHttpsUrl(std::string_view url) {
    return TextLeft(ToLowerAscii(url), TextLength(kHttps)) == kHttps;
}

TextBuffer GetUrlHost(std::string_view url, bool keepPort) {
    TextBuffer t = ToLowerAscii(url);
    if (TextRight(t, 1) != "/") t += '/';
    if (TextLeft(t, TextLength(kHttps)) == kHttps) {
        t = TextBetween(t, kHttps, "/");
    } else {
        if (FindText(t, kHttp) == -1) t = ConcatText(kHttp, t);
        t = TextBetween(t, kHttp, "/");
    }
    const int colon = FindText(t, ":");
    if (!keepPort && colon != -1) return TextLeft(t, colon - 1);
    return t;
}

int GetUrlPort(std::string_view url) {
    const TextBuffer hostAndPort = GetUrlHost(url, true);
    const int colon = FindTextReverse(hostAndPort, ":");
    if (colon != -1) return TextToInt(TextRight(hostAndPort, TextLength(hostAndPort) - colon));
    return IsHttpsUrl(url) ? 443 : 80;
}

TextBuffer GetUrlPath(std::string_view url) {
    const TextBuffer host = GetUrlHost(url, false);
    const TextBuffer lower = ToLowerAscii(url);
    int hostStart = 1;
    if (TextLeft(lower, TextLength(kHttps)) == kHttps) {
        hostStart = TextLength(kHttps) + 1;
    } else if (const int scheme = FindText(lower, kHttp); scheme != -1) {
        hostStart = scheme + TextLength(kHttp);
    }
    const int hostAt = FindText(url, host, hostStart, true);
    const int slash = FindText(url, "/", hostAt, true);
    if (slash == -1) return "/";
    return TextRight(url, TextLength(url) - slash + 1);
}

TextBuffer TextBetween(std::string_view text, std::string_view startMarker,
                       std::string_view endMarker) {
    const TextBuffer start = ReplaceText(startMarker, kQuotePlaceholder, "\"");
    const TextBuffer end = ReplaceText(endMarker, kQuotePlaceholder, "\"");
    const int s = FindText(text, start);
    if (s == -1) return {};
    const int contentStart = s + TextLength(start);
    const int e = FindText(text, end, contentStart);
    if (e == -1) return {};
    return TextMid(text, contentStart, e - contentStart);
}

TextBuffer TextLeftOf(std::string_view text, std::string_view separator) {
    const int p = FindText(text, separator);
    if (p == -1) return {};
    return TextLeft(text, p - 1);
}

TextBuffer TextRightOf(std::string_view text, std::string_view separator) {
    const int p = FindTextReverse(text, separator);
    if (p == -1) return {};
    return TextRight(text, TextLength(text) - TextLength(separator) - p + 1);
}

}  // namespace velmora
