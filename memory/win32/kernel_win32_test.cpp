// Runs under Wine (win64 preset): the real kernel and token calls behind the engine.
#include "memory/win32/kernel_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

// Passes the purge's requests on to the real kernel and keeps what each one answered.
// The purge makes no other call, so the rest is not passed on.
class AnswerRecordingKernel : public Kernel {
 public:
  NtStatus NtSetSystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) override {
    answers.push_back({infoClass, real.NtSetSystemInformation(infoClass, buffer, length)});
    return answers.back().second;
  }
  bool GlobalMemoryStatusEx(MemoryStatusEx&) override { return false; }
  NtStatus NtQuerySystemInformation(std::uint32_t, void*, std::uint32_t) override { return -1; }
  bool OpenProcessToken(std::uint32_t, TokenHandle&) override { return false; }
  bool LookupPrivilegeValueW(const std::wstring&, Luid&) override { return false; }
  bool AdjustTokenPrivileges(TokenHandle, bool, const TokenPrivilege&, std::uint32_t, TokenPrivilege&,
                             std::uint32_t&) override {
    return false;
  }
  void CloseHandle(TokenHandle) override {}
  std::uint32_t GetLastError() override { return 0; }
  std::wstring FormatSystemMessage(std::uint32_t) override { return {}; }

  Win32Kernel real;
  std::vector<std::pair<std::uint32_t, NtStatus>> answers;
};

// The kernel may refuse a request for lack of a privilege, but every request must
// reach it, in an information class it knows, with a buffer of the length it expects.
TEST(Win32Kernel, EveryPurgeRequestReachesTheKernelInAShapeItAccepts) {
  AnswerRecordingKernel kernel;
  PurgeMemory(kernel);
  ASSERT_EQ(kernel.answers.size(), 6u);
  const std::uint32_t classes[] = {21, 80, 80, 80, 80, 130};
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kernel.answers[i].first, classes[i]);
    const auto status = static_cast<std::uint32_t>(kernel.answers[i].second);
    EXPECT_NE(status, 0xC000007Au) << "NtSetSystemInformation was not found in ntdll";
    EXPECT_NE(status, 0xC0000003u) << "information class rejected";
    EXPECT_NE(status, 0xC0000004u) << "buffer length rejected";
  }
}

TEST(Win32Kernel, UnknownPrivilegeRaisesTheSystemText) {
  Win32Kernel kernel;
  try {
    SetPrivilege(kernel, L"SeNoSuchPrivilegeForTidewell", true);
    ADD_FAILURE() << "no error raised";
  } catch (const Error& e) {
    // The system's own text for the code the failed lookup reported, trimmed.
    std::wstring expected = kernel.FormatSystemMessage(ERROR_NO_SUCH_PRIVILEGE);
    while (!expected.empty() && (expected.back() < 33 || expected.back() == L'.')) expected.pop_back();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(e.Message(), expected);
  }
}

TEST(Win32Kernel, KnownPrivilegesCanBeEnabled) {
  Win32Kernel kernel;  // the test runs with the same rights as the product: elevated
  EXPECT_TRUE(SetPrivilege(kernel, L"SeIncreaseQuotaPrivilege", true));
  EXPECT_TRUE(SetPrivilege(kernel, L"SeProfileSingleProcessPrivilege", true));
}

}  // namespace
}  // namespace zeph::memory
