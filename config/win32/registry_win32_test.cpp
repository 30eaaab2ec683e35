// Runs under Wine (win64 preset): TConfig against the real registry, on a scratch key
// that each test creates and deletes. Values are planted and checked with the
// registry API itself, so these tests see exactly the bytes the store reads and writes.
#include "config/win32/registry_win32.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "config/tconfig.h"

namespace zeph::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::wstring ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Message();
  }
  return L"";
}

Bytes Utf16(const std::wstring& text) {
  // On Windows wchar_t is UTF-16: the string's own bytes and its terminating null.
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.c_str());
  return Bytes(p, p + (text.size() + 1) * sizeof(wchar_t));
}

class RegistryWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    path_ = L"TidewellTests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::wstring(test.begin(), test.end());
    key_ = L"Software\\" + path_;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
  }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\TidewellTests");  // only once it is empty
  }

  win32::UniqueHkey OpenScratch() const {
    win32::UniqueHkey key;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    return key;
  }
  void Plant(const wchar_t* name, DWORD type, const Bytes& data) const {
    win32::UniqueHkey key = OpenScratch();
    ASSERT_TRUE(key);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  // The value as the registry holds it; type REG_NONE with no data when it is missing.
  std::pair<DWORD, Bytes> Stored(const wchar_t* name) const {
    win32::UniqueHkey key = OpenScratch();
    DWORD type = REG_NONE, size = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {REG_NONE, {}};
    Bytes data(size);
    ::RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &size);
    data.resize(size);
    return {type, data};
  }
  DWORD ValueCount() const {
    win32::UniqueHkey key = OpenScratch();
    DWORD values = 0xFFFFFFFF;
    ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    return values;
  }

  Win32Registry registry_;
  std::wstring path_;  // the TConfig path
  std::wstring key_;   // the same under HKEY_CURRENT_USER
};

TEST_F(RegistryWin32, FirstRunCreatesAnEmptyKeyAndReadingWritesNothing) {
  win32::UniqueHkey probe;
  ASSERT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, probe.put()), ERROR_SUCCESS);
  {
    TConfig config(registry_, path_);
    EXPECT_TRUE(config.ReadBoolean(L"cleanontray", true));
    EXPECT_EQ(config.ReadInteger(L"limit_minute", 3), 3);
    EXPECT_EQ(config.ReadString(L"language", L"ko"), L"ko");
  }
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, probe.put()), ERROR_SUCCESS);
  EXPECT_EQ(ValueCount(), 0u);
}

TEST_F(RegistryWin32, WritesStoreTheRegistryEncodings) {
  Plant(L"LIMIT_MINUTE", REG_SZ, Utf16(L"3"));
  {
    TConfig config(registry_, path_);
    EXPECT_TRUE(config.WriteBoolean(L"cleanontray", true));
    EXPECT_FALSE(config.WriteBoolean(L"enabled_minute", false));
    EXPECT_EQ(config.WriteInteger(L"limit_minute", -2), -2);  // replaces the REG_SZ
    EXPECT_EQ(config.WriteString(L"empty", L""), L"");
    EXPECT_EQ(config.WriteString(L"language", L"타이드웰"), L"타이드웰");
  }
  EXPECT_EQ(Stored(L"cleanontray"), std::make_pair(DWORD(REG_DWORD), Bytes{1, 0, 0, 0}));
  EXPECT_EQ(Stored(L"enabled_minute"), std::make_pair(DWORD(REG_DWORD), Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Stored(L"limit_minute"), std::make_pair(DWORD(REG_DWORD), Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Stored(L"empty"), std::make_pair(DWORD(REG_SZ), Bytes{0, 0}));
  EXPECT_EQ(Stored(L"language"),
            std::make_pair(DWORD(REG_SZ), Bytes{0xC0, 0xD0, 0x74, 0xC7, 0xDC, 0xB4, 0xF0, 0xC6, 0, 0}));
  EXPECT_EQ(ValueCount(), 5u);
}

TEST_F(RegistryWin32, ReadsOfValuesPlantedByHand) {
  struct Case {
    const wchar_t* name;
    DWORD type;
    Bytes data;
  };
  const Case planted[] = {
      {L"dword5", REG_DWORD, {5, 0, 0, 0}},
      {L"dword0", REG_DWORD, {0, 0, 0, 0}},
      {L"short", REG_DWORD, {0x34, 0x12}},
      {L"Limit_Minute", REG_SZ, Utf16(L"3")},
      {L"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
      {L"binary", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}},
      {L"empty", REG_SZ, {}},
      {L"expand", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\x")},
      {L"nul", REG_SZ, Utf16(std::wstring(L"ab\0cd", 5))},
      {L"odd", REG_SZ, {'a', 0, 'b', 0, 'c'}},
  };
  for (const auto& p : planted) Plant(p.name, p.type, p.data);

  TConfig config(registry_, path_);
  EXPECT_TRUE(config.ReadBoolean(L"dword5", false));
  EXPECT_EQ(config.ReadInteger(L"dword5", 0), 5);
  EXPECT_FALSE(config.ReadBoolean(L"dword0", true));
  EXPECT_EQ(config.ReadInteger(L"short", 0), 0x1234);
  EXPECT_EQ(ErrorOf([&] { config.ReadInteger(L"limit_minute", 3); }), L"Invalid data type for 'limit_minute'");
  EXPECT_EQ(ErrorOf([&] { config.ReadBoolean(L"limit_minute", false); }), L"Invalid data type for 'limit_minute'");
  EXPECT_EQ(ErrorOf([&] { config.ReadInteger(L"qword", 0); }), L"Failed to get data for 'qword'");
  EXPECT_EQ(ErrorOf([&] { config.ReadInteger(L"binary", 0); }), L"Failed to get data for 'binary'");
  EXPECT_EQ(ErrorOf([&] { config.ReadString(L"dword5", L""); }), L"Invalid data type for 'dword5'");
  EXPECT_EQ(config.ReadString(L"empty", L"default"), L"");
  EXPECT_EQ(config.ReadString(L"expand", L""), L"%SystemRoot%\\x");
  EXPECT_EQ(config.ReadString(L"nul", L""), L"ab");
  EXPECT_EQ(config.ReadString(L"odd", L""), L"ab");
  EXPECT_EQ(config.ReadString(L"missing", L"default"), L"default");
  for (const auto& p : planted) EXPECT_EQ(Stored(p.name), std::make_pair(p.type, p.data)) << "reading wrote";
}

TEST_F(RegistryWin32, ARefusedWriteFailsAndChangesNothing) {
  Plant(L"limit_minute", REG_DWORD, {3, 0, 0, 0});
  // Value names are limited to 16383 characters; the registry refuses a longer one.
  const std::wstring tooLong(16384, L'x');
  TConfig config(registry_, path_);
  EXPECT_EQ(ErrorOf([&] { config.WriteInteger(tooLong, 5); }), L"Failed to set data for '" + tooLong + L"'");
  EXPECT_EQ(ValueCount(), 1u);
  EXPECT_EQ(Stored(L"limit_minute"), std::make_pair(DWORD(REG_DWORD), Bytes{3, 0, 0, 0}));
}

TEST_F(RegistryWin32, AKeyThatCannotBeOpenedGivesDefaultsAndFailingWrites) {
  // Key names are limited to 255 characters; no such key can be opened or created.
  TConfig config(registry_, path_ + L"\\" + std::wstring(300, L'k'));
  EXPECT_EQ(config.ReadInteger(L"limit_minute", 3), 3);
  EXPECT_EQ(config.ReadString(L"language", L"en"), L"en");
  EXPECT_EQ(ErrorOf([&] { config.WriteBoolean(L"cleanontray", true); }), L"Failed to set data for 'cleanontray'");
}

}  // namespace
}  // namespace zeph::config
