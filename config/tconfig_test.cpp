#include "config/tconfig.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "common/utf.h"
#include "config/testing/fake_registry.h"

namespace zeph::config {
namespace {

using testing::FakeRegistry;
using Bytes = std::vector<std::uint8_t>;

const std::wstring kPath = L"Quillmere\\Tidewell";
const std::wstring kKey = L"Software\\Quillmere\\Tidewell";

// The message of the zeph::Error that `f` throws; empty when it throws none.
std::wstring ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Message();
  }
  return L"";
}

Bytes Utf16(const std::wstring& text, bool terminated = true) {
  Bytes data = WideToUtf16Le(text);
  if (terminated) data.insert(data.end(), {0, 0});
  return data;
}

TEST(TConfig, OpensSoftwarePathUnderCurrentUserAndClosesOnDestroy) {
  FakeRegistry reg;
  {
    TConfig config(reg, kPath);
    EXPECT_EQ(reg.createCalls, 1);
    EXPECT_EQ(reg.lastRoot, 0x80000001u);
    EXPECT_EQ(reg.lastSubKey, kKey);
    EXPECT_EQ(reg.lastAccess, 0xF003Fu);
    EXPECT_EQ(reg.openKeys, 1);
  }
  EXPECT_EQ(reg.openKeys, 0);
  EXPECT_EQ(reg.closedKeys, 1);

  TConfig odd(reg, L"\\a/b\\");  // no separator added or removed
  EXPECT_EQ(reg.lastSubKey, L"Software\\\\a/b\\");
}

TEST(TConfig, FirstRunCreatesAnEmptyKeyAndReadingWritesNothing) {
  FakeRegistry reg;
  TConfig config(reg, kPath);
  EXPECT_TRUE(reg.HasKey(kKey));
  EXPECT_TRUE(reg.HasKey(L"software\\quillmere"));
  EXPECT_TRUE(config.ReadBoolean(L"cleanontray", true));
  EXPECT_FALSE(config.ReadBoolean(L"cleanontray", false));
  EXPECT_EQ(config.ReadInteger(L"limit_minute", 3), 3);
  EXPECT_EQ(config.ReadString(L"language", L"ko"), L"ko");
  EXPECT_EQ(reg.ValueCount(kKey), 0u);
  EXPECT_TRUE(reg.writes.empty());
}

TEST(TConfig, WritesStoreTheRegistryEncodings) {
  struct Case {
    const char* label;
    std::function<void(TConfig&)> write;
    std::uint32_t type;
    Bytes data;
  };
  const Case cases[] = {
      {"true", [](TConfig& c) { EXPECT_TRUE(c.WriteBoolean(L"v", true)); }, kRegDword, {1, 0, 0, 0}},
      {"false", [](TConfig& c) { EXPECT_FALSE(c.WriteBoolean(L"v", false)); }, kRegDword, {0, 0, 0, 0}},
      {"int -2", [](TConfig& c) { EXPECT_EQ(c.WriteInteger(L"v", -2), -2); }, kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"int 0x01020304", [](TConfig& c) { c.WriteInteger(L"v", 0x01020304); }, kRegDword, {4, 3, 2, 1}},
      {"empty string", [](TConfig& c) { EXPECT_EQ(c.WriteString(L"v", L""), L""); }, kRegSz, {0, 0}},
      {"ko", [](TConfig& c) { EXPECT_EQ(c.WriteString(L"v", L"ko"), L"ko"); }, kRegSz, {'k', 0, 'o', 0, 0, 0}},
      {"hangul", [](TConfig& c) { c.WriteString(L"v", L"한"); }, kRegSz, {0x5C, 0xD5, 0, 0}},
      {"astral", [](TConfig& c) { c.WriteString(L"v", L"\U0001F600"); }, kRegSz, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    FakeRegistry reg;
    reg.PlantString(kKey, L"V", L"former value of another type", kRegExpandSz);
    TConfig config(reg, kPath);
    c.write(config);
    const auto stored = reg.Get(kKey, L"v");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, c.type);
    EXPECT_EQ(stored->data, c.data);
    EXPECT_EQ(reg.ValueCount(kKey), 1u) << "names compare case-insensitively";
  }
}

struct Planted {
  const char* label;
  std::uint32_t type;
  Bytes data;
};

TEST(TConfig, IntegerAndBooleanReadsOfPlantedValues) {
  struct Case {
    Planted value;
    std::int32_t integer;  // ReadInteger's result when no error is expected
    std::wstring error;    // the message for the name "limit_minute"
  };
  const std::wstring invalid = L"Invalid data type for 'limit_minute'";
  const std::wstring failed = L"Failed to get data for 'limit_minute'";
  const Case cases[] = {
      {{"dword 5", kRegDword, {5, 0, 0, 0}}, 5, L""},
      {{"dword 0", kRegDword, {0, 0, 0, 0}}, 0, L""},
      {{"dword -1", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}}, -1, L""},
      {{"dword 0x100", kRegDword, {0, 1, 0, 0}}, 256, L""},
      {{"short dword", kRegDword, {0x34, 0x12}}, 0x1234, L""},  // zero-extended, never stale bytes
      {{"empty dword", kRegDword, {}}, 0, L""},
      {{"sz \"3\"", kRegSz, Utf16(L"3")}, 0, invalid},
      {{"empty sz", kRegSz, Utf16(L"")}, 0, invalid},
      {{"binary 4", kRegBinary, {1, 0, 0, 0}}, 0, invalid},
      {{"big-endian dword", kRegDwordBigEndian, {0, 0, 0, 1}}, 0, invalid},
      {{"sz \"30\"", kRegSz, Utf16(L"30")}, 0, failed},  // 6 bytes do not fit
      {{"qword 8", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}}, 0, failed},
      {{"binary 8", kRegBinary, {1, 0, 0, 0, 0, 0, 0, 0}}, 0, failed},
      {{"dword of 5 bytes", kRegDword, {1, 0, 0, 0, 0}}, 0, failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.label);
    FakeRegistry reg;
    reg.Plant(kKey, L"Limit_Minute", c.value.type, c.value.data);
    TConfig config(reg, kPath);
    std::int32_t integer = 77;
    bool boolean = false;
    EXPECT_EQ(ErrorOf([&] { integer = config.ReadInteger(L"limit_minute", 77); }), c.error);
    EXPECT_EQ(ErrorOf([&] { boolean = config.ReadBoolean(L"limit_minute", c.integer == 0); }), c.error);
    if (c.error.empty()) {
      EXPECT_EQ(integer, c.integer);
      EXPECT_EQ(boolean, c.integer != 0);
    }
    EXPECT_TRUE(reg.writes.empty());
  }
}

TEST(TConfig, StringReadsOfPlantedValues) {
  struct Case {
    Planted value;
    std::wstring text;
    std::wstring error;
  };
  const std::wstring invalid = L"Invalid data type for 'language'";
  const Case cases[] = {
      {{"sz", kRegSz, Utf16(L"ko")}, L"ko", L""},
      {{"hangul", kRegSz, Utf16(L"한국어")}, L"한국어", L""},
      {{"empty sz", kRegSz, Utf16(L"")}, L"", L""},
      {{"sz of size 0", kRegSz, {}}, L"", L""},  // empty, not the default
      {{"binary of size 0", kRegBinary, {}}, L"", L""},
      {{"expand sz", kRegExpandSz, Utf16(L"%SystemRoot%\\x")}, L"%SystemRoot%\\x", L""},
      {{"embedded null", kRegSz, Utf16(std::wstring(L"ab\0cd", 5))}, L"ab", L""},
      {{"no terminator", kRegSz, Utf16(L"abc", false)}, L"abc", L""},
      {{"odd size", kRegSz, {'a', 0, 'b', 0, 'c'}}, L"ab", L""},
      {{"one byte", kRegSz, {'a'}}, L"", L""},
      {{"surrogate pair", kRegSz, Utf16(L"\U0001F600")}, L"\U0001F600", L""},
      {{"dword", kRegDword, {1, 0, 0, 0}}, L"", invalid},
      {{"binary", kRegBinary, Utf16(L"ko")}, L"", invalid},
      {{"multi sz", kRegMultiSz, {'k', 0, 'o', 0, 0, 0, 0, 0}}, L"", invalid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.label);
    FakeRegistry reg;
    reg.Plant(kKey, L"LANGUAGE", c.value.type, c.value.data);
    TConfig config(reg, kPath);
    std::wstring text = L"unset";
    EXPECT_EQ(ErrorOf([&] { text = config.ReadString(L"language", L"default"); }), c.error);
    if (c.error.empty()) {
      EXPECT_EQ(text, c.text);
    }
    EXPECT_TRUE(reg.writes.empty());
  }
}

TEST(TConfig, AFailingDataReadIsReported) {
  FakeRegistry reg;
  reg.PlantDword(kKey, L"n", 1);
  reg.PlantString(kKey, L"s", L"ko");
  reg.Plant(kKey, L"empty", kRegSz, {});
  reg.queryDataError = kErrorAccessDenied;
  TConfig config(reg, kPath);
  EXPECT_EQ(ErrorOf([&] { config.ReadInteger(L"n", 0); }), L"Failed to get data for 'n'");
  EXPECT_EQ(ErrorOf([&] { config.ReadBoolean(L"n", false); }), L"Failed to get data for 'n'");
  EXPECT_EQ(ErrorOf([&] { config.ReadString(L"s", L""); }), L"Failed to get data for 's'");
  EXPECT_EQ(config.ReadString(L"empty", L"default"), L"");  // nothing to read
  EXPECT_EQ(config.ReadInteger(L"missing", 9), 9);
}

TEST(TConfig, ARefusedWriteFailsAndLeavesTheFormerValue) {
  FakeRegistry reg;
  reg.PlantDword(kKey, L"limit_minute", 3);
  reg.setError = kErrorAccessDenied;
  TConfig config(reg, kPath);
  EXPECT_EQ(ErrorOf([&] { config.WriteInteger(L"limit_minute", 5); }), L"Failed to set data for 'limit_minute'");
  EXPECT_EQ(ErrorOf([&] { config.WriteBoolean(L"limit_minute", true); }), L"Failed to set data for 'limit_minute'");
  EXPECT_EQ(ErrorOf([&] { config.WriteString(L"limit_minute", L"x"); }), L"Failed to set data for 'limit_minute'");
  const auto stored = reg.Get(kKey, L"limit_minute");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, kRegDword);
  EXPECT_EQ(stored->data, (Bytes{3, 0, 0, 0}));
  EXPECT_EQ(config.ReadInteger(L"limit_minute", 0), 3);
}

TEST(TConfig, WithoutAKeyReadsGiveDefaultsAndWritesFail) {
  FakeRegistry reg;
  reg.PlantDword(kKey, L"enabled_minute", 1);
  reg.PlantString(kKey, L"language", L"ko");
  reg.createError = kErrorAccessDenied;
  {
    TConfig config(reg, kPath);
    EXPECT_EQ(reg.createCalls, 1);
    EXPECT_FALSE(config.ReadBoolean(L"enabled_minute", false));
    EXPECT_EQ(config.ReadInteger(L"enabled_minute", 42), 42);
    EXPECT_EQ(config.ReadString(L"language", L"en"), L"en");
    EXPECT_EQ(ErrorOf([&] { config.WriteBoolean(L"cleanontray", true); }), L"Failed to set data for 'cleanontray'");
    EXPECT_EQ(ErrorOf([&] { config.WriteInteger(L"limit_minute", 1); }), L"Failed to set data for 'limit_minute'");
    EXPECT_EQ(ErrorOf([&] { config.WriteString(L"language", L"ko"); }), L"Failed to set data for 'language'");
  }
  EXPECT_EQ(reg.closedKeys, 0);
  EXPECT_EQ(reg.ValueCount(kKey), 2u);
  EXPECT_EQ(reg.Get(kKey, L"language")->data, Utf16(L"ko"));
}

}  // namespace
}  // namespace zeph::config
