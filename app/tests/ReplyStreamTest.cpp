#include <gtest/gtest.h>

#include "app/ReplyStream.h"
#include "app/tests/RecordingWindow.h"

namespace velmora {
namespace {

using testing::RecordingWindow;

// A chunk event carrying one delta, as the services send it (content is raw JSON text).
std::string Delta(std::string_view jsonString) {
    return "data: {\"id\":\"c1\",\"object\":\"chat.completion.chunk\",\"choices\":[{\"index\":0,"
           "\"delta\":{\"content\":" +
           std::string(jsonString) + "},\"finish_reason\":null}]}\n\n";
}
const std::string kRoleOnly =
    "data: {\"choices\":[{\"index\":0,\"delta\":{\"role\":\"assistant\"}}]}\n\n";
const std::string kDone = "data: [DONE]\n\n";

struct StreamRun {
    std::string transcript;
    bool completed;
    bool sendDisabled;
};

// Feeds the body cut at the given offsets, then finishes with the given result.
StreamRun Stream(std::string_view body, std::vector<std::size_t> cuts = {}, int status = 200,
                 HttpResult result = {true, 200, ""}, std::string secret = "sk-secret") {
    RecordingWindow window;
    window.SetControlDisabled(Control::SendButton, true);
    ReplyStream reply(
        window, [status] { return status; }, secret);
    auto feed = [&](std::string_view piece) {
        reply.OnReplyChunk(1, 2, reinterpret_cast<std::uintptr_t>(piece.data()), piece.size());
    };
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        feed(body.substr(from, cut - from));
        from = cut;
    }
    feed(body.substr(from));
    result.status = result.status ? result.status : status;
    bool completed = reply.Finish(result);
    return {window.TranscriptUtf8(), completed, window.SendDisabled()};
}

TEST(ReplyStream, CompleteStreams) {
    struct Case {
        const char* name;
        std::string body;
        std::string transcript;
    } cases[] = {
        {"one event", Delta("\"hi\"") + kDone, "hi\r\n\r\n"},
        {"several in order", kRoleOnly + Delta("\"a\"") + Delta("\"b\"") + Delta("\"c\"") + kDone,
         "abc\r\n\r\n"},
        {"line breaks become CR LF", Delta("\"1\\n2\\r\\n3\\r4\"") + kDone,
         "1\r\n2\r\n3\r\n4\r\n\r\n"},
        {"CR LF split between deltas", Delta("\"1\\r\"") + Delta("\"\\n2\"") + kDone,
         "1\r\n2\r\n\r\n"},
        {"escaped backslash-n stays two characters", Delta("\"a\\\\nb\"") + kDone, "a\\nb\r\n\r\n"},
        {"placeholder text stays", Delta("\"x#换行符y\"") + kDone, "x#换行符y\r\n\r\n"},
        {"end marker inside a delta is text", Delta("\"see [DONE] and data: x\"") + kDone,
         "see [DONE] and data: x\r\n\r\n"},
        {"null content, empty choices, not JSON, no delta",
         "data: {\"choices\":[{\"delta\":{\"content\":null}}]}\n\ndata: {\"choices\":[]}\n\n"
         "data: not json\n\ndata: {}\n\n" +
             Delta("\"ok\"") + kDone,
         "ok\r\n\r\n"},
        {"script is not run",
         "data: (function(){return {choices:[{delta:{content:'x'}}]}})()\n\n" + kDone, "\r\n\r\n"},
        {"second end event and later events change nothing",
         Delta("\"a\"") + kDone + Delta("\"b\"") + kDone, "a\r\n\r\n"},
        {"end marker with white space", Delta("\"a\"") + "data:  [DONE] \n\n", "a\r\n\r\n"},
        {"CR line ends and no space",
         "data:{\"choices\":[{\"delta\":{\"content\":\"z\"}}]}\r\rdata:[DONE]\r\r", "z\r\n\r\n"},
        {"unterminated last end event", Delta("\"a\"") + "data: [DONE]", "a\r\n\r\n"},
        {"Chinese and four-byte characters", Delta("\"你好😀\"") + kDone, "你好😀\r\n\r\n"},
        {"escaped unicode", Delta("\"\\u4f60\\ud83d\\ude00\"") + kDone, "你😀\r\n\r\n"},
    };
    for (const auto& c : cases) {
        StreamRun run = Stream(c.body);
        EXPECT_EQ(run.transcript, c.transcript) << c.name;
        EXPECT_TRUE(run.completed) << c.name;
        EXPECT_FALSE(run.sendDisabled) << c.name;
    }
}

TEST(ReplyStream, EverySplitPointGivesTheSameTranscript) {
    const std::string body =
        ": comment\r\n" + kRoleOnly + Delta("\"你好\"") + Delta("\"😀 a\\\\nb\"") +
        "data: {\"choices\":[{\"delta\":{\"content\":\"\\n末\"}}]}\r\n\r\n" + kDone;
    const std::string want = "你好😀 a\\nb\r\n末\r\n\r\n";
    for (std::size_t i = 0; i <= body.size(); ++i) {
        StreamRun run = Stream(body, {i});
        ASSERT_EQ(run.transcript, want) << "cut at " << i;
        ASSERT_TRUE(run.completed);
    }
    // Many small chunks: every byte on its own.
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < body.size(); ++i) everyByte.push_back(i);
    EXPECT_EQ(Stream(body, everyByte).transcript, want);
}

TEST(ReplyStream, FailuresEndWithANotice) {
    struct Case {
        const char* name;
        std::string body;
        int status;
        HttpResult result;
        std::string transcript;
    } cases[] = {
        {"error status with JSON body",
         "{\"error\":{\"message\":\"Invalid API key\",\"type\":\"x\"}}",
         401,
         {true, 401, ""},
         "（请求失败：HTTP 401 Invalid API key）\r\n\r\n"},
        {"error status with text body",
         "Bad gateway\r\nmore",
         502,
         {true, 502, ""},
         "（请求失败：HTTP 502 Bad gateway）\r\n\r\n"},
        {"error status with empty body",
         "",
         500,
         {true, 500, ""},
         "（请求失败：HTTP 500）\r\n\r\n"},
        {"request failed",
         "",
         200,
         {false, 0, "connection refused"},
         "（请求失败：connection refused）\r\n\r\n"},
        {"closed mid-stream keeps the text",
         Delta("\"par\"") + "data: {\"cho",
         200,
         {false, 200, "connection closed before the reply was complete"},
         "par\r\n（请求失败：connection closed before the reply was complete）\r\n\r\n"},
        {"body without end event",
         Delta("\"part\""),
         200,
         {true, 200, ""},
         "part\r\n（回复不完整：连接在结束标记之前关闭）\r\n\r\n"},
        {"error event in the stream",
         Delta("\"a\"") + "data: {\"error\":{\"message\":\"overloaded\"}}\n\n",
         200,
         {true, 200, ""},
         "a\r\n（服务返回错误：overloaded）\r\n\r\n"},
        {"secret masked",
         "{\"error\":{\"message\":\"bad key sk-secret here\"}}",
         401,
         {true, 401, ""},
         "（请求失败：HTTP 401 bad key *** here）\r\n\r\n"},
    };
    for (const auto& c : cases) {
        StreamRun run = Stream(c.body, {}, c.status, c.result);
        EXPECT_EQ(run.transcript, c.transcript) << c.name;
        EXPECT_FALSE(run.completed) << c.name;
        EXPECT_FALSE(run.sendDisabled) << c.name;
    }
}

TEST(ReplyStream, TransportFailureAfterTheEndEventChangesNothing) {
    StreamRun run = Stream(Delta("\"a\"") + kDone, {}, 200, {false, 200, "connection closed"});
    EXPECT_EQ(run.transcript, "a\r\n\r\n");
    EXPECT_TRUE(run.completed);
}

TEST(ReplyStream, LongErrorTextIsCut) {
    std::string body = "{\"error\":{\"message\":\"" + std::string(5000, 'x') + "\"}}";
    StreamRun run = Stream(body, {}, 400, {true, 400, ""});
    EXPECT_LT(run.transcript.size(), 400u);
    EXPECT_NE(run.transcript.find("…）"), std::string::npos);
}

}  // namespace
}  // namespace velmora
