// Self-signed test certificate made with OpenSSL's EVP and X509 interfaces.
#include "tests/support/tls_test_cert.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

namespace tovren::testing {
namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};
struct ExtFree {
  void operator()(X509_EXTENSION* e) const { X509_EXTENSION_free(e); }
};
struct FileClose {
  void operator()(FILE* f) const { std::fclose(f); }
};

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

void AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  std::unique_ptr<X509_EXTENSION, ExtFree> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
  Check(ext != nullptr, "extension");
  Check(X509_add_ext(cert, ext.get(), -1) == 1, "add extension");
}

void WritePem(const std::string& path, bool key, EVP_PKEY* pkey, X509* cert) {
  std::unique_ptr<FILE, FileClose> f(std::fopen(path.c_str(), "wb"));
  Check(f != nullptr, "open file");
  int ok = key ? PEM_write_PrivateKey(f.get(), pkey, nullptr, nullptr, 0, nullptr, nullptr)
               : PEM_write_X509(f.get(), cert);
  Check(ok == 1, "write PEM");
}

}  // namespace

TlsTestCertificate MakeTlsTestCertificate() {
  std::unique_ptr<EVP_PKEY, PkeyFree> pkey(EVP_EC_gen("P-256"));
  Check(pkey != nullptr, "key");
  std::unique_ptr<X509, X509Free> cert(X509_new());
  Check(cert != nullptr, "certificate");
  X509_set_version(cert.get(), 2);
  // A random serial keeps two test certificates with the same name apart in caches.
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), static_cast<long>(std::random_device{}() & 0x7fffffff) + 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  Check(X509_set_pubkey(cert.get(), pkey.get()) == 1, "public key");
  AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyCertSign");
  AddExtension(cert.get(), NID_ext_key_usage, "serverAuth");
  AddExtension(cert.get(), NID_subject_key_identifier, "hash");
  AddExtension(cert.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
  Check(X509_sign(cert.get(), pkey.get(), EVP_sha256()) > 0, "sign");

  std::string templ = (std::filesystem::temp_directory_path() / "tovren-tls-XXXXXX").string();
  Check(mkdtemp(templ.data()) != nullptr, "temporary folder");
  TlsTestCertificate out;
  out.dir = templ;
  out.cert_file = (out.dir / "cert.pem").string();
  out.key_file = (out.dir / "key.pem").string();
  WritePem(out.cert_file, false, pkey.get(), cert.get());
  WritePem(out.key_file, true, pkey.get(), cert.get());
  return out;
}

}  // namespace tovren::testing
