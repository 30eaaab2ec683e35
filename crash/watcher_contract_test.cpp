#include "crash/watcher_contract.h"

#include <gtest/gtest.h>

namespace zeph::crash {
namespace {

TEST(WatcherContractTest, TheCallbackFilterBitIsClearedAndEveryOtherBitKept) {
  EXPECT_EQ(PolicyLettingCallbackFaultsThrough(0x0u), 0x0u);
  EXPECT_EQ(PolicyLettingCallbackFaultsThrough(0x1u), 0x0u);
  EXPECT_EQ(PolicyLettingCallbackFaultsThrough(0x3u), 0x2u);
  EXPECT_EQ(PolicyLettingCallbackFaultsThrough(0xFFFFFFFFu), 0xFFFFFFFEu);
}

TEST(WatcherContractTest, OnlyAWellFormedArgumentNamesAHandle) {
  struct Case {
    const wchar_t* argument;
    bool accepted;
    std::uint64_t value;
  };
  const Case cases[] = {
      {L"/crash-watcher:1a4", true, 0x1a4},
      {L"/crash-watcher:FFFFFFFFFFFFFFFF", true, 0xFFFFFFFFFFFFFFFFull},
      {L"/crash-watcher:10000000000000000", false, 0},  // 17 digits
      {L"/crash-watcher:", false, 0},
      {L"/crash-watcher:0", false, 0},
      {L"/crash-watcher:12g", false, 0},
      {L"/crash-watcher:-1", false, 0},
      {L"/crash-watcher 1a4", false, 0},
      {L"/CRASH-WATCHER:1a4", false, 0},
      {L"/crash-watch", false, 0},
      {L"/start", false, 0},
      {L"", false, 0},
      {nullptr, false, 0},
  };
  for (const Case& c : cases) {
    std::uint64_t value = 0;
    EXPECT_EQ(ParseWatcherArgument(c.argument, value), c.accepted) << (c.argument ? c.argument : L"(null)");
    EXPECT_EQ(value, c.value);
  }
}

TEST(WatcherContractTest, ABlockIsHonouredOnlyByTheWatcherItWasWrittenFor) {
  constexpr std::size_t kSize = 4096;
  HandOverHeader good;
  good.magic = kHandOverMagic;
  good.version = kHandOverVersion;
  good.size = kSize;
  good.parentProcessId = 100;
  good.watcherProcessId = 200;
  EXPECT_TRUE(IsHandOverFor(good, kSize, kSize, 200, 100));
  EXPECT_TRUE(IsHandOverFor(good, kSize + 4096, kSize, 200, 100));  // mappings round up to pages

  struct Case {
    const char* what;
    HandOverHeader header;
    std::size_t mapped;
    std::uint32_t self, parent;
  };
  HandOverHeader wrongMagic = good, wrongVersion = good, otherBuild = good, noWatcher = good, noParent = good;
  wrongMagic.magic = 0;
  wrongVersion.version = kHandOverVersion + 1;
  otherBuild.size = kSize - 8;
  noWatcher.watcherProcessId = 0;
  noParent.parentProcessId = 0;
  const Case cases[] = {
      {"another section", wrongMagic, kSize, 200, 100},
      {"another version", wrongVersion, kSize, 200, 100},
      {"another build's layout", otherBuild, kSize, 200, 100},
      {"a mapping smaller than the block", good, kSize - 1, 200, 100},
      {"another watcher", good, kSize, 201, 100},
      {"another parent", good, kSize, 200, 101},
      {"a block naming no watcher", noWatcher, kSize, 0, 100},
      {"a block naming no parent", noParent, kSize, 200, 0},
  };
  for (const Case& c : cases) EXPECT_FALSE(IsHandOverFor(c.header, c.mapped, kSize, c.self, c.parent)) << c.what;
}

}  // namespace
}  // namespace zeph::crash
