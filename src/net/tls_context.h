// What an encrypted connection to a server trusts and checks: OpenSSL's client context,
// TLS 1.2 at least, the server's certificate checked against the CAs given (else the
// system's: Debian's store, the Windows certificate store) and against the server's
// name. The context records why the last check failed, for a message the user can act on.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// OpenSSL's SSL_CTX and X509_STORE_CTX, kept out of the headers that include this one.
struct ssl_ctx_st;
struct x509_store_ctx_st;

namespace dorvan {

struct TlsClientSettings {
  std::string serverName;  // a host name or an IP address, as connected to
  bool verify = true;      // false: neither the name nor the CA is checked
  std::string caPem;       // PEM text of the CAs to trust; empty: the system's
};

class TlsClientContext {
 public:
  // Null with `problem` said in Turkish when the CAs cannot be had.
  static std::shared_ptr<TlsClientContext> make(const TlsClientSettings& settings, std::string& problem);
  ~TlsClientContext();
  TlsClientContext(const TlsClientContext&) = delete;
  TlsClientContext& operator=(const TlsClientContext&) = delete;

  ssl_ctx_st* native() const { return ctx_; }
  bool verifies() const { return verify_; }

  // Before each connection: forgets the last check's failure.
  void forgetFailure() { verifyError_ = 0; }
  // Why the handshake that just failed failed, in Turkish: what was wrong with the
  // certificate, or that no TLS could be spoken with the server.
  std::string failureText() const;

 private:
  TlsClientContext() = default;
  static int onVerify(int ok, x509_store_ctx_st* store);

  ssl_ctx_st* ctx_ = nullptr;
  bool verify_ = true;
  std::string serverName_;
  int verifyError_ = 0;  // X509_V_ERR_…; 0 when the certificate passed or was not looked at
  int verifyDepth_ = 0;  // 0: the server's own certificate; more: a CA's above it
};

// Adds the CAs the system trusts to the context's store. net/posix/system_cas.cpp,
// net/win32/system_cas.cpp.
bool trustSystemCas(ssl_ctx_st* ctx);

}  // namespace dorvan
