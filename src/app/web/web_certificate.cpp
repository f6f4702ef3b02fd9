#include "app/web/web_certificate.h"

#include <algorithm>

#include "form/messages.h"

namespace dorvan::web {
namespace {

// A certificate with its chain, or a key, is a few kilobytes.
constexpr std::size_t kMaxPemFile = 256 * 1024;

std::string lineProblem(int line, std::string_view text) {
  return std::string(kSettingsFile) + ", satır " + std::to_string(line) + ": " + std::string(text) +
         " Web sayfası kapalı kalacak.";
}

FileResult readText(FileOps& files, std::string_view path, std::string& out) {
  std::vector<std::uint8_t> bytes;
  const FileResult r = readWholeFile(files, path, kMaxPemFile, bytes);
  out.assign(bytes.begin(), bytes.end());
  return r;
}

// Into a temporary file first and then in the place of `path`: never a half-written one.
FileResult writeText(FileOps& files, std::string_view path, std::string_view text, bool secret) {
  const std::string temporary = std::string(path) + ".yeni";
  FileOps::Handle h{};
  FileResult r = secret ? files.createPrivate(temporary, h) : files.create(temporary, h);
  if (!r.ok()) return r;
  r = files.write(h, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (r.ok()) r = files.flush(h);
  files.close(h);
  if (r.ok()) r = files.replace(temporary, path);
  if (!r.ok()) files.remove(temporary);
  return r;
}

bool missing(FileOps& files, std::string_view path) {
  std::string ignored;
  return readText(files, path, ignored).error == FileError::NotFound;
}

// The self-signed pair, made when either file is missing; the key is written first, so a
// certificate on disk always has its key beside it.
std::optional<std::string> makeOwnPair(FileOps& files, const WebSettings& web, const std::string& computerName,
                                       bool& made) {
  if (!missing(files, kOwnCertificate) && !missing(files, kOwnKey)) return std::nullopt;
  const std::optional<CertificatePair> pair = makeSelfSignedCertificate(certificateNames(computerName, web.address));
  if (!pair) return lineProblem(web.line, "sayfanın sertifikası oluşturulamadı (TLS kitaplığı hatası).");
  FileResult r = writeText(files, kOwnKey, pair->keyPem, true);
  std::string_view failed = kOwnKey;
  if (r.ok()) {
    r = writeText(files, kOwnCertificate, pair->certificatePem, false);
    failed = kOwnCertificate;
  }
  if (!r.ok())
    return lineProblem(web.line,
                       "sayfanın sertifikası \"" + std::string(failed) + "\" yazılamadı: " + messages::reason(r) + ".");
  made = true;
  return std::nullopt;
}

}  // namespace

std::vector<std::string> certificateNames(const std::string& computerName, const std::string& webAddress) {
  std::vector<std::string> names;
  for (const std::string& name : {computerName, std::string("localhost"), std::string("127.0.0.1"), webAddress}) {
    // Every address is no name to reach the page by.
    if (name.empty() || name == "0.0.0.0" || name == "::") continue;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

std::shared_ptr<TlsServerContext> loadCertificate(FileOps& files, const WebSettings& web,
                                                  const std::string& computerName, std::string& problem, bool& made) {
  made = false;
  const bool own = web.certificateFile.empty();
  if (own) {
    if (std::optional<std::string> failed = makeOwnPair(files, web, computerName, made)) {
      problem = std::move(*failed);
      return nullptr;
    }
  }
  const std::string certificateFile = own ? std::string(kOwnCertificate) : web.certificateFile;
  const std::string keyFile = own ? std::string(kOwnKey) : web.keyFile;
  const int certificateLine = own ? web.line : web.certificateLine;
  const int keyLine = own ? web.line : web.keyLine;
  std::string certificate;
  std::string key;
  if (const FileResult r = readText(files, certificateFile, certificate); !r.ok()) {
    problem = lineProblem(certificateLine,
                          "sertifika dosyası \"" + certificateFile + "\" okunamadı: " + messages::reason(r) + ".");
    return nullptr;
  }
  if (const FileResult r = readText(files, keyFile, key); !r.ok()) {
    problem = lineProblem(keyLine, "anahtar dosyası \"" + keyFile + "\" okunamadı: " + messages::reason(r) + ".");
    return nullptr;
  }
  TlsServerProblem why = TlsServerProblem::None;
  std::shared_ptr<TlsServerContext> context = TlsServerContext::make(certificate, key, why);
  switch (why) {
    case TlsServerProblem::None: break;
    case TlsServerProblem::Certificate:
      problem = lineProblem(certificateLine,
                            "sertifika dosyası \"" + certificateFile + "\" içinde PEM biçiminde bir sertifika yok.");
      break;
    case TlsServerProblem::Key:
      problem = lineProblem(
          keyLine, "anahtar dosyası \"" + keyFile + "\" içinde PEM biçiminde, parolasız bir özel anahtar yok.");
      break;
    case TlsServerProblem::Mismatch:
      problem = lineProblem(keyLine, "anahtar dosyası \"" + keyFile + "\" ile sertifika dosyası \"" + certificateFile +
                                         "\" eşleşmiyor (anahtar başka bir sertifikanın).");
      break;
    case TlsServerProblem::Library: problem = lineProblem(web.line, "TLS kitaplığı başlatılamadı."); break;
  }
  return context;
}

}  // namespace dorvan::web
