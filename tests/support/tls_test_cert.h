// A throw-away self-signed TLS certificate for "localhost" and 127.0.0.1, for test servers.
// Thread-safe: each call makes its own key, certificate and temporary folder.
#pragma once

#include <filesystem>
#include <string>

namespace tovren::testing {

struct TlsTestCertificate {
  std::filesystem::path dir;  // temporary folder holding both files; the caller removes it
  std::string cert_file;      // PEM certificate (also usable as the CA file of a client)
  std::string key_file;       // PEM private key
};

// Makes a fresh P-256 key and a self-signed certificate (subjectAltName DNS:localhost and
// IP:127.0.0.1, valid from a day ago for a year) in a new temporary folder.
// Throws std::runtime_error when OpenSSL or the file system fails.
TlsTestCertificate MakeTlsTestCertificate();

}  // namespace tovren::testing
