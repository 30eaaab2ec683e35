#include "app/ui/controls.h"

#include <gtest/gtest.h>

#include "app/testing/recording_observer.h"
#include "app/ui/form.h"
#include "app/ui/menu.h"

namespace zeph::ui {
namespace {

struct Window : Form {
  Window() : Form(L"TTestForm", L"Window") {}
};

TEST(CheckBoxTest, CodeAndUserChangesRunTheClickHandlerOnlyWhenTheStateChanges) {
  struct Case {
    bool initial;
    bool set;
    int runs;
  };
  for (const Case& c : {Case{false, true, 1}, Case{true, false, 1}, Case{false, false, 0}, Case{true, true, 0}}) {
    Window w;
    CheckBox box(w, w, L"Chk");
    box.SetChecked(c.initial);
    int runs = 0;
    bool seen = c.initial;
    box.OnClick = [&](Component& sender) {
      ++runs;
      seen = static_cast<CheckBox&>(sender).Checked();
    };
    box.SetChecked(c.set);
    EXPECT_EQ(runs, c.runs) << c.initial << "->" << c.set;
    EXPECT_EQ(seen, c.set) << "the handler sees the new state";
  }
}

TEST(CheckBoxTest, UserClickTogglesThroughTheSamePath) {
  Window w;
  CheckBox box(w, w, L"Chk");
  int runs = 0;
  box.OnClick = [&](Component&) { ++runs; };
  box.Toggle();
  box.Toggle();
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(runs, 2);
}

TEST(ComboBoxTest, SelectionFromCodeRunsNothingAndOutOfRangeClearsIt) {
  struct Case {
    int index;
    int expected;
    std::wstring text;
  };
  for (const Case& c : {Case{0, 0, L"30"}, Case{6, 6, L"90"}, Case{7, -1, L""}, Case{9, -1, L""},
                        Case{-1, -1, L""}, Case{-5, -1, L""}}) {
    Window w;
    ComboBox list(w, w, L"Edit");
    list.SetItems({L"30", L"40", L"50", L"60", L"70", L"80", L"90"});
    list.SetItemIndex(3);
    int changes = 0;
    list.OnChange = [&](Component&) { ++changes; };
    list.SetItemIndex(c.index);
    EXPECT_EQ(list.ItemIndex(), c.expected) << c.index;
    EXPECT_EQ(list.Text(), c.text) << c.index;
    EXPECT_EQ(changes, 0);
  }
}

TEST(ComboBoxTest, UserPickSelectsThenRunsTheChangeHandler) {
  Window w;
  ComboBox list(w, w, L"Edit");
  list.SetItems({L"5", L"10"});
  std::wstring seen;
  list.OnChange = [&](Component& sender) { seen = static_cast<ComboBox&>(sender).Text(); };
  list.UserSelect(1);
  EXPECT_EQ(seen, L"10");
}

TEST(ComboBoxTest, NewItemsClearTheSelection) {
  Window w;
  ComboBox list(w, w, L"Edit");
  list.SetItems({L"5", L"10"});
  list.SetItemIndex(1);
  list.SetItems({L"a"});
  EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(SpeedButtonTest, OneButtonOfAGroupIsDown) {
  Window w;
  Panel head(w, w, L"Head");
  SpeedButton a(w, head, L"A"), b(w, head, L"B"), loose(w, head, L"Loose");
  a.SetGroupIndex(1);
  b.SetGroupIndex(1);
  a.SetDown(true);
  loose.SetDown(true);

  b.Click();
  EXPECT_FALSE(a.Down());
  EXPECT_TRUE(b.Down());
  EXPECT_TRUE(loose.Down()) << "a button outside the group is left alone";

  b.SetDown(false);
  EXPECT_TRUE(b.Down()) << "a group never ends up with no button down";
  b.Click();
  EXPECT_TRUE(b.Down()) << "pressing the down button keeps it down";
  loose.SetDown(false);
  EXPECT_FALSE(loose.Down());
}

TEST(SpeedButtonTest, GroupsDoNotReachAcrossParents) {
  Window w;
  Panel left(w, w, L"L"), right(w, w, L"R");
  SpeedButton a(w, left, L"A"), b(w, right, L"B");
  a.SetGroupIndex(1);
  b.SetGroupIndex(1);
  a.SetDown(true);
  b.SetDown(true);
  EXPECT_TRUE(a.Down());
}

TEST(ButtonTest, ADisabledButtonIgnoresClicks) {
  Window w;
  Button button(w, w, L"Btn");
  int runs = 0;
  button.OnClick = [&](Component&) { ++runs; };
  button.SetEnabled(false);
  button.Click();
  button.SetEnabled(true);
  button.Click();
  EXPECT_EQ(runs, 1);
}

TEST(CardPanelTest, ShowsOnlyTheActiveCardAndIgnoresUnknownIndices) {
  Window w;
  CardPanel pages(w, w, L"Pages");
  Card one(w, pages, L"One"), two(w, pages, L"Two");
  struct Case {
    int set;
    int active;
    bool oneVisible;
  };
  for (const Case& c : {Case{1, 1, false}, Case{2, 1, false}, Case{-1, 1, false}, Case{0, 0, true}}) {
    pages.SetActiveCardIndex(c.set);
    EXPECT_EQ(pages.ActiveCardIndex(), c.active) << c.set;
    EXPECT_EQ(one.Visible(), c.oneVisible) << c.set;
    EXPECT_NE(one.Visible(), two.Visible()) << c.set;
  }
}

TEST(ProgressBarTest, PositionStaysWithinItsRange) {
  Window w;
  ProgressBar bar(w, w, L"Bar");
  for (auto [set, expected] : {std::pair{-3, 0}, {0, 0}, {47, 47}, {100, 100}, {101, 100}}) {
    bar.SetPosition(set);
    EXPECT_EQ(bar.Position(), expected) << set;
  }
}

TEST(ControlTest, ControlsWithoutAFontOfTheirOwnFollowTheirParent) {
  Window w;
  Panel panel(w, w, L"Panel");
  Label plain(w, panel, L"Plain"), own(w, panel, L"Own");
  own.SetFont(Font{.Name = L"Tahoma", .Height = -59});
  testing::RecordingObserver view;
  plain.SetObserver(&view);
  own.SetObserver(&view);

  const Font desktop{.Name = L"Segoe UI", .Height = -12};
  w.SetFont(desktop);
  EXPECT_EQ(plain.EffectiveFont(), desktop);
  EXPECT_EQ(own.EffectiveFont().Height, -59);
  EXPECT_EQ(view.Count(plain, Property::Font), 1) << "the view re-fonts an inheriting control";
  EXPECT_EQ(view.Count(own, Property::Font), 0);

  own.ClearFont();
  EXPECT_EQ(own.EffectiveFont(), desktop);
}

TEST(ComponentTest, OwnershipListsCreationOrderAndForgetsDestroyedComponents) {
  Window w;
  Label first(w, w, L"First");
  auto temporary = std::make_unique<Label>(w, w, L"Temporary");
  Timer last(w, L"Last");
  ASSERT_EQ(w.Components().size(), 3u);
  temporary.reset();
  ASSERT_EQ(w.Components().size(), 2u);
  EXPECT_EQ(w.Components()[0]->Name(), L"First");
  EXPECT_EQ(w.Components()[1]->Name(), L"Last");
  EXPECT_EQ(w.Children().size(), 1u);
}

TEST(ComponentTest, KindsWithoutACaptionKeepNone) {
  Window w;
  Edit edit(w, w, L"EditInfo");
  Timer timer(w, L"Tmr");
  ComboBox list(w, w, L"List");
  for (Component* c : std::initializer_list<Component*>{&edit, &timer, &list}) {
    c->SetCaption(L"x");
    EXPECT_FALSE(c->HasCaption()) << c->ClassName();
    EXPECT_EQ(c->Caption(), L"") << c->ClassName();
  }
}

TEST(TimerTest, TicksRunTheHandlerOnlyWhileEnabled) {
  Window w;
  Timer timer(w, L"Tmr");
  int runs = 0;
  timer.OnTimer = [&](Component&) { ++runs; };
  timer.Tick();
  timer.SetEnabled(false);
  timer.Tick();
  EXPECT_EQ(runs, 1);
}

TEST(MenuTest, SeparatorsDoNothingAndItemsRunTheirHandler) {
  Window w;
  PopupMenu menu(w, L"Popup");
  MenuItem open(w, menu, L"Open"), line(w, menu, L"N1");
  line.SetCaption(L"-");
  int runs = 0;
  open.OnClick = line.OnClick = [&](Component&) { ++runs; };
  line.Click();
  open.Click();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(menu.Items().size(), 2u);
  testing::RecordingObserver view;
  menu.SetObserver(&view);
  menu.Popup(10, 20);
  EXPECT_EQ(view.Count(menu, Property::Popup), 1);
  EXPECT_EQ(menu.PopupPoint().X, 10);
  EXPECT_EQ(menu.PopupPoint().Y, 20);
}

TEST(FormTest, CloseAsksAndAnAllowedCloseHappensOnce) {
  Window w;
  testing::RecordingObserver view;
  w.SetObserver(&view);
  bool allow = false;
  int asked = 0;
  w.OnCloseQuery = [&](Component&, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  w.Close();
  EXPECT_FALSE(w.Closed());
  allow = true;
  w.Close();
  w.Close();
  EXPECT_TRUE(w.Closed());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(view.Count(w, Property::Closed), 1);
}

}  // namespace
}  // namespace zeph::ui
