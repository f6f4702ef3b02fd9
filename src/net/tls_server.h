// What the page's server speaks TLS with: OpenSSL's server context on a certificate and
// its key (PEM), TLS 1.2 and 1.3 only, and the certificate's SHA-256 fingerprint for the
// journal. And the certificate DORVAN makes for itself when it is given none.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// OpenSSL's SSL_CTX, kept out of the headers that include this one.
struct ssl_ctx_st;

namespace dorvan {

enum class TlsServerProblem : std::uint8_t { None, Certificate, Key, Mismatch, Library };

class TlsServerContext {
 public:
  // Null with `problem` set when the certificate or the key is no PEM, or the key is not the certificate's.
  static std::shared_ptr<TlsServerContext> make(std::string_view certificatePem, std::string_view keyPem,
                                                TlsServerProblem& problem);
  ~TlsServerContext();
  TlsServerContext(const TlsServerContext&) = delete;
  TlsServerContext& operator=(const TlsServerContext&) = delete;

  ssl_ctx_st* native() const { return ctx_; }
  // As `openssl x509 -noout -fingerprint -sha256` writes it: "sha256 Fingerprint=AB:CD:…".
  const std::string& fingerprint() const { return fingerprint_; }

 private:
  TlsServerContext() = default;
  ssl_ctx_st* ctx_ = nullptr;
  std::string fingerprint_;
};

struct CertificatePair {
  std::string certificatePem;
  std::string keyPem;  // unencrypted: the program must read it unattended
};

// A self-signed certificate for a server and its new key (EC P-256), valid from now for
// ten years, named for `names` (host names and IP addresses; the first is its subject).
// Names no certificate can hold are left out. Null when OpenSSL fails.
std::optional<CertificatePair> makeSelfSignedCertificate(const std::vector<std::string>& names);

}  // namespace dorvan
