#include "http/HttpClient.h"

#include <algorithm>
#include <array>
#include <limits>

#include "http/HeaderPair.h"
#include "http/PumpingDelay.h"
#include "http/UrlHelpers.h"

namespace velmora {

namespace {
// Positions in RoutineTable().
enum Routine {
    kOnBodyRoutine = 3,
    kOnHandShakeRoutine = 4,
    kOnMessageCompleteRoutine = 5,
    kOnCloseRoutine = 9,
};

constexpr std::int64_t kWaitStepMilliseconds = 50;

unsigned Milliseconds(std::chrono::milliseconds limit) {
    return static_cast<unsigned>(std::clamp<std::chrono::milliseconds::rep>(
        limit.count(), 0, std::numeric_limits<unsigned>::max()));
}
}  // namespace

std::span<const RoutineAddress> HttpClient::RoutineTable() {
    static const std::array<RoutineAddress, 9> table = {
        AsRoutine(+[](HttpClient* self) { self->Destroy(); }),
        nullptr,
        AsRoutine(&HttpClient::OnBody),
        AsRoutine(&HttpClient::OnHandShake),
        AsRoutine(&HttpClient::OnMessageComplete),
        AsRoutine(+[](HttpClient* self, std::string_view url, std::string_view method,
                      std::string_view headerText,
                      ByteView body) { return self->Request(url, method, headerText, body); }),
        AsRoutine(+[](HttpClient* self, BodyHandler handler) {
            self->SetBodyHandler(std::move(handler));
        }),
        AsRoutine(+[](HttpClient*, std::uintptr_t value) { return value; }),
        AsRoutine(&HttpClient::OnClose),
    };
    return table;
}

HttpClient::HttpClient() {
    if (binding.GetListener() == nullptr) return;
    client = binding.CreateClient(true);
    plainClient = binding.CreateClient(false);
    bodyStub = MakeCallbackTrampoline(this, kOnBodyRoutine, 4);
    handShakeStub = MakeCallbackTrampoline(this, kOnHandShakeRoutine, 2);
    messageCompleteStub = MakeCallbackTrampoline(this, kOnMessageCompleteRoutine, 2);
    closeStub = MakeCallbackTrampoline(this, kOnCloseRoutine, 4);
    if (!client || !plainClient || !bodyStub || !handShakeStub || !messageCompleteStub ||
        !closeStub) {
        return;
    }
    usable = binding.SetOnBody(bodyStub.Address()) &&
             binding.SetOnHandShake(handShakeStub.Address()) &&
             binding.SetOnMessageComplete(messageCompleteStub.Address()) &&
             binding.SetOnClose(closeStub.Address());
}

HttpClient::~HttpClient() {
    Destroy();
}

void HttpClient::Destroy() {
    if (client) binding.CleanupSslContext(client.get());
    client.reset();
    plainClient.reset();
    binding.DestroyListener();
    bodyStub = {};
    handShakeStub = {};
    messageCompleteStub = {};
    closeStub = {};
    usable = false;
}

void HttpClient::SetBodyHandler(BodyHandler handler) {
    bodyHandler = std::move(handler);
}

void HttpClient::SetTimeLimits(std::chrono::milliseconds connect, std::chrono::milliseconds idle) {
    connectLimit = connect;
    idleLimit = idle;
}

int HttpClient::StatusCode() const {
    return binding.StatusCode(current.load());
}

template <typename Done>
void HttpClient::WaitUntil(Done done) {
    while (!done()) {
        if (HasEventPump()) {
            PumpingDelay(kWaitStepMilliseconds, 0);
        } else {
            // Where PumpingDelay would only sleep, a raised flag ends the step at once.
            std::unique_lock lock(flagMutex);
            flagRaised.wait_for(lock, std::chrono::milliseconds(kWaitStepMilliseconds), done);
        }
    }
}

void HttpClient::Raise(std::atomic<bool>& flag) {
    {
        std::lock_guard lock(flagMutex);
        flag = true;
    }
    // Notified outside the lock all the same: the object goes only once Destroy has joined the
    // listener's I/O thread, which runs this.
    flagRaised.notify_all();
}

HttpResult HttpClient::Request(std::string_view url, std::string_view method,
                               std::string_view headerText, ByteView body) {
    const bool tls = IsHttpsUrl(url);
    HP_HttpClient target = tls ? client.get() : plainClient.get();
    if (!usable || target == nullptr) {
        return Failure(HttpFailure::noClient, "HTTP client could not be created");
    }
    // Stopping reports the end of any earlier connection before the flags are cleared.
    binding.Stop(client.get());
    binding.Stop(plainClient.get());
    connected = false;
    complete = false;
    closed = false;
    current = target;

    const auto port = static_cast<std::uint16_t>(GetUrlPort(url));
    const TextBuffer host = GetUrlHost(url, false);
    if (tls && !binding.SetupSslContext(target, HP_SSL_VM_PEER)) {
        return Failure(HttpFailure::notStarted, "TLS could not be set up");
    }
    binding.SetTimeLimits(target, Milliseconds(connectLimit), Milliseconds(idleLimit));
    if (!binding.Start(target, host, port)) {
        return Failure(HttpFailure::notStarted,
                       host.empty() ? "host not found" : "connection could not be started");
    }
    const TextBuffer path = GetUrlPath(url);
    const std::vector<HeaderPair> headers = HeaderPairsFromText(headerText);

    WaitUntil([this] { return connected.load() || closed.load(); });
    if (closed) return FailureFromClose();
    if (!binding.SendRequest(target, TextBuffer(method), path, headers, body)) {
        binding.Stop(target);
        if (closed && closeCode != HP_CLOSE_STOPPED) return FailureFromClose();
        return Failure(HttpFailure::notSent, "request could not be sent");
    }
    WaitUntil([this] { return complete.load() || closed.load(); });
    if (complete) return {true, StatusCode(), {}, HttpFailure::none};
    return FailureFromClose();
}

HttpResult HttpClient::Failure(HttpFailure failure, TextBuffer reason) const {
    return {false, StatusCode(), std::move(reason), failure};
}

HttpResult HttpClient::FailureFromClose() const {
    switch (closeCode) {
        case HP_CLOSE_HOST_NOT_FOUND:
            return Failure(HttpFailure::hostNotFound, "host not found");
        case HP_CLOSE_REFUSED:
            return Failure(HttpFailure::refused, "connection refused");
        case HP_CLOSE_CERTIFICATE:
            return Failure(HttpFailure::certificate,
                           ConcatText("certificate verify failed: ", closeDescription));
        case HP_CLOSE_TLS:
            return Failure(HttpFailure::tls,
                           ConcatText("TLS handshake failed: ", closeDescription));
        case HP_CLOSE_TIMED_OUT:
            return Failure(HttpFailure::timedOut, "timed out");
        case HP_CLOSE_RESET:
        case HP_CLOSE_EARLY:
            return Failure(HttpFailure::closedEarly,
                           "connection closed before the reply was complete");
        case HP_CLOSE_PARSE_ERROR:
            return Failure(HttpFailure::malformedReply,
                           ConcatText("malformed reply: ", closeDescription));
        default:
            return Failure(HttpFailure::network, ConcatText("network error: ", closeDescription));
    }
}

std::uintptr_t HttpClient::OnBody(HttpClient* self, std::uintptr_t sender,
                                  std::uintptr_t connectionId, std::uintptr_t data,
                                  std::uintptr_t length) {
    if (self->bodyHandler) self->bodyHandler(sender, connectionId, data, length);
    return HP_HR_OK;
}

std::uintptr_t HttpClient::OnHandShake(HttpClient* self, std::uintptr_t, std::uintptr_t) {
    self->Raise(self->connected);
    return HP_HR_OK;
}

std::uintptr_t HttpClient::OnMessageComplete(HttpClient* self, std::uintptr_t, std::uintptr_t) {
    self->Raise(self->complete);
    return HP_HR_OK;
}

std::uintptr_t HttpClient::OnClose(HttpClient* self, std::uintptr_t sender, std::uintptr_t,
                                   std::uintptr_t code, std::uintptr_t description) {
    if (sender != reinterpret_cast<std::uintptr_t>(self->current.load())) return HP_HR_OK;
    self->closeCode = static_cast<HP_CloseCode>(code);
    self->closeDescription = TextFromPointer(description);
    self->Raise(self->closed);
    return HP_HR_OK;
}

}  // namespace velmora
