// What a screen reader hears of a control in each of its states.
#include "app/win32/accessible.h"

#include <gtest/gtest.h>
#include <oleacc.h>

namespace zeph::win32 {
namespace {

TEST(AccessibleTest, StateFollowsTheControl) {
  using K = AccessibleKind;
  constexpr long kFocusable = STATE_SYSTEM_FOCUSABLE;
  const struct {
    K kind;
    bool visible, enabled, focused, selected, busy;
    long state;
  } cases[] = {
      {K::PageTab, true, true, false, true, false, kFocusable | STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_SELECTED},
      {K::PageTab, true, true, true, false, false, kFocusable | STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSED},
      {K::PushButton, true, false, false, false, true, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_BUSY},
      {K::PushButton, false, true, false, false, false, STATE_SYSTEM_INVISIBLE},
      {K::Link, true, true, false, false, false, kFocusable | STATE_SYSTEM_LINKED},
      {K::Animation, false, true, false, false, false, STATE_SYSTEM_INVISIBLE},
      {K::Animation, true, true, false, false, true, STATE_SYSTEM_ANIMATED | STATE_SYSTEM_BUSY},
  };
  for (const auto& c : cases) {
    AccessibleFacts facts;
    facts.kind = c.kind;
    facts.visible = c.visible;
    facts.enabled = c.enabled;
    facts.focused = c.focused;
    facts.selected = c.selected;
    facts.busy = c.busy;
    EXPECT_EQ(AccessibleState(facts), c.state) << "case " << (&c - cases);
  }
  EXPECT_EQ(AccessibleRole(K::PageTab), ROLE_SYSTEM_PAGETAB);
  EXPECT_EQ(AccessibleRole(K::PushButton), ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(AccessibleRole(K::Link), ROLE_SYSTEM_LINK);
  EXPECT_EQ(AccessibleRole(K::Animation), ROLE_SYSTEM_ANIMATION);
}

}  // namespace
}  // namespace zeph::win32
