#include "memory/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "common/error.h"
#include "memory/testing/fake_kernel.h"

namespace zeph::memory {
namespace {

using testing::FakeKernel;

TEST(UsagePercent, WorkedExampleIsBitExact) {
  const double percent = UsagePercent(17'112'977'408ull, 17'112'977'408ull - 9'000'000'000ull);
  EXPECT_EQ(percent, 47.408333538775864);
  EXPECT_EQ(static_cast<float>(percent), 47.408333f);
  EXPECT_EQ(UsagePercent(1'073'741'824ull, 402'653'184ull), 37.5);
}

TEST(UsagePercent, GuardsAndUnsignedArithmetic) {
  struct Case {
    std::uint64_t total, used;
    double expected;
  };
  constexpr std::uint64_t kHalf = 1ull << 63;
  const Case cases[] = {
      {0, 0, 0.0},
      {0, 5, 0.0},                   // no division by zero
      {1000, 0, 0.0},                // used 0 whatever the total
      {kHalf, 1ull << 56, 0.78125},  // totals >= 2^63 are read as unsigned (signed: -0.78125)
      {~0ull, ~0ull / 4, 25.0},      // used*100 wraps modulo 2^64 ...
      {1000, 1000, 100.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.total << " " << c.used);
    const double got = UsagePercent(c.total, c.used);
    if (c.used > std::numeric_limits<std::uint64_t>::max() / 100) {
      // ... so the quotient is (used*100 mod 2^64)/total: small, positive, no NaN.
      EXPECT_EQ(got, static_cast<double>(static_cast<long double>(c.used * 100u) / c.total));
    } else {
      EXPECT_EQ(got, c.expected);
    }
    EXPECT_GE(got, 0.0);
  }
}

FakeKernel KernelWithFigures() {
  FakeKernel k;
  k.status.ullTotalPhys = 17'112'977'408ull;
  k.status.ullAvailPhys = 9'000'000'000ull;
  k.status.ullTotalPageFile = 20'000'000'000ull;
  k.status.ullAvailPageFile = 16'778'774'528ull;  // 3,221,225,472 used
  k.status.ullTotalVirtual = 2'147'352'576ull;
  k.status.ullAvailVirtual = 2'000'000'000ull;
  k.fileCache.CurrentSize = 402'653'184u;
  k.fileCache.PeakSize = 1'073'741'824u;
  return k;
}

TEST(ReadMemorySnapshot, FillsAllTwelveEntries) {
  FakeKernel k = KernelWithFigures();
  MemorySnapshot s{};
  ReadMemorySnapshot(s, k);
  EXPECT_EQ(k.statusLength, 64u);
  EXPECT_EQ(k.queryLength, sizeof(FileCacheInformation));
  struct Row {
    MemoryKind kind;
    std::uint64_t available, total;
    float percent;
  };
  const Row rows[] = {
      {Phys, 9'000'000'000ull, 17'112'977'408ull, 47.408333f},
      {Page, 16'778'774'528ull, 20'000'000'000ull, 16.1061268f},
      {Virtual, 2'000'000'000ull, 2'147'352'576ull, 6.86205769f},
      {Work, 671'088'640ull, 1'073'741'824ull, 37.5f},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.kind));
    EXPECT_EQ(s.Available[r.kind], r.available);
    EXPECT_EQ(s.Total[r.kind], r.total);
    EXPECT_EQ(s.Percent[r.kind], r.percent);
  }
}

TEST(ReadMemorySnapshot, FailedFileCacheQueryKeepsTheCallersWorkEntries) {
  FakeKernel k = KernelWithFigures();
  k.fileCacheStatus = static_cast<NtStatus>(0xC0000022);
  MemorySnapshot s{};
  s.Available[Work] = 11;
  s.Total[Work] = 22;
  s.Percent[Work] = 33.0f;
  s.Total[Phys] = 99;
  ReadMemorySnapshot(s, k);
  EXPECT_EQ(s.Available[Work], 11u);
  EXPECT_EQ(s.Total[Work], 22u);
  EXPECT_EQ(s.Percent[Work], 33.0f);
  EXPECT_EQ(s.Total[Phys], 17'112'977'408ull);  // the other nine are fresh
  EXPECT_EQ(s.Percent[Phys], 47.408333f);
}

TEST(ReadMemorySnapshot, FailedGlobalMemoryStatusReadsAsZeros) {
  FakeKernel k = KernelWithFigures();
  k.statusSucceeds = false;
  MemorySnapshot s;
  std::memset(&s, 0x5A, sizeof(s));
  ReadMemorySnapshot(s, k);
  for (MemoryKind kind : {Phys, Page, Virtual}) {
    EXPECT_EQ(s.Available[kind], 0u);
    EXPECT_EQ(s.Total[kind], 0u);
    EXPECT_EQ(s.Percent[kind], 0.0f);
  }
  EXPECT_EQ(s.Percent[Work], 37.5f);
}

TEST(ReadMemorySnapshot, MoreAvailableThanTotalReadsAsNothingUsed) {
  FakeKernel k = KernelWithFigures();
  k.status.ullAvailPhys = 17'592'186'044'416ull;  // what Wine's 32-bit layer reported
  k.status.ullTotalPhys = 3'801'088'000ull;
  MemorySnapshot s{};
  ReadMemorySnapshot(s, k);
  EXPECT_EQ(s.Percent[Phys], 0.0f);
}

TEST(ReadMemorySnapshot, WorkSubtractionWrapsAtTheRecordWidth) {
  // A current size above the peak (a racing kernel) must not turn into a 64-bit giant.
  FakeKernel k = KernelWithFigures();
  k.fileCache.CurrentSize = 10;
  k.fileCache.PeakSize = 4;
  MemorySnapshot s{};
  ReadMemorySnapshot(s, k);
  EXPECT_EQ(s.Available[Work], static_cast<std::uint64_t>(static_cast<KernelSize>(4 - 10)));
}

std::vector<std::uint8_t> U32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

std::vector<std::uint8_t> ExpectedFileCacheRequest() {
  FileCacheInformation r;
  std::memset(&r, 0, sizeof(r));
  r.MinimumWorkingSet = static_cast<KernelSize>(-1);
  r.MaximumWorkingSet = static_cast<KernelSize>(-1);
  const auto* b = reinterpret_cast<const std::uint8_t*>(&r);
  return {b, b + sizeof(r)};
}

TEST(PurgeMemory, SixRequestsInOrderWithExactBytesEvenWhenAllFail) {
  for (NtStatus status : {0, static_cast<NtStatus>(0xC0000061)}) {
    FakeKernel k;
    k.setStatus = status;
    PurgeMemory(k);
    ASSERT_EQ(k.setRequests.size(), 6u);
    EXPECT_EQ(k.setRequests[0].infoClass, 21u);
    EXPECT_EQ(k.setRequests[0].bytes, ExpectedFileCacheRequest());
    const std::uint32_t commands[] = {2, 5, 4, 3};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(k.setRequests[1 + i].infoClass, 80u);
      EXPECT_EQ(k.setRequests[1 + i].bytes, U32(commands[i]));
    }
    EXPECT_EQ(k.setRequests[5].infoClass, 130u);
    EXPECT_EQ(k.setRequests[5].bytes, std::vector<std::uint8_t>(24, 0));
  }
}

TEST(PurgeMemory, FileCacheRecordIsThirtySixBytesWithMinusOneInFieldsFourAndFive) {
#if !defined(_WIN64)
  const auto bytes = ExpectedFileCacheRequest();
  ASSERT_EQ(bytes.size(), 36u);
  for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(bytes[i], (i >= 12 && i < 20) ? 0xFF : 0x00) << i;
#endif
}

TEST(SetPrivilege, EnableAndDisableWriteTheRequestAndCloseTheToken) {
  for (bool enable : {true, false}) {
    FakeKernel k;
    k.knownLuid = Luid{0x13, 0x7};
    EXPECT_TRUE(SetPrivilege(k, L"SeIncreaseQuotaPrivilege", enable));
    EXPECT_EQ(k.openAccess, 0x28u);
    EXPECT_EQ(k.lookedUpName, L"SeIncreaseQuotaPrivilege");
    ASSERT_TRUE(k.adjustRequest);
    EXPECT_EQ(k.adjustRequest->PrivilegeCount, 1u);
    EXPECT_EQ(k.adjustRequest->PrivilegeLuid.LowPart, 0x13u);
    EXPECT_EQ(k.adjustRequest->PrivilegeLuid.HighPart, 0x7);
    EXPECT_EQ(k.adjustRequest->Attributes, enable ? 2u : 0u);
    EXPECT_EQ(k.adjustLength, 16u);
    EXPECT_FALSE(k.adjustDisableAll);
    EXPECT_EQ(std::memcmp(&*k.adjustPrevious, &*k.adjustRequest, 16), 0);  // prefilled copy
    EXPECT_EQ(k.adjustReturnLength, 0u);
    EXPECT_EQ(k.openTokens, 0);
  }
}

// The fake's message table gives each code its own text, so each row proves the
// text shown is the one for the code the failing call reported.
TEST(SetPrivilege, FailuresRaiseTheTrimmedSystemText) {
  struct Case {
    const char* what;
    bool openFails, lookupFails;
    std::uint32_t adjustError;
    std::wstring expected;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"unknown name", false, true, 0, L"A specified privilege does not exist",
       {"OpenProcessToken", "LookupPrivilegeValueW", "CloseHandle"}},
      {"token lacks it", false, false, 1300, L"Not all privileges or groups referenced are assigned to the caller",
       {"OpenProcessToken", "LookupPrivilegeValueW", "AdjustTokenPrivileges", "CloseHandle"}},
      {"no token", true, false, 0, L"Access is denied", {"OpenProcessToken"}},
      {"trailing blanks and stops", false, false, 1450, L"Insufficient system resources",
       {"OpenProcessToken", "LookupPrivilegeValueW", "AdjustTokenPrivileges", "CloseHandle"}},
      {"no system text", false, false, 1301, L"System error 1301",
       {"OpenProcessToken", "LookupPrivilegeValueW", "AdjustTokenPrivileges", "CloseHandle"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeKernel k;
    k.openTokenSucceeds = !c.openFails;
    if (c.lookupFails) k.knownLuid.reset();
    k.adjustError = c.adjustError;
    k.messages[1450] = L"Insufficient system resources. \t.\r\n";
    try {
      SetPrivilege(k, L"SeNoSuchPrivilege", true);
      ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), c.expected);
    }
    EXPECT_EQ(k.tokenCalls, c.calls);
    EXPECT_EQ(k.openTokens, 0);
  }
}

}  // namespace
}  // namespace zeph::memory
