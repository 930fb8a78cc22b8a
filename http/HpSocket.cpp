#include "http/HpSocket.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <array>
#include <atomic>
#include <boost/asio/connect.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <chrono>
#include <filesystem>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;
using boost::system::error_code;

namespace velmora::detail {
class Connection;
}

struct HP_HttpClientListenerObject {
    net::io_context io;
    net::executor_work_guard<net::io_context::executor_type> work{io.get_executor()};
    std::atomic<HP_FN_HttpClient_OnBody> onBody{nullptr};
    std::atomic<HP_FN_HttpClient_OnHandShake> onHandShake{nullptr};
    std::atomic<HP_FN_HttpClient_OnMessageComplete> onMessageComplete{nullptr};
    std::atomic<HP_FN_HttpClient_OnClose> onClose{nullptr};
    std::atomic<HP_FN_HttpClient_OnParseError> onParseError{nullptr};
    // Last, so that it starts after everything it uses exists.
    std::thread thread{[this] { io.run(); }};

    ~HP_HttpClientListenerObject() {
        work.reset();
        io.stop();
        thread.join();
    }
};

struct HP_HttpClientObject {
    HP_HttpClientObject(HP_HttpClientListenerObject& owner, bool speaksTls)
        : listener(owner), tls(speaksTls) {}

    HP_HttpClientListenerObject& listener;
    const bool tls;

    // Settings: written and read by the threads that call the C functions.
    std::mutex settingsMutex;
    std::shared_ptr<ssl::context> sslContext;
    std::string hostHeader;
    std::atomic<unsigned> connectLimit{0};
    std::atomic<unsigned> idleLimit{0};

    // Shared with the I/O thread.
    std::atomic<bool> started{false};    // a connection exists that has not ended
    std::atomic<bool> connected{false};  // ... and it has passed OnHandShake
    std::atomic<unsigned short> statusCode{0};
    std::atomic<HP_CONNID> lastConnectionId{0};

    // I/O thread only.
    std::shared_ptr<velmora::detail::Connection> connection;

    std::uintptr_t Sender() const { return reinterpret_cast<std::uintptr_t>(this); }
};

namespace velmora::detail {
namespace {

template <typename Fn, typename... Args>
HP_HandleResult Notify(const std::atomic<Fn>& slot, Args... args) {
    const Fn fn = slot.load();
    if (fn == nullptr) return HP_HR_OK;
    return fn(args...);
}

bool IsIpAddress(const std::string& host) {
    error_code ec;
    net::ip::make_address(host, ec);
    return !ec;
}

HP_CloseCode CloseCodeFor(const error_code& ec) {
    if (ec == net::error::connection_refused) return HP_CLOSE_REFUSED;
    if (ec == net::error::connection_reset || ec == net::error::broken_pipe) return HP_CLOSE_RESET;
    if (ec == net::error::eof || ec == ssl::error::stream_truncated ||
        ec == http::error::end_of_stream || ec == http::error::partial_message) {
        return HP_CLOSE_EARLY;
    }
    if (ec == net::error::timed_out) return HP_CLOSE_TIMED_OUT;
    if (ec.category() == http::make_error_code(http::error::bad_version).category()) {
        return HP_CLOSE_PARSE_ERROR;
    }
    return HP_CLOSE_NETWORK;
}

}  // namespace

// One connection of a client, from start to its single OnClose. Lives on the listener's I/O thread;
// every completion handler holds it alive and does nothing once it has ended, so the client may
// be gone by the time late completions arrive.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(HP_HttpClientObject& client, HP_CONNID id, std::shared_ptr<ssl::context> context,
               std::string host, std::string port)
        : client_(client),
          id_(id),
          context_(std::move(context)),
          host_(std::move(host)),
          port_(std::move(port)),
          resolver_(client.listener.io),
          socket_(client.listener.io),
          deadline_(client.listener.io) {}

    HP_CONNID Id() const { return id_; }

    void Start() {
        ArmDeadline(client_.connectLimit);
        resolver_.async_resolve(
            host_, port_, tcp::resolver::numeric_service,
            [self = shared_from_this()](error_code ec, tcp::resolver::results_type endpoints) {
                if (self->ended_) return;
                if (ec) return self->End(HP_CLOSE_HOST_NOT_FOUND, ec.message());
                self->Connect(endpoints);
            });
    }

    void Send(std::string request, bool headRequest) {
        request_ = std::move(request);
        parser_.emplace();
        // A streamed reply has no natural size limit. (Not boost::none: Boost 1.74 compares a
        // Content-Length against an empty limit as exceeding it.)
        parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
        parser_->skip(headRequest);
        ArmDeadline(client_.idleLimit);
        WithStream([this](auto& stream) {
            net::async_write(stream, net::buffer(request_),
                             [self = shared_from_this()](error_code ec, std::size_t) {
                                 if (self->ended_) return;
                                 if (ec) return self->End(CloseCodeFor(ec), ec.message());
                                 self->ReadMore();
                             });
        });
    }

    // Ends the connection and reports it, once.
    void End(HP_CloseCode code, const std::string& description) {
        if (ended_) return;
        ended_ = true;
        const auto self = shared_from_this();
        deadline_.cancel();
        resolver_.cancel();
        error_code ignored;
        socket_.close(ignored);
        if (client_.connection == self) client_.connection.reset();
        client_.connected = false;
        client_.started = false;
        Notify(client_.listener.onClose, client_.Sender(), id_, std::uintptr_t{code},
               reinterpret_cast<std::uintptr_t>(description.c_str()));
    }

private:
    template <typename Fn>
    void WithStream(Fn&& fn) {
        if (tls_) {
            fn(*tls_);
        } else {
            fn(socket_);
        }
    }

    // One timer covers both limits, counted from the last step that made progress. 0 means none.
    // A step only notes the time: setting the timer costs a system call, too much for every read
    // of a fast stream, so a running wait that finds progress since it began waits again.
    void ArmDeadline(unsigned milliseconds) {
        limit_ = std::chrono::milliseconds(milliseconds);
        lastProgress_ = net::steady_timer::clock_type::now();
        if (milliseconds == 0) {
            deadline_.cancel();
        } else if (!waiting_) {
            WaitForDeadline();
        }
    }

    void WaitForDeadline() {
        waiting_ = true;
        deadline_.expires_at(lastProgress_ + limit_);
        deadline_.async_wait([self = shared_from_this()](error_code) {
            // Also a cancelled wait looks again: the limit may have been set anew meanwhile.
            self->waiting_ = false;
            if (self->ended_ || self->limit_.count() == 0) return;
            if (self->lastProgress_ + self->limit_ > net::steady_timer::clock_type::now()) {
                return self->WaitForDeadline();
            }
            self->End(HP_CLOSE_TIMED_OUT, "time limit reached");
        });
    }

    void Connect(const tcp::resolver::results_type& endpoints) {
        net::async_connect(socket_, endpoints,
                           [self = shared_from_this()](error_code ec, const tcp::endpoint&) {
                               if (self->ended_) return;
                               if (ec) return self->End(CloseCodeFor(ec), ec.message());
                               if (self->context_) return self->Handshake();
                               self->Connected();
                           });
    }

    void Handshake() {
        tls_.emplace(socket_, *context_);
        SSL* ssl = tls_->native_handle();
        if (IsIpAddress(host_)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host_.c_str());
        } else {
            SSL_set_tlsext_host_name(ssl, host_.c_str());
            SSL_set1_host(ssl, host_.c_str());
        }
        tls_->async_handshake(ssl::stream_base::client, [self = shared_from_this()](error_code ec) {
            if (self->ended_) return;
            if (!ec) return self->Connected();
            const long verification = SSL_get_verify_result(self->tls_->native_handle());
            if (verification != X509_V_OK) {
                return self->End(HP_CLOSE_CERTIFICATE, X509_verify_cert_error_string(verification));
            }
            self->End(HP_CLOSE_TLS, ec.message());
        });
    }

    void Connected() {
        ArmDeadline(0);
        client_.connected = true;
        if (Notify(client_.listener.onHandShake, client_.Sender(), id_) != HP_HR_OK) {
            End(HP_CLOSE_ABORTED, "stopped by the handshake notification");
        }
    }

    void ReadMore() {
        auto& body = parser_->get().body();
        body.data = piece_.data();
        body.size = piece_.size();
        body.more = true;
        ArmDeadline(client_.idleLimit);
        WithStream([this](auto& stream) {
            http::async_read_some(
                stream, buffer_, *parser_,
                [self = shared_from_this()](error_code ec, std::size_t) { self->OnRead(ec); });
        });
    }

    // A read hands over one step of the parser: a chunk header, or the data of one chunk. What
    // else has already arrived is parsed here too, so one body notification carries it all; a
    // service that sends each event in a chunk of its own would otherwise cost a notification
    // and a read per event. Parsing stops where the received bytes end, never waiting for more.
    void ParseReceived(error_code& ec) {
        while (!ec && !parser_->is_done() && buffer_.size() > 0 && parser_->get().body().size > 0) {
            const std::size_t used = parser_->put(buffer_.data(), ec);
            buffer_.consume(used);
            if (ec == http::error::need_more || ec == http::error::need_buffer) ec = {};
            if (used == 0) break;
        }
    }

    void OnRead(error_code ec) {
        if (ended_) return;
        if (ec == http::error::need_buffer) ec = {};
        ParseReceived(ec);
        if (parser_->is_header_done() && client_.statusCode == 0) {
            client_.statusCode = static_cast<unsigned short>(parser_->get().result_int());
        }
        const std::size_t decoded = piece_.size() - parser_->get().body().size;
        if (decoded > 0 && Notify(client_.listener.onBody, client_.Sender(), id_,
                                  reinterpret_cast<std::uintptr_t>(piece_.data()),
                                  std::uintptr_t{decoded}) != HP_HR_OK) {
            return End(HP_CLOSE_ABORTED, "stopped by the body notification");
        }
        if (ec) {
            const HP_CloseCode code = CloseCodeFor(ec);
            if (code == HP_CLOSE_PARSE_ERROR) {
                const std::string description = ec.message();
                Notify(client_.listener.onParseError, client_.Sender(), id_,
                       static_cast<std::uintptr_t>(ec.value()),
                       reinterpret_cast<std::uintptr_t>(description.c_str()));
            }
            return End(code, ec.message());
        }
        if (parser_->is_done()) {
            // The connection stays open, unread, until the client is stopped.
            ArmDeadline(0);
            Notify(client_.listener.onMessageComplete, client_.Sender(), id_);
            return;
        }
        ReadMore();
    }

    HP_HttpClientObject& client_;
    const HP_CONNID id_;
    const std::shared_ptr<ssl::context> context_;  // null for plain HTTP
    const std::string host_;
    const std::string port_;
    tcp::resolver resolver_;
    tcp::socket socket_;
    std::optional<ssl::stream<tcp::socket&>> tls_;
    net::steady_timer deadline_;
    std::string request_;
    boost::beast::flat_buffer buffer_;
    std::optional<http::response_parser<http::buffer_body>> parser_;
    std::array<char, 16 * 1024> piece_;
    std::chrono::milliseconds limit_{0};
    net::steady_timer::time_point lastProgress_;
    bool waiting_ = false;  // a wait on deadline_ is under way
    bool ended_ = false;
};

namespace {

bool OnIoThread(const HP_HttpClientObject& client) {
    return client.listener.io.get_executor().running_in_this_thread();
}

// Runs fn on the client's I/O thread and returns when it has run.
template <typename Fn>
void RunOnIoThread(HP_HttpClientObject& client, Fn fn) {
    if (OnIoThread(client)) return fn();
    std::promise<void> done;
    net::post(client.listener.io, [&] {
        fn();
        done.set_value();
    });
    done.get_future().wait();
}

HP_HttpClient CreateClient(HP_HttpClientListener listener, bool tls) {
    if (listener == nullptr) return nullptr;
    return new (std::nothrow) HP_HttpClientObject(*listener, tls);
}

void DestroyClient(HP_HttpClient client) {
    if (client == nullptr) return;
    HP_Client_Stop(client);
    delete client;
}

bool IsAnyAddress(const char* address) {
    const std::string_view text = address ? address : "";
    return text.empty() || text == "0.0.0.0" || text == "::";
}

// RFC 9110 token characters: method and header names.
bool IsToken(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        const bool ok = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') ||
                        (u >= 'A' && u <= 'Z') ||
                        std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
        if (!ok) return false;
    }
    return true;
}

// No control characters and, where asked, no spaces: what keeps a request line or a header line
// from being split or extended.
bool IsFieldText(std::string_view text, bool allowSpace) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0x7F || (u < 0x20 && u != '\t') || (!allowSpace && (u == ' ' || u == '\t'))) {
            return false;
        }
    }
    return true;
}

// The request's bytes, or nothing when a part of it could break its framing.
std::optional<std::string> ComposeRequest(std::string_view method, std::string_view path,
                                          const std::string& hostHeader, const HP_THeader* headers,
                                          int headerCount, const std::uint8_t* body, int length) {
    if (!IsToken(method) || path.empty() || !IsFieldText(path, false)) return std::nullopt;
    std::string out;
    out.append(method).append(" ").append(path).append(" HTTP/1.1\r\n");
    bool hasHost = false;
    bool hasLength = false;
    for (int i = 0; i < headerCount; ++i) {
        const boost::beast::string_view name = headers[i].name ? headers[i].name : "";
        const std::string_view value = headers[i].value ? headers[i].value : "";
        if (name.empty()) continue;
        if (!IsToken({name.data(), name.size()}) || !IsFieldText(value, true)) return std::nullopt;
        hasHost = hasHost || boost::beast::iequals(name, "Host");
        hasLength = hasLength || boost::beast::iequals(name, "Content-Length") ||
                    boost::beast::iequals(name, "Transfer-Encoding");
        out.append(name.data(), name.size()).append(": ").append(value).append("\r\n");
    }
    if (!hasHost) out.append("Host: ").append(hostHeader).append("\r\n");
    const bool bodyExpected = method == "POST" || method == "PUT" || method == "PATCH";
    if (!hasLength && (length > 0 || bodyExpected)) {
        out.append("Content-Length: ").append(std::to_string(length)).append("\r\n");
    }
    out.append("\r\n");
    if (length > 0) out.append(reinterpret_cast<const char*>(body), length);
    return out;
}

}  // namespace
}  // namespace velmora::detail

using namespace velmora::detail;

extern "C" {

HP_HttpClientListener Create_HP_HttpClientListener() {
    try {
        return new HP_HttpClientListenerObject;
    } catch (...) {
        return nullptr;
    }
}

void Destroy_HP_HttpClientListener(HP_HttpClientListener listener) {
    delete listener;
}

HP_HttpClient Create_HP_HttpsClient(HP_HttpClientListener listener) {
    return CreateClient(listener, true);
}

HP_HttpClient Create_HP_HttpClient(HP_HttpClientListener listener) {
    return CreateClient(listener, false);
}

void Destroy_HP_HttpsClient(HP_HttpClient client) {
    DestroyClient(client);
}

void Destroy_HP_HttpClient(HP_HttpClient client) {
    DestroyClient(client);
}

void HP_Set_FN_HttpClient_OnBody(HP_HttpClientListener listener, HP_FN_HttpClient_OnBody fn) {
    if (listener) listener->onBody = fn;
}

void HP_Set_FN_HttpClient_OnHandShake(HP_HttpClientListener listener,
                                      HP_FN_HttpClient_OnHandShake fn) {
    if (listener) listener->onHandShake = fn;
}

void HP_Set_FN_HttpClient_OnMessageComplete(HP_HttpClientListener listener,
                                            HP_FN_HttpClient_OnMessageComplete fn) {
    if (listener) listener->onMessageComplete = fn;
}

void HP_Set_FN_HttpClient_OnClose(HP_HttpClientListener listener, HP_FN_HttpClient_OnClose fn) {
    if (listener) listener->onClose = fn;
}

void HP_Set_FN_HttpClient_OnParseError(HP_HttpClientListener listener,
                                       HP_FN_HttpClient_OnParseError fn) {
    if (listener) listener->onParseError = fn;
}

bool HP_SSLClient_SetupSSLContext(HP_HttpClient client, int verifyMode, const char* pemCertFile,
                                  const char* pemKeyFile, const char* keyPassword,
                                  const char* caPemCertFileOrPath) {
    if (client == nullptr || !client->tls) return false;
    try {
        auto context = std::make_shared<ssl::context>(ssl::context::tls_client);
        SSL_CTX_set_min_proto_version(context->native_handle(), TLS1_2_VERSION);
        error_code ec;
        context->set_verify_mode(verifyMode & HP_SSL_VM_PEER ? ssl::verify_peer : ssl::verify_none,
                                 ec);
        if (!ec && caPemCertFileOrPath && *caPemCertFileOrPath) {
            if (std::filesystem::is_directory(caPemCertFileOrPath)) {
                context->add_verify_path(caPemCertFileOrPath, ec);
            } else {
                context->load_verify_file(caPemCertFileOrPath, ec);
            }
        } else if (!ec) {
            context->set_default_verify_paths(ec);
        }
        if (!ec && keyPassword) {
            context->set_password_callback(
                [password = std::string(keyPassword)](std::size_t, ssl::context::password_purpose) {
                    return password;
                });
        }
        if (!ec && pemCertFile && *pemCertFile)
            context->use_certificate_chain_file(pemCertFile, ec);
        if (!ec && pemKeyFile && *pemKeyFile) {
            context->use_private_key_file(pemKeyFile, ssl::context::pem, ec);
        }
        if (ec) return false;
        std::lock_guard lock(client->settingsMutex);
        client->sslContext = std::move(context);
        return true;
    } catch (...) {
        return false;
    }
}

void HP_SSLClient_CleanupSSLContext(HP_HttpClient client) {
    if (client == nullptr) return;
    std::lock_guard lock(client->settingsMutex);
    client->sslContext.reset();
}

void HP_Client_SetTimeLimits(HP_HttpClient client, unsigned connectMilliseconds,
                             unsigned idleMilliseconds) {
    if (client == nullptr) return;
    client->connectLimit = connectMilliseconds;
    client->idleLimit = idleMilliseconds;
}

bool HP_Client_StartWithBindAddressAndLocalPort(HP_HttpClient client, const char* remoteAddress,
                                                unsigned short port, bool asyncConnect,
                                                const char* bindAddress, unsigned short localPort) {
    if (client == nullptr || remoteAddress == nullptr || *remoteAddress == '\0' || !asyncConnect ||
        !IsAnyAddress(bindAddress) || localPort != 0) {
        return false;
    }
    if (client->started.exchange(true)) return false;
    std::shared_ptr<ssl::context> context;
    {
        std::lock_guard lock(client->settingsMutex);
        if (client->tls && !client->sslContext) {
            client->started = false;
            return false;
        }
        context = client->sslContext;
        const bool defaultPort = port == (client->tls ? 443 : 80);
        client->hostHeader = remoteAddress;
        if (!defaultPort) client->hostHeader += ":" + std::to_string(port);
    }
    client->statusCode = 0;
    const HP_CONNID id = ++client->lastConnectionId;
    try {
        net::post(client->listener.io, [client, id, context, host = std::string(remoteAddress),
                                        service = std::to_string(port)] {
            client->connection = std::make_shared<Connection>(*client, id, context, host, service);
            client->connection->Start();
        });
    } catch (...) {
        client->started = false;
        return false;
    }
    return true;
}

bool HP_Client_Stop(HP_HttpClient client) {
    if (client == nullptr) return false;
    RunOnIoThread(*client, [client] {
        if (client->connection) client->connection->End(HP_CLOSE_STOPPED, "");
    });
    return true;
}

bool HP_HttpClient_SendRequest(HP_HttpClient client, const char* method, const char* path,
                               const HP_THeader headers[], int headerCount,
                               const std::uint8_t* body, int length) {
    if (client == nullptr || method == nullptr || path == nullptr || headerCount < 0 ||
        (headerCount > 0 && headers == nullptr) || length < 0 || (length > 0 && body == nullptr) ||
        !client->connected) {
        return false;
    }
    std::string hostHeader;
    {
        std::lock_guard lock(client->settingsMutex);
        hostHeader = client->hostHeader;
    }
    std::optional<std::string> request =
        ComposeRequest(method, path, hostHeader, headers, headerCount, body, length);
    if (!request) return false;
    const bool headRequest = std::string_view(method) == "HEAD";
    const HP_CONNID id = client->lastConnectionId;
    net::post(client->listener.io, [client, id, headRequest, request = std::move(*request)] {
        if (client->connection && client->connection->Id() == id) {
            client->connection->Send(std::move(request), headRequest);
        }
    });
    return true;
}

unsigned short HP_HttpClient_GetStatusCode(HP_HttpClient client) {
    return client ? client->statusCode.load() : 0;
}

}  // extern "C"
