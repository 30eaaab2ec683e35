// Runs under Wine (win64 preset): the COM path to the real Task Scheduler. Wine
// implements only part of it, so besides "nothing escapes, nothing crashes" the
// step-by-step test prints what each step answers here.
#include "autostart/win32/task_scheduler_win32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <functional>

#include "autostart/autostart.h"
#include "autostart/com_apartment.h"
#include "common/utf.h"
#include "common/win32/com.h"
#include "common/win32/threads.h"

namespace zeph::autostart {
namespace {

// Not the program's own task: running these tests on a real machine leaves its
// autostart alone.
const std::wstring kTestTask = L"TidewellTaskMachineTest";

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

TEST(Win32TaskScheduler, ExecutablePathNamesThisProgram) {
  Win32TaskScheduler scheduler;
  std::wstring path;
  ASSERT_TRUE(Succeeded(scheduler.ExecutablePath(path)));
  EXPECT_TRUE(Lower(path).ends_with(L"\\autostart_win32_test.exe")) << WideToUtf8(path);
  EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32TaskScheduler, BstrAndVariantOwnersKeepTheText) {
  const std::wstring texts[] = {L"", L"/start", std::wstring(L"a\0b", 3), std::wstring(40000, L'x')};
  for (const auto& text : texts) {
    UniqueBstr b;
    ASSERT_EQ(MakeBstr(text, b), S_OK);
    ASSERT_TRUE(b);  // an empty text is an empty BSTR, never a null one
    EXPECT_EQ(::SysStringLen(b.get()), text.size());
    EXPECT_EQ(FromBstr(b.get()), text);
  }
  Variant v;
  EXPECT_EQ(V_VT(&v.get()), VT_EMPTY);
  ASSERT_EQ(v.Set(BstrVariant(L"")), S_OK);
  EXPECT_EQ(V_VT(&v.get()), VT_BSTR);
  EXPECT_NE(V_BSTR(&v.get()), nullptr);
  ASSERT_EQ(v.Set(std::nullopt), S_OK);
  EXPECT_EQ(V_VT(&v.get()), VT_EMPTY);
  v.SetI4(7);
  EXPECT_EQ(V_VT(&v.get()), VT_I4);
  EXPECT_EQ(V_I4(&v.get()), 7);
}

TEST(Win32TaskScheduler, ApartmentIsNotBalancedWhenTheThreadIsMultithreaded) {
  Win32TaskScheduler scheduler;
  zeph::win32::Thread([&] {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
      ComApartment com(scheduler);  // RPC_E_CHANGED_MODE
      EXPECT_FALSE(com.ok());
    }
    // Still initialised once: the failed CoInitialize was not balanced.
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    ::CoUninitialize();
    ::CoUninitialize();
  }).Join();
}

TEST(Win32TaskScheduler, OperationsRunEndToEndAndStaySilent) {
  Win32TaskScheduler scheduler;
  ComApartment com(scheduler);
  ASSERT_TRUE(com.ok());
  // Twice each: from the second call on CoInitializeSecurity answers RPC_E_TOO_LATE.
  for (int round = 0; round < 2; ++round) {
    SetAutoStartTask(scheduler, kTestTask, true, 60);
    const bool registered = AutoStartTaskExists(scheduler, kTestTask);
    std::printf("round %d: registered task %s\n", round, registered ? "listed" : "not listed");
    SetAutoStartTask(scheduler, kTestTask, false, 0);
    EXPECT_FALSE(AutoStartTaskExists(scheduler, kTestTask));
    SetAutoStartTask(scheduler, kTestTask, true, 0);
    SetAutoStartTask(scheduler, kTestTask, false, 0);
  }
}

// Every step of registration, listing and removal, each tried even when an
// earlier one failed, with its HRESULT printed. The opening must work wherever
// the service exists; the rest is reported.
TEST(Win32TaskScheduler, EachStepAnswers) {
  Win32TaskScheduler scheduler;
  ComApartment com(scheduler);
  ASSERT_TRUE(com.ok());

  auto report = [](const char* step, HResult hr) {
    std::printf("%-30s 0x%08lX\n", step, static_cast<unsigned long>(hr));
    return hr;
  };
  const SecurityParameters security{-1, kRpcCAuthnLevelPkt, kRpcCImpLevelImpersonate, kEoacNone};
  const HResult first = report("InitializeSecurity", scheduler.InitializeSecurity(security));
  EXPECT_TRUE(Succeeded(first) || first == kRpcETooLate);
  const HResult second = report("InitializeSecurity again", scheduler.InitializeSecurity(security));
  EXPECT_TRUE(Succeeded(second) || second == kRpcETooLate);

  std::unique_ptr<TaskSession> session;
  ASSERT_EQ(report("CreateTaskService", scheduler.CreateTaskService(session)), S_OK);
  ASSERT_NE(session, nullptr);
  TaskSession& s = *session;
  ASSERT_EQ(report("Connect", s.Connect({}, {}, {}, {})), S_OK);
  ASSERT_EQ(report("GetFolder \\", s.GetFolder(L"\\")), S_OK);
  ASSERT_EQ(report("NewTask", s.NewTask(0)), S_OK);

  std::wstring path;
  ASSERT_EQ(scheduler.ExecutablePath(path), S_OK);
  const std::pair<const char*, std::function<HResult()>> steps[] = {
      {"SetRunLevel", [&] { return s.SetRunLevel(kTaskRunLevelHighest); }},
      {"CreateTrigger", [&] { return s.CreateTrigger(kTaskTriggerLogon); }},
      {"SetLogonTriggerDelay", [&] { return s.SetLogonTriggerDelay(L"PT1M"); }},
      {"CreateExecAction", [&] { return s.CreateExecAction(kTaskActionExec); }},
      {"SetExecPath", [&] { return s.SetExecPath(path); }},
      {"SetExecWorkingDirectory", [&] { return s.SetExecWorkingDirectory(path.substr(0, path.rfind(L'\\') + 1)); }},
      {"SetExecArguments", [&] { return s.SetExecArguments(L"/start"); }},
      {"SetStopOnIdleEnd", [&] { return s.SetStopOnIdleEnd(false); }},
      {"SetDisallowStartIfOnBatteries", [&] { return s.SetDisallowStartIfOnBatteries(false); }},
      {"SetStopIfGoingOnBatteries", [&] { return s.SetStopIfGoingOnBatteries(false); }},
      {"RegisterTaskDefinition", [&] {
         return s.RegisterTaskDefinition(kTestTask, kTaskCreateOrUpdate, {}, {}, kTaskLogonInteractiveToken,
                                         BstrVariant(L""));
       }},
  };
  for (const auto& [name, step] : steps) report(name, step());

  ASSERT_EQ(report("GetTasks(0)", s.GetTasks(0)), S_OK);
  std::int32_t count = 0;
  report("TaskCount", s.TaskCount(count));
  std::printf("%-30s %d\n", "  listed tasks", static_cast<int>(count));
  bool listed = false;
  for (std::int32_t i = 1; i <= count + 1; ++i) {  // one beyond the end, too
    std::wstring name;
    report("TaskName", s.TaskName(i, name));
    listed = listed || name == kTestTask;
  }
  std::printf("%-30s %s\n", "  test task listed", listed ? "yes" : "no");
  report("DeleteTask", s.DeleteTask(kTestTask, 0));
  report("DeleteTask again", s.DeleteTask(kTestTask, 0));
}

}  // namespace
}  // namespace zeph::autostart
