#pragma once
// The main window FrmTidewell: its controls in layout (ownership) order, its fields,
// and every handler the program gives it. The constructor lays the controls out
// and wires each event to its handler; it does not run FormCreate.
//
// Where the methods are implemented:
//   app/frm_tidewell.cpp      layout, closing, quit, log-off, page buttons, EditInfo
//   app/form_monitor.cpp      status timer, clean job, busy state, completion notice
//   app/form_settings.cpp     LoadConfig, SaveConfig and the settings page's handlers
//   app/form_create.cpp       FormCreate, second-copy requests, tray click, web links,
//                             update completion
#include <cstdint>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/platform.h"
#include "app/tray/tray_icon.h"
#include "app/tray/tray_icon_helper.h"
#include "app/ui/controls.h"
#include "app/ui/form.h"
#include "app/ui/menu.h"

namespace zeph::app {

// WM_USER requests from a second copy.
inline constexpr std::uintptr_t kRequestShow = 1;
inline constexpr std::uintptr_t kRequestUninstall = 2;

class TFrmTidewell : public ui::Form {
 public:
  // The window keeps referring to `platform` (a test may still set seams in it), so
  // it must outlive the window; a temporary bundle does not compile.
  TFrmTidewell(const Platform& platform, Application& application);
  TFrmTidewell(Platform&& platform, Application& application) = delete;
  // Runs FormDestroy unless the view already did.
  ~TFrmTidewell() override;

  const Platform& Services() const { return platform_; }
  Application& App() { return application_; }
  // The helper operations on TrayIcon, which must exist: every caller checks it first.
  tray::TTrayIconHelper TrayHelper();
  // Expires when the window is destroyed. A handler that shows a message box or
  // otherwise lets messages through checks it before it goes on: a quit request or
  // the end of the log-on handled meanwhile destroys the window.
  std::weak_ptr<void> Liveness() const { return liveness_; }

  // --- Controls, in ownership order -------------------------------------------
  ui::Panel PnlHead{*this, *this, L"PnlHead"};
  ui::SpeedButton BtnStart{*this, PnlHead, L"BtnStart"};
  ui::SpeedButton BtnConfig{*this, PnlHead, L"BtnConfig"};
  ui::SpeedButton BtnDonate{*this, PnlHead, L"BtnDonate"};
  ui::Panel PnlLogo{*this, PnlHead, L"PnlLogo"};
  ui::Image ImgLogo{*this, PnlLogo, L"ImgLogo"};
  ui::CardPanel PnlMain{*this, *this, L"PnlMain"};
  ui::Card Card1{*this, PnlMain, L"Card1"};
  ui::Label LblTitle{*this, Card1, L"LblTitle"};
  ui::ProgressBar ProgressBar{*this, Card1, L"ProgressBar"};
  ui::Label LblPhys{*this, Card1, L"LblPhys"};
  ui::Label LblPhysStatus{*this, Card1, L"LblPhysStatus"};
  ui::Label LblVirtual{*this, Card1, L"LblVirtual"};
  ui::Label LblVirtualStatus{*this, Card1, L"LblVirtualStatus"};
  ui::Label LblWorking{*this, Card1, L"LblWorking"};
  ui::Label LblWorkingStatus{*this, Card1, L"LblWorkingStatus"};
  ui::Button BtnClean{*this, Card1, L"BtnClean"};
  ui::ActivityIndicator Indicator{*this, Card1, L"Indicator"};
  ui::Card Card2{*this, PnlMain, L"Card2"};
  ui::GroupBox GroupBox1{*this, Card2, L"GroupBox1"};
  ui::CheckBox ChkUsagePhys{*this, GroupBox1, L"ChkUsagePhys"};
  ui::ComboBox EditUsagePhys{*this, GroupBox1, L"EditUsagePhys"};
  ui::CheckBox ChkUsagePage{*this, GroupBox1, L"ChkUsagePage"};
  ui::ComboBox EditUsagePage{*this, GroupBox1, L"EditUsagePage"};
  ui::CheckBox ChkUsageWork{*this, GroupBox1, L"ChkUsageWork"};
  ui::ComboBox EditUsageWork{*this, GroupBox1, L"EditUsageWork"};
  ui::CheckBox ChkMinute{*this, GroupBox1, L"ChkMinute"};
  ui::ComboBox EditMinute{*this, GroupBox1, L"EditMinute"};
  ui::GroupBox GroupBox3{*this, Card2, L"GroupBox3"};
  ui::CheckBox ChkAutoStart{*this, GroupBox3, L"ChkAutoStart"};
  ui::CheckBox ChkCleanOnTray{*this, GroupBox3, L"ChkCleanOnTray"};
  ui::Edit EditInfo{*this, Card2, L"EditInfo"};
  ui::Timer TmrStatus{*this, L"TmrStatus"};
  ui::PopupMenu Popup{*this, L"Popup"};
  ui::MenuItem BtnOpen{*this, Popup, L"BtnOpen"};
  ui::MenuItem N2{*this, Popup, L"N2"};
  ui::MenuItem BtnCopyright{*this, Popup, L"BtnCopyright"};
  ui::MenuItem BtnClose{*this, Popup, L"BtnClose"};

  // --- Fields (written on the UI thread only) ----------------------------------
  bool FCanClose = false;   // a close is allowed instead of hiding to the tray
  bool FIsRunning = false;  // a clean job is under way
  // Reference moment of the automatic cleaning: days since 1899-12-30 (local time),
  // the time of day as the fraction.
  double NextTime = 0;
  std::wstring Language;    // "ko" or "en" once LoadConfig has run
  // Created by FormCreate, destroyed by FormDestroy; absent before and after.
  std::unique_ptr<tray::TTrayIcon> TrayIcon;

  bool IsRunning() const { return FIsRunning; }

  // --- app/frm_tidewell.cpp ------------------------------------------------------
  void FormCloseQuery(ui::Component& sender, bool& CanClose);
  void FormDestroy();
  // WM_QUERYENDSESSION: allows closing, closes, answers 1.
  std::intptr_t WMQueryEndSession();
  void BtnCloseClick(ui::Component& sender);
  void BtnStartClick(ui::Component& sender);
  void BtnConfigClick(ui::Component& sender);
  void EditInfoClick(ui::Component& sender);

  // --- app/form_monitor.cpp ------------------------------------------------------
  void TmrStatusTimer(ui::Component& sender);
  void Clean(bool Alarm);
  void SetIsRunning(bool value);
  void BtnCleanClick(ui::Component& sender);
  void ShowNotification(const std::wstring& body);

  // --- app/form_settings.cpp -----------------------------------------------------
  void LoadConfig();
  void SaveConfig(const std::wstring& name, int value);
  void SaveConfig(const std::wstring& name, bool value);
  void SaveConfig(const std::wstring& name, const std::wstring& value);
  // A string literal would otherwise pick the bool overload.
  void SaveConfig(const std::wstring& name, const wchar_t* value) { SaveConfig(name, std::wstring(value)); }
  void ChkUsagePhysClick(ui::Component& sender);
  void ChkUsagePageClick(ui::Component& sender);
  void ChkUsageWorkClick(ui::Component& sender);
  void ChkMinuteClick(ui::Component& sender);
  void ChkCleanOnTrayClick(ui::Component& sender);
  void ChkAutoStartClick(ui::Component& sender);
  void EditUsagePhysChange(ui::Component& sender);
  void EditUsagePageChange(ui::Component& sender);
  void EditUsageWorkChange(ui::Component& sender);
  void EditMinuteChange(ui::Component& sender);

  // --- app/form_create.cpp -------------------------------------------------------
  void FormCreate();
  // WM_USER from a second copy; the message's result.
  std::intptr_t WMInstanceRequest(std::uintptr_t wParam);
  void TrayIconClick(ui::Component& sender);
  void BtnOpenClick(ui::Component& sender);
  void BtnCopyrightClick(ui::Component& sender);
  void BtnDonateClick(ui::Component& sender);
  void UpdateCompleted(bool Updated, const std::wstring& Data);
  // The update check FormCreate started; FormDestroy asks it to stop.
  std::shared_ptr<update::UpdateCheck> UpdateCheck;

 private:
  void Layout();
  void Wire();

  const Platform& platform_;
  Application& application_;
  // Reset by FormDestroy: also how the destructor knows it already ran.
  std::shared_ptr<void> liveness_ = std::make_shared<bool>(true);
};

}  // namespace zeph::app
