#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace demo {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertDeleter {
    void operator()(X509* cert) const { X509_free(cert); }
};

struct SelfSignedIdentity {
    std::unique_ptr<EVP_PKEY, KeyDeleter> key;
    std::unique_ptr<X509, CertDeleter> cert;
};

// A fresh key and a certificate for localhost and 127.0.0.1, signed by itself.
// Made at every start, so nothing secret is ever written to disk. Empty members
// on failure.
SelfSignedIdentity MakeSelfSignedIdentity();

}  // namespace demo
