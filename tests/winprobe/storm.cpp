#include "tests/winprobe/storm.h"

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

namespace twprobe {
namespace {

// splitmix64: small, and the same sequence on every build.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }

 private:
  std::uint64_t state_;
};

struct Message {
  UINT msg;
  WPARAM w;
  LPARAM l;
  bool post;
};

constexpr UINT kRangeStart[] = {WM_USER, WM_APP, 0xC000};
constexpr UINT kRangeEnd = 0x10000;
constexpr UINT kLowEnd = 0x200;  // where private messages are numbered from
constexpr WPARAM kQuitRequest = 2;

bool IsQuitRequest(UINT msg, WPARAM w) { return msg == WM_USER && w == kQuitRequest; }

// Small values are request codes and indexes; large ones, pointers and handles.
std::uint64_t Parameter(Random& random, bool maybeZero) {
  switch (random.Below(4)) {
    case 0:
      return maybeZero ? 0 : random.Below(4);
    case 1:
      return random.Below(4);
    case 2:
      return random.Below(0x10000);
    default:
      return random.Next();
  }
}

Message Draw(Random& random) {
  Message m{};
  if (random.Below(2) == 0) {
    m.msg = kRangeStart[random.Below(3)] + static_cast<UINT>(random.Below(kLowEnd));
  } else {
    m.msg = WM_USER + static_cast<UINT>(random.Below(kRangeEnd - WM_USER));
  }
  do {
    m.w = static_cast<WPARAM>(Parameter(random, false));
  } while (IsQuitRequest(m.msg, m.w));
  m.l = static_cast<LPARAM>(Parameter(random, true));
  m.post = random.Below(2) == 0;
  return m;
}

std::vector<Message> Plan(Random& random, int count) {
  std::vector<Message> plan;
  for (UINT start : {static_cast<UINT>(WM_USER), static_cast<UINT>(WM_APP)}) {
    for (UINT msg = start; msg < start + kLowEnd; ++msg) {
      for (WPARAM w = 0; w < 4; ++w) {
        if (!IsQuitRequest(msg, w)) plan.push_back({msg, w, static_cast<LPARAM>(Parameter(random, true)), true});
      }
    }
  }
  for (int i = 0; i < count; ++i) plan.push_back(Draw(random));
  for (std::size_t i = plan.size(); i > 1; --i) std::swap(plan[i - 1], plan[random.Below(i)]);
  return plan;
}

}  // namespace

int Storm(HWND target, unsigned long long seed, int count) {
  Random random(seed);
  const std::vector<Message> plan = Plan(random, count);
  int given = 0, sent = 0, answered = 0, unanswered = 0, posted = 0, refused = 0;
  bool gone = false;
  for (const Message& m : plan) {
    if (m.post) {
      ++posted;
      if (!PostMessageW(target, m.msg, m.w, m.l)) ++refused;
    } else {
      ++sent;
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(target, m.msg, m.w, m.l, SMTO_ABORTIFHUNG, 200, &result)) {
        ++answered;
      } else {
        ++unanswered;
      }
    }
    ++given;
    // Now and then let the window's thread catch up, and see whether it is still there.
    if (given % 64 == 0) {
      DWORD_PTR result = 0;
      SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    }
    if (!IsWindow(target)) {
      gone = true;
      break;
    }
  }
  std::printf("seed=%llu messages=%d sent=%d answered=%d unanswered=%d posted=%d refused=%d\n", seed, given, sent,
              answered, unanswered, posted, refused);
  if (gone) std::printf("gone after=%d\n", given);
  std::fflush(stdout);
  return gone ? 1 : 0;
}

}  // namespace twprobe
