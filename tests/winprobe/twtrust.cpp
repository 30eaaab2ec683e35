// twtrust.exe: asks Windows whether a file's Authenticode signature is trusted, as
// Explorer, SmartScreen and the consent prompt do (WinVerifyTrust with
// WINTRUST_ACTION_GENERIC_VERIFY_V2: the signature matches the file's contents and
// chains to a trusted root). No revocation check: test certificates have no CRL.
//   twtrust FILE...   one line per file: "trusted FILE" or "rejected 0x... FILE";
//                     exit 0 only when every file is trusted
#include <windows.h>
// after windows.h
#include <softpub.h>
#include <wintrust.h>

#include <cstdio>

namespace {

LONG VerifyFile(const wchar_t* path) {
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = path;

  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;

  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  // The verification keeps state until it is closed, whatever its verdict.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: twtrust FILE...\n");
    return 2;
  }
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    const LONG status = VerifyFile(argv[i]);
    if (status == ERROR_SUCCESS) {
      wprintf(L"trusted %ls\n", argv[i]);
    } else {
      wprintf(L"rejected 0x%08lx %ls\n", static_cast<unsigned long>(status), argv[i]);
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
