#include "self_signed.h"

#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace demo {

SelfSignedIdentity MakeSelfSignedIdentity() {
    SelfSignedIdentity identity;
    // P-256 is quick to generate, which keeps the start-up of test runs short.
    std::unique_ptr<EVP_PKEY, KeyDeleter> key(EVP_EC_gen("P-256"));
    std::unique_ptr<X509, CertDeleter> cert(X509_new());
    if (!key || !cert) {
        return identity;
    }
    X509_set_version(cert.get(), 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* serialNumber = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(serialNumber, X509_get_serialNumber(cert.get()));
    BN_free(serialNumber);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());

    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("chenque demo"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);

    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert.get(), cert.get(), nullptr, nullptr, 0);
    X509_EXTENSION* altNames = X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name,
                                                   "DNS:localhost,IP:127.0.0.1,IP:::1");
    if (altNames) {
        X509_add_ext(cert.get(), altNames, -1);
        X509_EXTENSION_free(altNames);
    }
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) {
        return identity;
    }
    identity.key = std::move(key);
    identity.cert = std::move(cert);
    return identity;
}

}  // namespace demo
