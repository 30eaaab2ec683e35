#pragma once
#include <string>
#include <vector>

namespace zeph::win32 {

// The program's command-line arguments after its own name, as Windows splits them.
std::vector<std::wstring> CommandLineArgs();

}  // namespace zeph::win32
