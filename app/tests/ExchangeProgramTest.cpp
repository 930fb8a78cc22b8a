// Whole exchanges through the real binary: velmora --terminal against the stand-in service.

#include <gtest/gtest.h>

#include "ProgramRunner.h"
#include "app/tests/FaultyServices.h"
#include "tests/support/TestServer.h"

namespace velmora {
namespace {

using namespace testing;
using namespace testsupport;

constexpr const char* kKey = "sk-endtoend-5f1c0ffee";

// An environment with nothing configured but what the test gives.
std::vector<std::string> Environment(const std::string& url) {
    return {"VELMORA_API_URL=" + url, std::string("VELMORA_API_KEY=") + kKey,
            "VELMORA_MODEL",          "OPENAI_API_KEY",
            "OPENAI_BASE_URL",        "XDG_CONFIG_HOME=/nonexistent-velmora-test"};
}

class ExchangeProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TrustTestCa(); }  // the child inherits SSL_CERT_FILE
};

TEST_F(ExchangeProgram, MessageOverHttps) {
    TestServer server(EchoingService(), &TestCertificates().localhost);
    auto run = RunProgram({VELMORA_BINARY, "--terminal", "--message", "你好\nworld 😀"},
                          Environment(server.Url("/v1/chat/completions")));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("我说：你好\nworld 😀\n\nAI说：你好\nworld 😀\n\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_EQ((run.out + run.err).find(kKey), std::string::npos);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].body.find("\"content\":\"你好\\r\\nworld 😀\""),
              std::string::npos);
}

TEST_F(ExchangeProgram, LinesFromStandardInputAreExchangesInTurn) {
    TestServer server(EchoingService());
    auto run = RunProgram({VELMORA_BINARY, "--terminal"},
                          Environment(server.Url("/v1/chat/completions")), "first\nsecond\n");
    EXPECT_EQ(run.status, 0) << run.err;
    auto first = run.out.find("我说：first\n\nAI说：first\n\n");
    auto second = run.out.find("我说：second\n\nAI说：second\n\n");
    EXPECT_NE(first, std::string::npos) << run.out;
    EXPECT_NE(second, std::string::npos) << run.out;
    EXPECT_LT(first, second);
}

TEST_F(ExchangeProgram, FailuresEndWithANoticeAndANonZeroStatus) {
    struct Case {
        const char* name;
        RequestHandler handler;
        std::string notice;
    } cases[] = {
        {"error status", RefusingTheKey(std::string("Incorrect API key: ") + kKey),
         "AI说：（请求失败：HTTP 401 Incorrect API key: ***）\n\n"},
        {"reset mid-stream", BreakingOffAfter("so far", BreakOff::reset),
         "AI说：so far\n（请求失败："},
    };
    for (auto& c : cases) {
        TestServer server(c.handler, &TestCertificates().localhost);
        auto run = RunProgram({VELMORA_BINARY, "--terminal", "--message", "hi"},
                              Environment(server.Url("/v1/chat/completions")));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_NE(run.out.find(c.notice), std::string::npos) << c.name << ": " << run.out;
        EXPECT_EQ((run.out + run.err).find(kKey), std::string::npos) << c.name;
    }
}

TEST_F(ExchangeProgram, RefusedConnection) {
    std::string url;
    {
        TestServer server(EchoingService());
        url = server.Url("/v1/chat/completions");
    }
    auto run = RunProgram({VELMORA_BINARY, "--terminal", "--message", "hi"}, Environment(url));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("AI说：（请求失败：connection refused）\n\n"), std::string::npos)
        << run.out;
}

TEST_F(ExchangeProgram, NotConfiguredSaysWhatToSet) {
    auto run = RunProgram({VELMORA_BINARY, "--terminal", "--message", "hi"},
                          {"VELMORA_API_URL", "VELMORA_API_KEY", "OPENAI_API_KEY",
                           "OPENAI_BASE_URL", "XDG_CONFIG_HOME=/nonexistent-velmora-test"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("VELMORA_API_KEY"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("/nonexistent-velmora-test/velmora/velmora.conf"), std::string::npos);
    EXPECT_EQ(run.out.find("我说："), std::string::npos);
}

}  // namespace
}  // namespace velmora
