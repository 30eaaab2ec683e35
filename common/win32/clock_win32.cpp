#include "common/win32/clock_win32.h"

#include <windows.h>

namespace zeph {

DateTime Win32Clock::Now() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

}  // namespace zeph
