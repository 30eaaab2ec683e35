// A hardware fault inside the program's guards is a crash, never an error for the
// error box: with GCC's unwinder a catch (...) lets a structured exception pass (a
// toolchain whose catch (...) takes it hands it over through crash/fault.h), so it
// reaches the crash reporter's filter. Each case crashes a child process of this
// test (a death test) with the real crash handler installed, its dialog replaced by
// one that tells the parent what it saw.
#include <windows.h>

#include "common/win32/handles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/application.h"
#include "app/testing/fake_message_boxes.h"
#include "app/testing/fake_window_system.h"
#include "app/win32/form/form_window.h"
#include "crash/win32/crash_handler.h"

namespace zeph::win32 {
namespace {

int g_boxesShown = 0;

bool TellTheParent(const crash::ReportFacts& facts, const wchar_t*, const wchar_t*) {
  wchar_t summary[128];
  crash::FormatSummary(facts, summary, std::size(summary));
  std::fprintf(stderr, "reported %ls, boxes %d\n", summary, g_boxesShown);
  std::fflush(stderr);
  return false;  // close
}

void InstallTheCrashHandler() {
  crash::CrashHandlerSetup setup;
  setup.dialog = TellTheParent;
  crash::InstallCrashHandler(setup);
}

void WriteToAnInvalidAddress() {
  volatile std::uintptr_t address = 0x10;
  *reinterpret_cast<volatile int*>(address) = 1;
}

class FaultForm : public ui::Form {
 public:
  FaultForm() : ui::Form(L"TidewellCrashGuardTest", L"FrmFault") {
    ClientWidth = 200;
    ClientHeight = 100;
    Go.SetBounds(10, 10, 100, 30);
    Go.SetCaption(L"Go");
    Go.OnClick = [](ui::Component&) { WriteToAnInvalidAddress(); };
  }
  ui::Button Go{*this, *this, L"Go"};
};

// The program's report folder in this Wine prefix, where the child that re-runs a
// test writes.
std::wstring Crashes() {
  wchar_t programData[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH);
  return std::wstring(programData, length < MAX_PATH ? length : 0) + L"\\Tidewell\\Crashes\\";
}

// The reports in the crash folder: the text of the one .txt, and how many .dmp; all
// of them are deleted, so the next test starts from an empty folder.
std::string ReportText(int& dumps) {
  const std::wstring crashes = Crashes();
  std::string text;
  int texts = 0;
  dumps = 0;
  WIN32_FIND_DATAW found;
  const zeph::win32::UniqueFind search(::FindFirstFileW((crashes + L"tidewell-*").c_str(), &found));
  if (!search) return text;
  do {
    const std::wstring name = found.cFileName;
    if (name.ends_with(L".dmp") && found.nFileSizeLow > 0) ++dumps;
    if (name.ends_with(L".txt")) {
      ++texts;
      std::ifstream file((crashes + name).c_str(), std::ios::binary);
      std::stringstream content;
      content << file.rdbuf();
      text = content.str();
    }
    ::DeleteFileW((crashes + name).c_str());
  } while (::FindNextFileW(search.get(), &found));
  return texts == 1 ? text : std::string();
}

TEST(CrashGuardDeathTest, AnAccessViolationInAGuardIsACrashNotAnErrorBox) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallTheCrashHandler();
        tray::testing::FakeWindowSystem windows;
        app::testing::FakeMessageBoxes boxes;
        app::Application application(windows, boxes, {});
        application.Guard(WriteToAnInvalidAddress);
        g_boxesShown = static_cast<int>(boxes.shown.size());
      },
      ::testing::ExitedWithCode(3), "reported exception 0xC0000005 ACCESS_VIOLATION, boxes 0");
  int dumps = 0;
  const std::string report = ReportText(dumps);
  EXPECT_NE(report.find("What: exception 0xC0000005 ACCESS_VIOLATION at app_win32_test.exe+0x"), std::string::npos)
      << report;
  EXPECT_NE(report.find("Access: write of 0x00000010"), std::string::npos) << report;
  EXPECT_NE(report.find("(UI thread)"), std::string::npos) << report;
  EXPECT_EQ(dumps, 1);
}

TEST(CrashGuardDeathTest, AnAccessViolationInAWindowProcedureIsACrashNotAnErrorForTheSink) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallTheCrashHandler();
        FaultForm form;
        FormWindow view(form, SystemPalette(), [](std::exception_ptr) { ++g_boxesShown; });
        if (view.Create(nullptr, nullptr)) {
          SendMessageW(FindWindowExW(view.Handle(), nullptr, L"Button", nullptr), BM_CLICK, 0, 0);
        }
      },
      ::testing::ExitedWithCode(3), "reported exception 0xC0000005 ACCESS_VIOLATION, boxes 0");
  int dumps = 0;
  EXPECT_NE(ReportText(dumps).find("ACCESS_VIOLATION"), std::string::npos);
  EXPECT_EQ(dumps, 1);
}

void Throw() { throw std::runtime_error("no one catches this"); }
void (*volatile g_throw)() = Throw;
void ThrowThroughNoexcept() noexcept { g_throw(); }

TEST(CrashGuardDeathTest, TerminateIsReportedWithTheExceptionsType) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallTheCrashHandler();
        ThrowThroughNoexcept();
      },
      ::testing::ExitedWithCode(3), "reported std::terminate, boxes 0");
  int dumps = 0;
  const std::string report = ReportText(dumps);
  EXPECT_NE(report.find("Exception type: St13runtime_error"), std::string::npos) << report;
  EXPECT_EQ(dumps, 1);
}

}  // namespace
}  // namespace zeph::win32
