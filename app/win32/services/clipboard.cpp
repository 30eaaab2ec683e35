#include "app/win32/services/clipboard.h"

#include <cstring>

namespace zeph::win32 {
namespace {

// Another program may hold the clipboard for a moment (a clipboard manager reading
// what was just copied): a few tries, a fifth of a second in all.
bool OpenClipboardFor(HWND owner) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (::OpenClipboard(owner)) return true;
    ::Sleep(20);
  }
  return false;
}

}  // namespace

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
  if (!owner || !OpenClipboardFor(owner)) return false;
  bool copied = false;
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (::EmptyClipboard()) {
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* target = ::GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        ::GlobalUnlock(memory);
        // The clipboard owns the memory once it took it.
        copied = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      }
      if (!copied) ::GlobalFree(memory);
    }
  }
  ::CloseClipboard();
  return copied;
}

}  // namespace zeph::win32
