#pragma once
// The socket layer's calls as HttpClient makes them: each C call of http/HpSocket.h wrapped once,
// with the listener and the clients owned by handles.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "encoding/ByteBuffer.h"
#include "encoding/TextBuffer.h"
#include "http/HeaderPair.h"
#include "http/HpSocket.h"

namespace velmora {

namespace detail {
struct ListenerDeleter {
    void operator()(HP_HttpClientListener listener) const;
};
struct ClientDeleter {
    bool tls = true;
    void operator()(HP_HttpClient client) const;
};
}  // namespace detail

using ListenerHandle = std::unique_ptr<HP_HttpClientListenerObject, detail::ListenerDeleter>;
using ClientHandle = std::unique_ptr<HP_HttpClientObject, detail::ClientDeleter>;

class HpHttpClientBinding {
public:
    // The listener, created at the first call; null when it cannot be created.
    HP_HttpClientListener GetListener();
    // A client reporting to the listener; empty when there is no listener or no client.
    ClientHandle CreateClient(bool tls);
    // Every client must be gone before this.
    void DestroyListener() { listener.reset(); }

    // Notification routines by address, as trampolines give them; false without a listener.
    bool SetOnBody(std::uintptr_t routine);
    bool SetOnHandShake(std::uintptr_t routine);
    bool SetOnMessageComplete(std::uintptr_t routine);
    bool SetOnClose(std::uintptr_t routine);

    bool Stop(HP_HttpClient client);
    bool SetupSslContext(HP_HttpClient client, int verifyMode);
    void CleanupSslContext(HP_HttpClient client);
    void SetTimeLimits(HP_HttpClient client, unsigned connectMilliseconds,
                       unsigned idleMilliseconds);
    // Asynchronous start from any local address and port.
    bool Start(HP_HttpClient client, const TextBuffer& host, std::uint16_t port);
    bool SendRequest(HP_HttpClient client, const TextBuffer& method, const TextBuffer& path,
                     const std::vector<HeaderPair>& headers, ByteView body);
    int StatusCode(HP_HttpClient client) const;

private:
    ListenerHandle listener;
};

}  // namespace velmora
