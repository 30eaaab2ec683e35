// The settings page against an in-memory registry: what a start loads and shows,
// what each change stores, and where registry errors go.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/frm_tidewell.h"
#include "app/testing/test_window.h"
#include "common/error.h"
#include "translate/translate.h"
#include "translate/testing/shipped_table.h"

namespace zeph::app {
namespace {

using autostart::testing::Step;
using config::kRegDword;
using config::kRegQword;
using config::kRegSz;
using testing::TestWindow;

const std::wstring kKey = L"Software\\Quillmere\\Tidewell";

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(translate::testing::LoadShippedTable());
  }
  void TearDown() override {
    translate::testing::UnloadTable();
  }

  void Plant(const wchar_t* name, std::uint32_t value) { w.registry.PlantDword(kKey, name, value); }
  // A REG_DWORD value's number; nothing when missing or of another type or size.
  std::optional<std::uint32_t> Stored(const wchar_t* name) const {
    const auto value = w.registry.Get(kKey, name);
    if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | std::uint32_t(value->data[3]) << 24;
  }
  // Every attempted write goes through a store of its own that is closed again.
  void ExpectStoresClosed() const { EXPECT_EQ(w.registry.openKeys, 0); }

  TestWindow w;
};

TEST_F(SettingsTest, FirstRunCreatesTheKeyShowsTheDefaultsAndWritesNothing) {
  TFrmTidewell& f = w.Form();
  f.LoadConfig();

  EXPECT_EQ(w.registry.createCalls, 1);  // one store for the whole load
  EXPECT_EQ(w.registry.lastRoot, config::kHkeyCurrentUser);
  EXPECT_EQ(w.registry.lastSubKey, kKey);
  EXPECT_EQ(w.registry.lastAccess, config::kKeyAllAccess);
  EXPECT_TRUE(w.registry.HasKey(kKey));
  EXPECT_EQ(w.registry.ValueCount(kKey), 0u);
  EXPECT_TRUE(w.registry.writes.empty());
  ExpectStoresClosed();

  for (const auto* list : {&f.EditUsagePhys, &f.EditUsagePage, &f.EditUsageWork}) {
    EXPECT_EQ(list->Text(), L"90") << list->Name();
    EXPECT_FALSE(list->Enabled()) << list->Name();
  }
  EXPECT_EQ(f.EditMinute.Text(), L"30");
  EXPECT_FALSE(f.EditMinute.Enabled());
  for (const auto* box : {&f.ChkUsagePhys, &f.ChkUsagePage, &f.ChkUsageWork, &f.ChkMinute, &f.ChkCleanOnTray})
    EXPECT_FALSE(box->Checked()) << box->Name();
}

TEST_F(SettingsTest, LanguageFromTheStoreOrTheLocaleAndOnlyExactKoOrEn) {
  struct Case {
    const wchar_t* locale;  // null: the locale cannot be read
    const wchar_t* stored;  // null: no "language" value
    const wchar_t* language;
  };
  // "kok" is Konkani, which has no two-letter code: not Korean.
  const Case cases[] = {
      {L"ko", nullptr, L"ko"},     {L"ja", nullptr, L"en"},   {L"haw", nullptr, L"en"},
      {L"kok", nullptr, L"en"},    {L"en", nullptr, L"en"},   {nullptr, nullptr, L"en"},
      {L"en", L"ko", L"ko"},       {L"ko", L"en", L"en"},     {L"ko", L"KO", L"en"},
      {L"ko", L"ko-KR", L"en"},    {L"ko", L"", L"en"},       {L"ko", L"ja", L"en"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.locale ? c.locale : L"(none)") << " / "
                                    << (c.stored ? c.stored : L"(none)"));
    TestWindow t;
    t.locale.succeeds = c.locale != nullptr;
    if (c.locale) t.locale.language = c.locale;
    if (c.stored) t.registry.PlantString(kKey, L"language", c.stored);
    TFrmTidewell& f = t.Form();
    f.LoadConfig();

    const bool korean = std::wstring(c.language) == L"ko";
    EXPECT_EQ(f.Language, c.language);
    EXPECT_EQ(translate::CurrentLanguage(), c.language);
    EXPECT_EQ(f.Caption(), korean ? L"타이드웰" : L"Tidewell");
    EXPECT_EQ(t.application.Title(), f.Caption());
    EXPECT_EQ(f.BtnClean.Caption(), korean ? L"정리하기" : L"Clean memory");
    EXPECT_EQ(f.EditInfo.Text(), korean ? L"버전: 1.0.0" : L"ver: 1.0.0");
    EXPECT_TRUE(t.registry.writes.empty());  // the language is never written
  }
}

TEST_F(SettingsTest, VersionLineShowsMajorMinorAndReleaseOnly) {
  w.versionBlock = update::testing::FakeVersionBlock(2, 13, 7, 99);
  w.Form().LoadConfig();
  EXPECT_EQ(w.Form().EditInfo.Text(), L"버전: 2.13.7");
}

TEST_F(SettingsTest, StoredValuesSelectByIndexAndCheckedBoxesStoreTheirValueAgain) {
  struct Case {
    std::uint32_t enabled, limit;  // for every threshold and the interval
    std::uint32_t cleanOnTray;
    int index;                     // expected selection
    const wchar_t* usageText;
    const wchar_t* minuteText;
  };
  const Case cases[] = {
      {1, 0, 1, 0, L"30", L"5"},  {0, 4, 0, 4, L"70", L"40"}, {5, 6, 7, 6, L"90", L"60"},
      {1, 7, 0, -1, L"", L""},    {0, 9, 0, -1, L"", L""},    {1, 0xFFFFFFFF, 0, -1, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "enabled " << c.enabled << ", limit " << c.limit);
    TestWindow t;
    for (const wchar_t* name : {L"enabled_usage_phys", L"enabled_usage_page", L"enabled_usage_work", L"enabled_minute"})
      t.registry.PlantDword(kKey, name, c.enabled);
    for (const wchar_t* name : {L"limit_usage_phys", L"limit_usage_page", L"limit_usage_work", L"limit_minute"})
      t.registry.PlantDword(kKey, name, c.limit);
    t.registry.PlantDword(kKey, L"cleanontray", c.cleanOnTray);
    TFrmTidewell& f = t.Form();
    f.LoadConfig();

    const bool on = c.enabled != 0;
    const std::pair<ui::CheckBox*, ui::ComboBox*> rows[] = {
        {&f.ChkUsagePhys, &f.EditUsagePhys}, {&f.ChkUsagePage, &f.EditUsagePage},
        {&f.ChkUsageWork, &f.EditUsageWork}, {&f.ChkMinute, &f.EditMinute}};
    for (const auto& [box, list] : rows) {
      EXPECT_EQ(box->Checked(), on) << box->Name();
      EXPECT_EQ(list->Enabled(), on) << list->Name();
      EXPECT_EQ(list->ItemIndex(), c.index) << list->Name();
      EXPECT_EQ(list->Text(), list == &f.EditMinute ? c.minuteText : c.usageText) << list->Name();
    }
    EXPECT_EQ(f.ChkCleanOnTray.Checked(), c.cleanOnTray != 0);

    // Only the boxes that became checked wrote, in load order, the same meaning again;
    // the selections wrote nothing.
    std::vector<std::wstring> expected;
    if (c.cleanOnTray) expected.push_back(L"cleanontray");
    if (on) expected.insert(expected.end(), {L"enabled_usage_phys", L"enabled_usage_page", L"enabled_usage_work",
                                             L"enabled_minute"});
    EXPECT_EQ(t.registry.writes, expected);
    if (on) {
      EXPECT_EQ(t.registry.Get(kKey, L"enabled_minute")->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    }
    EXPECT_EQ(t.registry.openKeys, 0);
  }
}

// A list left without a selection counts as 100 percent when the monitor ticks.
TEST_F(SettingsTest, WorkingSetThresholdWithoutSelectionCountsAsOneHundred) {
  struct Case {
    std::uint32_t storedIndex;
    std::uint64_t used;  // of 1000 bytes of file cache
    bool cleans;
  };
  const Case cases[] = {{9, 999, false}, {9, 1000, true}, {6, 899, false}, {6, 900, true}, {0xFFFFFFFF, 999, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "index " << c.storedIndex << ", used " << c.used);
    TestWindow t;
    t.registry.PlantDword(kKey, L"enabled_usage_work", 1);
    t.registry.PlantDword(kKey, L"limit_usage_work", c.storedIndex);
    t.kernel.fileCache.PeakSize = 1000;
    t.kernel.fileCache.CurrentSize = static_cast<memory::KernelSize>(c.used);
    TFrmTidewell& f = t.Form();
    f.LoadConfig();
    t.clock.AdvanceSeconds(301);  // past the pause that the load started
    f.TmrStatusTimer(f.TmrStatus);
    EXPECT_EQ(f.IsRunning(), c.cleans);
  }
}

TEST_F(SettingsTest, PickingAnItemStoresItsIndexAndRestartsTheTiming) {
  TFrmTidewell& f = w.Form();
  f.LoadConfig();
  struct Case {
    ui::ComboBox* list;
    int index;
    const wchar_t* name;
    const wchar_t* shown;
  };
  const Case cases[] = {{&f.EditUsagePage, 4, L"limit_usage_page", L"70"},
                        {&f.EditUsagePhys, 0, L"limit_usage_phys", L"30"},
                        {&f.EditUsageWork, 2, L"limit_usage_work", L"50"},
                        {&f.EditMinute, 5, L"limit_minute", L"50"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.list->Name());
    w.clock.AdvanceSeconds(17);
    f.NextTime = 0;
    c.list->UserSelect(c.index);
    EXPECT_EQ(c.list->Text(), c.shown);
    EXPECT_EQ(Stored(c.name), std::uint32_t(c.index));
    EXPECT_EQ(f.NextTime, w.clock.Peek());
  }
  ExpectStoresClosed();
}

TEST_F(SettingsTest, ThresholdBoxesEnableTheirListKeepTheSelectionStoreAndRestartTheTiming) {
  TFrmTidewell& f = w.Form();
  f.LoadConfig();
  struct Case {
    ui::CheckBox* box;
    ui::ComboBox* list;
    const wchar_t* name;
  };
  const Case cases[] = {{&f.ChkUsagePhys, &f.EditUsagePhys, L"enabled_usage_phys"},
                        {&f.ChkUsagePage, &f.EditUsagePage, L"enabled_usage_page"},
                        {&f.ChkUsageWork, &f.EditUsageWork, L"enabled_usage_work"},
                        {&f.ChkMinute, &f.EditMinute, L"enabled_minute"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.box->Name());
    const int selection = c.list->ItemIndex();
    for (const bool checked : {true, false}) {
      w.clock.AdvanceSeconds(5);
      f.NextTime = 0;
      c.box->Toggle();
      EXPECT_EQ(c.box->Checked(), checked);
      EXPECT_EQ(c.list->Enabled(), checked);
      EXPECT_EQ(c.list->ItemIndex(), selection);
      EXPECT_EQ(Stored(c.name), std::uint32_t(checked));
      EXPECT_EQ(f.NextTime, w.clock.Peek());
    }
  }
  ExpectStoresClosed();
}

TEST_F(SettingsTest, CleanOnTrayStoresItsStateAndLeavesTheTimingAlone) {
  TFrmTidewell& f = w.Form();
  f.LoadConfig();
  f.NextTime = 1234.5;
  for (const bool checked : {true, false}) {
    w.clock.AdvanceSeconds(5);
    f.ChkCleanOnTray.Toggle();
    EXPECT_EQ(Stored(L"cleanontray"), std::uint32_t(checked));
    EXPECT_EQ(f.NextTime, 1234.5);
  }
}

TEST_F(SettingsTest, EverySettingComesBackOnTheNextStart) {
  TFrmTidewell& f = w.Form();
  f.LoadConfig();
  f.ChkUsagePage.Toggle();
  f.EditUsagePage.UserSelect(1);
  f.EditUsageWork.UserSelect(0);
  f.ChkMinute.Toggle();
  f.EditMinute.UserSelect(6);
  f.ChkCleanOnTray.Toggle();

  TestWindow next;
  next.platform.registry = &w.registry;
  TFrmTidewell& g = next.Form();
  g.LoadConfig();
  EXPECT_FALSE(g.ChkUsagePhys.Checked());
  EXPECT_EQ(g.EditUsagePhys.Text(), L"90");
  EXPECT_TRUE(g.ChkUsagePage.Checked());
  EXPECT_TRUE(g.EditUsagePage.Enabled());
  EXPECT_EQ(g.EditUsagePage.Text(), L"40");
  EXPECT_FALSE(g.EditUsageWork.Enabled());
  EXPECT_EQ(g.EditUsageWork.Text(), L"30");
  EXPECT_TRUE(g.ChkMinute.Checked());
  EXPECT_EQ(g.EditMinute.Text(), L"60");
  EXPECT_TRUE(g.ChkCleanOnTray.Checked());
}

// A value of the wrong kind ends the load at its read: what was read before it is
// shown, everything after keeps the window's initial state, and the window stays
// untranslated. The message reaches the application's handler.
TEST_F(SettingsTest, UnreadableValueStopsTheLoadAtThatRead) {
  // In load order, with what each shows once read (all differ from the initial state).
  const wchar_t* const order[] = {L"language",         L"enabled_usage_phys", L"enabled_usage_page",
                                  L"enabled_usage_work", L"limit_usage_phys", L"limit_usage_page",
                                  L"limit_usage_work", L"enabled_minute",     L"limit_minute",
                                  L"cleanontray"};
  for (std::size_t bad = 0; bad < std::size(order); ++bad) {
    const std::wstring name = order[bad];
    SCOPED_TRACE(::testing::Message() << name);
    TestWindow t;
    t.locale.language = L"ja";
    t.registry.PlantString(kKey, L"language", L"ko");
    for (const wchar_t* e : {L"enabled_usage_phys", L"enabled_usage_page", L"enabled_usage_work", L"enabled_minute"})
      t.registry.PlantDword(kKey, e, 0);
    for (const wchar_t* l : {L"limit_usage_phys", L"limit_usage_page", L"limit_usage_work", L"limit_minute"})
      t.registry.PlantDword(kKey, l, 1);
    t.registry.PlantDword(kKey, L"cleanontray", 1);
    // A string where a number belongs, a number where the string belongs, and
    // 8 bytes where 4 are read.
    std::wstring message;
    if (name == L"language") {
      t.registry.PlantDword(kKey, name, 1);
      message = L"Invalid data type for 'language'";
    } else if (bad % 2) {
      t.registry.PlantString(kKey, name, L"3");
      message = L"Invalid data type for '" + name + L"'";
    } else {
      t.registry.Plant(kKey, name, kRegQword, {1, 0, 0, 0, 0, 0, 0, 0});
      message = L"Failed to get data for '" + name + L"'";
    }

    TFrmTidewell& f = t.Form();
    EXPECT_FALSE(t.application.Guard([&] { f.LoadConfig(); }));
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0].text, message);

    const auto read = [&](std::size_t i) { return i < bad; };
    EXPECT_EQ(f.Language, read(0) ? L"ko" : L"");
    EXPECT_EQ(f.EditUsagePhys.Enabled(), !read(1));
    EXPECT_EQ(f.EditUsagePage.Enabled(), !read(2));
    EXPECT_EQ(f.EditUsageWork.Enabled(), !read(3));
    EXPECT_EQ(f.EditUsagePhys.ItemIndex(), read(4) ? 1 : -1);
    EXPECT_EQ(f.EditUsagePage.ItemIndex(), read(5) ? 1 : -1);
    EXPECT_EQ(f.EditUsageWork.ItemIndex(), read(6) ? 1 : -1);
    EXPECT_EQ(f.EditMinute.Enabled(), !read(7));
    EXPECT_EQ(f.EditMinute.ItemIndex(), read(8) ? 1 : -1);
    for (const auto* box : {&f.ChkUsagePhys, &f.ChkUsagePage, &f.ChkUsageWork, &f.ChkMinute, &f.ChkCleanOnTray})
      EXPECT_FALSE(box->Checked()) << box->Name();
    EXPECT_EQ(f.Caption(), L"타이드웰");
    EXPECT_EQ(f.EditInfo.Text(), L"Loadiing...");
    EXPECT_TRUE(t.registry.writes.empty());
    EXPECT_EQ(t.registry.openKeys, 0);
  }
}

// A refused write comes after the control changed: the control keeps its new state,
// nothing is stored, and the error leaves the handler for the application's handler.
TEST_F(SettingsTest, RefusedWriteLeavesTheControlChangedAndReachesTheCaller) {
  TFrmTidewell& f = w.Form();
  f.LoadConfig();
  w.registry.setError = config::kErrorAccessDenied;
  struct Case {
    const wchar_t* name;
    std::function<void()> change;
    std::function<bool()> changed;
  };
  const Case cases[] = {
      {L"enabled_minute", [&] { f.ChkMinute.Toggle(); }, [&] { return f.ChkMinute.Checked() && f.EditMinute.Enabled(); }},
      {L"limit_usage_phys", [&] { f.EditUsagePhys.UserSelect(2); }, [&] { return f.EditUsagePhys.Text() == L"50"; }},
      {L"cleanontray", [&] { f.ChkCleanOnTray.Toggle(); }, [&] { return f.ChkCleanOnTray.Checked(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.name);
    const std::wstring message = L"Failed to set data for '" + std::wstring(c.name) + L"'";
    try {
      c.change();
      ADD_FAILURE() << "the refused write was not reported";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_TRUE(c.changed());
    EXPECT_FALSE(w.registry.Get(kKey, c.name).has_value());

    // On Windows the window procedure guards every event the same way.
    w.boxes.shown.clear();
    EXPECT_FALSE(w.application.Guard(c.change));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, message);
  }
  ExpectStoresClosed();
}

TEST_F(SettingsTest, SaveConfigWritesEachKindThroughAStoreOfItsOwn) {
  TFrmTidewell& f = w.Form();
  f.SaveConfig(L"n", -2);
  f.SaveConfig(L"b", true);
  f.SaveConfig(L"s", L"ab");
  EXPECT_EQ(w.registry.createCalls, 3);
  ExpectStoresClosed();
  EXPECT_EQ(Stored(L"n"), 0xFFFFFFFEu);
  EXPECT_EQ(Stored(L"b"), 1u);
  const auto s = w.registry.Get(kKey, L"s");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->type, kRegSz);
  EXPECT_EQ(s->data, (std::vector<std::uint8_t>{'a', 0, 'b', 0, 0, 0}));
}

// The scheduler throws from inside the task call.
class ThrowingScheduler : public autostart::testing::FakeTaskScheduler {
 public:
  autostart::HResult InitializeSecurity(const autostart::SecurityParameters&) override {
    throw std::runtime_error("out of memory");
  }
};

TEST_F(SettingsTest, AutoStartBoxRegistersOrRemovesTheTaskInsideABalancedApartment) {
  constexpr wchar_t kTask[] = L"TidewellTaskMachine";
  TFrmTidewell& f = w.Form();
  auto& s = w.taskScheduler;

  f.ChkAutoStart.Toggle();
  const auto* task = s.RootTask(kTask);
  ASSERT_TRUE(task);
  EXPECT_EQ(s.calls.front(), Step::InitializeApartment);
  EXPECT_NE(std::find(task->definition.begin(), task->definition.end(),
                      autostart::testing::Write{"LogonTrigger.Delay", L"PT1M"}),
            task->definition.end());
  EXPECT_EQ(s.apartmentDepth, 0);

  f.ChkAutoStart.Toggle();
  EXPECT_FALSE(s.RootTask(kTask));
  EXPECT_EQ(s.deleted, std::vector<std::wstring>{kTask});
  EXPECT_EQ(s.apartmentDepth, 0);

  // A thread that already had COM: S_FALSE is a success and is balanced as well.
  ASSERT_EQ(s.InitializeApartment(), autostart::kSOk);
  f.ChkAutoStart.Toggle();
  EXPECT_TRUE(s.RootTask(kTask));
  EXPECT_EQ(s.apartmentDepth, 1);
  s.UninitializeApartment();

  // A failed registration is silent and the box keeps the user's choice.
  f.ChkAutoStart.SetChecked(false);
  s.Fail(Step::RegisterTaskDefinition);
  f.ChkAutoStart.Toggle();
  EXPECT_TRUE(f.ChkAutoStart.Checked());
  EXPECT_FALSE(s.RootTask(kTask));
  EXPECT_EQ(s.apartmentDepth, 0);

  // No apartment: nothing else is asked, and nothing is balanced.
  s.calls.clear();
  s.Fail(Step::InitializeApartment, static_cast<autostart::HResult>(0x80010106));  // RPC_E_CHANGED_MODE
  f.ChkAutoStart.Toggle();
  EXPECT_EQ(s.calls, std::vector<Step>{Step::InitializeApartment});
  EXPECT_EQ(s.apartmentDepth, 0);
}

TEST_F(SettingsTest, AutoStartApartmentIsReleasedWhenTheTaskCallThrows) {
  ThrowingScheduler scheduler;
  w.platform.taskScheduler = &scheduler;
  TFrmTidewell& f = w.Form();
  for (const bool checked : {true, false}) {
    EXPECT_THROW(f.ChkAutoStart.SetChecked(checked), std::runtime_error);
    EXPECT_EQ(f.ChkAutoStart.Checked(), checked);
    EXPECT_EQ(scheduler.apartmentDepth, 0);
    EXPECT_EQ(scheduler.Count(Step::InitializeApartment), checked ? 1 : 2);
  }
}

}  // namespace
}  // namespace zeph::app
