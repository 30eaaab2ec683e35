// twbox: one of the program's boxes, shown the way the program shows it (the
// window's palette and texts, through Win32MessageBoxes), for the end-to-end tests
// to look at the boxes no test run of the program itself can bring up.
//
//   twbox update LANG      the update check's question as LANG ("en", "ko") words it
//   twbox FLAGS TEXT       a box with these MessageBoxW flags
//   twbox crash SEND_ADDRESS REPORT_FILE
//                          the crash dialog of an access violation, with the report
//                          written to REPORT_FILE (UTF-8) for Print; Send posts it to
//                          SEND_ADDRESS
//
// The caption is "Tidewell"; the box has no owner. Prints the answer (the button's id).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/win32/dialogs/crash_dialog.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/palette.h"
#include "app/win32/program/platform_win32.h"
#include "common/utf.h"
#include "common/win32/handles.h"
#include "crash/report.h"
#include "translate/program_texts.h"
#include "translate/win32/translate_win32.h"
#include "update/platform.h"
#include "update/update.h"

namespace {

using namespace zeph;

// A report as the crash handler writes it, of an access violation in tidewell.exe.
int ShowSampleCrash(const std::wstring& sendAddress, const std::wstring& reportFile) {
  crash::ReportFacts facts;
  facts.programVersion = L"1.0.0.0";
  facts.architecture = L"x64";
  facts.windowsMajor = 10;
  facts.windowsBuild = 19045;
  facts.time = {2026, 12, 9, 3, 15, 2};
  facts.processId = 1234;
  facts.threadId = 5678;
  facts.uiThread = true;
  facts.code = 0xC0000005;
  facts.access = {true, 1, 0x10};
  facts.reportFile = reportFile.c_str();
  std::wstring report(16 * 1024, L'\0');
  report.resize(crash::FormatReport(facts, report.data(), report.size()));
  const std::string bytes = WideToUtf8(report);
  const win32::UniqueFile file(CreateFileW(reportFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  const bool saved = file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size();
  if (!saved) return -1;
  return win32::ShowCrashReport(facts, report.c_str(), L"", L"Tidewell", sendAddress);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool crash = argc == 4 && std::wstring(argv[1]) == L"crash";
  if (argc != 3 && !crash) {
    fwprintf(stderr, L"usage: twbox update LANG | twbox FLAGS TEXT | twbox crash SEND_ADDRESS REPORT_FILE\n");
    return 2;
  }
  win32::EnablePerMonitorDpiAwareness();
  translate::Win32ResourceSource resources;
  translate::Win32LocaleSource locale;
  translate::LoadProgramTexts(resources, locale);
  if (crash) {
    wprintf(L"%d\n", ShowSampleCrash(argv[2], argv[3]));
    return 0;
  }
  const win32::Palette palette = win32::ApplyTheme(L"Quillmere");

  const bool update = std::wstring(argv[1]) == L"update";
  const std::wstring text = update ? update::UpdatePromptText(argv[2]) : argv[2];
  const auto flags =
      update ? update::kMbYesNoInformationTopmost : static_cast<std::uint32_t>(std::wcstoul(argv[1], nullptr, 0));
  win32::Win32MessageBoxes boxes;
  boxes.SetPalette(&palette);
  wprintf(L"%d\n", boxes.Show(0, text, L"Tidewell", flags));
  return 0;
}
