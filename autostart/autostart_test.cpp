#include "autostart/autostart.h"

#include <gtest/gtest.h>

#include <limits>

#include "autostart/com_apartment.h"
#include "autostart/testing/fake_task_scheduler.h"

namespace zeph::autostart {
namespace {

using testing::FakeTaskScheduler;
using testing::Step;
using testing::StepName;
using testing::Task;
using testing::Write;

const std::wstring kName = kAutoStartTaskName;

// What a correct (name, true, 60) registration writes, in this order.
std::vector<Write> ExpectedDefinition(const std::wstring& path, const std::wstring& directory) {
  return {
      {"Principal.RunLevel", L"1"},
      {"Triggers.Create", L"9"},
      {"LogonTrigger.Delay", L"PT1M"},
      {"Actions.Create", L"0"},
      {"ExecAction.Path", path},
      {"ExecAction.WorkingDirectory", directory},
      {"ExecAction.Arguments", L"/start"},
      {"IdleSettings.StopOnIdleEnd", L"false"},
      {"Settings.DisallowStartIfOnBatteries", L"false"},
      {"Settings.StopIfGoingOnBatteries", L"false"},
      {"Settings.ExecutionTimeLimit", L"PT0S"},  // no limit: the scheduler's own is three days
  };
}

// A root folder that already holds our task (from an older install) among others.
FakeTaskScheduler SchedulerWithOldTask() {
  FakeTaskScheduler s;
  s.tasks.emplace_back(L"Updater");
  s.tasks.emplace_back(kName).definition = {{"ExecAction.Path", L"D:\\old\\tidewell.exe"}};
  return s;
}

TEST(SecondsToDuration, MinutesAndSecondsNeverHours) {
  const struct {
    std::int32_t seconds;
    const wchar_t* expected;
  } cases[] = {
      {0, L"PT0S"},        {45, L"PT45S"},      {59, L"PT59S"},        {60, L"PT1M"},
      {61, L"PT1M1S"},     {90, L"PT1M30S"},    {3600, L"PT60M"},      {3661, L"PT61M1S"},
      {std::numeric_limits<std::int32_t>::max(), L"PT35791394M7S"},
      // Below zero there is no duration to give; never the malformed bare "PT".
      {-1, L"PT0S"},       {-90, L"PT0S"},      {std::numeric_limits<std::int32_t>::min(), L"PT0S"},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsToDuration(c.seconds), c.expected) << c.seconds;
}

TEST(SetAutoStartTask, RegistersTheLogOnTaskPropertyByProperty) {
  FakeTaskScheduler s;
  SetAutoStartTask(s, kName, true, 60);

  ASSERT_EQ(s.tasks.size(), 1u);
  const Task& task = s.tasks[0];
  EXPECT_EQ(task.name, kName);
  EXPECT_EQ(task.folder, L"\\");
  EXPECT_EQ(task.definition, ExpectedDefinition(L"C:\\Program Files\\Tidewell\\tidewell.exe",
                                                L"C:\\Program Files\\Tidewell\\"));
  EXPECT_EQ(task.registration.flags, kTaskCreateOrUpdate);
  EXPECT_EQ(task.registration.logonType, kTaskLogonInteractiveToken);
  EXPECT_FALSE(task.registration.userId.has_value());
  EXPECT_FALSE(task.registration.password.has_value());
  ASSERT_TRUE(task.registration.sddl.has_value());  // VT_BSTR, not VT_EMPTY
  EXPECT_EQ(*task.registration.sddl, L"");

  // The common opening, with its arguments.
  ASSERT_TRUE(s.security.has_value());
  EXPECT_EQ(s.security->authServiceCount, -1);
  EXPECT_EQ(s.security->authnLevel, 4u);
  EXPECT_EQ(s.security->impLevel, 3u);
  EXPECT_EQ(s.security->capabilities, 0u);
  ASSERT_TRUE(s.connect.has_value());
  EXPECT_FALSE(s.connect->serverName || s.connect->user || s.connect->domain || s.connect->password);
  EXPECT_EQ(s.folderPath, L"\\");
  EXPECT_EQ(s.newTaskFlags, 0u);
  EXPECT_EQ(s.liveSessions, 0);  // every object released before returning
}

TEST(SetAutoStartTask, DelayIsWrittenOnlyWhenPositive) {
  const struct {
    std::int32_t delay;
    const wchar_t* written;  // null: no Delay at all
  } cases[] = {{60, L"PT1M"}, {1, L"PT1S"}, {90, L"PT1M30S"}, {0, nullptr}, {-60, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delay);
    FakeTaskScheduler s;
    SetAutoStartTask(s, kName, true, c.delay);
    ASSERT_NE(s.RootTask(kName), nullptr);
    auto expected = ExpectedDefinition(s.executablePath, L"C:\\Program Files\\Tidewell\\");
    if (c.written) {
      expected[2].value = c.written;
    } else {
      expected.erase(expected.begin() + 2);
      EXPECT_EQ(s.Count(Step::SetLogonTriggerDelay), 0);
    }
    EXPECT_EQ(s.RootTask(kName)->definition, expected);
  }
}

TEST(SetAutoStartTask, WorkingDirectoryIsTheExecutablesFolderWithItsBackslash) {
  const std::wstring deep = L"C:\\" + std::wstring(300, L'd') + L"\\";
  const struct {
    std::wstring path, directory;
  } cases[] = {
      {L"C:\\tidewell.exe", L"C:\\"},
      {L"C:\\Program Files (x86)\\Tidewell 2\\tidewell.exe", L"C:\\Program Files (x86)\\Tidewell 2\\"},
      {L"\\\\server\\share\\tidewell.exe", L"\\\\server\\share\\"},
      {L"\\\\?\\" + deep + L"tidewell.exe", L"\\\\?\\" + deep},
      {L"C:\\프로그램\\tidewell.exe", L"C:\\프로그램\\"},
  };
  for (const auto& c : cases) {
    FakeTaskScheduler s;
    s.executablePath = c.path;
    SetAutoStartTask(s, kName, true, 60);
    ASSERT_NE(s.RootTask(kName), nullptr);
    EXPECT_EQ(s.RootTask(kName)->definition, ExpectedDefinition(c.path, c.directory));
  }
}

TEST(SetAutoStartTask, RegisteringAgainReplacesTheTaskAndFollowsAMovedProgram) {
  FakeTaskScheduler s = SchedulerWithOldTask();
  s.executablePath = L"E:\\new\\tidewell.exe";
  SetAutoStartTask(s, kName, true, 60);
  SetAutoStartTask(s, kName, true, 60);  // "/inst" followed by the check box: twice in a row

  ASSERT_EQ(s.tasks.size(), 2u);
  EXPECT_EQ(s.tasks[0].name, L"Updater");
  EXPECT_EQ(s.registrations, 2);
  EXPECT_EQ(s.RootTask(kName)->definition, ExpectedDefinition(L"E:\\new\\tidewell.exe", L"E:\\new\\"));
  // The second call found security already set and went on.
  EXPECT_EQ(s.Count(Step::InitializeSecurity), 2);
}

// The search shared by removal and the existence check: root folder only, hidden
// tasks unlisted, names compared exactly, indices 1..Count.
TEST(AutoStartTask, OnlyAnExactlyNamedListedRootTaskIsFoundAndRemoved) {
  const struct {
    const char* label;
    std::vector<Task> tasks;
    bool found;
  } cases[] = {
      {"empty root folder", {}, false},
      {"only entry", {{kName}}, true},
      {"last of three (index Count)", {{L"A"}, {L"B"}, {kName}}, true},
      {"first of three (index 1)", {{kName}, {L"A"}, {L"B"}}, true},
      {"lower case", {{L"tidewelltaskmachine"}}, false},
      {"upper case", {{L"TIDEWELLTASKMACHINE"}}, false},
      {"longer name", {{L"TidewellTaskMachine2"}, {L" TidewellTaskMachine"}}, false},
      {"shorter name", {{L"TidewellTask"}}, false},
      {"in a subfolder", {{kName, L"\\Tidewell"}}, false},
      {"hidden in the root folder", {{kName, L"\\", true}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    FakeTaskScheduler s;
    s.tasks = c.tasks;
    EXPECT_EQ(AutoStartTaskExists(s, kName), c.found);

    SetAutoStartTask(s, kName, false, 0);
    EXPECT_EQ(s.getTasksFlags, 0);
    EXPECT_EQ(s.tasks.size(), c.tasks.size() - (c.found ? 1 : 0));
    EXPECT_EQ(s.deleted, c.found ? std::vector<std::wstring>{kName} : std::vector<std::wstring>{});
    EXPECT_FALSE(AutoStartTaskExists(s, kName));
    EXPECT_EQ(s.liveSessions, 0);
  }
}

TEST(AutoStartTask, CoInitializeSecurityFailureEndsEveryOperation) {
  const struct {
    HResult answer;
    bool proceeds;
  } cases[] = {
      {kSOk, true},
      {kSFalse, true},
      {kRpcETooLate, true},
      {kEFail, false},
      {static_cast<HResult>(0x80070005), false},  // E_ACCESSDENIED
      {static_cast<HResult>(0x8001011A), false},  // RPC_E_NO_GOOD_SECURITY_PACKAGES
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.answer);
    FakeTaskScheduler s = SchedulerWithOldTask();
    s.Fail(Step::InitializeSecurity, c.answer);
    EXPECT_EQ(AutoStartTaskExists(s, kName), c.proceeds);
    SetAutoStartTask(s, kName, true, 60);
    EXPECT_EQ(s.registrations, c.proceeds ? 1 : 0);
    SetAutoStartTask(s, kName, false, 0);
    EXPECT_EQ(s.RootTask(kName) == nullptr, c.proceeds);
    if (!c.proceeds) {
      EXPECT_EQ(s.Count(Step::CreateTaskService), 0);
    }
  }
}

TEST(SetAutoStartTask, AFailedStepEndsRegistrationAndKeepsTheOldTask) {
  const Step steps[] = {
      Step::CreateTaskService, Step::Connect,           Step::GetFolder,
      Step::NewTask,           Step::SetRunLevel,       Step::CreateTrigger,
      Step::SetLogonTriggerDelay, Step::CreateExecAction, Step::ExecutablePath,
      Step::SetExecPath,       Step::SetExecWorkingDirectory, Step::SetExecArguments,
      Step::SetStopOnIdleEnd,  Step::SetDisallowStartIfOnBatteries, Step::SetStopIfGoingOnBatteries,
      Step::SetExecutionTimeLimit, Step::RegisterTaskDefinition,
  };
  for (const Step step : steps) {
    SCOPED_TRACE(StepName(step));
    FakeTaskScheduler s = SchedulerWithOldTask();
    const auto before = s.tasks;
    s.Fail(step, kENotImpl);
    SetAutoStartTask(s, kName, true, 60);
    EXPECT_EQ(s.registrations, 0);
    ASSERT_EQ(s.tasks.size(), before.size());
    EXPECT_EQ(s.RootTask(kName)->definition, before[1].definition);
    EXPECT_EQ(s.calls.back(), step);  // nothing was tried after the failure
    EXPECT_EQ(s.liveSessions, 0);
  }
}

TEST(SetAutoStartTask, AnEmptyExecutablePathRegistersNothing) {
  FakeTaskScheduler s;
  s.executablePath.clear();
  SetAutoStartTask(s, kName, true, 60);
  EXPECT_TRUE(s.tasks.empty());
  EXPECT_EQ(s.Count(Step::SetExecPath), 0);
}

TEST(AutoStartTask, AFailedStepEndsTheSearchAsNotFound) {
  const Step steps[] = {Step::CreateTaskService, Step::Connect,   Step::GetFolder,
                        Step::GetTasks,          Step::TaskCount, Step::TaskName};
  for (const Step step : steps) {
    SCOPED_TRACE(StepName(step));
    FakeTaskScheduler s = SchedulerWithOldTask();
    s.Fail(step);
    EXPECT_FALSE(AutoStartTaskExists(s, kName));
    SetAutoStartTask(s, kName, false, 0);
    EXPECT_NE(s.RootTask(kName), nullptr);
    EXPECT_EQ(s.Count(Step::DeleteTask), 0);
    EXPECT_EQ(s.liveSessions, 0);
  }
}

TEST(SetAutoStartTask, AFailedDeleteLeavesTheTaskAndStaysSilent) {
  FakeTaskScheduler s = SchedulerWithOldTask();
  s.Fail(Step::DeleteTask);
  SetAutoStartTask(s, kName, false, 0);
  EXPECT_EQ(s.Count(Step::DeleteTask), 1);
  EXPECT_NE(s.RootTask(kName), nullptr);
  EXPECT_TRUE(AutoStartTaskExists(s, kName));
}

TEST(ComApartment, BalancesOnlyASuccessfulInitialize) {
  const struct {
    HResult answer;  // 0: the fake's own S_OK / S_FALSE
    bool ok;
  } cases[] = {{0, true}, {static_cast<HResult>(0x80010106), false} /* RPC_E_CHANGED_MODE */, {kEFail, false}};
  for (const auto& c : cases) {
    FakeTaskScheduler s;
    if (c.answer) s.Fail(Step::InitializeApartment, c.answer);
    {
      ComApartment outer(s);
      EXPECT_EQ(outer.ok(), c.ok);
      {
        ComApartment inner(s);  // S_FALSE when already initialised: still to be balanced
        EXPECT_EQ(inner.ok(), c.ok);
      }
      EXPECT_EQ(s.apartmentDepth, c.ok ? 1 : 0);
    }
    EXPECT_EQ(s.apartmentDepth, 0);
  }
}

}  // namespace
}  // namespace zeph::autostart
