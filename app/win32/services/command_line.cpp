#include "app/win32/services/command_line.h"

#include <windows.h>

#include <shellapi.h>

namespace zeph::win32 {

std::vector<std::wstring> CommandLineArgs() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  return args;
}

}  // namespace zeph::win32
