// twprobe: looks at Tidewell's windows from outside, the way the end-to-end tests need.
//   twprobe find CLASS            prints the top-level window's handle, exit 1 if none
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int Find(const wchar_t* className) {
  HWND hwnd = FindWindowW(className, nullptr);
  if (!hwnd) return 1;
  wprintf(L"%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wstring(argv[1]) == L"find") return Find(argv[2]);
  fwprintf(stderr, L"usage: twprobe find CLASS\n");
  return 2;
}
