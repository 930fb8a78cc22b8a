#pragma once
// One HTTP request at a time over the socket layer, with the response body handed piece by piece
// to a handler as it arrives.
//
// Request blocks its caller until the response is complete or the exchange has failed, waiting in
// 50 ms steps with PumpingDelay (so a UI thread that registered an event pump stays responsive).
// On a thread without an event pump a step ends early when a notification changes a flag, so a
// short exchange is not stretched to whole steps.
// The scheme decides the transport: "https://" speaks TLS and verifies the server's certificate
// chain against OpenSSL's default trust paths (SSL_CERT_FILE / SSL_CERT_DIR honoured) and its
// name against the URL's host, sending that name as SNI; "http://" and a URL without a scheme speak
// plain HTTP. No wait is endless: connecting and handshaking have kConnectTimeLimit, and a
// request without any progress fails after kIdleTimeLimit.
//
// The socket layer's notifications reach this object through callback trampolines bound at
// construction to its routines (RoutineTable) and released only after the layer's client and
// listener are gone.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string_view>

#include "encoding/ByteBuffer.h"
#include "encoding/TextBuffer.h"
#include "http/CallbackTrampoline.h"
#include "http/HpHttpClientBinding.h"

namespace velmora {

inline constexpr std::chrono::milliseconds kConnectTimeLimit = std::chrono::seconds(30);
inline constexpr std::chrono::milliseconds kIdleTimeLimit = std::chrono::seconds(120);

enum class HttpFailure {
    none,
    noClient,    // the socket layer's objects could not be created
    notStarted,  // the URL gave nothing to connect to, or TLS could not be set up
    hostNotFound,
    refused,
    certificate,  // the server's certificate failed verification
    tls,          // any other TLS handshake failure
    timedOut,
    closedEarly,  // closed or reset before the reply was complete
    malformedReply,
    notSent,  // the request could not be written (a bad method, path or header)
    network,
};

// How Request ended.
struct HttpResult {
    bool completed = false;  // the whole response arrived
    int status = 0;          // HTTP status when known, else 0
    TextBuffer reason;       // short readable reason when !completed
    HttpFailure failure = HttpFailure::none;
};

class HttpClient {
public:
    // (sender: the layer's client handle, connection id, data address, length). Runs on the socket
    // layer's I/O thread; the data is valid only during the call.
    using BodyHandler = std::function<void(std::uintptr_t sender, std::uintptr_t connectionId,
                                           std::uintptr_t data, std::uintptr_t length)>;

    HttpClient();
    ~HttpClient();
    // A copy would share the layer's objects and the trampolines bound to this object.
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Set before Request, not while it runs. An empty handler drops the body.
    void SetBodyHandler(BodyHandler handler);

    // Sends one request and waits for its end. headerText holds "Name: value" lines separated by
    // "\r\n"; Host and Content-Length are added when missing. The body handler gets every piece of
    // the response body in order, whatever the status; none after Request has returned. A second
    // Request closes the connection the first left open.
    HttpResult Request(std::string_view url, std::string_view method, std::string_view headerText,
                       ByteView body);

    // The current response's status, valid from its first body piece on (the handler may ask).
    int StatusCode() const;

    // For tests: shorter limits than kConnectTimeLimit and kIdleTimeLimit; from the next Request.
    void SetTimeLimits(std::chrono::milliseconds connect, std::chrono::milliseconds idle);

    // The class table of routines that trampolines bind to, by position from 1: Destroy, Copy
    // (empty: copying is forbidden), OnBody, OnHandShake, OnMessageComplete, Request,
    // SetBodyHandler, AddressOf, OnClose.
    static std::span<const RoutineAddress> RoutineTable();

private:
    // Notifications, on the socket layer's I/O thread.
    static std::uintptr_t OnBody(HttpClient* self, std::uintptr_t sender,
                                 std::uintptr_t connectionId, std::uintptr_t data,
                                 std::uintptr_t length);
    static std::uintptr_t OnHandShake(HttpClient* self, std::uintptr_t sender,
                                      std::uintptr_t connectionId);
    static std::uintptr_t OnMessageComplete(HttpClient* self, std::uintptr_t sender,
                                            std::uintptr_t connectionId);
    static std::uintptr_t OnClose(HttpClient* self, std::uintptr_t sender,
                                  std::uintptr_t connectionId, std::uintptr_t code,
                                  std::uintptr_t description);

    // Library client and listener first, then the trampolines they might still call.
    void Destroy();
    HttpResult Failure(HttpFailure failure, TextBuffer reason) const;
    HttpResult FailureFromClose() const;
    template <typename Done>
    void WaitUntil(Done done);
    // Sets a flag and wakes a waiting Request (on the I/O thread).
    void Raise(std::atomic<bool>& flag);

    HpHttpClientBinding binding;
    std::atomic<bool> connected{false};
    ClientHandle client;  // HTTPS
    std::atomic<bool> complete{false};
    CallbackTrampoline bodyStub;
    CallbackTrampoline handShakeStub;
    CallbackTrampoline messageCompleteStub;
    BodyHandler bodyHandler;

    ClientHandle plainClient;
    CallbackTrampoline closeStub;
    bool usable = false;  // construction got every part
    std::atomic<HP_HttpClient> current{nullptr};
    // Written by OnClose before `closed` is set, read after it has been seen.
    std::atomic<bool> closed{false};
    HP_CloseCode closeCode = HP_CLOSE_STOPPED;
    TextBuffer closeDescription;
    // Taken only around raising a flag and waiting for one, so that no wake-up is missed.
    std::mutex flagMutex;
    std::condition_variable flagRaised;
    std::chrono::milliseconds connectLimit = kConnectTimeLimit;
    std::chrono::milliseconds idleLimit = kIdleTimeLimit;
};

}  // namespace velmora
