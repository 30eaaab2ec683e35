#include "common/unique_handle.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace zeph {
namespace {

std::vector<int> g_closed;

struct FakeTraits {
  using Value = int;
  static constexpr int Invalid() { return -1; }
  static void Close(int v) { g_closed.push_back(v); }
};
using FakeHandle = UniqueAny<FakeTraits>;

static_assert(!std::is_copy_constructible_v<FakeHandle>);
static_assert(!std::is_copy_assignable_v<FakeHandle>);

TEST(UniqueAny, ClosesExactlyOnceAcrossMovesResetsAndPut) {
  g_closed.clear();
  {
    FakeHandle a(7);
    FakeHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_TRUE(b);
    FakeHandle c(9);
    c = std::move(b);  // closes 9, takes 7
    *c.put() = 11;     // closes 7 before handing out the slot
    FakeHandle none;
    EXPECT_EQ(none.get(), -1);
    int raw = FakeHandle(13).release();
    EXPECT_EQ(raw, 13);
  }
  EXPECT_EQ(g_closed, (std::vector<int>{9, 7, 11}));
}

}  // namespace
}  // namespace zeph
