// update_testhelper: what the update tests under Wine need done inside their prefix.
//   update_testhelper trust-ca FILE.der   adds the certificate to LocalMachine ROOT,
//                                          so this prefix (and only it) trusts the test server
#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int TrustCa(const wchar_t* path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<unsigned char> der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (der.empty()) {
    fwprintf(stderr, L"cannot read %ls\n", path);
    return 1;
  }
  HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  if (!store) {
    fwprintf(stderr, L"CertOpenStore failed: %lu\n", ::GetLastError());
    return 1;
  }
  const BOOL added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = ::GetLastError();
  ::CertCloseStore(store, 0);
  if (!added) {
    fwprintf(stderr, L"CertAddEncodedCertificateToStore failed: %lu\n", error);
    return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"trust-ca") return TrustCa(argv[2]);
  fwprintf(stderr, L"usage: update_testhelper trust-ca FILE.der\n");
  return 2;
}
