#pragma once
// Certificates for TLS tests, made with OpenSSL when a process first asks for them, valid from an
// hour ago for thirty days: nothing on disk, nothing that expires under a test run.

#include <string>

namespace velmora::testsupport {

// What a TLS server presents, in PEM.
struct ServerIdentity {
    std::string certificateChainPem;
    std::string privateKeyPem;
};

struct TestPki {
    std::string caCertificatePem;  // the test CA that TrustTestCa makes trusted
    ServerIdentity localhost;      // for 127.0.0.1 and localhost, signed by the test CA
    ServerIdentity otherHost;      // for other.example only, signed by the test CA
    ServerIdentity unknownCa;      // for 127.0.0.1 and localhost, signed by a CA nobody trusts
};

// Made once per process; safe to call from any thread.
const TestPki& TestCertificates();

// Makes OpenSSL's default trust the test CA alone: writes it to a temporary file (removed at exit)
// and points SSL_CERT_FILE at it. Changes the environment, so call it before starting threads
// that might read it; later calls do nothing.
void TrustTestCa();

}  // namespace velmora::testsupport
