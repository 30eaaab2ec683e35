#pragma once
// WinHTTP's functions, resolved at run time from System32's winhttp.dll. The
// program imports statically only DLLs that Windows always takes from System32
// (common/win32/system_library.h); winhttp.dll is not one of them. Loaded by the
// first request, so the program's start does without it.
#include <windows.h>
// after windows.h; winhttp.h and wininet.h cannot be used together
#include <winhttp.h>

namespace zeph::update {

struct WinHttpDll {
  decltype(&::WinHttpOpen) Open;
  decltype(&::WinHttpConnect) Connect;
  decltype(&::WinHttpOpenRequest) OpenRequest;
  decltype(&::WinHttpAddRequestHeaders) AddRequestHeaders;
  decltype(&::WinHttpSendRequest) SendRequest;
  decltype(&::WinHttpReceiveResponse) ReceiveResponse;
  decltype(&::WinHttpQueryHeaders) QueryHeaders;
  decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable;
  decltype(&::WinHttpReadData) ReadData;
  decltype(&::WinHttpCrackUrl) CrackUrl;
  decltype(&::WinHttpCloseHandle) CloseHandle;
  decltype(&::WinHttpSetOption) SetOption;
  decltype(&::WinHttpSetTimeouts) SetTimeouts;
};

// Null when winhttp.dll or one of these functions is missing; every request then
// fails. Safe from any thread: the first caller loads it, once.
const WinHttpDll* WinHttp();

}  // namespace zeph::update
