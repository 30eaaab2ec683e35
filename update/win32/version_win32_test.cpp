// Runs under Wine (win64 preset), built twice: once with the 1.6.6.0 version block
// (TW_HAS_VERSION_BLOCK) and once without any.
#include <gtest/gtest.h>

#include "update/update.h"
#include "update/win32/platform_win32.h"

namespace zeph::update {
namespace {

TEST(Win32VersionBlock, GetAppVersionOfTheRunningExe) {
  Win32VersionBlock block;
#if defined(TW_HAS_VERSION_BLOCK)
  const std::optional<FileVersion> version = block.RunningExeVersion();
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->dwFileVersionMS, 0x00010006u);
  EXPECT_EQ(version->dwFileVersionLS, 0x00060000u);
  EXPECT_EQ(GetAppVersion(block, L"%d.%d.%d"), L"1.6.6");
  EXPECT_EQ(GetAppVersion(block, L"%d.%d.%d.%d"), L"1.6.6.0");
#else
  EXPECT_FALSE(block.RunningExeVersion().has_value());
  EXPECT_EQ(GetAppVersion(block, L"%d.%d.%d"), L"0.0.0.0");
  EXPECT_EQ(GetAppVersion(block, L"%d.%d.%d.%d"), L"0.0.0.0");
#endif
}

}  // namespace
}  // namespace zeph::update
