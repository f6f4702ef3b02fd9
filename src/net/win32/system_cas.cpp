// OpenSSL on Windows knows no store of its own: the roots Windows trusts are copied into it.
// windows.h and wincrypt.h first: OpenSSL's headers undo the names wincrypt.h takes from them.
#include <windows.h>

#include <wincrypt.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "net/tls_context.h"

namespace dorvan {

bool trustSystemCas(SSL_CTX* ctx) {
  HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT");
  if (!roots) return false;
  X509_STORE* store = SSL_CTX_get_cert_store(ctx);
  int added = 0;
  for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(roots, nullptr); c; c = CertEnumCertificatesInStore(roots, c)) {
    const unsigned char* der = c->pbCertEncoded;
    if (X509* x = d2i_X509(nullptr, &der, static_cast<long>(c->cbCertEncoded))) {
      if (X509_STORE_add_cert(store, x) == 1) ++added;
      X509_free(x);
    }
  }
  CertCloseStore(roots, 0);
  ERR_clear_error();
  return added > 0;
}

}  // namespace dorvan
