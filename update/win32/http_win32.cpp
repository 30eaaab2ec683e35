#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "common/utf.h"
#include "update/charset.h"
#include "update/win32/platform_win32.h"
#include "common/win32/optional_functions.h"

namespace zeph::update {
namespace {

// Only made from handles that WinHTTP handed out, so the DLL is loaded by then.
struct InternetTraits {
  using Value = HINTERNET;
  static Value Invalid() { return nullptr; }
  static void Close(Value handle) { win32::WinHttp()->CloseHandle(handle); }
};
using UniqueHinternet = UniqueAny<InternetTraits>;

// An update reply is a few hundred bytes; anything this large is not one, and
// holding it could exhaust the 32-bit process.
constexpr std::size_t kMaxBodyBytes = 16u << 20;

bool HasLineBreak(const std::wstring& s) { return s.find_first_of(L"\r\n") != std::wstring::npos; }

struct UrlParts {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring pathAndQuery;
};

bool CrackUrl(const win32::WinHttpFunctions& winhttp, const std::wstring& url, UrlParts& parts) {
  URL_COMPONENTS components{};
  components.dwStructSize = sizeof(components);
  components.dwHostNameLength = static_cast<DWORD>(-1);
  components.dwUrlPathLength = static_cast<DWORD>(-1);
  components.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!winhttp.CrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) return false;
  if (components.nScheme != INTERNET_SCHEME_HTTPS && components.nScheme != INTERNET_SCHEME_HTTP) return false;
  if (components.dwHostNameLength == 0) return false;
  parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  parts.host.assign(components.lpszHostName, components.dwHostNameLength);
  parts.port = components.nPort;
  parts.pathAndQuery.assign(components.lpszUrlPath, components.dwUrlPathLength);
  parts.pathAndQuery.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  const std::size_t fragment = parts.pathAndQuery.find(L'#');  // never sent to a server
  if (fragment != std::wstring::npos) parts.pathAndQuery.resize(fragment);
  if (parts.pathAndQuery.empty()) parts.pathAndQuery = L"/";
  return true;
}

std::wstring ContentType(const win32::WinHttpFunctions& winhttp, HINTERNET request) {
  DWORD size = 0;
  winhttp.QueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (!winhttp.QueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  value.resize(size / sizeof(wchar_t));
  return value;
}

HttpResult ReadBody(const win32::WinHttpFunctions& winhttp, HINTERNET request, std::string& bytes) {
  for (;;) {
    DWORD available = 0;
    if (!winhttp.QueryDataAvailable(request, &available)) return HttpResult::Failed;
    if (available == 0) return HttpResult::Reply;
    if (available > kMaxBodyBytes - bytes.size()) return HttpResult::TooLarge;
    const std::size_t old = bytes.size();
    bytes.resize(old + available);
    DWORD read = 0;
    if (!winhttp.ReadData(request, bytes.data() + old, available, &read)) return HttpResult::Failed;
    bytes.resize(old + read);
    if (read == 0) return HttpResult::Reply;
  }
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
  }
  return text;
}

std::wstring DecodeBody(const std::string& bytes, const std::wstring& contentType) {
  const BodyEncoding encoding = DetectBodyEncoding(contentType, bytes);
  const std::string_view text = std::string_view(bytes).substr(encoding.bomLength);
  if (encoding.codePage == kCodePageUtf16Le || encoding.codePage == kCodePageUtf16Be) {
    return DecodeUtf16(text, encoding.codePage == kCodePageUtf16Be);
  }
  if (text.empty()) return {};
  const int length = ::MultiByteToWideChar(encoding.codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return Utf8ToWide(text);  // a code page this system does not have
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(encoding.codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// Every request's session, connection and request handles, opened alike for each
// verb: the system's proxy settings, WinHTTP's certificate checks, TLS 1.2 asked for.
struct OpenRequest {
  UniqueHinternet session, connection, request;
};

// A request's time-outs in milliseconds; none: WinHTTP's defaults. `receive` bounds
// each read, `headers` the wait for the whole of the response's headers.
struct Timeouts {
  int resolve, connect, send, receive;
  DWORD headers;
};

bool Open(const win32::WinHttpFunctions& winhttp, const std::wstring& url, const wchar_t* verb,
          const std::vector<HttpHeader>& headers, const Timeouts* timeouts, OpenRequest& out) {
  for (const HttpHeader& header : headers) {
    if (HasLineBreak(header.name) || HasLineBreak(header.value)) return false;
  }
  UrlParts parts;
  if (!CrackUrl(winhttp, url, parts)) return false;
  out.session.reset(winhttp.Open(L"Tidewell", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0));
  if (!out.session) return false;
  AskForModernTls([&](std::uint32_t flags) {
    DWORD value = flags;
    return winhttp.SetOption(out.session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &value, sizeof value) != FALSE;
  });
  if (timeouts && !winhttp.SetTimeouts(out.session.get(), timeouts->resolve, timeouts->connect, timeouts->send,
                                       timeouts->receive)) {
    return false;
  }
  out.connection.reset(winhttp.Connect(out.session.get(), parts.host.c_str(), parts.port, 0));
  if (!out.connection) return false;
  out.request.reset(winhttp.OpenRequest(out.connection.get(), verb, parts.pathAndQuery.c_str(), nullptr,
                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                        parts.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!out.request) return false;
  DWORD headersTimeout = timeouts ? timeouts->headers : 0;
  if (timeouts && !winhttp.SetOption(out.request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersTimeout,
                                     sizeof headersTimeout)) {
    return false;
  }
  for (const HttpHeader& header : headers) {
    const std::wstring line = header.name + L": " + header.value;
    if (!winhttp.AddRequestHeaders(out.request.get(), line.c_str(), static_cast<DWORD>(line.size()),
                                   WINHTTP_ADDREQ_FLAG_ADD)) {
      return false;
    }
  }
  return true;
}

// A report goes out while the user watches the dialog: each step may take a few
// seconds on a slow line, and the whole of a request a minute at most. WinHTTP's
// defaults leave name resolution unbounded and wait 90 s for a reply's headers.
constexpr Timeouts kPostTimeouts{10'000, 10'000, 15'000, 20'000, 20'000};

}  // namespace

std::uint32_t AskForModernTls(const std::function<bool(std::uint32_t flags)>& setOption) {
  constexpr std::uint32_t kTls12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2, kTls13 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  for (const std::uint32_t flags : {kTls12 | kTls13, kTls12}) {
    if (setOption(flags)) return flags;
  }
  return 0;
}

HttpResult Win32HttpClient::Get(const std::wstring& url, const std::vector<HttpHeader>& headers,
                                std::wstring& body) {
  const win32::WinHttpFunctions* winhttp = win32::WinHttp();
  OpenRequest open;
  if (!winhttp || !Open(*winhttp, url, L"GET", headers, nullptr, open)) return HttpResult::Failed;
  HINTERNET request = open.request.get();
  if (!winhttp->SendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    return HttpResult::Failed;
  }
  if (!winhttp->ReceiveResponse(request, nullptr)) return HttpResult::Failed;
  std::string bytes;
  if (const HttpResult read = ReadBody(*winhttp, request, bytes); read != HttpResult::Reply) return read;
  body = DecodeBody(bytes, ContentType(*winhttp, request));
  return HttpResult::Reply;
}

HttpResult Win32HttpClient::Post(const std::wstring& url, const std::vector<HttpHeader>& headers,
                                 const std::string& body, unsigned& status) {
  const win32::WinHttpFunctions* winhttp = win32::WinHttp();
  OpenRequest open;
  if (!winhttp || !Open(*winhttp, url, L"POST", headers, &kPostTimeouts, open)) return HttpResult::Failed;
  HINTERNET request = open.request.get();
  const auto length = static_cast<DWORD>(body.size());
  if (!winhttp->SendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, const_cast<char*>(body.data()), length, length,
                            0) ||
      !winhttp->ReceiveResponse(request, nullptr)) {
    return HttpResult::Failed;
  }
  DWORD code = 0, size = sizeof code;
  if (!winhttp->QueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
    return HttpResult::Failed;
  }
  status = code;
  return HttpResult::Reply;
}

}  // namespace zeph::update
