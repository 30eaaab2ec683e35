#pragma once
// Where this elevated program takes its DLLs from. Windows looks for a DLL named
// without a path in the executable's folder first, so a file planted there would be
// loaded with administrator rights. The loader always takes the system's KnownDLLs
// from System32; every other DLL is loaded at run time from System32 alone.
#include <windows.h>

namespace zeph {

// Makes System32 the only folder searched for DLLs loaded later by name, by this
// program and by the system code it calls. Call first thing in the entry point.
// Windows 7 without the DLL search update lacks SetDefaultDllDirectories; the
// program then still starts, and LoadSystemLibrary still loads from System32.
void RestrictDllSearchToSystem32();

// Loads `name` ("winhttp.dll") from System32 only; null when it is not there. The
// module stays loaded for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The exported function `name` of `module` as the function pointer type `Fn`; null
// when there is no such export.
template <typename Fn>
Fn SystemFunction(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The version of the Windows that runs the program, from ntdll's RtlGetVersion:
// GetVersionEx answers only what the manifest declares. False when it can't be read.
bool RealWindowsVersion(OSVERSIONINFOW& info);

}  // namespace zeph
