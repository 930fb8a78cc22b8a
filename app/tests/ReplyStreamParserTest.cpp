#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ReplyStreamParser.h"

namespace velmora {
namespace {

std::vector<std::string> ParseInPieces(std::string_view body, std::vector<std::size_t> cuts) {
    std::vector<std::string> events;
    ReplyStreamParser parser([&](std::string_view data) { events.emplace_back(data); });
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        parser.Feed(body.substr(from, cut - from));
        from = cut;
    }
    parser.Feed(body.substr(from));
    parser.Finish();
    return events;
}

std::vector<std::string> Parse(std::string_view body) {
    return ParseInPieces(body, {});
}

TEST(ReplyStreamParser, EventGrammar) {
    struct Case {
        const char* name;
        std::string body;
        std::vector<std::string> events;
    } cases[] = {
        {"one event", "data: {\"a\":1}\n\n", {"{\"a\":1}"}},
        {"several", "data: A\n\ndata: B\n\ndata: [DONE]\n\n", {"A", "B", "[DONE]"}},
        {"CRLF line ends", "data: A\r\n\r\ndata: B\r\n\r\n", {"A", "B"}},
        {"CR line ends", "data: A\r\rdata: B\r\r", {"A", "B"}},
        {"no space after colon", "data:A\n\ndata:  B\n\n", {"A", " B"}},
        {"two data lines join with LF", "data: A\ndata: B\n\n", {"A\nB"}},
        {"comments and other fields",
         ": keep-alive\nevent: message\nid: 7\nretry: 10\ndata: A\n\n",
         {"A"}},
        {"event without data", "event: ping\n\ndata: A\n\n", {"A"}},
        {"unterminated last event", "data: A\n\ndata: B", {"A", "B"}},
        {"empty data line", "data:\n\n", {""}},
        {"field without colon", "data\n\n", {""}},
        {"not a stream", "{\"error\":{\"message\":\"x\"}}", {}},
        {"data: inside the value", "data: say data: [DONE] here\n\n", {"say data: [DONE] here"}},
        {"blank lines only", "\n\n\r\n", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Parse(c.body), c.events) << c.name;
}

TEST(ReplyStreamParser, EverySplitPointGivesTheSameEvents) {
    // Chinese (GB18030 你好), a four-byte character and an escaped backslash-n; CRLF and CR ends.
    const std::string body =
        ": hi\r\ndata: {\"c\":\"\xC4\xE3\xBA\xC3\"}\r\n\r\ndata: "
        "{\"c\":\"\x94\x39\xFC\x36\\\\n\"}\r\r"
        "data: A\ndata: B\n\ndata: [DONE]\n\n";
    const auto whole = Parse(body);
    ASSERT_EQ(whole.size(), 4u);
    for (std::size_t i = 0; i <= body.size(); ++i) {
        EXPECT_EQ(ParseInPieces(body, {i}), whole) << "cut at " << i;
        for (std::size_t j = i; j <= body.size(); j += 7) {
            ASSERT_EQ(ParseInPieces(body, {i, j}), whole) << "cuts at " << i << ", " << j;
        }
    }
}

}  // namespace
}  // namespace velmora
