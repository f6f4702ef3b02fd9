#include "net/tls_context.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <climits>

namespace dorvan {
namespace {

int toInt(std::size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

// The CAs of a PEM text into the context's store; how many there were.
int addCas(SSL_CTX* ctx, std::string_view pem) {
  BIO* bio = BIO_new_mem_buf(pem.data(), toInt(pem.size()));
  if (!bio) return 0;
  STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  ERR_clear_error();
  if (!infos) return 0;
  X509_STORE* store = SSL_CTX_get_cert_store(ctx);
  int added = 0;
  for (int i = 0; i < sk_X509_INFO_num(infos); ++i) {
    X509_INFO* info = sk_X509_INFO_value(infos, i);
    if (info->x509 && X509_STORE_add_cert(store, info->x509) == 1) ++added;
  }
  sk_X509_INFO_pop_free(infos, X509_INFO_free);
  ERR_clear_error();
  return added;
}

// The name is checked by OpenSSL itself, as an IP address when it is one.
bool checkName(SSL_CTX* ctx, const std::string& name) {
  X509_VERIFY_PARAM* param = SSL_CTX_get0_param(ctx);
  X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  if (X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str()) == 1) return true;
  ERR_clear_error();
  return X509_VERIFY_PARAM_set1_host(param, name.c_str(), name.size()) == 1;
}

}  // namespace

std::shared_ptr<TlsClientContext> TlsClientContext::make(const TlsClientSettings& settings, std::string& problem) {
  std::shared_ptr<TlsClientContext> c(new TlsClientContext);
  c->verify_ = settings.verify;
  c->serverName_ = settings.serverName;
  c->ctx_ = SSL_CTX_new(TLS_client_method());
  if (!c->ctx_ || SSL_CTX_set_min_proto_version(c->ctx_, TLS1_2_VERSION) != 1) {
    problem = "TLS kitaplığı başlatılamadı.";
    return nullptr;
  }
  SSL_CTX_set_app_data(c->ctx_, c.get());
  if (!settings.verify) {
    SSL_CTX_set_verify(c->ctx_, SSL_VERIFY_NONE, nullptr);
    return c;
  }
  if (!settings.caPem.empty()) {
    if (addCas(c->ctx_, settings.caPem) == 0) {
      problem = "içinde PEM biçiminde bir sertifika yok.";
      return nullptr;
    }
  } else if (!trustSystemCas(c->ctx_)) {
    problem = "sistemin güvendiği sertifika yetkilileri (CA) okunamadı.";
    return nullptr;
  }
  if (!checkName(c->ctx_, settings.serverName)) {
    problem = "sunucu adı \"" + settings.serverName + "\" denetlenemiyor.";
    return nullptr;
  }
  SSL_CTX_set_verify(c->ctx_, SSL_VERIFY_PEER, &TlsClientContext::onVerify);
  return c;
}

TlsClientContext::~TlsClientContext() {
  if (ctx_) SSL_CTX_free(ctx_);
}

// The first failure of a chain is the one to tell: the rest follow from it.
int TlsClientContext::onVerify(int ok, X509_STORE_CTX* store) {
  if (ok) return ok;
  auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* self = ssl ? static_cast<TlsClientContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl))) : nullptr;
  if (self && self->verifyError_ == 0) {
    self->verifyError_ = X509_STORE_CTX_get_error(store);
    self->verifyDepth_ = X509_STORE_CTX_get_error_depth(store);
  }
  return ok;
}

std::string TlsClientContext::failureText() const {
  const std::string whose = verifyDepth_ == 0 ? "sunucunun sertifikası" : "sunucunun CA sertifikası";
  std::string what;
  switch (verifyError_) {
    case 0: return "şifreli bağlantı kurulamadı (sunucu bu portta TLS konuşmuyor olabilir)";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      what = "sunucunun sertifikası başka bir ad için verilmiş, \"" + serverName_ + "\" için değil";
      break;
    case X509_V_ERR_CERT_HAS_EXPIRED: what = whose + "nın süresi dolmuş"; break;
    case X509_V_ERR_CERT_NOT_YET_VALID: what = whose + " henüz geçerli değil (bu bilgisayarın saati doğru mu?)"; break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      what = "sunucunun sertifikasını tanınmayan bir yetkili (CA) imzalamış; kendi CA'sı varsa mqtt_ca ile verin";
      break;
    case X509_V_ERR_CERT_REVOKED: what = whose + " iptal edilmiş"; break;
    default: what = whose + " doğrulanamadı (" + X509_verify_cert_error_string(verifyError_) + ")"; break;
  }
  return what + "; bağlanılmadı";
}

}  // namespace dorvan
