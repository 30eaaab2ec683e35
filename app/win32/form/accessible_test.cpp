// What a screen reader hears of a control in each of its states.
#include "app/win32/form/accessible.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <memory>
#include <stdexcept>

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

// The window's side fails with a C++ error from its n-th question on: the screen
// reader hears a failure and the program goes on.
class ThrowingHost final : public AccessibleHost {
 public:
  explicit ThrowingHost(int answered) : answered_(answered) {}
  bool Facts(HWND, AccessibleFacts& facts) override {
    if (answered_-- <= 0) throw std::runtime_error("no facts");
    facts.name = L"Go";
    return true;
  }
  bool DoDefaultAction(HWND) override { throw std::runtime_error("no action"); }

 private:
  int answered_;
};

TEST(AccessibleTest, AnErrorOfTheWindowsSideNeverCrossesIntoTheSystem) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  HWND control = CreateWindowW(L"BUTTON", L"Go", WS_POPUP, 0, 0, 80, 24, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(control, nullptr);
  const auto failing = std::make_shared<ThrowingHost>(0);
  EXPECT_EQ(AnswerGetObject(control, 0, OBJID_CLIENT, failing), 0) << "WM_GETOBJECT";

  const auto failsLater = std::make_shared<ThrowingHost>(1);  // the object is made, then every question fails
  const LRESULT answer = AnswerGetObject(control, 0, OBJID_CLIENT, failsLater);
  ASSERT_GT(answer, 0);
  IAccessible* object = nullptr;
  ASSERT_EQ(ObjectFromLresult(answer, __uuidof(IAccessible), 0, reinterpret_cast<void**>(&object)), S_OK);
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  VARIANT value{};
  EXPECT_EQ(object->get_accName(self, &text), E_FAIL);
  EXPECT_EQ(object->get_accRole(self, &value), E_FAIL);
  EXPECT_EQ(object->get_accState(self, &value), E_FAIL);
  EXPECT_EQ(object->get_accDefaultAction(self, &text), E_FAIL);
  EXPECT_EQ(object->accDoDefaultAction(self), E_FAIL);
  object->Release();
  DestroyWindow(control);
  CoUninitialize();
}

}  // namespace
}  // namespace zeph::win32
