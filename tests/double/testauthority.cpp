#include "testauthority.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace servicedouble {
namespace {

constexpr long kDay = 24L * 60 * 60;

struct KeyFree {
    void operator()(EVP_PKEY *k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509 *c) const { X509_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("test authority: ") + what);
}

// P-256 keys: quick to make, and every TLS stack the program uses accepts them.
Key newKey()
{
    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "cannot make a key");
    return key;
}

void addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    check(ext != nullptr, "cannot make an extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

// An unsigned certificate for subject's key, valid from notBefore to notAfter seconds
// from now, naming issuer's subject as its issuer (issuer nullptr: itself).
Cert newCertificate(EVP_PKEY *subjectKey, const std::string &commonName, X509 *issuer, long notBefore,
                    long notAfter)
{
    Cert cert(X509_new());
    check(cert != nullptr, "cannot make a certificate");
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    check(RAND_bytes(serial, sizeof serial) == 1, "no random serial");
    serial[0] &= 0x7f; // a positive number
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), notBefore);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), notAfter);
    X509_set_pubkey(cert.get(), subjectKey);
    X509_NAME *name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("Quillory tests"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(commonName.c_str()),
                               -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
    return cert;
}

void sign(X509 *cert, EVP_PKEY *key)
{
    check(X509_sign(cert, key, EVP_sha256()) > 0, "cannot sign");
}

struct Authority {
    Key key = newKey();
    Cert cert;
    std::string pem;

    Authority()
    {
        cert = newCertificate(key.get(), "Quillory Test Authority", nullptr, -kDay, 30 * kDay);
        addExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
        addExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash");
        sign(cert.get(), key.get());

        BIO *bio = BIO_new(BIO_s_mem());
        PEM_write_bio_X509(bio, cert.get());
        char *data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem.assign(data, static_cast<size_t>(size));
        BIO_free(bio);
    }
};

Authority &authority()
{
    static auto *instance = new Authority; // kept to the end, like the contexts it signs
    return *instance;
}

SSL_CTX *makeContext(const std::string &host, Certificate kind)
{
    Authority &ca = authority();
    Key key = newKey();
    const bool selfSigned = kind == Certificate::SelfSigned;
    const std::string named = kind == Certificate::WrongHost ? "wrong-host.invalid" : host;
    const long notBefore = kind == Certificate::Expired ? -30 * kDay : -kDay;
    const long notAfter = kind == Certificate::Expired ? -kDay : 30 * kDay;
    X509 *issuer = selfSigned ? nullptr : ca.cert.get();
    Cert cert = newCertificate(key.get(), named, issuer, notBefore, notAfter);
    X509 *issuerOrSelf = issuer ? issuer : cert.get();
    addExtension(cert.get(), issuerOrSelf, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(cert.get(), issuerOrSelf, NID_key_usage, "critical,digitalSignature");
    addExtension(cert.get(), issuerOrSelf, NID_ext_key_usage, "serverAuth");
    addExtension(cert.get(), issuerOrSelf, NID_subject_alt_name, ("DNS:" + named).c_str());
    if (!selfSigned)
        addExtension(cert.get(), issuerOrSelf, NID_authority_key_identifier, "keyid:always");
    sign(cert.get(), selfSigned ? key.get() : ca.key.get());

    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    check(ctx != nullptr, "cannot make a server context");
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    check(SSL_CTX_use_certificate(ctx, cert.get()) == 1, "cannot use the certificate");
    check(SSL_CTX_use_PrivateKey(ctx, key.get()) == 1, "cannot use the key");
    return ctx;
}

} // namespace

const std::string &authorityPemText()
{
    return authority().pem;
}

SSL_CTX *serverContext(const std::string &host, Certificate kind)
{
    static std::mutex mutex;
    // Kept to the very end: a server thread may still be shaking hands while the process exits.
    static auto *contexts = new std::map<std::pair<std::string, Certificate>, SSL_CTX *>;
    std::lock_guard lock(mutex);
    SSL_CTX *&ctx = (*contexts)[{host, kind}];
    if (!ctx)
        ctx = makeContext(host, kind);
    return ctx;
}

} // namespace servicedouble
