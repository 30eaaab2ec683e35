// The main window's creation, the requests of a second copy, the tray icon's click,
// the web links and the end of the update check.
#include <memory>
#include <string>

#include "app/frm_tidewell.h"
#include "app/startup.h"
#include "autostart/autostart.h"
#include "autostart/com_apartment.h"
#include "memory/memory.h"
#include "translate/translate.h"
#include "update/update.h"
#include "update/web_addresses.h"

namespace zeph::app {

namespace {

constexpr wchar_t kVersionFormat[] = L"%d.%d.%d";

WindowHandle ShellOwner(const Application& application) {
  return application.Handle();
}

// The shell is asked on a worker, so a hung Explorer cannot freeze the window.
void OpenPage(const Platform& platform, const Application& application, const std::wstring& address) {
  update::ShellOpen({*platform.shell, *platform.addressBox, *platform.threads, *platform.dispatcher},
                    ShellOwner(application), application.Title(), address);
}

}  // namespace

// Every step may raise; an error ends creation at that step and reaches the
// application's error handler, and the window lives on with what was set up so far.
// The order matters: the settings are read after the task query, so that the
// autostart box reflects the scheduler; the privileges are enabled before the first
// status line; hiding comes after it, so the figures are there when the window is
// first restored; the update check comes last, so a failure anywhere skips it.
void TFrmTidewell::FormCreate() {
  // The prompt before this runs lets messages through, which may have destroyed the
  // window by the time the user answers.
  const update::UpdateProc updateCompleted = [this, alive = Liveness()](bool Updated, const std::wstring& Data) {
    if (!alive.expired()) UpdateCompleted(Updated, Data);
  };

  // First, so that no failing step below can skip it: the window exists, and the
  // icon added later must be able to come back after Explorer restarts.
  tray::LetTaskbarCreatedIn(*platform_.windows, application_.MainWindow());

  // Every control without a font of its own (all but LblTitle) follows the desktop.
  SetFont(platform_.windows->IconTitleFont());
  Indicator.SetVisible(false);
  for (ui::Label* grey : {&LblVirtual, &LblVirtualStatus, &LblWorking, &LblWorkingStatus}) {
    grey->SetFontColor(ui::kGray);
  }
  PnlMain.SetActiveCardIndex(0);

  {
    autostart::TaskScheduler& scheduler = *platform_.taskScheduler;
    const autostart::ComApartment apartment(scheduler);
    if (apartment.ok()) {
      if (application_.ParamStr(1) == kArgInstall) {
        autostart::SetAutoStartTask(scheduler, autostart::kAutoStartTaskName, true,
                                    autostart::kAutoStartDelaySeconds);
      }
      // A found task ticks the box, whose handler registers it again with this
      // executable's path: a moved program keeps starting at log-on.
      ChkAutoStart.SetChecked(autostart::AutoStartTaskExists(scheduler, autostart::kAutoStartTaskName));
    }
  }

  LoadConfig();

  TrayIcon = std::make_unique<tray::TTrayIcon>(this, *platform_.trayShell, application_);
  TrayIcon->SetIcon(application_.Icon());
  // The shell shows at most the first 127 characters of the hint.
  TrayIcon->SetHint(Caption() + L" " + update::GetAppVersion(*platform_.versionBlock, kVersionFormat));
  TrayIcon->OnClick = [this](ui::Component& sender) { TrayIconClick(sender); };
  TrayIcon->PopupMenu = &Popup;
  TrayIcon->SetVisible(true);
  TrayHelper().Repaint();

  FCanClose = false;
  NextTime = platform_.clock->Now();

  memory::SetPrivilege(*platform_.kernel, L"SeIncreaseQuotaPrivilege", true);
  memory::SetPrivilege(*platform_.kernel, L"SeProfileSingleProcessPrivilege", true);

  TmrStatusTimer(*this);

  if (application_.ParamStr(1) == kArgStart) TrayHelper().HideToTray();

  update::UpdateCheckEnvironment environment = platform_.newUpdateCheck();
  environment.owner = ShellOwner(application_);
  environment.title = application_.Title();
  environment.userLanguage = translate::GetUserLanguage(*platform_.locale);
  UpdateCheck = update::CheckUpdate(update::UpdateEndpoint(), false, updateCompleted, std::move(environment),
                                    *platform_.threads);
}

// Codes other than the two requests arrive too (dialog handling sends DM_GETDEFID,
// which shares WM_USER's number) and are left alone.
std::intptr_t TFrmTidewell::WMInstanceRequest(std::uintptr_t wParam) {
  if (!TrayIcon) return 0;
  switch (wParam) {
    case kRequestShow:
      TrayHelper().RestoreFromTray();
      break;
    case kRequestUninstall: {
      {
        autostart::TaskScheduler& scheduler = *platform_.taskScheduler;
        const autostart::ComApartment apartment(scheduler);
        if (apartment.ok()) autostart::SetAutoStartTask(scheduler, autostart::kAutoStartTaskName, false, 0);
      }
      // The program goes whatever the scheduler did: the uninstaller is waiting.
      FCanClose = true;
      Close();
      break;
    }
    default:
      break;
  }
  return 0;
}

// With the tray icon as the sender, a clean shows its completion notice. The tray's
// commands arrive only through the icon, so without one (creation stopped before
// it) they are ignored, like a second copy's requests.
void TFrmTidewell::TrayIconClick(ui::Component&) {
  if (!TrayIcon) return;
  if (ChkCleanOnTray.Checked()) {
    BtnCleanClick(*TrayIcon);
  } else {
    TrayHelper().RestoreFromTray();
  }
}

void TFrmTidewell::BtnOpenClick(ui::Component&) {
  if (TrayIcon) TrayHelper().RestoreFromTray();
}

void TFrmTidewell::BtnCopyrightClick(ui::Component&) {
  OpenPage(platform_, application_,
           update::ProductPageAddress(update::GetAppVersion(*platform_.versionBlock, kVersionFormat)));
}

void TFrmTidewell::BtnDonateClick(ui::Component&) { OpenPage(platform_, application_, update::DonationPageAddress()); }

// The download page is open by now; the program makes way for the new version.
void TFrmTidewell::UpdateCompleted(bool Updated, const std::wstring&) {
  if (!Updated) return;
  FCanClose = true;
  Close();
}

}  // namespace zeph::app
