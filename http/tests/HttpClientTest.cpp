#include <gtest/gtest.h>
#include <netdb.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <mutex>
#include <string>
#include <vector>

#include "http/HttpClient.h"
#include "http/PumpingDelay.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestServer.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testsupport::ChunkedPiece;
using testsupport::kLastChunk;
using testsupport::ReceivedRequest;
using testsupport::ResponseWithLength;
using testsupport::ResponseWriter;
using testsupport::TestCertificates;
using testsupport::TestServer;

constexpr std::string_view kChunkedHead =
    "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nTransfer-Encoding: chunked\r\n\r\n";

ByteView Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What the body handler saw, and whether anything came after Request returned.
class BodyRecorder {
public:
    void Attach(HttpClient& client) {
        client.SetBodyHandler([this, &client](std::uintptr_t, std::uintptr_t, std::uintptr_t data,
                                              std::uintptr_t length) {
            const int status = client.StatusCode();
            std::lock_guard lock(mutex_);
            if (returned_) ++late_;
            pieces_.emplace_back(reinterpret_cast<const char*>(data), length);
            statuses_.push_back(status);
        });
    }
    void RequestReturned() {
        std::lock_guard lock(mutex_);
        returned_ = true;
    }
    void NextRequest() {
        std::lock_guard lock(mutex_);
        returned_ = false;
        pieces_.clear();
        statuses_.clear();
    }
    std::string Body() const {
        std::lock_guard lock(mutex_);
        std::string all;
        for (const std::string& piece : pieces_) all += piece;
        return all;
    }
    std::vector<int> Statuses() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    int Late() const {
        std::lock_guard lock(mutex_);
        return late_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> pieces_;
    std::vector<int> statuses_;
    bool returned_ = false;
    int late_ = 0;
};

class HttpClientTest : public testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::TrustTestCa(); }

    // A request through a fresh client with the recorder attached.
    HttpResult Send(const std::string& url, std::string_view method = "POST",
                    std::string_view headers = "Content-Type: application/json",
                    std::string_view body = "{}") {
        recorder.Attach(client);
        HttpResult result = client.Request(url, method, headers, Bytes(body));
        recorder.RequestReturned();
        return result;
    }

    const testsupport::TestPki& pki = TestCertificates();
    BodyRecorder recorder;
    HttpClient client;
};

// Writes `response` in the pieces given, pausing between them so that they travel apart.
void WritePieces(ResponseWriter& writer, const std::vector<std::string>& pieces) {
    for (const std::string& piece : pieces) {
        writer.Write(piece);
        writer.Pause(10ms);
    }
}

// Every byte on its own write: the response parser meets every split position.
void WriteBytewise(ResponseWriter& writer, std::string_view response) {
    for (const char byte : response) writer.Write(std::string_view(&byte, 1));
}

TEST_F(HttpClientTest, HandsOverEveryBodyPieceInOrderThenCompletes) {
    const std::string events = "data: {\"a\":1}\n\ndata: {\"b\":2}\n\ndata: [DONE]\n\n";
    std::string chunked(kChunkedHead);
    for (const std::string_view event :
         {"data: {\"a\":1}\n\n", "data: {\"b\":2}\n\n", "data: [DONE]\n\n"}) {
        chunked += ChunkedPiece(event);
    }
    chunked += kLastChunk;
    struct Case {
        const char* name;
        std::function<void(ResponseWriter&)> respond;
        int status;
    };
    const Case cases[] = {
        {"chunked in pieces",
         [&](ResponseWriter& w) {
             WritePieces(w, {std::string(kChunkedHead), ChunkedPiece("data: {\"a\":1}\n\n"),
                             ChunkedPiece("data: {\"b\":2}\n\n") + ChunkedPiece("data: [DONE]\n\n"),
                             std::string(kLastChunk)});
         },
         200},
        {"chunked bytewise", [&](ResponseWriter& w) { WriteBytewise(w, chunked); }, 200},
        {"content-length in pieces",
         [&](ResponseWriter& w) {
             const std::string whole = ResponseWithLength(200, events);
             WritePieces(w, {whole.substr(0, 20), whole.substr(20, 70), whole.substr(90)});
         },
         200},
        {"content-length bytewise",
         [&](ResponseWriter& w) { WriteBytewise(w, ResponseWithLength(200, events)); }, 200},
        {"error status", [&](ResponseWriter& w) { w.Write(ResponseWithLength(429, events)); }, 429},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server([&](const ReceivedRequest&, ResponseWriter& w) { c.respond(w); },
                          &pki.localhost);
        recorder.NextRequest();
        const HttpResult result = Send(server.Url("/v1/chat?stream=1"));
        EXPECT_TRUE(result.completed) << result.reason;
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(recorder.Body(), events);
        // The handler can tell an error reply from its first piece on.
        for (const int status : recorder.Statuses()) EXPECT_EQ(status, c.status);
    }
    EXPECT_EQ(recorder.Late(), 0);
}

TEST_F(HttpClientTest, SendsMethodTargetHeadersAndBody) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) { w.Write(ResponseWithLength(200, "ok")); },
        &pki.localhost);
    const std::string body = "{\"messages\":[{\"content\":\"hi\"}]}";
    const HttpResult result = Send(server.Url("/api/v1/chat/completions?x=1"), "POST",
                                   "Authorization: Bearer sk-1\r\n"
                                   "Content-Type: application/json\r\n"
                                   "X-Target: https://a.example:8443/p\r\n",
                                   body);
    ASSERT_TRUE(result.completed) << result.reason;
    const std::vector<ReceivedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const ReceivedRequest& got = requests[0];
    EXPECT_EQ(got.method, "POST");
    EXPECT_EQ(got.target, "/api/v1/chat/completions?x=1");
    EXPECT_EQ(got.Header("Authorization"), "Bearer sk-1");
    EXPECT_EQ(got.Header("Content-Type"), "application/json");
    // A value holding colons arrives whole.
    EXPECT_EQ(got.Header("X-Target"), "https://a.example:8443/p");
    EXPECT_EQ(got.Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(got.body, body);
}

TEST_F(HttpClientTest, EmptyHeaderTextAndEmptyBody) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) { w.Write(ResponseWithLength(204, "")); },
        &pki.localhost);
    const HttpResult result = Send(server.Url("/"), "GET", "", "");
    ASSERT_TRUE(result.completed) << result.reason;
    EXPECT_EQ(result.status, 204);
    EXPECT_EQ(recorder.Body(), "");
    const ReceivedRequest got = server.Requests().at(0);
    EXPECT_EQ(got.method, "GET");
    EXPECT_TRUE(got.HasHeader("Host"));
    EXPECT_FALSE(got.HasHeader("Content-Length"));
    EXPECT_EQ(got.headers.size(), 1u);
}

TEST_F(HttpClientTest, CompletesWithoutABodyHandler) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) {
            w.Write(std::string(kChunkedHead) + ChunkedPiece("dropped") + std::string(kLastChunk));
        },
        &pki.localhost);
    const HttpResult result =
        client.Request(server.Url(), "POST", "Content-Type: text/plain", Bytes("x"));
    EXPECT_TRUE(result.completed) << result.reason;
    EXPECT_EQ(result.status, 200);
}

TEST_F(HttpClientTest, PlainHttpForHttpAndSchemelessUrls) {
    TestServer server([](const ReceivedRequest&, ResponseWriter& w) {
        w.Write(ResponseWithLength(200, "plain"));
    });
    const std::string port = std::to_string(server.Port());
    for (const std::string& url : {"http://127.0.0.1:" + port + "/p",
                                   "HTTP://127.0.0.1:" + port + "/p", "127.0.0.1:" + port + "/p"}) {
        SCOPED_TRACE(url);
        recorder.NextRequest();
        const HttpResult result = Send(url);
        EXPECT_TRUE(result.completed) << result.reason;
        EXPECT_EQ(recorder.Body(), "plain");
    }
    EXPECT_EQ(server.Requests().size(), 3u);
}

bool NameResolves(const char* name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0) return false;
    freeaddrinfo(found);
    return true;
}

TEST_F(HttpClientTest, VerifiesTheServerCertificateAndName) {
    struct Case {
        const char* name;
        const testsupport::ServerIdentity* identity;
        const char* host;
        bool accepted;
    };
    const Case cases[] = {
        {"trusted, by address", &pki.localhost, "127.0.0.1", true},
        {"trusted, by name", &pki.localhost, "localhost", true},
        {"unknown CA", &pki.unknownCa, "127.0.0.1", false},
        {"another host's certificate, by address", &pki.otherHost, "127.0.0.1", false},
        {"another host's certificate, by name", &pki.otherHost, "localhost", false},
    };
    // A machine without /etc/hosts (a bare chroot) has no name "localhost"; the cases by
    // address still run there.
    const bool localhostResolves = NameResolves("localhost");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string_view(c.host) == "localhost" && !localhostResolves) continue;
        TestServer server([](const ReceivedRequest&,
                             ResponseWriter& w) { w.Write(ResponseWithLength(200, "secret")); },
                          c.identity);
        recorder.NextRequest();
        const HttpResult result =
            Send("https://" + std::string(c.host) + ":" + std::to_string(server.Port()) + "/");
        EXPECT_EQ(result.completed, c.accepted) << result.reason;
        if (c.accepted) continue;
        EXPECT_EQ(result.failure, HttpFailure::certificate);
        EXPECT_EQ(result.reason.rfind("certificate verify failed: ", 0), 0u) << result.reason;
        EXPECT_GT(result.reason.size(), std::string("certificate verify failed: ").size());
        EXPECT_TRUE(server.Requests().empty());
        EXPECT_EQ(recorder.Body(), "");
    }
}

TEST_F(HttpClientTest, RefusedConnectionFailsAtOnce) {
    unsigned short port = 0;
    {
        boost::asio::io_context io;
        boost::asio::ip::tcp::acceptor probe(io, {boost::asio::ip::make_address("127.0.0.1"), 0});
        port = probe.local_endpoint().port();
    }
    for (const char* scheme : {"https", "http"}) {
        SCOPED_TRACE(scheme);
        const HttpResult result =
            Send(std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/");
        EXPECT_FALSE(result.completed);
        EXPECT_EQ(result.failure, HttpFailure::refused);
        EXPECT_EQ(result.reason, "connection refused");
    }
}

TEST_F(HttpClientTest, ConnectionEndingMidReplyEndsTheWaitWithFailure) {
    struct Case {
        const char* name;
        std::function<void(ResponseWriter&)> respond;
    };
    const Case cases[] = {
        {"close in a content-length body",
         [](ResponseWriter& w) {
             w.Write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst part");
             w.Pause(20ms);
             w.Close();
         }},
        {"close in a chunked body",
         [](ResponseWriter& w) {
             w.Write(std::string(kChunkedHead) + ChunkedPiece("first part"));
             w.Pause(20ms);
             w.Close();
         }},
        {"reset in a chunked body",
         [](ResponseWriter& w) {
             w.Write(std::string(kChunkedHead) + ChunkedPiece("first part"));
             w.Pause(20ms);
             w.Reset();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server([&](const ReceivedRequest&, ResponseWriter& w) { c.respond(w); },
                          &pki.localhost);
        recorder.NextRequest();
        const HttpResult result = Send(server.Url());
        EXPECT_FALSE(result.completed);
        EXPECT_EQ(result.failure, HttpFailure::closedEarly) << result.reason;
        EXPECT_EQ(result.reason, "connection closed before the reply was complete");
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(recorder.Body(), "first part");
    }
}

TEST_F(HttpClientTest, MalformedReplyFails) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) { w.Write("NOT HTTP AT ALL\r\n\r\n"); },
        &pki.localhost);
    const HttpResult result = Send(server.Url());
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.failure, HttpFailure::malformedReply) << result.reason;
}

TEST_F(HttpClientTest, StalledServerHitsTheIdleLimit) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) {
            w.Write(std::string(kChunkedHead) + ChunkedPiece("data: first\n\n"));
            w.Stall();
        },
        &pki.localhost);
    client.SetTimeLimits(10s, 500ms);
    const HttpResult result = Send(server.Url());
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.failure, HttpFailure::timedOut);
    EXPECT_EQ(result.reason, "timed out");
    EXPECT_EQ(recorder.Body(), "data: first\n\n");
}

TEST_F(HttpClientTest, UnansweredHandshakeHitsTheConnectLimit) {
    // Listens, so the connection is made, but never accepts: the TLS handshake gets no answer.
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor silent(io, {boost::asio::ip::make_address("127.0.0.1"), 0});
    client.SetTimeLimits(200ms, 10s);
    const HttpResult result =
        Send("https://127.0.0.1:" + std::to_string(silent.local_endpoint().port()) + "/");
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.failure, HttpFailure::timedOut);
}

TEST_F(HttpClientTest, WaitOnAThreadWithAnEventPumpKeepsPumping) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) {
            w.Pause(300ms);  // the response cannot be complete at the first look
            w.Write(ResponseWithLength(200, "late"));
        },
        &pki.localhost);
    int pumped = 0;
    SetEventPump(std::this_thread::get_id(), [&pumped] { ++pumped; });
    const HttpResult result = Send(server.Url());
    SetEventPump(std::this_thread::get_id(), {});
    EXPECT_TRUE(result.completed) << result.reason;
    EXPECT_EQ(recorder.Body(), "late");
    EXPECT_GT(pumped, 0);
}

TEST_F(HttpClientTest, RefusesHeadersThatWouldSplitTheRequest) {
    TestServer server(
        [](const ReceivedRequest&, ResponseWriter& w) { w.Write(ResponseWithLength(200, "ok")); },
        &pki.localhost);
    const HttpResult result = Send(server.Url(), "POST", "X-A: b\nInjected: yes", "{}");
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.failure, HttpFailure::notSent);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HttpClientTest, RequestsInARowOnOneObject) {
    const auto reply = [](std::string text) {
        return [text](const ReceivedRequest&, ResponseWriter& w) {
            w.Write(std::string(kChunkedHead) + ChunkedPiece(text) + std::string(kLastChunk));
        };
    };
    TestServer secure(reply("secure"), &pki.localhost);
    TestServer plain(reply("plain"));
    const std::string refused = "https://127.0.0.1:1/";
    struct Step {
        std::string url;
        bool completed;
        const char* body;
    };
    const Step steps[] = {
        {secure.Url("/1"), true, "secure"}, {secure.Url("/2"), true, "secure"},
        {plain.Url("/3"), true, "plain"},   {refused, false, ""},
        {secure.Url("/4"), true, "secure"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.url);
        recorder.NextRequest();
        const HttpResult result = Send(step.url);
        EXPECT_EQ(result.completed, step.completed) << result.reason;
        EXPECT_EQ(recorder.Body(), step.body);
    }
    EXPECT_EQ(secure.Requests().size(), 3u);
    EXPECT_EQ(plain.Requests().size(), 1u);
    EXPECT_EQ(recorder.Late(), 0);
}

TEST(HttpClientTable, HoldsTheNotificationRoutinesAtTheirPositions) {
    const std::span<const RoutineAddress> table = HttpClient::RoutineTable();
    ASSERT_EQ(table.size(), 9u);
    EXPECT_EQ(table[1], nullptr);  // Copy: copying is forbidden
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i != 1) {
            EXPECT_NE(table[i], nullptr) << i;
        }
    }
}

}  // namespace
}  // namespace velmora
