#include <gtest/gtest.h>

#include "app/ChatExchange.h"
#include "app/tests/FaultyServices.h"
#include "app/tests/RecordingWindow.h"
#include "encoding/Utf8Text.h"
#include "json/JsonDocument.h"
#include "tests/support/TestServer.h"

namespace velmora {
namespace {

using namespace testing;
using namespace testsupport;

constexpr const char* kKey = "sk-test-0123456789abcdefghijklmnopqrstuvwxyz";

class ChatExchangeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TrustTestCa(); }

    ChatConfig Config(const TestServer& server) {
        return ChatConfig{.url = server.Url("/api/v1/chat/completions"),
                          .key = kKey,
                          .model = "gpt-3.5-turbo",
                          .configFile = "/nowhere/velmora.conf"};
    }

    // Types text (UTF-8) into the input box and presses Send once.
    bool Send(const ChatConfig& config, std::string_view utf8Input) {
        window.SetControlText(Control::InputBox, Utf8ToText(utf8Input));
        return SendChatMessage(window, config);
    }

    RecordingWindow window;
};

TEST_F(ChatExchangeTest, TranscriptOrderOverHttps) {
    TestServer server(EchoingService(), &TestCertificates().localhost);
    EXPECT_TRUE(Send(Config(server), "你好, 😀 world"));
    EXPECT_EQ(window.TranscriptUtf8(), "我说：你好, 😀 world\r\n\r\nAI说：你好, 😀 world\r\n\r\n");
    EXPECT_EQ(window.ReadControlText(Control::InputBox), "");
    EXPECT_FALSE(window.SendDisabled());
}

TEST_F(ChatExchangeTest, EmptyInputRunsAFullExchange) {
    TestServer server(EchoingService());
    EXPECT_TRUE(Send(Config(server), ""));
    EXPECT_EQ(window.TranscriptUtf8(), "我说：\r\n\r\nAI说：\r\n\r\n");
    ASSERT_EQ(server.Requests().size(), 1u);
}

TEST_F(ChatExchangeTest, RequestBytesExactly) {
    TestServer server(EchoingService());
    Send(Config(server), "hello");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const ReceivedRequest& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/api/v1/chat/completions");
    EXPECT_EQ(request.Header("Authorization"), std::string("Bearer ") + kKey);
    EXPECT_EQ(request.Header("Content-Type"), "application/json");
    EXPECT_EQ(request.body,
              "{\"stream\":true,\"temperature\":0.7,\"messages\":[{\"role\":\"user\",\"content\":"
              "\"hello\"}],\"max_tokens\":800,\"top_p\":1,\"frequency_penalty\":0,\"model\":"
              "\"gpt-3.5-turbo\",\"presence_penalty\":0}");
}

TEST_F(ChatExchangeTest, ContentDecodesToExactlyTheInput) {
    TestServer server(EchoingService());
    const std::string inputs[] = {
        "say \"hi\" and 'bye'",
        "back\\slash, \\n, trailing\\",
        "two\r\nlines",
        "separators \u2028 and \u2029, tab\t",
        "中文和😀",
        "#换行符 stays",
    };
    for (const auto& input : inputs) {
        Send(Config(server), input);
        auto requests = server.Requests();
        ASSERT_FALSE(requests.empty());
        JsonDocument body;
        ASSERT_TRUE(body.LoadStrictJson(Utf8ToText(requests.back().body))) << requests.back().body;
        EXPECT_EQ(TextToUtf8(body.GetText("messages[0].content")), input);
        // The stand-in echoes the content: the reply shows the text, its line break as CR LF.
        EXPECT_NE(window.TranscriptUtf8().rfind("AI说：" + input), std::string::npos) << input;
    }
}

TEST_F(ChatExchangeTest, ModelFromTheConfiguration) {
    TestServer server(EchoingService());
    ChatConfig config = Config(server);
    config.model = "local-model";
    Send(config, "x");
    EXPECT_NE(server.Requests().at(0).body.find("\"model\":\"local-model\",\"presence_penalty\""),
              std::string::npos);
}

TEST_F(ChatExchangeTest, NotConfiguredKeepsTheInputAndSend) {
    ChatConfig config{.url = "",
                      .key = "",
                      .model = "gpt-3.5-turbo",
                      .configFile = "/home/u/.config/velmora/velmora.conf"};
    EXPECT_FALSE(Send(config, "keep me"));
    std::string transcript = window.TranscriptUtf8();
    EXPECT_NE(transcript.find("VELMORA_API_URL"), std::string::npos);
    EXPECT_NE(transcript.find("VELMORA_API_KEY"), std::string::npos);
    EXPECT_NE(transcript.find("/home/u/.config/velmora/velmora.conf"), std::string::npos);
    EXPECT_EQ(transcript.find("我说："), std::string::npos);
    EXPECT_EQ(TextToUtf8(window.ReadControlText(Control::InputBox)), "keep me");
    EXPECT_FALSE(window.SendDisabled());
}

TEST_F(ChatExchangeTest, FailuresEndWithANoticeAndAUsableSend) {
    struct Case {
        const char* name;
        RequestHandler handler;
        std::string notice;
    } cases[] = {
        {"error status", RefusingTheKey(std::string("Invalid API key ") + kKey),
         "（请求失败：HTTP 401 Invalid API key ***）"},
        {"close mid-stream", BreakingOffAfter("partial", BreakOff::close),
         "partial\r\n（请求失败：connection closed before the reply was complete）"},
    };
    for (auto& c : cases) {
        TestServer server(c.handler);
        EXPECT_FALSE(Send(Config(server), "question")) << c.name;
        std::string transcript = window.TranscriptUtf8();
        EXPECT_NE(transcript.find("AI说：" + c.notice + "\r\n\r\n"), std::string::npos)
            << c.name << ": " << transcript;
        EXPECT_EQ(transcript.find(kKey), std::string::npos) << c.name;
        EXPECT_FALSE(window.SendDisabled()) << c.name;
    }
}

TEST_F(ChatExchangeTest, RefusedConnection) {
    unsigned short port;
    {
        TestServer server(EchoingService());
        port = server.Port();
    }
    ChatConfig config{.url = "http://127.0.0.1:" + std::to_string(port) + "/v1/chat/completions",
                      .key = kKey,
                      .model = "m",
                      .configFile = ""};
    EXPECT_FALSE(Send(config, "anyone?"));
    EXPECT_EQ(window.TranscriptUtf8(),
              "我说：anyone?\r\n\r\nAI说：（请求失败：connection refused）\r\n\r\n");
    EXPECT_FALSE(window.SendDisabled());
}

}  // namespace
}  // namespace velmora
