// The page's certificate: the self-signed pair made once and kept, and each bad file said
// on its line of ag.txt with the page left off.
#include <gtest/gtest.h>

#include "app/web/web_certificate.h"
#include "fakes.h"

namespace dorvan::test {
namespace {

WebSettings https(std::string certificate = {}, std::string key = {}) {
  WebSettings w;
  w.address = "127.0.0.1";
  w.port = 8443;
  w.line = 1;
  w.https = true;
  w.certificateFile = std::move(certificate);
  w.certificateLine = w.certificateFile.empty() ? 0 : 5;
  w.keyFile = std::move(key);
  w.keyLine = w.keyFile.empty() ? 0 : 4;
  return w;
}

// Made once and kept is the Linux test's; here, what it cannot easily make happen.
TEST(WebCertificate, AMissingHalfOfTheOwnPairHasBothMadeAgain) {
  FakeFiles files;
  std::string problem;
  bool made = false;
  const auto first = web::loadCertificate(files, https(), "sera", problem, made);
  ASSERT_TRUE(first) << problem;
  EXPECT_EQ(files.files.size(), 2u);  // dorvan.crt and dorvan.key, no temporary left
  files.files.erase("dorvan.key");
  const auto remade = web::loadCertificate(files, https(), "sera", problem, made);
  ASSERT_TRUE(remade);
  EXPECT_TRUE(made);
  EXPECT_NE(remade->fingerprint(), first->fingerprint());
}

TEST(WebCertificate, AnUnwritablePairLeavesThePageOff) {
  FakeFiles files;
  files.failCreate = FileResult{FileError::DiskFull, 28};
  std::string problem;
  bool made = false;
  EXPECT_FALSE(web::loadCertificate(files, https(), "sera", problem, made));
  EXPECT_NE(problem.find("ag.txt, satır 1: sayfanın sertifikası \"dorvan.key\" yazılamadı"), std::string::npos)
      << problem;
  EXPECT_NE(problem.find("Web sayfası kapalı kalacak."), std::string::npos);
}

TEST(WebCertificate, EachBadFileIsSaidOnItsLine) {
  const auto own = makeSelfSignedCertificate({"sera"});
  const auto other = makeSelfSignedCertificate({"sera"});
  ASSERT_TRUE(own && other);
  struct Case {
    const char* certificate;  // null: no such file
    const char* key;
    std::string_view said;
  };
  const Case cases[] = {
      {nullptr, own->keyPem.c_str(), "satır 5: sertifika dosyası \"s.pem\" okunamadı"},
      {"-----BEGIN CERTIFICATE-----\nbozuk\n", own->keyPem.c_str(), "satır 5: sertifika dosyası \"s.pem\" içinde PEM"},
      {own->certificatePem.c_str(), nullptr, "satır 4: anahtar dosyası \"s.key\" okunamadı"},
      {own->certificatePem.c_str(), own->certificatePem.c_str(), "satır 4: anahtar dosyası \"s.key\" içinde PEM"},
      {own->certificatePem.c_str(), other->keyPem.c_str(), "satır 4: anahtar dosyası \"s.key\" ile sertifika dosyası"},
  };
  for (const Case& c : cases) {
    FakeFiles files;
    if (c.certificate) files.files["s.pem"] = c.certificate;
    if (c.key) files.files["s.key"] = c.key;
    std::string problem;
    bool made = false;
    EXPECT_FALSE(web::loadCertificate(files, https("s.pem", "s.key"), "sera", problem, made)) << c.said;
    EXPECT_NE(problem.find(c.said), std::string::npos) << problem;
    EXPECT_EQ(files.files.count("dorvan.crt"), 0u);
  }
}

TEST(WebCertificate, ItsNamesAreTheComputerLocalhostAndTheWebAddress) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(web::certificateNames("sera", ""), (Names{"sera", "localhost", "127.0.0.1"}));
  EXPECT_EQ(web::certificateNames("sera", "0.0.0.0"), (Names{"sera", "localhost", "127.0.0.1"}));
  EXPECT_EQ(web::certificateNames("", "192.168.1.5"), (Names{"localhost", "127.0.0.1", "192.168.1.5"}));
  EXPECT_EQ(web::certificateNames("sera", "127.0.0.1"), (Names{"sera", "localhost", "127.0.0.1"}));
}

}  // namespace
}  // namespace dorvan::test
