#include "tests/support/TestServer.h"

#include <sys/socket.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstdio>
#include <optional>
#include <set>

namespace velmora::testsupport {

namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;
using boost::system::error_code;

struct TestServer::State {
    RequestHandler handler;
    std::optional<ssl::context> tls;
    net::io_context io;
    tcp::acceptor acceptor{io};
    unsigned short port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopped;  // signalled once, when stopping
    bool stopping = false;
    std::set<int> openSockets;  // for waking blocked reads and writes on stop
    std::vector<std::thread> connectionThreads;
    std::vector<ReceivedRequest> requests;

    // Waits up to `duration`; returns early when the server stops.
    void WaitFor(std::chrono::milliseconds duration) {
        std::unique_lock lock(mutex);
        stopped.wait_for(lock, duration, [this] { return stopping; });
    }
};

namespace detail {

class ServerConnection {
public:
    ServerConnection(TestServer::State& server, tcp::socket socket)
        : server_(server), socket_(std::move(socket)) {
        std::lock_guard lock(server_.mutex);
        server_.openSockets.insert(socket_.native_handle());
        if (server_.stopping) ::shutdown(socket_.native_handle(), SHUT_RDWR);
    }

    ~ServerConnection() { Forget(); }

    void Serve() {
        if (server_.tls) {
            tls_.emplace(socket_, *server_.tls);
            error_code ec;
            tls_->handshake(ssl::stream_base::server, ec);
            if (ec) return Reset();
        }
        std::optional<ReceivedRequest> request = ReadRequest();
        if (!request) return Close();
        {
            std::lock_guard lock(server_.mutex);
            server_.requests.push_back(*request);
        }
        ResponseWriter writer(*this);
        server_.handler(*request, writer);
        Close();
    }

    bool Write(std::string_view bytes) {
        if (closed_) return false;
        error_code ec;
        if (tls_) {
            net::write(*tls_, net::buffer(bytes.data(), bytes.size()), ec);
        } else {
            net::write(socket_, net::buffer(bytes.data(), bytes.size()), ec);
        }
        return !ec;
    }

    void Close() {
        if (closed_) return;
        closed_ = true;
        // One close_notify without waiting for the client's.
        if (tls_) SSL_shutdown(tls_->native_handle());
        error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_send, ignored);
        // Let the client read to the end before the socket goes: closing with unread input would
        // turn the orderly close into a reset.
        DrainInput();
        Forget();
        socket_.close(ignored);
    }

    void Reset() {
        if (closed_) return;
        closed_ = true;
        error_code ignored;
        socket_.set_option(net::socket_base::linger(true, 0), ignored);
        Forget();
        socket_.close(ignored);
    }

    TestServer::State& Server() { return server_; }

private:
    std::optional<ReceivedRequest> ReadRequest() {
        boost::beast::flat_buffer buffer;
        http::request<http::string_body> message;
        error_code ec;
        if (tls_) {
            http::read(*tls_, buffer, message, ec);
        } else {
            http::read(socket_, buffer, message, ec);
        }
        if (ec) return std::nullopt;
        ReceivedRequest request;
        request.method = std::string(message.method_string());
        request.target = std::string(message.target());
        for (const auto& field : message) {
            request.headers.emplace_back(std::string(field.name_string()),
                                         std::string(field.value()));
        }
        request.body = std::move(message.body());
        return request;
    }

    // Reads until the client closes, or until the server stops (which shuts the socket down).
    void DrainInput() {
        char sink[1024];
        error_code ec;
        while (!ec) socket_.read_some(net::buffer(sink), ec);
    }

    // Taken off the stop list before the descriptor is closed, so that a stop never shuts down a
    // descriptor number that has been reused meanwhile.
    void Forget() {
        std::lock_guard lock(server_.mutex);
        server_.openSockets.erase(socket_.native_handle());
    }

    TestServer::State& server_;
    tcp::socket socket_;
    std::optional<ssl::stream<tcp::socket&>> tls_;
    bool closed_ = false;
};

}  // namespace detail

namespace {

void AcceptNext(const std::shared_ptr<TestServer::State>& state) {
    state->acceptor.async_accept([state](error_code ec, tcp::socket socket) {
        if (ec) return;  // closed: the server is stopping
        std::lock_guard lock(state->mutex);
        if (state->stopping) return;
        state->connectionThreads.emplace_back([state, socket = std::move(socket)]() mutable {
            detail::ServerConnection connection(*state, std::move(socket));
            connection.Serve();
        });
        AcceptNext(state);
    });
}

}  // namespace

std::string ReceivedRequest::Header(std::string_view name) const {
    for (const auto& [fieldName, value] : headers) {
        if (boost::beast::iequals(fieldName, {name.data(), name.size()})) return value;
    }
    return {};
}

bool ReceivedRequest::HasHeader(std::string_view name) const {
    for (const auto& field : headers) {
        if (boost::beast::iequals(field.first, {name.data(), name.size()})) return true;
    }
    return false;
}

bool ResponseWriter::Write(std::string_view bytes) {
    return connection_.Write(bytes);
}

void ResponseWriter::Pause(std::chrono::milliseconds duration) {
    connection_.Server().WaitFor(std::min<std::chrono::milliseconds>(duration, kLongestWait));
}

void ResponseWriter::Stall() {
    connection_.Server().WaitFor(kLongestWait);
}

void ResponseWriter::Close() {
    connection_.Close();
}

void ResponseWriter::Reset() {
    connection_.Reset();
}

std::string ChunkedPiece(std::string_view data) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return std::string(size).append(data).append("\r\n");
}

std::string ResponseWithLength(int status, std::string_view body, std::string_view contentType) {
    return "HTTP/1.1 " + std::to_string(status) +
           " Status\r\nContent-Type: " + std::string(contentType) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

TestServer::TestServer(RequestHandler handler, const ServerIdentity* identity)
    : state_(std::make_shared<State>()) {
    state_->handler = std::move(handler);
    if (identity) {
        state_->tls.emplace(ssl::context::tls_server);
        state_->tls->use_certificate_chain(net::buffer(identity->certificateChainPem));
        state_->tls->use_private_key(net::buffer(identity->privateKeyPem), ssl::context::pem);
    }
    const tcp::endpoint local(net::ip::make_address("127.0.0.1"), 0);
    state_->acceptor.open(local.protocol());
    state_->acceptor.set_option(net::socket_base::reuse_address(true));
    state_->acceptor.bind(local);
    state_->acceptor.listen();
    state_->port = state_->acceptor.local_endpoint().port();
    AcceptNext(state_);
    acceptThread_ = std::thread([state = state_] { state->io.run(); });
}

TestServer::~TestServer() {
    net::post(state_->io, [state = state_] {
        error_code ignored;
        state->acceptor.close(ignored);
    });
    acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        for (const int socket : state_->openSockets) ::shutdown(socket, SHUT_RDWR);
        threads.swap(state_->connectionThreads);
    }
    state_->stopped.notify_all();
    for (std::thread& thread : threads) thread.join();
}

unsigned short TestServer::Port() const {
    return state_->port;
}

std::string TestServer::Url(std::string_view path) const {
    return std::string(state_->tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(Port()) +
           std::string(path);
}

std::vector<ReceivedRequest> TestServer::Requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

}  // namespace velmora::testsupport
