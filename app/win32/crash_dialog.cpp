#include "app/win32/crash_dialog.h"

#include <cstring>

#include "app/win32/address_box.h"
#include "app/win32/dpi.h"
#include "app/win32/message_dialog.h"
#include "crash/win32/crash_handler.h"
#include "crash/win32/watcher.h"
#include "translate/program_texts.h"
#include "translate/win32/translate_win32.h"
#include "update/win32/platform_win32.h"

namespace zeph::win32 {
namespace {

using translate::ProgramText;

const app::Application* g_application = nullptr;
Palette g_palette;
std::wstring g_caption = L"Tidewell";  // the crash watcher's: the crashed copy's window caption

void CopyToClipboard(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* target = ::GlobalLock(memory)) {
      std::memcpy(target, text.c_str(), bytes);
      ::GlobalUnlock(memory);
      // The clipboard owns the memory once it took it.
      if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
    } else {
      ::GlobalFree(memory);
    }
  }
  ::CloseClipboard();
}

// Only through the desktop's shell, so the folder window does not run elevated like
// this program (the wait for it is bounded); where it cannot, the path to copy.
void OpenFolder(const std::wstring& folder) {
  if (folder.empty() || update::Win32Shell().ExecuteAsDesktopUser(L"open", folder, SW_SHOWNORMAL)) return;
  ShowAddressBox(::GetActiveWindow(), g_application ? g_application->Title() : std::wstring(L"Tidewell"),
                 ProgramText(L"폴더를 열 수 없습니다. 아래 경로를 복사하여 파일 탐색기에 붙여 넣으십시오."), folder,
                 g_palette);
}

// The buttons both dialogs share, after Continue where there is one; Open and Copy
// keep the dialog open.
int ShowReportDialog(DialogSpec dialog, bool canContinue, const Palette& palette) {
  if (canContinue) dialog.buttons.push_back({kCrashContinue, ProgramText(L"계속(&C)")});
  dialog.buttons.push_back({kCrashRestart, ProgramText(L"다시 시작(&R)")});
  dialog.buttons.push_back({kCrashClose, ProgramText(L"닫기(&L)")});
  dialog.buttons.push_back({kCrashOpenFolder, ProgramText(L"보고서 폴더 열기(&O)")});
  dialog.buttons.push_back({kCrashCopy, ProgramText(L"자세한 내용 복사(&P)")});
  dialog.icon = DialogIcon::Error;
  dialog.defaultId = canContinue ? kCrashContinue : kCrashRestart;
  dialog.cancelId = canContinue ? kCrashContinue : kCrashClose;
  const std::wstring folder = crash::CrashFolder();
  const std::wstring details = dialog.details;
  dialog.onButton = [folder, details](int id) {
    if (id == kCrashOpenFolder) OpenFolder(folder);
    if (id == kCrashCopy) CopyToClipboard(details);
    return id != kCrashOpenFolder && id != kCrashCopy;
  };
  return ShowMessageDialog(dialog, palette);
}

// The crash dialog, on the reporter's own thread while the crashed one waits.
bool ShowCrashDialog(const crash::ReportFacts& facts, const wchar_t* report, const wchar_t* /*folder*/) {
  wchar_t summary[128];
  crash::FormatSummary(facts, summary, std::size(summary));
  DialogSpec dialog;
  dialog.caption = g_application ? g_application->Title() : g_caption;
  dialog.text = ProgramText(crash::PlainWords(facts)) + L"\r\n\r\n" + summary + L"\r\n\r\n" +
              ProgramText(L"오류 보고서를 저장했습니다. 타이드웰을 다시 시작하거나 닫을 수 있습니다.");
  dialog.details = report;
  dialog.setForeground = true;
  dialog.topmost = true;
  return ShowReportDialog(std::move(dialog), false, g_palette) == kCrashRestart;
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
  g_palette = ApplyTheme(kThemeName);
}

}  // namespace

std::wstring Win32ErrorReporter::SaveReport(const std::wstring& message) { return crash::SaveErrorReport(message); }

crash::ErrorChoice Win32ErrorReporter::Show(std::uintptr_t owner, const std::wstring& text,
                                            const std::wstring& caption, const std::wstring& details) {
  DialogSpec dialog;
  dialog.owner = reinterpret_cast<HWND>(owner);
  dialog.caption = caption;
  dialog.text = text;
  dialog.details = details;
  switch (ShowReportDialog(std::move(dialog), true, palette_)) {
    case kCrashRestart: return crash::ErrorChoice::Restart;
    case kCrashClose: return crash::ErrorChoice::Close;
    default: return crash::ErrorChoice::Continue;  // Continue, or no dialog at all
  }
}

void Win32ErrorReporter::Restart() { crash::RestartProgram(); }
void Win32ErrorReporter::Close() { crash::CloseProgram(); }

void InstallCrashReporting(const app::Application& application, const Palette& palette, void (*beforeExit)()) {
  g_application = &application;
  g_palette = palette;
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
