#include "app/frm_tidewell.h"

#include <gtest/gtest.h>

#include <map>

#include "app/testing/recording_observer.h"
#include "app/testing/test_window.h"
#include "app/ui/translate_form.h"
#include "common/utf.h"
#include "translate/translate.h"
#include "translate/testing/shipped_table.h"

namespace zeph::app {
namespace {

using testing::kAppWindow;
using testing::kMainWindow;
using testing::TestWindow;
using Op = tray::testing::FakeTrayShell::Op;

TEST(MainWindowLayoutTest, ComponentsInOwnershipOrderWithTheirKindsCaptionsAndBounds) {
  struct Expected {
    const wchar_t* name;
    const wchar_t* className;
    const wchar_t* caption;
    ui::Bounds bounds;  // all zero for components that are not controls
  };
  const Expected expected[] = {
      {L"PnlHead", L"TPanel", L"", {0, 0, 500, 41}},
      {L"BtnStart", L"TSpeedButton", L"처음화면", {0, 6, 65, 29}},
      {L"BtnConfig", L"TSpeedButton", L"환경설정", {65, 6, 65, 29}},
      {L"BtnDonate", L"TSpeedButton", L"후원하기", {130, 6, 65, 29}},
      {L"PnlLogo", L"TPanel", L"", {393, 0, 107, 41}},
      {L"ImgLogo", L"TImage", L"", {1, 6, 99, 29}},
      {L"PnlMain", L"TCardPanel", L"PnlMain", {0, 41, 500, 389}},
      {L"Card1", L"TCard", L"Card1", {0, 0, 500, 389}},
      {L"LblTitle", L"TLabel", L"타이드웰", {8, 40, 484, 81}},
      {L"ProgressBar", L"TProgressBar", L"", {56, 192, 393, 25}},
      {L"LblPhys", L"TLabel", L"실제 메모리", {56, 223, 78, 15}},
      {L"LblPhysStatus", L"TLabel", L"", {134, 223, 315, 15}},
      {L"LblVirtual", L"TLabel", L"가상 메모리", {56, 242, 78, 15}},
      {L"LblVirtualStatus", L"TLabel", L"", {134, 242, 129, 15}},
      {L"LblWorking", L"TLabel", L"워킹 셋", {263, 242, 78, 15}},
      {L"LblWorkingStatus", L"TLabel", L"", {341, 242, 108, 15}},
      {L"BtnClean", L"TButton", L"정리하기", {168, 298, 163, 67}},
      {L"Indicator", L"TActivityIndicator", L"", {233, 314, 32, 32}},
      {L"Card2", L"TCard", L"Card2", {0, 0, 500, 389}},
      {L"GroupBox1", L"TGroupBox", L"메모리 관리", {15, 22, 474, 139}},
      {L"ChkUsagePhys", L"TCheckBox", L"실제 메모리 사용률(%) 이상일 때 정리하기", {17, 32, 328, 17}},
      {L"EditUsagePhys", L"TComboBox", L"", {372, 32, 81, 21}},
      {L"ChkUsagePage", L"TCheckBox", L"가상 메모리 사용률(%) 이상일 때 정리하기", {17, 55, 328, 17}},
      {L"EditUsagePage", L"TComboBox", L"", {372, 55, 81, 21}},
      {L"ChkUsageWork", L"TCheckBox", L"워킹셋 사용률(%) 이상일 때 정리하기", {17, 78, 328, 17}},
      {L"EditUsageWork", L"TComboBox", L"", {372, 78, 81, 21}},
      {L"ChkMinute", L"TCheckBox", L"다음 시간(분) 마다 정리하기", {17, 103, 328, 17}},
      {L"EditMinute", L"TComboBox", L"", {372, 103, 81, 21}},
      {L"GroupBox3", L"TGroupBox", L"기본 설정", {15, 176, 474, 73}},
      {L"ChkAutoStart", L"TCheckBox", L"부팅시 실행하기", {17, 32, 208, 17}},
      {L"ChkCleanOnTray", L"TCheckBox", L"트레이 아이콘 클릭시 정리하기", {245, 32, 208, 17}},
      {L"EditInfo", L"TEdit", L"", {15, 368, 170, 21}},
      {L"TmrStatus", L"TTimer", L"", {}},
      {L"Popup", L"TPopupMenu", L"", {}},
      {L"BtnOpen", L"TMenuItem", L"타이드웰", {}},
      {L"N2", L"TMenuItem", L"-", {}},
      {L"BtnCopyright", L"TMenuItem", L"만든이 Quillmere", {}},
      {L"BtnClose", L"TMenuItem", L"종료", {}},
  };
  TestWindow w;
  TFrmTidewell& form = w.Form();
  EXPECT_EQ(form.ClassName(), L"TFrmTidewell");
  EXPECT_EQ(form.Caption(), L"타이드웰");
  EXPECT_EQ(form.ClientWidth, 500);
  EXPECT_EQ(form.ClientHeight, 430);
  ASSERT_EQ(form.Components().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ui::Component& c = *form.Components()[i];
    const Expected& e = expected[i];
    EXPECT_EQ(c.Name(), e.name) << i;
    EXPECT_EQ(c.ClassName(), e.className) << WideToUtf8(e.name);
    EXPECT_EQ(c.Caption(), e.caption) << WideToUtf8(e.name);
    if (auto* control = dynamic_cast<const ui::Control*>(&c)) {
      EXPECT_EQ(control->GetBounds(), e.bounds) << WideToUtf8(e.name);
    }
  }
}

TEST(MainWindowLayoutTest, InitialStateOfTheControls) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  EXPECT_EQ(f.PnlMain.ActiveCardIndex(), 0);
  EXPECT_TRUE(f.Card1.Visible());
  EXPECT_FALSE(f.Card2.Visible());
  EXPECT_TRUE(f.BtnStart.Down());
  EXPECT_FALSE(f.BtnConfig.Down());
  EXPECT_EQ(f.BtnStart.GroupIndex(), f.BtnConfig.GroupIndex());
  EXPECT_EQ(f.BtnDonate.GroupIndex(), 0);
  EXPECT_FALSE(f.Indicator.Visible());
  EXPECT_FALSE(f.Indicator.Animate());
  EXPECT_EQ(f.ProgressBar.Position(), 0);
  EXPECT_EQ(f.EditInfo.Text(), L"Loadiing...");
  EXPECT_EQ(f.TmrStatus.Interval(), 1000);
  EXPECT_FALSE(f.FCanClose);
  EXPECT_FALSE(f.IsRunning());
  EXPECT_EQ(f.TrayIcon, nullptr);

  const std::vector<std::wstring> usage = {L"30", L"40", L"50", L"60", L"70", L"80", L"90"};
  for (ui::ComboBox* list : {&f.EditUsagePhys, &f.EditUsagePage, &f.EditUsageWork}) {
    EXPECT_EQ(list->Items(), usage);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_TRUE(list->Enabled());
  }
  EXPECT_EQ(f.EditMinute.Items(), (std::vector<std::wstring>{L"5", L"10", L"20", L"30", L"40", L"50", L"60"}));

  for (ui::Label* grey : {&f.LblVirtual, &f.LblVirtualStatus, &f.LblWorking, &f.LblWorkingStatus}) {
    EXPECT_EQ(grey->FontColor(), ui::Color{0x808080}) << WideToUtf8(grey->Name());
  }
  EXPECT_FALSE(f.LblPhys.FontColor().has_value());

  // The window's font reaches every control but the title.
  f.SetFont(w.windows.iconTitleFont);
  EXPECT_EQ(f.ChkUsagePhys.EffectiveFont(), w.windows.iconTitleFont);
  EXPECT_EQ(f.LblTitle.EffectiveFont(),
            (ui::Font{.Name = L"Tahoma", .Height = -59, .Quality = ui::FontQuality::Antialiased}));
  EXPECT_EQ(f.LblTitle.Alignment, ui::TextAlignment::Center);
}

TEST(MainWindowLayoutTest, TheWindowsOwnEventsReachTheirHandlers) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  f.BtnConfig.Click();
  EXPECT_EQ(f.PnlMain.ActiveCardIndex(), 1);
  f.BtnClose.Click();
  EXPECT_EQ(w.boxes.shown.size(), 1u);
  f.SetActiveControl(&f.ChkMinute);
  f.EditInfo.Click();
  EXPECT_EQ(f.ActiveControl(), nullptr) << "the version field never keeps the focus";
  f.N2.Click();
  EXPECT_EQ(w.boxes.shown.size(), 1u);
}

TEST(MainWindowCloseTest, CloseAttemptsHideToTheTrayWhileClosingIsNotAllowed) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  w.GiveTrayIcon();
  for (int attempt = 0; attempt < 2; ++attempt) {
    f.Close();
    EXPECT_FALSE(f.Closed());
  }
  EXPECT_FALSE(w.windows.visible.count(kMainWindow));
  EXPECT_FALSE(w.application.ShowMainForm());
  EXPECT_TRUE(f.TrayIcon->Visible());
  EXPECT_TRUE(w.shell.calls.empty()) << "the tray icon stays";
}

TEST(MainWindowCloseTest, WithoutATrayIconACloseEndsTheProgramInsteadOfHidingItForGood) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  f.Close();
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(w.windows.calls.empty()) << "nothing was hidden";
}

TEST(MainWindowCloseTest, QuitAsksAndOnlyYesCloses) {
  struct Case {
    int answer;
    bool closes;
  };
  for (const Case& c : {Case{kIdYes, true}, Case{kIdNo, false}, Case{2 /* IDCANCEL */, false},
                        Case{0 /* the box failed */, false}}) {
    TestWindow w;
    TFrmTidewell& f = w.Form();
    w.GiveTrayIcon();
    w.boxes.answers = {c.answer};
    f.BtnCloseClick(f.BtnClose);
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    const auto& box = w.boxes.shown[0];
    EXPECT_EQ(box.owner, kAppWindow);
    EXPECT_EQ(box.text, L"정말 종료하시겠습니까?");
    EXPECT_EQ(box.caption, L"타이드웰");
    EXPECT_EQ(box.flags, 0x50124u);
    EXPECT_EQ(f.Closed(), c.closes) << c.answer;
    EXPECT_EQ(f.FCanClose, c.closes) << c.answer;
    EXPECT_TRUE(w.windows.visible.count(kMainWindow)) << "a refused quit does not hide the window";
  }
}

TEST(MainWindowCloseTest, AQuitAnsweredAfterTheWindowHasGoneTouchesNothing) {
  TestWindow w;
  w.Form();
  w.GiveTrayIcon();
  w.boxes.answers = {kIdYes};
  w.boxes.duringShow = [&] { w.form.reset(); };
  TFrmTidewell* const f = w.form.get();
  f->BtnCloseClick(f->BtnClose);
  EXPECT_EQ(w.boxes.shown.size(), 1u);
}

TEST(MainWindowCloseTest, LogOffClosesWithoutAskingAndAgrees) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  w.GiveTrayIcon();
  EXPECT_EQ(f.WMQueryEndSession(), 1);
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(w.boxes.shown.empty());
}

TEST(MainWindowCloseTest, DestroyingTheWindowRemovesTheTrayIconOnce) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  w.GiveTrayIcon();
  f.FormDestroy();
  EXPECT_EQ(f.TrayIcon, nullptr);
  w.form.reset();
  EXPECT_EQ(w.shell.Ops(), (std::vector<Op>{Op::Delete}));
  EXPECT_FALSE(w.shell.holds);
}

TEST(MainWindowPagesTest, PageButtonsSwitchPagesAndKeepOneButtonDown) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  ui::testing::RecordingObserver view;
  f.PnlMain.SetObserver(&view);
  struct Step {
    ui::SpeedButton* press;
    int page;
  };
  for (const Step& s : {Step{&f.BtnConfig, 1}, Step{&f.BtnConfig, 1}, Step{&f.BtnStart, 0}}) {
    s.press->Click();
    EXPECT_EQ(f.PnlMain.ActiveCardIndex(), s.page);
    EXPECT_EQ(f.BtnStart.Down(), s.page == 0);
    EXPECT_EQ(f.BtnConfig.Down(), s.page == 1);
    EXPECT_EQ(f.Card2.Visible(), s.page == 1);
  }
  EXPECT_EQ(view.Count(f.PnlMain, ui::Property::ActiveCard), 2);
}

class TranslateFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(translate::testing::LoadShippedTable());
  }
  void TearDown() override {
    translate::testing::UnloadTable();
  }
};

TEST_F(TranslateFormTest, EnglishTurnsEveryCaptionAndLeavesNamesAndTheSeparator) {
  const std::map<std::wstring, std::wstring> english = {
      {L"BtnStart", L"Home"},
      {L"BtnConfig", L"Config"},
      {L"BtnDonate", L"Donate"},
      {L"PnlMain", L"PnlMain"},
      {L"Card1", L"Card1"},
      {L"LblTitle", L"Tidewell"},
      {L"LblPhys", L"Physical"},
      {L"LblVirtual", L"Virtual"},
      {L"LblWorking", L"Working Set"},
      {L"BtnClean", L"Clean memory"},
      {L"Card2", L"Card2"},
      {L"GroupBox1", L"Memory"},
      {L"ChkUsagePhys", L"Clean up when physical memory usage(%) exceeds."},
      {L"ChkUsagePage", L"Clean up when pagefile usage(%) exceeds."},
      {L"ChkUsageWork", L"Clean up when workingset usage(%) exceeds."},
      {L"ChkMinute", L"Clean up when interval(minutes) exceeds."},
      {L"GroupBox3", L"General"},
      {L"ChkAutoStart", L"Run on system start"},
      {L"ChkCleanOnTray", L"Click the trayicon to clean up."},
      {L"BtnOpen", L"Tidewell"},
      {L"N2", L"-"},
      {L"BtnCopyright", L"Quillmere · quillmere.com"},
      {L"BtnClose", L"Quit"},
  };
  TestWindow w;
  TFrmTidewell& f = w.Form();
  ui::testing::RecordingObserver view;
  for (ui::Component* c : f.Components()) c->SetObserver(&view);
  translate::TranslateForm(f, L"en");
  EXPECT_EQ(translate::CurrentLanguage(), L"en");
  EXPECT_EQ(f.Caption(), L"Tidewell");
  for (ui::Component* c : f.Components()) {
    auto it = english.find(c->Name());
    EXPECT_EQ(c->Caption(), it == english.end() ? L"" : it->second) << WideToUtf8(c->Name());
    if (c->HasCaption()) {
      EXPECT_EQ(view.Count(*c, ui::Property::Caption), 1) << "written back, changed or not";
    }
  }
  EXPECT_EQ(f.EditInfo.Text(), L"Loadiing...");
  EXPECT_EQ(f.EditMinute.Items().front(), L"5");
}

TEST_F(TranslateFormTest, AnEmptyLanguageKeepsTheOneSetBeforeAndStillTranslates) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  translate::SetCurrentLanguage(L"en");
  translate::TranslateForm(f, L"");
  EXPECT_EQ(translate::CurrentLanguage(), L"en");
  EXPECT_EQ(f.BtnClean.Caption(), L"Clean memory");
  translate::TranslateForm(f, L"ko");
  EXPECT_EQ(f.BtnClean.Caption(), L"정리하기") << "English captions find their way back";
}

TEST_F(TranslateFormTest, TheQuitQuestionIsAskedInTheInterfaceLanguage) {
  TestWindow w;
  TFrmTidewell& f = w.Form();
  translate::TranslateForm(f, L"en");
  w.application.SetTitle(f.Caption());
  f.BtnCloseClick(f.BtnClose);
  ASSERT_EQ(w.boxes.shown.size(), 1u);
  EXPECT_EQ(w.boxes.shown[0].text, L"Are you sure you want to quit?");
  EXPECT_EQ(w.boxes.shown[0].caption, L"Tidewell");
}

}  // namespace
}  // namespace zeph::app
