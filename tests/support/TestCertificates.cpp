#include "tests/support/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace velmora::testsupport {

namespace detail {
struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct ExtensionDeleter {
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
};
}  // namespace detail

namespace {

using Key = std::unique_ptr<EVP_PKEY, detail::KeyDeleter>;
using Certificate = std::unique_ptr<X509, detail::CertificateDeleter>;
using Bio = std::unique_ptr<BIO, detail::BioDeleter>;
using Extension = std::unique_ptr<X509_EXTENSION, detail::ExtensionDeleter>;

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test certificates: ") + what);
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "EC key generation");
    return key;
}

struct Issuer {
    X509* certificate;  // null: self-signed
    EVP_PKEY* key;
};

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer ? issuer : certificate, certificate, nullptr, nullptr, 0);
    Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    Check(extension != nullptr, "extension");
    Check(X509_add_ext(certificate, extension.get(), -1) == 1, "adding an extension");
}

// altNames empty: a CA certificate.
Certificate NewCertificate(const char* commonName, EVP_PKEY* key, Issuer issuer,
                           const char* altNames) {
    static std::mutex serialMutex;
    static long serial = 1;
    Certificate certificate(X509_new());
    Check(certificate != nullptr, "X509_new");
    X509* c = certificate.get();
    X509_set_version(c, 2);
    {
        std::lock_guard lock(serialMutex);
        ASN1_INTEGER_set(X509_get_serialNumber(c), serial++);
    }
    X509_gmtime_adj(X509_getm_notBefore(c), -60 * 60);
    X509_gmtime_adj(X509_getm_notAfter(c), 30L * 24 * 60 * 60);
    X509_set_pubkey(c, key);
    X509_NAME* name = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(c, issuer.certificate ? X509_get_subject_name(issuer.certificate) : name);
    const bool isCa = *altNames == '\0';
    AddExtension(c, issuer.certificate, NID_subject_key_identifier, "hash");
    if (isCa) {
        AddExtension(c, issuer.certificate, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(c, issuer.certificate, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(c, issuer.certificate, NID_authority_key_identifier, "keyid");
        AddExtension(c, issuer.certificate, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(c, issuer.certificate, NID_key_usage, "critical,digitalSignature");
        AddExtension(c, issuer.certificate, NID_ext_key_usage, "serverAuth");
        AddExtension(c, issuer.certificate, NID_subject_alt_name, altNames);
    }
    Check(X509_sign(c, issuer.key, EVP_sha256()) > 0, "signing");
    return certificate;
}

template <typename Write>
std::string Pem(Write write) {
    Bio bio(BIO_new(BIO_s_mem()));
    Check(bio != nullptr && write(bio.get()) == 1, "PEM writing");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

std::string CertificatePem(X509* certificate) {
    return Pem([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
}

std::string KeyPem(EVP_PKEY* key) {
    return Pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    });
}

ServerIdentity NewServer(const char* commonName, const char* altNames, X509* ca, EVP_PKEY* caKey) {
    const Key key = NewKey();
    const Certificate certificate = NewCertificate(commonName, key.get(), {ca, caKey}, altNames);
    return {CertificatePem(certificate.get()) + CertificatePem(ca), KeyPem(key.get())};
}

TestPki MakeTestPki() {
    constexpr const char* kLocalNames = "IP:127.0.0.1,DNS:localhost";
    const Key caKey = NewKey();
    const Certificate ca =
        NewCertificate("Velmora Test CA", caKey.get(), {nullptr, caKey.get()}, "");
    const Key strangerKey = NewKey();
    const Certificate stranger =
        NewCertificate("Unknown Test CA", strangerKey.get(), {nullptr, strangerKey.get()}, "");
    TestPki pki;
    pki.caCertificatePem = CertificatePem(ca.get());
    pki.localhost = NewServer("localhost", kLocalNames, ca.get(), caKey.get());
    pki.otherHost = NewServer("other.example", "DNS:other.example", ca.get(), caKey.get());
    pki.unknownCa = NewServer("localhost", kLocalNames, stranger.get(), strangerKey.get());
    return pki;
}

// Removes the trust file when the process ends.
struct TrustFile {
    std::filesystem::path path;
    ~TrustFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

}  // namespace

const TestPki& TestCertificates() {
    static const TestPki pki = MakeTestPki();
    return pki;
}

void TrustTestCa() {
    static std::once_flag once;
    std::call_once(once, [] {
        static TrustFile file{std::filesystem::temp_directory_path() /
                              ("velmora-test-ca-" + std::to_string(::getpid()) + ".pem")};
        std::ofstream(file.path) << TestCertificates().caCertificatePem;
        ::setenv("SSL_CERT_FILE", file.path.c_str(), 1);
    });
}

}  // namespace velmora::testsupport
