// The socket layer through its C interface, with plain function pointers as notifications.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>

#include "http/HpSocket.h"
#include "tests/support/TestServer.h"

namespace velmora {
namespace {

using testsupport::ReceivedRequest;
using testsupport::ResponseWithLength;
using testsupport::ResponseWriter;
using testsupport::TestServer;

// What the notifications saw. Plain callbacks take no context pointer, hence one global record.
struct Record {
    std::mutex mutex;
    std::condition_variable changed;
    int handShakes = 0;
    int completes = 0;
    int closes = 0;
    int parseErrors = 0;
    std::uintptr_t closeCode = ~std::uintptr_t{0};
    std::string body;

    template <typename Done>
    bool WaitUntil(Done done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, testsupport::kLongestWait, [&] { return done(*this); });
    }
    template <typename Change>
    HP_HandleResult Note(Change change) {
        {
            std::lock_guard lock(mutex);
            change(*this);
        }
        changed.notify_all();
        return HP_HR_OK;
    }
};
Record* record = nullptr;

HP_HandleResult OnHandShake(std::uintptr_t, HP_CONNID) {
    return record->Note([](Record& r) { ++r.handShakes; });
}
HP_HandleResult OnBody(std::uintptr_t, HP_CONNID, std::uintptr_t data, std::uintptr_t length) {
    return record->Note(
        [&](Record& r) { r.body.append(reinterpret_cast<const char*>(data), length); });
}
HP_HandleResult OnMessageComplete(std::uintptr_t, HP_CONNID) {
    return record->Note([](Record& r) { ++r.completes; });
}
HP_HandleResult OnClose(std::uintptr_t, HP_CONNID, std::uintptr_t code, std::uintptr_t) {
    return record->Note([&](Record& r) {
        ++r.closes;
        r.closeCode = code;
    });
}
HP_HandleResult OnParseError(std::uintptr_t, HP_CONNID, std::uintptr_t, std::uintptr_t) {
    return record->Note([](Record& r) { ++r.parseErrors; });
}

class HpSocketTest : public testing::Test {
protected:
    void SetUp() override {
        record = &events;
        HP_Set_FN_HttpClient_OnHandShake(listener, &OnHandShake);
        HP_Set_FN_HttpClient_OnBody(listener, &OnBody);
        HP_Set_FN_HttpClient_OnMessageComplete(listener, &OnMessageComplete);
        HP_Set_FN_HttpClient_OnClose(listener, &OnClose);
        HP_Set_FN_HttpClient_OnParseError(listener, &OnParseError);
        HP_Client_SetTimeLimits(client, 10000, 10000);
    }
    void TearDown() override {
        Destroy_HP_HttpClient(client);
        Destroy_HP_HttpClientListener(listener);
        record = nullptr;
    }

    bool Connect(const TestServer& server) {
        return HP_Client_StartWithBindAddressAndLocalPort(client, "127.0.0.1", server.Port(), true,
                                                          "0.0.0.0", 0) &&
               events.WaitUntil([](Record& r) { return r.handShakes > 0 || r.closes > 0; }) &&
               events.handShakes == 1;
    }
    bool Get(const char* path, const HP_THeader* headers = nullptr, int count = 0) {
        return HP_HttpClient_SendRequest(client, "GET", path, headers, count, nullptr, 0);
    }

    Record events;
    HP_HttpClientListener listener = Create_HP_HttpClientListener();
    HP_HttpClient client = Create_HP_HttpClient(listener);
};

TEST_F(HpSocketTest, ParseErrorComesBeforeTheOneClose) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) { w.Write("HTTP/9 ?\r\n\r\n"); });
    ASSERT_TRUE(Connect(server));
    ASSERT_TRUE(Get("/"));
    ASSERT_TRUE(events.WaitUntil([](Record& r) { return r.closes > 0; }));
    EXPECT_EQ(events.parseErrors, 1);
    EXPECT_EQ(events.closeCode, std::uintptr_t{HP_CLOSE_PARSE_ERROR});
    EXPECT_EQ(events.completes, 0);
    HP_Client_Stop(client);
    EXPECT_EQ(events.closes, 1);
}

TEST_F(HpSocketTest, StopEndsAConnectionLeftOpenWithOneClose) {
    TestServer server([](const ReceivedRequest&, ResponseWriter& w) {
        w.Write(ResponseWithLength(200, "body"));
    });
    ASSERT_TRUE(Connect(server));
    EXPECT_FALSE(HP_Client_StartWithBindAddressAndLocalPort(client, "127.0.0.1", server.Port(),
                                                            true, "0.0.0.0", 0));
    ASSERT_TRUE(Get("/"));
    ASSERT_TRUE(events.WaitUntil([](Record& r) { return r.completes > 0 || r.closes > 0; }));
    EXPECT_EQ(events.body, "body");
    EXPECT_EQ(HP_HttpClient_GetStatusCode(client), 200);
    EXPECT_EQ(events.closes, 0);

    HP_Client_Stop(client);
    HP_Client_Stop(client);
    EXPECT_EQ(events.closes, 1);
    EXPECT_EQ(events.closeCode, std::uintptr_t{HP_CLOSE_STOPPED});
}

TEST_F(HpSocketTest, RefusesWhatCouldBreakTheRequestFraming) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) { w.Write(ResponseWithLength(200, "")); });
    EXPECT_FALSE(Get("/")) << "before the handshake";
    ASSERT_TRUE(Connect(server));
    const HP_THeader badName[] = {{"Bad Name", "v"}};
    const HP_THeader lineBreak[] = {{"X", "a\r\nInjected: 1"}};
    EXPECT_FALSE(Get("/a b"));
    EXPECT_FALSE(Get("/a\r\n"));
    EXPECT_FALSE(Get(""));
    EXPECT_FALSE(Get("/", badName, 1));
    EXPECT_FALSE(Get("/", lineBreak, 1));
    EXPECT_FALSE(HP_HttpClient_SendRequest(client, "GE T", "/", nullptr, 0, nullptr, 0));
    EXPECT_TRUE(server.Requests().empty());
}

TEST(HpSocket, StartRefusesUnusableArguments) {
    const HP_HttpClientListener listener = Create_HP_HttpClientListener();
    const HP_HttpClient secure = Create_HP_HttpsClient(listener);
    // Without a TLS context an HTTPS client does not start.
    EXPECT_FALSE(
        HP_Client_StartWithBindAddressAndLocalPort(secure, "127.0.0.1", 1, true, "0.0.0.0", 0));
    ASSERT_TRUE(
        HP_SSLClient_SetupSSLContext(secure, HP_SSL_VM_PEER, nullptr, nullptr, nullptr, nullptr));
    // An empty host would resolve to this machine.
    EXPECT_FALSE(HP_Client_StartWithBindAddressAndLocalPort(secure, "", 1, true, "0.0.0.0", 0));
    EXPECT_FALSE(
        HP_Client_StartWithBindAddressAndLocalPort(secure, "127.0.0.1", 1, false, "0.0.0.0", 0));
    HP_SSLClient_CleanupSSLContext(secure);
    Destroy_HP_HttpsClient(secure);
    Destroy_HP_HttpClientListener(listener);
}

}  // namespace
}  // namespace velmora
