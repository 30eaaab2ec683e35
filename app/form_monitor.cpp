// The main window's status monitor and clean job: the one-second refresh of the
// status page with its auto-clean policy, the background purge with its busy
// state, and the completion notice.
#include <memory>
#include <string>

#include "app/frm_tidewell.h"
#include "common/clock.h"
#include "crash/fault.h"
#include "memory/memory.h"
#include "monitor/status_monitor.h"
#include "translate/translate.h"

namespace zeph::app {
namespace {

const std::wstring kPhysFormat(monitor::kPhysStatusFormat);
const std::wstring kCleanCaption = L"정리하기";
const std::wstring kCleanedNotice = L"메모리를 정리하였습니다.";

// What a clean job shares between the UI thread, its worker and its completion.
struct CleanJob {
  TFrmTidewell* form;
  bool Alarm;
};

const NumberSeparators& Separators(const Platform& platform) {
  static const NumberSeparators kFallback;  // "," and "." until the platform gives the user's
  return platform.numberFormat != nullptr ? platform.numberFormat->UserSeparators() : kFallback;
}

// The lines are formatted into one buffer that lives as long as the UI thread, and
// a label is only written when its text changes: an idle tick then allocates nothing
// for them, and the view does not repaint a text it already shows.
std::wstring& LineBuffer() {
  thread_local std::wstring buffer;
  return buffer;
}

void ShowLine(ui::Label& label, const std::wstring& line) {
  if (label.Caption() != line) label.SetCaption(line);
}

void CompleteClean(const CleanJob& job) {
  TFrmTidewell& form = *job.form;
  if (form.Closed()) return;  // the program is ending: no busy state or notice to update
  form.NextTime = form.Services().clock->Now();
  form.SetIsRunning(false);
  if (job.Alarm) form.ShowNotification(translate::TranslateText(kCleanedNotice));
}

}  // namespace

void TFrmTidewell::TmrStatusTimer(ui::Component&) {
  // Zeroed, so a failed file-cache query shows 0 MB (0.00%) and meets no threshold.
  memory::MemorySnapshot snapshot{};
  memory::ReadMemorySnapshot(snapshot, *platform_.kernel);

  const NumberSeparators& separators = Separators(platform_);
  std::wstring& line = LineBuffer();
  monitor::FormatPhysStatus(line, translate::TranslateText(kPhysFormat), snapshot, separators);
  ShowLine(LblPhysStatus, line);
  if (LblVirtual.Visible()) {
    monitor::FormatFigureStatus(line, snapshot, memory::Page, separators);
    ShowLine(LblVirtualStatus, line);
  }
  if (LblWorking.Visible()) {
    monitor::FormatFigureStatus(line, snapshot, memory::Work, separators);
    ShowLine(LblWorkingStatus, line);
  }
  ProgressBar.SetPosition(monitor::ProgressPosition(snapshot.Percent[memory::Phys]));

  if (IsRunning()) return;  // no second clean while one runs

  // A drop-down's text counts only while its box is checked.
  const auto rule = [](const ui::CheckBox& box, const ui::ComboBox& list, std::wstring& text) {
    if (box.Checked()) text = list.Text();
    return monitor::AutoCleanRule{box.Checked(), text};
  };
  std::wstring phys, page, work, minute;
  const monitor::AutoCleanSettings settings{
      rule(ChkUsagePhys, EditUsagePhys, phys), rule(ChkUsagePage, EditUsagePage, page),
      rule(ChkUsageWork, EditUsageWork, work), rule(ChkMinute, EditMinute, minute)};
  if (monitor::AutoCleanDue(snapshot, settings, NextTime, *platform_.clock) && !IsRunning()) Clean(false);
}

void TFrmTidewell::Clean(bool Alarm) {
  auto job = std::make_shared<const CleanJob>(CleanJob{this, Alarm});
  SetIsRunning(true);
  memory::Kernel& kernel = *platform_.kernel;
  UiDispatcher& dispatcher = *platform_.dispatcher;
  try {
    platform_.threads->Start([job, &kernel, &dispatcher] {
      // A purge that fails looks like one that succeeded: the completion always follows.
      crash::RunGuarded([&kernel] { memory::PurgeMemory(kernel); });
      dispatcher.Queue([job] { CompleteClean(*job); });
    });
  } catch (...) {
    if (crash::HandOverForeignFault()) return;
    // No worker, so no completion would ever end the busy state. A failed start counts
    // as a finished clean: with a threshold still exceeded, the next tick would
    // otherwise try again, and raise again, every second.
    NextTime = platform_.clock->Now();
    SetIsRunning(false);
    throw;
  }
}

void TFrmTidewell::SetIsRunning(bool value) {
  FIsRunning = value;
  BtnClean.SetCaption(value ? std::wstring() : translate::TranslateText(kCleanCaption));
  BtnClean.SetEnabled(!value);
  Indicator.SetVisible(value);
  Indicator.SetAnimate(value);
}

void TFrmTidewell::BtnCleanClick(ui::Component& sender) {
  if (IsRunning()) return;
  Clean(sender.ClassName() == L"TTrayIcon");
}

// The notification-area balloon, which Windows 10 and later show as a toast, titled
// with the window's caption. Without a tray icon there is nowhere to show it; the
// clean itself has completed anyway.
void TFrmTidewell::ShowNotification(const std::wstring& body) {
  if (!TrayIcon) return;
  TrayIcon->ShowBalloon(Caption(), body);
}

}  // namespace zeph::app
