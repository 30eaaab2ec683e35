// memsmoke [seconds]: prints the snapshot once a second, then purges once.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "memory/memory.h"
#include "memory/win32/kernel_win32.h"

int wmain(int argc, wchar_t** argv) {
  using namespace zeph::memory;
  const int seconds = argc > 1 ? _wtoi(argv[1]) : 5;
  Win32Kernel kernel;
  const wchar_t* names[] = {L"physical", L"commit", L"virtual", L"file cache"};
  for (int i = 0; i < seconds; ++i) {
    MemorySnapshot s{};
    ReadMemorySnapshot(s, kernel);
    for (MemoryKind k : {Phys, Page, Virtual, Work}) {
      const unsigned long long usedMb = (s.Total[k] - s.Available[k]) >> 20;
      wprintf(L"%-10ls %10llu MB / %10llu MB  %6.2f%%\n", names[k], usedMb, s.Total[k] >> 20,
              static_cast<double>(s.Percent[k]));
    }
    wprintf(L"\n");
    fflush(stdout);
    if (i + 1 < seconds) Sleep(1000);
  }
  PurgeMemory(kernel);
  wprintf(L"purge requested\n");
  return 0;
}
