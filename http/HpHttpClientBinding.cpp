#include "http/HpHttpClientBinding.h"

#include <limits>

namespace velmora {

namespace detail {
void ListenerDeleter::operator()(HP_HttpClientListener listener) const {
    Destroy_HP_HttpClientListener(listener);
}
void ClientDeleter::operator()(HP_HttpClient client) const {
    if (tls) {
        Destroy_HP_HttpsClient(client);
    } else {
        Destroy_HP_HttpClient(client);
    }
}
}  // namespace detail

HP_HttpClientListener HpHttpClientBinding::GetListener() {
    if (!listener) listener.reset(Create_HP_HttpClientListener());
    return listener.get();
}

ClientHandle HpHttpClientBinding::CreateClient(bool tls) {
    HP_HttpClientListener l = GetListener();
    if (l == nullptr) return {};
    return ClientHandle(tls ? Create_HP_HttpsClient(l) : Create_HP_HttpClient(l),
                        detail::ClientDeleter{tls});
}

namespace {
template <typename Fn>
bool SetNotification(HP_HttpClientListener listener, void (*set)(HP_HttpClientListener, Fn),
                     std::uintptr_t routine) {
    if (listener == nullptr) return false;
    set(listener, reinterpret_cast<Fn>(routine));
    return true;
}
}  // namespace

bool HpHttpClientBinding::SetOnBody(std::uintptr_t routine) {
    return SetNotification(GetListener(), &HP_Set_FN_HttpClient_OnBody, routine);
}

bool HpHttpClientBinding::SetOnHandShake(std::uintptr_t routine) {
    return SetNotification(GetListener(), &HP_Set_FN_HttpClient_OnHandShake, routine);
}

bool HpHttpClientBinding::SetOnMessageComplete(std::uintptr_t routine) {
    return SetNotification(GetListener(), &HP_Set_FN_HttpClient_OnMessageComplete, routine);
}

bool HpHttpClientBinding::SetOnClose(std::uintptr_t routine) {
    return SetNotification(GetListener(), &HP_Set_FN_HttpClient_OnClose, routine);
}

bool HpHttpClientBinding::Stop(HP_HttpClient client) {
    return HP_Client_Stop(client);
}

bool HpHttpClientBinding::SetupSslContext(HP_HttpClient client, int verifyMode) {
    return HP_SSLClient_SetupSSLContext(client, verifyMode, nullptr, nullptr, nullptr, nullptr);
}

void HpHttpClientBinding::CleanupSslContext(HP_HttpClient client) {
    HP_SSLClient_CleanupSSLContext(client);
}

void HpHttpClientBinding::SetTimeLimits(HP_HttpClient client, unsigned connectMilliseconds,
                                        unsigned idleMilliseconds) {
    HP_Client_SetTimeLimits(client, connectMilliseconds, idleMilliseconds);
}

bool HpHttpClientBinding::Start(HP_HttpClient client, const TextBuffer& host, std::uint16_t port) {
    return HP_Client_StartWithBindAddressAndLocalPort(client, host.c_str(), port, true, "0.0.0.0",
                                                      0);
}

bool HpHttpClientBinding::SendRequest(HP_HttpClient client, const TextBuffer& method,
                                      const TextBuffer& path,
                                      const std::vector<HeaderPair>& headers, ByteView body) {
    if (body.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
    std::vector<HP_THeader> array;
    array.reserve(headers.size());
    for (const HeaderPair& pair : headers) array.push_back({pair.name.c_str(), pair.value.c_str()});
    return HP_HttpClient_SendRequest(
        client, method.c_str(), path.c_str(), array.empty() ? nullptr : array.data(),
        static_cast<int>(array.size()), body.empty() ? nullptr : body.data(),
        static_cast<int>(body.size()));
}

int HpHttpClientBinding::StatusCode(HP_HttpClient client) const {
    return HP_HttpClient_GetStatusCode(client);
}

}  // namespace velmora
