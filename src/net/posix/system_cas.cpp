#include <openssl/err.h>
#include <openssl/ssl.h>

#include "net/tls_context.h"

namespace dorvan {

// Debian's store: /etc/ssl/certs, kept by ca-certificates.
bool trustSystemCas(SSL_CTX* ctx) {
  const bool ok = SSL_CTX_set_default_verify_paths(ctx) == 1;
  ERR_clear_error();
  return ok;
}

}  // namespace dorvan
