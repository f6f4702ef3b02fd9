#include "net/tls_server.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <array>
#include <climits>
#include <functional>

namespace dorvan {
namespace {

constexpr long kTenYears = 10L * 365 * 24 * 60 * 60 + 3L * 24 * 60 * 60;  // with the leap days

// A key under a password is no key for a program that starts unattended: never asked for on a terminal.
int noPassword(char*, int, int, void*) { return 0; }

int toInt(std::size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

std::string sha256Fingerprint(const X509* certificate) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (X509_digest(certificate, EVP_sha256(), digest.data(), &size) != 1) return {};
  constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out = "sha256 Fingerprint=";
  for (unsigned int i = 0; i < size; ++i) {
    if (i > 0) out += ':';
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 15];
  }
  return out;
}

// A name a certificate can hold: an IP address, or a host name of letters, digits, '-', '_' and '.'.
std::optional<std::string> subjectAltName(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (ASN1_OCTET_STRING* ip = a2i_IPADDRESS(name.c_str())) {
    ASN1_OCTET_STRING_free(ip);
    return "IP:" + name;
  }
  ERR_clear_error();
  for (const char c : name) {
    const bool fits =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    if (!fits) return std::nullopt;
  }
  return "DNS:" + name;
}

bool addExtension(X509* certificate, X509V3_CTX& ctx, int nid, const std::string& value) {
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (!extension) return false;
  const bool added = X509_add_ext(certificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

std::string pemOf(const std::function<int(BIO*)>& write) {
  BIO* bio = BIO_new(BIO_s_mem());
  if (!bio) return {};
  std::string out;
  if (write(bio) == 1) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    if (size > 0) out.assign(data, static_cast<std::size_t>(size));
  }
  BIO_free(bio);
  return out;
}

bool fillCertificate(X509* certificate, EVP_PKEY* key, const std::vector<std::string>& names) {
  std::string altNames;
  for (const std::string& name : names)
    if (const std::optional<std::string> alt = subjectAltName(name)) altNames += (altNames.empty() ? "" : ",") + *alt;
  std::array<unsigned char, 16> serial{};
  if (altNames.empty() || RAND_bytes(serial.data(), static_cast<int>(serial.size())) != 1) return false;
  serial[0] &= 0x7F;  // a positive number
  BIGNUM* number = BN_bin2bn(serial.data(), static_cast<int>(serial.size()), nullptr);
  const bool serialSet = number && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate));
  BN_free(number);
  X509_NAME* subject = X509_get_subject_name(certificate);
  const std::string commonName = names.front().substr(0, 64);
  X509V3_CTX ctx;
  X509V3_set_ctx(&ctx, certificate, certificate, nullptr, nullptr, 0);
  return serialSet && X509_set_version(certificate, 2) == 1 &&
         X509_gmtime_adj(X509_getm_notBefore(certificate), 0) != nullptr &&
         X509_gmtime_adj(X509_getm_notAfter(certificate), kTenYears) != nullptr &&
         X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("DORVAN"), -1,
                                    -1, 0) == 1 &&
         X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                    reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1 &&
         X509_set_issuer_name(certificate, subject) == 1 && X509_set_pubkey(certificate, key) == 1 &&
         // An end certificate, not a CA: browsers refuse a CA's certificate on a server.
         addExtension(certificate, ctx, NID_basic_constraints, "critical,CA:FALSE") &&
         addExtension(certificate, ctx, NID_key_usage, "critical,digitalSignature") &&
         addExtension(certificate, ctx, NID_ext_key_usage, "serverAuth") &&
         addExtension(certificate, ctx, NID_subject_key_identifier, "hash") &&
         addExtension(certificate, ctx, NID_subject_alt_name, altNames) &&
         X509_sign(certificate, key, EVP_sha256()) > 0;
}

}  // namespace

std::shared_ptr<TlsServerContext> TlsServerContext::make(std::string_view certificatePem, std::string_view keyPem,
                                                         TlsServerProblem& problem) {
  std::shared_ptr<TlsServerContext> c(new TlsServerContext);
  c->ctx_ = SSL_CTX_new(TLS_server_method());
  if (!c->ctx_ || SSL_CTX_set_min_proto_version(c->ctx_, TLS1_2_VERSION) != 1) {
    problem = TlsServerProblem::Library;
    return nullptr;
  }
  SSL_CTX_set_options(c->ctx_, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
  // The certificate, then any intermediate CAs after it in the same file.
  BIO* bio = BIO_new_mem_buf(certificatePem.data(), toInt(certificatePem.size()));
  X509* certificate = bio ? PEM_read_bio_X509(bio, nullptr, &noPassword, nullptr) : nullptr;
  bool chained = certificate && SSL_CTX_use_certificate(c->ctx_, certificate) == 1;
  while (chained) {
    X509* ca = PEM_read_bio_X509(bio, nullptr, &noPassword, nullptr);
    if (!ca) break;
    if (SSL_CTX_add0_chain_cert(c->ctx_, ca) != 1) X509_free(ca);
  }
  if (certificate) c->fingerprint_ = sha256Fingerprint(certificate);
  X509_free(certificate);
  BIO_free(bio);
  ERR_clear_error();
  if (!chained || c->fingerprint_.empty()) {
    problem = TlsServerProblem::Certificate;
    return nullptr;
  }
  bio = BIO_new_mem_buf(keyPem.data(), toInt(keyPem.size()));
  EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, &noPassword, nullptr) : nullptr;
  BIO_free(bio);
  // The key's own check says whether it is the certificate's.
  const bool used = key && SSL_CTX_use_PrivateKey(c->ctx_, key) == 1;
  EVP_PKEY_free(key);
  ERR_clear_error();
  if (!key) {
    problem = TlsServerProblem::Key;
    return nullptr;
  }
  if (!used || SSL_CTX_check_private_key(c->ctx_) != 1) {
    ERR_clear_error();
    problem = TlsServerProblem::Mismatch;
    return nullptr;
  }
  problem = TlsServerProblem::None;
  return c;
}

TlsServerContext::~TlsServerContext() {
  if (ctx_) SSL_CTX_free(ctx_);
}

std::optional<CertificatePair> makeSelfSignedCertificate(const std::vector<std::string>& names) {
  if (names.empty()) return std::nullopt;
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = key ? X509_new() : nullptr;
  std::optional<CertificatePair> pair;
  if (certificate && fillCertificate(certificate, key, names)) {
    pair = CertificatePair{
        pemOf([certificate](BIO* b) { return PEM_write_bio_X509(b, certificate); }),
        pemOf([key](BIO* b) { return PEM_write_bio_PrivateKey(b, key, nullptr, nullptr, 0, nullptr, nullptr); })};
    if (pair->certificatePem.empty() || pair->keyPem.empty()) pair.reset();
  }
  X509_free(certificate);
  EVP_PKEY_free(key);
  ERR_clear_error();
  return pair;
}

}  // namespace dorvan
