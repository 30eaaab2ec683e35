// The WinHTTP client against a real HTTPS server on 127.0.0.1, under Wine. Not run by
// ctest: tests/e2e/test_update_https.sh starts update/testing/https_server.py, trusts
// its CA in the run's own prefix and passes the addresses in the environment:
//   TW_UPDATE_TEST_ROOT       https://127.0.0.1:PORT with a trusted certificate
//   TW_UPDATE_TEST_UNTRUSTED  https://127.0.0.1:PORT with a certificate nobody trusts
//   TW_UPDATE_TEST_DOWN       https://127.0.0.1:PORT where nothing listens
// The executable carries the version block 1.6.6.0.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "update/update.h"
#include "update/win32/platform_win32.h"

namespace zeph::update {
namespace {

std::wstring Env(const wchar_t* name) {
  wchar_t value[512];
  const DWORD length = ::GetEnvironmentVariableW(name, value, 512);
  return length > 0 && length < 512 ? std::wstring(value, length) : std::wstring();
}

class HttpsServer : public ::testing::Test {
 protected:
  void SetUp() override {
    root = Env(L"TW_UPDATE_TEST_ROOT");
    ASSERT_EQ(root.rfind(L"https://127.0.0.1:", 0), 0u) << "run through tests/e2e/test_update_https.sh";
  }
  std::wstring root;
  Win32HttpClient http;
  Win32VersionBlock version;
};

TEST_F(HttpsServer, TheThreeHeadersArriveInOrder) {
  struct Case {
    const wchar_t* lang;
    bool debug;
    const wchar_t* debugText;
  };
  for (const Case c : {Case{L"ko", false, L"false"}, Case{L"en", true, L"true"}}) {
    std::wstring echo;
    ASSERT_EQ(RequestUpdateInfo(http, version, root + L"/echo", c.lang, c.debug, echo), HttpResult::Reply);
    const std::size_t v = echo.find(L"User-Version: 1.6.6.0\n");
    const std::size_t l = echo.find(L"User-Language: " + std::wstring(c.lang) + L"\n");
    const std::size_t d = echo.find(L"User-Debug: " + std::wstring(c.debugText) + L"\n");
    ASSERT_NE(v, std::wstring::npos) << echo;
    ASSERT_NE(l, std::wstring::npos) << echo;
    ASSERT_NE(d, std::wstring::npos) << echo;
    EXPECT_LT(v, l);
    EXPECT_LT(l, d);
  }
}

TEST_F(HttpsServer, TheReplyNamesAWebAddress) {
  std::wstring data;
  ASSERT_EQ(RequestUpdateInfo(http, version, root + L"/api.init.php", L"en", false, data), HttpResult::Reply);
  const std::wstring item = JsonUnescape(ExtractBetween(data, L"\"update\":\"", L"\""));
  EXPECT_EQ(item, root + L"/dl");
  EXPECT_TRUE(IsWebAddress(item));
}

TEST_F(HttpsServer, BodyDecodedByItsCharset) {
  struct Case {
    const wchar_t* path;
    const wchar_t* text;
  };
  const Case cases[] = {
      {L"/charset/windows-1251", L"Привет, мир"},
      {L"/charset/iso-8859-1", L"café crème"},
      {L"/charset/euc-kr", L"업데이트 정보"},
      {L"/charset/shift_jis", L"ダウンロード"},
      {L"/charset/koi8-r", L"Обновление"},
      {L"/charset/utf-8", L"한국어 ✓ ok"},
      {L"/charset/utf-16le", L"Ünïcödé ✓"},
      {L"/charset/utf-16be", L"Ünïcödé ✓"},
      {L"/nocharset", L"한국어 ✓ ok"},
      {L"/bom/utf-8", L"한국어 ✓ ok"},
      {L"/bom/utf-16le", L"Ünïcödé ✓"},
      {L"/bom/utf-16be", L"Ünïcödé ✓"},
  };
  for (const Case& c : cases) {
    std::wstring body;
    EXPECT_EQ(http.Get(root + c.path, {}, body), HttpResult::Reply) << c.path;
    EXPECT_EQ(body, c.text) << c.path;
  }
}

TEST_F(HttpsServer, AnyStatusCodeIsAReply) {
  for (const wchar_t* code : {L"200", L"404", L"500", L"503"}) {
    std::wstring body;
    EXPECT_EQ(http.Get(root + L"/status/" + code, {}, body), HttpResult::Reply) << code;
    EXPECT_EQ(body, L"status page") << code;
  }
}

TEST_F(HttpsServer, UntrustedCertificateOrNoServerIsAFailure) {
  const std::wstring untrusted = Env(L"TW_UPDATE_TEST_UNTRUSTED");
  const std::wstring down = Env(L"TW_UPDATE_TEST_DOWN");
  ASSERT_FALSE(untrusted.empty());
  ASSERT_FALSE(down.empty());
  for (const std::wstring& url : {untrusted + L"/api.init.php", down + L"/api.init.php"}) {
    std::wstring data = L"untouched";
    EXPECT_EQ(RequestUpdateInfo(http, version, url, L"en", false, data), HttpResult::Failed) << url;
    EXPECT_EQ(data, L"untouched") << url;
  }
}

}  // namespace
}  // namespace zeph::update
