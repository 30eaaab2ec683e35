// The settings page of the main window: loading the ten settings once at start,
// and storing each one the moment the user changes it. After loading, the controls
// are the settings; nothing here keeps a copy, and the registry key is open only
// for the one load or the one write at hand.
#include <string>

#include "app/frm_tidewell.h"
#include "app/ui/translate_form.h"
#include "autostart/autostart.h"
#include "autostart/com_apartment.h"
#include "config/tconfig.h"
#include "translate/translate.h"
#include "update/update.h"

namespace zeph::app {
namespace {

// Under HKEY_CURRENT_USER\Software.
constexpr wchar_t kConfigPath[] = L"Quillmere\\Tidewell";

constexpr bool kDefaultEnabled = false;
constexpr int kDefaultUsageIndex = 6;   // "90" percent
constexpr int kDefaultMinuteIndex = 3;  // "30" minutes

// A threshold or interval check box carries its flag twice: checked, and as the
// enabled state of its list. The click keeps the two together, restarts the
// timing of automatic cleaning, and stores the flag.
void EnabledClick(TFrmTidewell& form, const ui::CheckBox& check, ui::ComboBox& list, const wchar_t* name) {
  list.SetEnabled(check.Checked());
  form.NextTime = form.Services().clock->Now();
  form.SaveConfig(name, list.Enabled());
}

// A pick in a threshold or interval list restarts the timing and stores the item's
// index (not the number it shows).
void LimitChange(TFrmTidewell& form, const ui::ComboBox& list, const wchar_t* name) {
  form.NextTime = form.Services().clock->Now();
  form.SaveConfig(name, list.ItemIndex());
}

}  // namespace

// Registry errors are deliberately not caught: a value of the wrong type ends the
// load at that read, the settings after it keep the window's initial state, and the
// error reaches the caller, which shows it to the user.
void TFrmTidewell::LoadConfig() {
  {
    config::TConfig config(*Services().registry, kConfigPath);

    // The default is the user's locale language, taken whole: a longer name belongs
    // to a language without a two-letter code ("haw", Konkani's "kok"), and cut to
    // two letters "kok" would pass for Korean. A stored language is taken whole as
    // well, so "ko-KR" or "KO" falls back to English like any other language.
    Language = config.ReadString(L"language", translate::GetUserLanguage(*Services().locale));
    if (Language != L"ko" && Language != L"en") Language = L"en";

    EditUsagePhys.SetEnabled(config.ReadBoolean(L"enabled_usage_phys", kDefaultEnabled));
    EditUsagePage.SetEnabled(config.ReadBoolean(L"enabled_usage_page", kDefaultEnabled));
    EditUsageWork.SetEnabled(config.ReadBoolean(L"enabled_usage_work", kDefaultEnabled));

    // Setting a selection from code runs no handler, so nothing is written back. An
    // index outside the items leaves the list without a selection.
    EditUsagePhys.SetItemIndex(config.ReadInteger(L"limit_usage_phys", kDefaultUsageIndex));
    EditUsagePage.SetItemIndex(config.ReadInteger(L"limit_usage_page", kDefaultUsageIndex));
    EditUsageWork.SetItemIndex(config.ReadInteger(L"limit_usage_work", kDefaultUsageIndex));

    EditMinute.SetEnabled(config.ReadBoolean(L"enabled_minute", kDefaultEnabled));
    EditMinute.SetItemIndex(config.ReadInteger(L"limit_minute", kDefaultMinuteIndex));

    // Checking a box runs its handler, which stores the value just read once more and
    // sets NextTime; the window sets NextTime afresh after loading anyway.
    ChkCleanOnTray.SetChecked(config.ReadBoolean(L"cleanontray", false));
    ChkUsagePhys.SetChecked(EditUsagePhys.Enabled());
    ChkUsagePage.SetChecked(EditUsagePage.Enabled());
    ChkUsageWork.SetChecked(EditUsageWork.Enabled());
    ChkMinute.SetChecked(EditMinute.Enabled());
  }

  translate::TranslateForm(*this, Language);
  SetCaption(translate::TranslateText(Caption()));
  App().SetTitle(Caption());
  EditInfo.SetText(translate::TranslateText(L"버전") + L": " +
                   update::GetAppVersion(*Services().versionBlock, L"%d.%d.%d"));
}

void TFrmTidewell::SaveConfig(const std::wstring& name, int value) {
  config::TConfig(*Services().registry, kConfigPath).WriteInteger(name, value);
}

void TFrmTidewell::SaveConfig(const std::wstring& name, bool value) {
  config::TConfig(*Services().registry, kConfigPath).WriteBoolean(name, value);
}

void TFrmTidewell::SaveConfig(const std::wstring& name, const std::wstring& value) {
  config::TConfig(*Services().registry, kConfigPath).WriteString(name, value);
}

void TFrmTidewell::ChkUsagePhysClick(ui::Component&) {
  EnabledClick(*this, ChkUsagePhys, EditUsagePhys, L"enabled_usage_phys");
}

void TFrmTidewell::ChkUsagePageClick(ui::Component&) {
  EnabledClick(*this, ChkUsagePage, EditUsagePage, L"enabled_usage_page");
}

void TFrmTidewell::ChkUsageWorkClick(ui::Component&) {
  EnabledClick(*this, ChkUsageWork, EditUsageWork, L"enabled_usage_work");
}

void TFrmTidewell::ChkMinuteClick(ui::Component&) { EnabledClick(*this, ChkMinute, EditMinute, L"enabled_minute"); }

// Whether a tray click cleans is read from the box when the click comes; it has no
// bearing on the timing of automatic cleaning.
void TFrmTidewell::ChkCleanOnTrayClick(ui::Component&) { SaveConfig(L"cleanontray", ChkCleanOnTray.Checked()); }

void TFrmTidewell::EditUsagePhysChange(ui::Component&) { LimitChange(*this, EditUsagePhys, L"limit_usage_phys"); }

void TFrmTidewell::EditUsagePageChange(ui::Component&) { LimitChange(*this, EditUsagePage, L"limit_usage_page"); }

void TFrmTidewell::EditUsageWorkChange(ui::Component&) { LimitChange(*this, EditUsageWork, L"limit_usage_work"); }

void TFrmTidewell::EditMinuteChange(ui::Component&) { LimitChange(*this, EditMinute, L"limit_minute"); }

// The scheduled task is the only record of autostart. The box keeps what the user
// chose whatever the outcome: registering and removing fail silently. The apartment
// is released on every way out, an error from the task call included, but only
// when it was entered.
void TFrmTidewell::ChkAutoStartClick(ui::Component&) {
  autostart::TaskScheduler& scheduler = *Services().taskScheduler;
  const autostart::ComApartment apartment(scheduler);
  if (!apartment.ok()) return;
  if (ChkAutoStart.Checked()) {
    autostart::SetAutoStartTask(scheduler, autostart::kAutoStartTaskName, true, autostart::kAutoStartDelaySeconds);
  } else {
    autostart::SetAutoStartTask(scheduler, autostart::kAutoStartTaskName, false, 0);
  }
}

}  // namespace zeph::app
