#include "app/win32/dialogs/crash_dialog.h"

#include <memory>
#include <vector>

#include "app/win32/dialogs/address_box.h"
#include "app/win32/dialogs/message_dialog.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/palette.h"
#include "app/win32/services/clipboard.h"
#include "app/win32/services/worker_threads.h"
#include "common/error.h"
#include "common/utf.h"
#include "crash/win32/crash_handler.h"
#include "crash/win32/watcher.h"
#include "translate/program_texts.h"
#include "translate/win32/translate_win32.h"
#include "update/update.h"
#include "update/web_addresses.h"
#include "update/win32/platform_win32.h"

namespace zeph::win32 {
namespace {

using translate::ProgramText;

const app::Application* g_application = nullptr;
std::wstring g_caption = L"Tidewell";  // the crash watcher's: the crashed copy's window caption

// Only through the desktop's shell, so the folder window does not run elevated like
// this program (the wait for it is bounded); where it cannot, the path to copy.
void OpenFolder(const std::wstring& folder) {
  if (folder.empty() || update::Win32Shell().ExecuteAsDesktopUser(L"open", folder, SW_SHOWNORMAL)) return;
  ShowAddressBox(::GetActiveWindow(), g_application ? g_application->Title() : std::wstring(L"Tidewell"),
                 ProgramText(L"폴더를 열 수 없습니다. 아래 경로를 복사하여 파일 탐색기에 붙여 넣으십시오."), folder,
                 CurrentPalette(kThemeName));
}

// The text report, never the dump, as UTF-8 to the product's web site, with the
// update check's certificate checks and the program's version as it sends it.
bool SendReport(const std::wstring& address, const std::wstring& report) {
  update::Win32HttpClient http;
  const std::vector<update::HttpHeader> headers = {
      {L"Content-Type", L"text/plain; charset=utf-8"},
      {L"User-Version", update::GetAppVersion(update::Win32VersionBlock(), L"%d.%d.%d.%d")},
  };
  unsigned status = 0;
  return http.Post(address, headers, WideToUtf8(report), status) == update::HttpResult::Reply && status == 200;
}

// Send runs on a worker, so the dialog stays responsive while the server takes its
// time; the answer comes back as a task for the dialog's thread. A report that went
// out is not sent twice.
void StartSending(OpenDialog& dialog, const std::wstring& address, const std::wstring& report) {
  dialog.EnableButton(kCrashSend, false);
  dialog.SetStatus(ProgramText(L"보고서를 보내는 중입니다…"));
  const auto done = [](bool sent) {
    return [sent](OpenDialog& open) {
      open.SetStatus(sent ? ProgramText(L"보고서를 보냈습니다. 감사합니다.")
                          : ProgramText(L"보고서를 보내지 못했습니다. 나중에 다시 보내거나 자세한 내용을 복사해 주세요."));
      if (!sent) open.EnableButton(kCrashSend, true);
    };
  };
  OpenDialog::Poster post = dialog.MakePoster();
  try {
    DetachedThreads().Start([post, done, address, report] { post(done(SendReport(address, report))); });
  } catch (const Error&) {
    done(false)(dialog);
  }
}

// Through the desktop's shell like every page, so the printing program does not run
// elevated like this one.
void Print(OpenDialog& dialog, const std::wstring& reportFile) {
  const bool started = update::Win32Shell().ExecuteAsDesktopUser(L"print", reportFile, SW_SHOWNORMAL);
  dialog.SetStatus(started ? ProgramText(L"보고서를 인쇄하도록 보냈습니다.") : ProgramText(L"보고서를 인쇄할 수 없습니다."));
}

// The buttons both dialogs share, after Continue where there is one; all but
// Continue, Restart and Close keep the dialog open. Print is there when the report
// was saved to a file.
int ShowReportDialog(DialogSpec dialog, bool canContinue, const std::wstring& folder, const std::wstring& reportFile,
                     const std::wstring& sendAddress) {
  if (canContinue) dialog.buttons.push_back({kCrashContinue, ProgramText(L"계속(&C)")});
  dialog.buttons.push_back({kCrashRestart, ProgramText(L"다시 시작(&R)")});
  dialog.buttons.push_back({kCrashClose, ProgramText(L"닫기(&L)")});
  dialog.buttons.push_back({kCrashOpenFolder, ProgramText(L"보고서 폴더 열기(&O)")});
  dialog.buttons.push_back({kCrashCopy, ProgramText(L"자세한 내용 복사(&P)")});
  if (!reportFile.empty()) dialog.buttons.push_back({kCrashPrint, ProgramText(L"인쇄(&I)")});
  dialog.buttons.push_back({kCrashSend, ProgramText(L"보내기(&S)")});
  dialog.icon = DialogIcon::Error;
  dialog.defaultId = canContinue ? kCrashContinue : kCrashRestart;
  dialog.cancelId = canContinue ? kCrashContinue : kCrashClose;
  dialog.statusLine = true;
  const std::wstring details = dialog.details;
  dialog.onButton = [folder, details, reportFile, sendAddress](int id, OpenDialog& open) {
    switch (id) {
      case kCrashOpenFolder: OpenFolder(folder); return false;
      case kCrashCopy:
        open.SetStatus(CopyTextToClipboard(open.Window(), details) ? ProgramText(L"자세한 내용을 클립보드에 복사했습니다.")
                                                              : ProgramText(L"자세한 내용을 클립보드에 복사하지 못했습니다."));
        return false;
      case kCrashPrint: Print(open, reportFile); return false;
      case kCrashSend: StartSending(open, sendAddress, details); return false;
      default: return true;
    }
  };
  const Palette palette = CurrentPalette(kThemeName);
  return ShowMessageDialog(dialog, palette);
}

// The crash dialog, on the reporter's own thread while the crashed one waits.
bool ShowCrashDialog(const crash::ReportFacts& facts, const wchar_t* report, const wchar_t* folder) {
  const std::wstring caption = g_application ? g_application->Title() : g_caption;
  return ShowCrashReport(facts, report, folder, caption, update::CrashReportEndpoint()) == kCrashRestart;
}

void CopyInto(const std::wstring& text, wchar_t* out, std::size_t capacity) {
  std::size_t i = 0;
  for (; i < text.size() && i + 1 < capacity; ++i) out[i] = text[i];
  if (capacity > 0) out[i] = L'\0';
}

// At a crash, on the crashed thread: reads the two texts, allocates nothing.
void DescribeForTheDialog(wchar_t* language, std::size_t languageCapacity, wchar_t* caption,
                          std::size_t captionCapacity) {
  CopyInto(translate::CurrentLanguage(), language, languageCapacity);
  if (g_application) CopyInto(g_application->Title(), caption, captionCapacity);
}

// In the crash watcher, once its parent crashed: the dialog in the crashed copy's
// language and caption, and the light or dark look as it is now.
void PrepareWatcherDialog(const wchar_t* language, const wchar_t* caption) {
  EnablePerMonitorDpiAwareness();
  const translate::Win32ResourceSource resources;
  const translate::Win32LocaleSource locale;
  translate::LoadProgramTexts(resources, locale);
  if (language && *language) translate::SetCurrentLanguage(language);
  if (caption && *caption) g_caption = caption;
}

}  // namespace

int ShowCrashReport(const crash::ReportFacts& facts, const wchar_t* report, const wchar_t* folder,
                    const std::wstring& caption, const std::wstring& sendAddress) {
  wchar_t summary[128];
  crash::FormatSummary(facts, summary, std::size(summary));
  DialogSpec dialog;
  dialog.caption = caption;
  dialog.text = ProgramText(crash::PlainWords(facts)) + L"\r\n\r\n" + summary + L"\r\n\r\n" +
                ProgramText(L"오류 보고서를 저장했습니다. 타이드웰을 다시 시작하거나 닫을 수 있습니다.");
  dialog.details = report;
  dialog.setForeground = true;
  dialog.topmost = true;
  return ShowReportDialog(std::move(dialog), false, folder ? folder : L"", facts.reportFile ? facts.reportFile : L"",
                          sendAddress);
}

std::wstring Win32ErrorReporter::SaveReport(const std::wstring& message) { return crash::SaveErrorReport(message); }

crash::ErrorChoice Win32ErrorReporter::Show(std::uintptr_t owner, const std::wstring& text,
                                            const std::wstring& caption, const std::wstring& details) {
  DialogSpec dialog;
  dialog.owner = reinterpret_cast<HWND>(owner);
  dialog.caption = caption;
  dialog.text = text;
  dialog.details = details;
  switch (ShowReportDialog(std::move(dialog), true, crash::CrashFolder(), L"", update::CrashReportEndpoint())) {
    case kCrashRestart: return crash::ErrorChoice::Restart;
    case kCrashClose: return crash::ErrorChoice::Close;
    default: return crash::ErrorChoice::Continue;  // Continue, or no dialog at all
  }
}

void Win32ErrorReporter::Restart() { crash::RestartProgram(); }
void Win32ErrorReporter::Close() { crash::CloseProgram(); }

void InstallCrashReporting(const app::Application& application, void (*beforeExit)()) {
  g_application = &application;
  static std::wstring firstArgument;
  firstArgument = application.ParamStr(1);
  crash::CrashHandlerSetup setup;
  setup.firstArgument = firstArgument.c_str();
  setup.dialog = ShowCrashDialog;
  setup.beforeExit = beforeExit;
  setup.describe = DescribeForTheDialog;
  crash::InstallCrashHandler(setup);
}

bool RunCrashWatcherIfAsked(const std::vector<std::wstring>& args) {
  crash::WatcherDialog dialog;
  dialog.prepare = PrepareWatcherDialog;
  dialog.dialog = ShowCrashDialog;
  return !args.empty() && crash::RunCrashWatcherIfAsked(args.front().c_str(), dialog);
}

}  // namespace zeph::win32
