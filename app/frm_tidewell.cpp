#include "app/frm_tidewell.h"

#include "translate/translate.h"

namespace zeph::app {

namespace {
const std::vector<std::wstring> kUsageItems = {L"30", L"40", L"50", L"60", L"70", L"80", L"90"};
const std::vector<std::wstring> kMinuteItems = {L"5", L"10", L"20", L"30", L"40", L"50", L"60"};
}  // namespace

TFrmTidewell::TFrmTidewell(const Platform& platform, Application& application)
    : ui::Form(L"TFrmTidewell", L"FrmTidewell"), platform_(platform), application_(application) {
  Layout();
  Wire();
}

TFrmTidewell::~TFrmTidewell() {
  if (liveness_) FormDestroy();  // not yet destroyed with its window
}

tray::TTrayIconHelper TFrmTidewell::TrayHelper() {
  return tray::TTrayIconHelper(*TrayIcon, application_, *platform_.dispatcher, *platform_.threads);
}

// Positions and sizes at 96 DPI, relative to the parent's client area.
void TFrmTidewell::Layout() {
  SetCaption(L"타이드웰");
  ClientWidth = 500;
  ClientHeight = 430;
  SetBounds(0, 0, 500, 430);
  SetFont(ui::Font{});  // Tahoma 8 pt until FormCreate switches to the desktop font

  PnlHead.SetBounds(0, 0, 500, 41);
  BtnStart.SetCaption(L"처음화면");
  BtnStart.SetBounds(0, 6, 65, 29);
  BtnStart.SetGroupIndex(1);
  BtnStart.SetDown(true);
  BtnConfig.SetCaption(L"환경설정");
  BtnConfig.SetBounds(65, 6, 65, 29);
  BtnConfig.SetGroupIndex(1);
  BtnDonate.SetCaption(L"후원하기");
  BtnDonate.SetBounds(130, 6, 65, 29);
  PnlLogo.SetBounds(500 - 107, 0, 107, 41);
  ImgLogo.SetBounds(1, 6, 99, 29);
  ImgLogo.Picture = L"LOGO";
  ImgLogo.HandCursor = true;
  ImgLogo.AccessibleName = L"타이드웰 웹사이트";

  PnlMain.SetCaption(L"PnlMain");
  PnlMain.SetBounds(0, 41, 500, 389);
  Card1.SetCaption(L"Card1");
  Card1.SetBounds(0, 0, 500, 389);
  LblTitle.SetCaption(L"타이드웰");
  LblTitle.SetBounds(8, 40, 484, 81);
  LblTitle.Alignment = ui::TextAlignment::Center;
  LblTitle.AutoSize = false;
  LblTitle.SetFont(ui::Font{.Name = L"Tahoma", .Height = -59, .Quality = ui::FontQuality::Antialiased});
  ProgressBar.SetBounds(56, 192, 393, 25);
  // The labels size themselves to their text; the widths reach the next column.
  LblPhys.SetCaption(L"실제 메모리");
  LblPhys.SetBounds(56, 223, 78, 15);
  LblPhysStatus.SetBounds(134, 223, 315, 15);
  LblVirtual.SetCaption(L"가상 메모리");
  LblVirtual.SetBounds(56, 242, 78, 15);
  LblVirtualStatus.SetBounds(134, 242, 129, 15);
  LblWorking.SetCaption(L"워킹 셋");
  LblWorking.SetBounds(263, 242, 78, 15);
  LblWorkingStatus.SetBounds(341, 242, 108, 15);
  for (ui::Label* grey : {&LblVirtual, &LblVirtualStatus, &LblWorking, &LblWorkingStatus}) grey->SetFontColor(ui::kGray);
  BtnClean.SetCaption(L"정리하기");
  BtnClean.SetBounds(168, 298, 163, 67);
  Indicator.SetBounds(233, 314, 32, 32);
  Indicator.SetVisible(false);
  Indicator.AccessibleName = L"메모리 정리 중";

  Card2.SetCaption(L"Card2");
  Card2.SetBounds(0, 0, 500, 389);
  GroupBox1.SetCaption(L"메모리 관리");
  GroupBox1.SetBounds(15, 22, 474, 139);
  struct Row {
    ui::CheckBox& check;
    const wchar_t* caption;
    ui::ComboBox& list;
    const std::vector<std::wstring>& items;
    int top;
  };
  for (const Row& row : {Row{ChkUsagePhys, L"실제 메모리 사용률(%) 이상일 때 정리하기", EditUsagePhys, kUsageItems, 32},
                         Row{ChkUsagePage, L"가상 메모리 사용률(%) 이상일 때 정리하기", EditUsagePage, kUsageItems, 55},
                         Row{ChkUsageWork, L"워킹셋 사용률(%) 이상일 때 정리하기", EditUsageWork, kUsageItems, 78},
                         Row{ChkMinute, L"다음 시간(분) 마다 정리하기", EditMinute, kMinuteItems, 103}}) {
    row.check.SetCaption(row.caption);
    row.check.SetBounds(17, row.top, 328, 17);
    row.list.SetItems(row.items);
    row.list.SetBounds(372, row.top, 81, 21);
  }
  GroupBox3.SetCaption(L"기본 설정");
  GroupBox3.SetBounds(15, 176, 474, 73);
  ChkAutoStart.SetCaption(L"부팅시 실행하기");
  ChkAutoStart.SetBounds(17, 32, 208, 17);
  ChkCleanOnTray.SetCaption(L"트레이 아이콘 클릭시 정리하기");
  ChkCleanOnTray.SetBounds(245, 32, 208, 17);
  EditInfo.SetBounds(15, 368, 170, 21);
  EditInfo.SetText(L"Loadiing...");

  TmrStatus.SetInterval(1000);
  TmrStatus.SetEnabled(true);
  Popup.AutoHotkeys = false;
  BtnOpen.SetCaption(L"타이드웰");
  N2.SetCaption(L"-");
  BtnCopyright.SetCaption(L"만든이 Quillmere");
  BtnClose.SetCaption(L"종료");

  PnlMain.SetActiveCardIndex(0);
}

void TFrmTidewell::Wire() {
  using std::placeholders::_1;
  using std::placeholders::_2;
  OnCloseQuery = std::bind(&TFrmTidewell::FormCloseQuery, this, _1, _2);
  BtnStart.OnClick = std::bind(&TFrmTidewell::BtnStartClick, this, _1);
  BtnConfig.OnClick = std::bind(&TFrmTidewell::BtnConfigClick, this, _1);
  BtnDonate.OnClick = std::bind(&TFrmTidewell::BtnDonateClick, this, _1);
  ImgLogo.OnClick = std::bind(&TFrmTidewell::BtnCopyrightClick, this, _1);
  BtnClean.OnClick = std::bind(&TFrmTidewell::BtnCleanClick, this, _1);
  ChkUsagePhys.OnClick = std::bind(&TFrmTidewell::ChkUsagePhysClick, this, _1);
  ChkUsagePage.OnClick = std::bind(&TFrmTidewell::ChkUsagePageClick, this, _1);
  ChkUsageWork.OnClick = std::bind(&TFrmTidewell::ChkUsageWorkClick, this, _1);
  ChkMinute.OnClick = std::bind(&TFrmTidewell::ChkMinuteClick, this, _1);
  ChkAutoStart.OnClick = std::bind(&TFrmTidewell::ChkAutoStartClick, this, _1);
  ChkCleanOnTray.OnClick = std::bind(&TFrmTidewell::ChkCleanOnTrayClick, this, _1);
  EditUsagePhys.OnChange = std::bind(&TFrmTidewell::EditUsagePhysChange, this, _1);
  EditUsagePage.OnChange = std::bind(&TFrmTidewell::EditUsagePageChange, this, _1);
  EditUsageWork.OnChange = std::bind(&TFrmTidewell::EditUsageWorkChange, this, _1);
  EditMinute.OnChange = std::bind(&TFrmTidewell::EditMinuteChange, this, _1);
  EditInfo.OnClick = std::bind(&TFrmTidewell::EditInfoClick, this, _1);
  TmrStatus.OnTimer = std::bind(&TFrmTidewell::TmrStatusTimer, this, _1);
  BtnOpen.OnClick = std::bind(&TFrmTidewell::BtnOpenClick, this, _1);
  BtnCopyright.OnClick = std::bind(&TFrmTidewell::BtnCopyrightClick, this, _1);
  BtnClose.OnClick = std::bind(&TFrmTidewell::BtnCloseClick, this, _1);
}

// A refused close hides the window into the notification area. Until the tray icon
// exists there is nothing to bring the window back with, so a close then really
// closes (and ends the program) rather than leaving an unreachable process.
void TFrmTidewell::FormCloseQuery(ui::Component&, bool& CanClose) {
  CanClose = FCanClose;
  if (CanClose) return;
  if (!TrayIcon) {
    CanClose = true;
    return;
  }
  TrayHelper().HideToTray();
}

void TFrmTidewell::FormDestroy() {
  liveness_.reset();
  if (UpdateCheck) UpdateCheck->Stop();
  TrayIcon.reset();
}

std::intptr_t TFrmTidewell::WMQueryEndSession() {
  FCanClose = true;
  Close();
  return 1;
}

// The question box lets messages through while it waits: a quit request or the end
// of the log-on may destroy the window before the user answers.
void TFrmTidewell::BtnCloseClick(ui::Component&) {
  const std::weak_ptr<void> alive = Liveness();
  const int answer =
      application_.MessageBox(translate::TranslateText(L"정말 종료하시겠습니까?"), application_.Title(),
                              kMbYesNo | kMbIconQuestion | kMbDefButton2 | kMbSetForeground | kMbTopmost);
  if (alive.expired() || answer != kIdYes) return;
  FCanClose = true;
  Close();
}

void TFrmTidewell::BtnStartClick(ui::Component&) { PnlMain.SetActiveCardIndex(0); }

void TFrmTidewell::BtnConfigClick(ui::Component&) { PnlMain.SetActiveCardIndex(1); }

void TFrmTidewell::EditInfoClick(ui::Component&) { SetActiveControl(nullptr); }

}  // namespace zeph::app
