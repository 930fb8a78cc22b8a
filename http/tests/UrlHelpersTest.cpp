#include <gtest/gtest.h>

#include "http/HeaderPair.h"
#include "http/UrlHelpers.h"

namespace velmora {
namespace {

struct UrlCase {
    const char* url;
    const char* host;
    const char* hostWithPort;
    int port;
    const char* path;
};

TEST(UrlHelpers, TakesUrlsApart) {
    const UrlCase cases[] = {
        {"https://api.example.com/v1/chat", "api.example.com", "api.example.com", 443, "/v1/chat"},
        {"HTTPS://Api.Example.COM/V1/Chat?Q=A#F", "api.example.com", "api.example.com", 443,
         "/V1/Chat?Q=A#F"},
        {"https://example.com", "example.com", "example.com", 443, "/"},
        {"https://example.com/", "example.com", "example.com", 443, "/"},
        {"https://example.com:8443/x", "example.com", "example.com:8443", 8443, "/x"},
        {"http://example.com/x", "example.com", "example.com", 80, "/x"},
        {"Http://Example.com:8080", "example.com", "example.com:8080", 8080, "/"},
        {"example.com/x/y", "example.com", "example.com", 80, "/x/y"},
        {"127.0.0.1:8080/api", "127.0.0.1", "127.0.0.1:8080", 8080, "/api"},
        {"https://example.com:/x", "example.com", "example.com:", 0, "/x"},
        {"https://example.com?q=1", "example.com?q=1", "example.com?q=1", 443, "/"},
        // One-letter hosts that also occur inside the scheme.
        {"https://s/x", "s", "s", 443, "/x"},
        {"http://h/p", "h", "h", 80, "/p"},
        {"https://t:99/P", "t", "t:99", 99, "/P"},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(GetUrlHost(c.url, false), c.host);
        EXPECT_EQ(GetUrlHost(c.url, true), c.hostWithPort);
        EXPECT_EQ(GetUrlPort(c.url), c.port);
        EXPECT_EQ(GetUrlPath(c.url), c.path);
    }
}

TEST(UrlHelpers, HttpsSchemeInAnyCase) {
    EXPECT_TRUE(IsHttpsUrl("https://a/"));
    EXPECT_TRUE(IsHttpsUrl("HTTPS://a/"));
    EXPECT_FALSE(IsHttpsUrl("http://a/"));
    EXPECT_FALSE(IsHttpsUrl("a/https://"));
    EXPECT_FALSE(IsHttpsUrl(""));
}

TEST(UrlHelpers, CutsTexts) {
    struct Case {
        const char* text;
        const char* start;
        const char* end;
        const char* between;
    };
    const Case between[] = {
        {"a[b]c", "[", "]", "b"},
        {"a[]c", "[", "]", ""},
        {"abc", "[", "]", ""},
        {"a[bc", "[", "]", ""},
        {"x]a[b]", "[", "]", "b"},
        // "#引号" stands for a double quote.
        {"say \"hi\" now", "#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", "hi"},
    };
    for (const Case& c : between) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextBetween(c.text, c.start, c.end), c.between);
    }
    EXPECT_EQ(TextLeftOf("a:b:c", ":"), "a");
    EXPECT_EQ(TextLeftOf(":b", ":"), "");
    EXPECT_EQ(TextLeftOf("abc", ":"), "");
    EXPECT_EQ(TextRightOf("a:b:c", ":"), "c");
    EXPECT_EQ(TextRightOf("a::b", "::"), "b");
    EXPECT_EQ(TextRightOf("ab::", "::"), "");
    EXPECT_EQ(TextRightOf("abc", ":"), "");
}

TEST(HeaderPairs, FromHeaderText) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* text;
        Pairs pairs;
    };
    const Case cases[] = {
        {"", {}},
        {"Content-Type: application/json", {{"Content-Type", " application/json"}}},
        {"Host: a:8080", {{"Host", " a:8080"}}},
        {"X-Url:https://a.example/b?c=d:e", {{"X-Url", "https://a.example/b?c=d:e"}}},
        {"Authorization: Bearer k\r\nContent-Type: t\r\n",
         {{"Authorization", " Bearer k"}, {"Content-Type", " t"}}},
        {"A: 1\r\n\r\nB: 2", {{"A", " 1"}, {"", ""}, {"B", " 2"}}},
        {"NoColon", {{"", ""}}},
        {":v", {{"", "v"}}},
        {"N:", {{"N", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Pairs got;
        for (const HeaderPair& pair : HeaderPairsFromText(c.text)) {
            got.emplace_back(pair.name, pair.value);
        }
        EXPECT_EQ(got, c.pairs);
    }
}

}  // namespace
}  // namespace velmora
