#pragma once
// An HTTP or HTTPS server inside the test process, on 127.0.0.1 at a free port.
//
// It is listening when the constructor returns and is stopped and joined by the destructor. Each
// connection is served on a thread of its own: the server reads one request (when TLS, after the
// handshake), records it, and hands it to the test's handler, which writes the response as raw
// bytes, piece by piece, and may pause, stall, close or reset the connection in between. When the
// handler returns, the connection is closed in order.
//
// Every wait here is bounded by the server's stop, and by kLongestWait.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TestCertificates.h"

namespace velmora::testsupport {

inline constexpr std::chrono::seconds kLongestWait{30};

struct ReceivedRequest {
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;  // in order, values as parsed
    std::string body;

    // The first value of a header, by name in any case; empty when absent.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
};

namespace detail {
class ServerConnection;
}

// The handler's side of one connection. Each operation after Close or Reset does nothing.
class ResponseWriter {
public:
    explicit ResponseWriter(detail::ServerConnection& connection) : connection_(connection) {}

    // Writes the bytes as they stand; false when the client is gone.
    bool Write(std::string_view bytes);
    // Waits, or less when the server stops.
    void Pause(std::chrono::milliseconds duration);
    // Waits until the server stops (at most kLongestWait).
    void Stall();
    // Orderly close: TLS close_notify, then end of stream.
    void Close();
    // Abortive close: the client sees a reset.
    void Reset();

private:
    detail::ServerConnection& connection_;
};

using RequestHandler = std::function<void(const ReceivedRequest&, ResponseWriter&)>;

// "<size in hex>\r\n<data>\r\n": one piece of a chunked body.
std::string ChunkedPiece(std::string_view data);
inline constexpr std::string_view kLastChunk = "0\r\n\r\n";

// A whole response with a Content-Length body.
std::string ResponseWithLength(int status, std::string_view body,
                               std::string_view contentType = "text/plain");

class TestServer {
public:
    // identity null: plain HTTP. Handlers run on the connections' threads.
    explicit TestServer(RequestHandler handler, const ServerIdentity* identity = nullptr);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    unsigned short Port() const;
    // "https://127.0.0.1:<port><path>", or http:// for a plain server.
    std::string Url(std::string_view path = "/") const;
    // Every request read so far, in arrival order.
    std::vector<ReceivedRequest> Requests() const;

    struct State;  // shared with the connection threads

private:
    std::shared_ptr<State> state_;
    std::thread acceptThread_;
};

}  // namespace velmora::testsupport
