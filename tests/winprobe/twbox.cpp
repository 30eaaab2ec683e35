// twbox: one of the program's boxes, shown the way the program shows it (the
// window's palette and texts, through Win32MessageBoxes), for the end-to-end tests
// to look at the boxes no test run of the program itself can bring up.
//
//   twbox update LANG      the update check's question as LANG ("en", "ko") words it
//   twbox FLAGS TEXT       a box with these MessageBoxW flags
//
// The caption is "Tidewell"; the box has no owner. Prints the answer.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/win32/dpi.h"
#include "app/win32/palette.h"
#include "app/win32/platform_win32.h"
#include "translate/program_texts.h"
#include "translate/win32/translate_win32.h"
#include "update/platform.h"
#include "update/update.h"

int wmain(int argc, wchar_t** argv) {
  using namespace zeph;
  if (argc != 3) {
    fwprintf(stderr, L"usage: twbox update LANG | twbox FLAGS TEXT\n");
    return 2;
  }
  win32::EnablePerMonitorDpiAwareness();
  translate::Win32ResourceSource resources;
  translate::Win32LocaleSource locale;
  translate::LoadProgramTexts(resources, locale);
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
