// The WinHTTP client against a real HTTPS server on 127.0.0.1, under Wine. Not run by
// ctest: tests/e2e/test_update_https.sh starts update/testing/https_server.py, trusts
// its CA in the run's own prefix and passes the addresses in the environment:
//   TW_UPDATE_TEST_ROOT       https://127.0.0.1:PORT with a trusted certificate
//   TW_UPDATE_TEST_UNTRUSTED  https://127.0.0.1:PORT with a certificate nobody trusts
//   TW_UPDATE_TEST_DOWN       https://127.0.0.1:PORT where nothing listens
//   TW_UPDATE_TEST_TLS12      https://127.0.0.1:PORT, trusted, speaking TLS 1.2 only
// The executable carries the version block 1.6.6.0.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "update/update.h"
#include "update/win32/platform_win32.h"
#include "common/win32/optional_functions.h"

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

TEST_F(HttpsServer, AServerThatSpeaksOnlyTls12IsReached) {
  const std::wstring tls12 = Env(L"TW_UPDATE_TEST_TLS12");
  ASSERT_FALSE(tls12.empty());
  std::wstring body;
  EXPECT_EQ(http.Get(tls12 + L"/charset/utf-8", {}, body), HttpResult::Reply);
  EXPECT_EQ(body, L"한국어 ✓ ok");
}

// Windows 7 and 8 know the option only with the update that adds TLS 1.2 and refuse
// the flag of TLS 1.3; Wine takes everything, so the order is tested here.
TEST(AskForModernTls, TriesTls12With13ThenTls12AloneAndLivesWithARefusal) {
  constexpr std::uint32_t k12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2, k13 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  struct Case {
    const char* system;
    std::uint32_t accepts;  // the flags the system takes, 0: it refuses every value
    std::vector<std::uint32_t> tried;
    std::uint32_t result;
  };
  const Case cases[] = {
      {"Windows 11", k12 | k13, {k12 | k13}, k12 | k13},
      {"Windows 7 with the update", k12, {k12 | k13, k12}, k12},
      {"Windows 7 without it", 0, {k12 | k13, k12}, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> tried;
    const std::uint32_t result = AskForModernTls([&](std::uint32_t flags) {
      tried.push_back(flags);
      return c.accepts != 0 && (flags & ~c.accepts) == 0;
    });
    EXPECT_EQ(tried, c.tried) << c.system;
    EXPECT_EQ(result, c.result) << c.system;
  }
}

}  // namespace
}  // namespace zeph::update
