// update_testhelper: what the update tests under Wine need done inside their prefix.
//   update_testhelper trust-ca FILE.der     adds the certificate to LocalMachine ROOT,
//                                            so this prefix (and only it) trusts the test server
//   update_testhelper prompt-text CAPTION   prints the text of the message box with that
//                                            caption (CR and LF as \r and \n); exit 1 if none
//   update_testhelper press CAPTION yes|no  answers that message box
//   update_testhelper find CLASS            exit 0 when a top-level window of CLASS exists
//   update_testhelper close CLASS           posts WM_CLOSE to it
#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "update/win32/testing/console_line.h"

namespace {

struct CertStoreTraits {
  using Value = HCERTSTORE;
  static Value Invalid() { return nullptr; }
  static void Close(Value store) { ::CertCloseStore(store, 0); }
};

int TrustCa(const wchar_t* path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<unsigned char> der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (der.empty()) {
    fwprintf(stderr, L"cannot read %ls\n", path);
    return 1;
  }
  const zeph::UniqueAny<CertStoreTraits> store(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
  if (!store) {
    fwprintf(stderr, L"CertOpenStore failed: %lu\n", ::GetLastError());
    return 1;
  }
  if (!::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    fwprintf(stderr, L"CertAddEncodedCertificateToStore failed: %lu\n", ::GetLastError());
    return 1;
  }
  return 0;
}

HWND FindMessageBox(const wchar_t* caption) { return ::FindWindowW(L"#32770", caption); }

int PromptText(const wchar_t* caption) {
  HWND box = FindMessageBox(caption);
  if (!box) return 1;
  HWND text = ::GetDlgItem(box, 0xFFFF);  // the message box's static text
  if (!text) return 1;
  std::wstring value(static_cast<std::size_t>(::GetWindowTextLengthW(text)) + 1, L'\0');
  value.resize(static_cast<std::size_t>(::GetWindowTextW(text, value.data(), static_cast<int>(value.size()))));
  const std::string utf8 = zeph::update::testing::ConsoleLine(value);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  return 0;
}

int Press(const wchar_t* caption, const std::wstring& answer) {
  HWND box = FindMessageBox(caption);
  if (!box) return 1;
  const int id = answer == L"yes" ? IDYES : IDNO;
  HWND button = ::GetDlgItem(box, id);
  if (!button) return 1;
  return ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc >= 2 ? argv[1] : L"";
  if (argc == 3 && command == L"trust-ca") return TrustCa(argv[2]);
  if (argc == 3 && command == L"prompt-text") return PromptText(argv[2]);
  if (argc == 4 && command == L"press") return Press(argv[2], argv[3]);
  if (argc == 3 && command == L"find") return ::FindWindowW(argv[2], nullptr) ? 0 : 1;
  if (argc == 3 && command == L"close") {
    HWND window = ::FindWindowW(argv[2], nullptr);
    return window && ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  fwprintf(stderr, L"usage: update_testhelper trust-ca FILE.der | prompt-text CAPTION | press CAPTION yes|no"
                   L" | find CLASS | close CLASS\n");
  return 2;
}
