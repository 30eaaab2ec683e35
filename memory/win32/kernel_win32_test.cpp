// Runs under Wine (win64 preset): the real kernel and token calls behind the engine.
#include "memory/win32/kernel_win32.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "memory/memory.h"

namespace zeph::memory {
namespace {

TEST(Win32Kernel, SnapshotGivesRealFigures) {
  Win32Kernel kernel;
  MemorySnapshot s{};
  ReadMemorySnapshot(s, kernel);
  EXPECT_GT(s.Total[Phys], 0u);
  EXPECT_GE(s.Total[Page], s.Total[Phys]);
  EXPECT_GT(s.Total[Virtual], 0u);
  for (MemoryKind k : {Phys, Page, Virtual, Work}) {
    EXPECT_GE(s.Percent[k], 0.0f) << int(k);
    EXPECT_LE(s.Percent[k], 100.0f) << int(k);
  }
}

TEST(Win32Kernel, PurgeReturns) {
  Win32Kernel kernel;
  PurgeMemory(kernel);
  SUCCEED();
}

TEST(Win32Kernel, UnknownPrivilegeRaisesTheSystemText) {
  Win32Kernel kernel;
  try {
    SetPrivilege(kernel, L"SeNoSuchPrivilegeForTidewell", true);
    ADD_FAILURE() << "no error raised";
  } catch (const Error& e) {
    EXPECT_FALSE(e.Message().empty());
    EXPECT_NE(e.Message().back(), L'.');
    EXPECT_GE(e.Message().back(), 33);
  }
}

TEST(Win32Kernel, KnownPrivilegesCanBeEnabled) {
  Win32Kernel kernel;  // the test runs with the same rights as the product: elevated
  EXPECT_TRUE(SetPrivilege(kernel, L"SeIncreaseQuotaPrivilege", true));
  EXPECT_TRUE(SetPrivilege(kernel, L"SeProfileSingleProcessPrivilege", true));
}

}  // namespace
}  // namespace zeph::memory
