#pragma once
// A small HTTP/HTTPS client socket library with a C interface, in the manner of HP-Socket's C API
// (same function names and argument order for the calls the program makes), built on Boost.Beast
// and OpenSSL.
//
// A listener holds the notification routines and runs one I/O thread; clients created for it do
// their work on that thread and call the notifications there. Starting is asynchronous: resolve,
// connect, TLS handshake (HTTPS clients), then OnHandShake. HP_HttpClient_SendRequest writes one
// request; the response is parsed as it arrives: OnBody for each piece of the decoded body (chunked
// transfer coding removed), in order, then OnMessageComplete after the last piece. A connection
// that ends for any reason, before or after its response completed, gives exactly one OnClose, and
// nothing for that connection follows it.
//
// Notifications get only pointer-sized integers: the client's handle, the connection id and their
// own arguments, and return 0 to go on (anything else ends the connection). They take no pointer
// of the caller's choosing. Their data is valid only during the call.
//
// Texts are zero-terminated strings in the program's code page. Handles are pointer-sized.
// Create and destroy clients and listeners on threads of your own, never inside a notification
// (HP_Client_Stop may be called there), and destroy every client before its listener.

#include <cstdint>

extern "C" {

typedef struct HP_HttpClientListenerObject* HP_HttpClientListener;
typedef struct HP_HttpClientObject* HP_HttpClient;
typedef std::uintptr_t HP_CONNID;
// A notification's result: HP_HR_OK to go on.
typedef std::uintptr_t HP_HandleResult;

enum { HP_HR_OK = 0, HP_HR_ERROR = 2 };

// Why a connection ended, as OnClose reports it.
enum HP_CloseCode {
    HP_CLOSE_STOPPED = 0,         // HP_Client_Stop or destruction
    HP_CLOSE_HOST_NOT_FOUND = 1,  // the name did not resolve
    HP_CLOSE_REFUSED = 2,         // nobody listens at the address
    HP_CLOSE_CERTIFICATE = 3,     // the server's certificate failed verification
    HP_CLOSE_TLS = 4,             // any other TLS handshake failure
    HP_CLOSE_TIMED_OUT = 5,       // a time limit of HP_Client_SetTimeLimits ran out
    HP_CLOSE_RESET = 6,           // the peer reset the connection
    HP_CLOSE_EARLY = 7,           // the peer closed before the response was complete
    HP_CLOSE_PARSE_ERROR = 8,     // the response was not valid HTTP (OnParseError came first)
    HP_CLOSE_ABORTED = 9,         // a notification returned other than HP_HR_OK
    HP_CLOSE_NETWORK = 10,        // any other socket error
};

// Verify modes of HP_SSLClient_SetupSSLContext.
enum { HP_SSL_VM_NONE = 0, HP_SSL_VM_PEER = 1 };

typedef struct {
    const char* name;
    const char* value;
} HP_THeader;

// (client, connection id, data address, length)
typedef HP_HandleResult (*HP_FN_HttpClient_OnBody)(std::uintptr_t, HP_CONNID, std::uintptr_t,
                                                   std::uintptr_t);
// (client, connection id)
typedef HP_HandleResult (*HP_FN_HttpClient_OnHandShake)(std::uintptr_t, HP_CONNID);
typedef HP_HandleResult (*HP_FN_HttpClient_OnMessageComplete)(std::uintptr_t, HP_CONNID);
// (client, connection id, HP_CloseCode, address of a readable description, "" when stopped)
typedef HP_HandleResult (*HP_FN_HttpClient_OnClose)(std::uintptr_t, HP_CONNID, std::uintptr_t,
                                                    std::uintptr_t);
// (client, connection id, parser error value, address of its description)
typedef HP_HandleResult (*HP_FN_HttpClient_OnParseError)(std::uintptr_t, HP_CONNID, std::uintptr_t,
                                                         std::uintptr_t);

HP_HttpClientListener Create_HP_HttpClientListener();
void Destroy_HP_HttpClientListener(HP_HttpClientListener listener);

HP_HttpClient Create_HP_HttpsClient(HP_HttpClientListener listener);
HP_HttpClient Create_HP_HttpClient(HP_HttpClientListener listener);
// Stop the client's connection, then free it. No notification of it follows.
void Destroy_HP_HttpsClient(HP_HttpClient client);
void Destroy_HP_HttpClient(HP_HttpClient client);

void HP_Set_FN_HttpClient_OnBody(HP_HttpClientListener listener, HP_FN_HttpClient_OnBody fn);
void HP_Set_FN_HttpClient_OnHandShake(HP_HttpClientListener listener,
                                      HP_FN_HttpClient_OnHandShake fn);
void HP_Set_FN_HttpClient_OnMessageComplete(HP_HttpClientListener listener,
                                            HP_FN_HttpClient_OnMessageComplete fn);
void HP_Set_FN_HttpClient_OnClose(HP_HttpClientListener listener, HP_FN_HttpClient_OnClose fn);
void HP_Set_FN_HttpClient_OnParseError(HP_HttpClientListener listener,
                                       HP_FN_HttpClient_OnParseError fn);

// TLS settings for the client's next starts. With HP_SSL_VM_PEER the server's chain is verified
// against caFileOrPath, or OpenSSL's default paths when that is null (SSL_CERT_FILE and
// SSL_CERT_DIR are honoured), and its name against the host given to Start. Certificate, key and
// password are for client authentication and may be null.
bool HP_SSLClient_SetupSSLContext(HP_HttpClient client, int verifyMode, const char* pemCertFile,
                                  const char* pemKeyFile, const char* keyPassword,
                                  const char* caPemCertFileOrPath);
void HP_SSLClient_CleanupSSLContext(HP_HttpClient client);

// Time limits for the next starts, in milliseconds, 0 for none: from start to OnHandShake, and
// without any progress (a received or sent byte) while a request is out.
void HP_Client_SetTimeLimits(HP_HttpClient client, unsigned connectMilliseconds,
                             unsigned idleMilliseconds);

// Begins connecting; false when the client is already started, the arguments are unusable (an
// empty host, a synchronous start, a bind address other than any), or an HTTPS client has no TLS
// context. True means exactly one OnClose will come for this connection.
bool HP_Client_StartWithBindAddressAndLocalPort(HP_HttpClient client, const char* remoteAddress,
                                                unsigned short port, bool asyncConnect,
                                                const char* bindAddress, unsigned short localPort);
// Ends the current connection, if any, and returns once its OnClose has been called.
bool HP_Client_Stop(HP_HttpClient client);

// Writes one request after OnHandShake. Adds Host, and Content-Length where a body is sent or
// expected, unless given. Headers without a name are left out. False when not connected, or when
// the method, path or a header could break the request's framing (line breaks, bad characters).
bool HP_HttpClient_SendRequest(HP_HttpClient client, const char* method, const char* path,
                               const HP_THeader headers[], int headerCount,
                               const std::uint8_t* body, int length);

// The status of the current response, 0 until its status line has arrived. Set before the first
// OnBody of that response.
unsigned short HP_HttpClient_GetStatusCode(HP_HttpClient client);

}  // extern "C"
