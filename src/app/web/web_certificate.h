// The page's certificate for HTTPS: the files ag.txt names, or the self-signed pair
// DORVAN makes once beside ag.txt (dorvan.crt, dorvan.key) and uses from then on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/file_ops.h"
#include "net/settings.h"
#include "net/tls_server.h"

namespace dorvan::web {

inline constexpr std::string_view kOwnCertificate = "dorvan.crt";
inline constexpr std::string_view kOwnKey = "dorvan.key";

// The TLS context to serve with; null, with what is wrong said in Turkish like a bad line
// of ag.txt, when there is none to be had: the page then stays off. `made` tells that
// the self-signed pair was made just now.
std::shared_ptr<TlsServerContext> loadCertificate(FileOps& files, const WebSettings& web,
                                                  const std::string& computerName, std::string& problem, bool& made);

// What a self-signed certificate is made for: the computer's name, localhost, 127.0.0.1
// and the `web` line's address when it names one.
std::vector<std::string> certificateNames(const std::string& computerName, const std::string& webAddress);

}  // namespace dorvan::web
