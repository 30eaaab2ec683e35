#include "installer/install_plan.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

struct Case {
  tw_operation operation;
  tw_running_copy copy;
  int interactive;
  tw_stop stop;
  int start;
  const wchar_t* argument;
};

TEST(InstallPlan, RequestsByOperationCopyAndSession) {
  const Case cases[] = {
      {TW_FIRST_INSTALL, TW_COPY_NONE, 1, TW_STOP_NOTHING, 1, L"/inst"},
      {TW_FIRST_INSTALL, TW_COPY_NONE, 0, TW_STOP_NOTHING, 0, L""},
      {TW_UPGRADE, TW_COPY_SHOWN, 1, TW_STOP_CLOSE, 1, L""},
      {TW_UPGRADE, TW_COPY_HIDDEN, 1, TW_STOP_CLOSE, 1, L"/start"},
      {TW_UPGRADE, TW_COPY_NONE, 1, TW_STOP_CLOSE, 0, L""},
      {TW_UPGRADE, TW_COPY_SHOWN, 0, TW_STOP_CLOSE, 0, L""},
      {TW_REPAIR, TW_COPY_SHOWN, 1, TW_STOP_NOTHING, 0, L""},
      {TW_UNINSTALL, TW_COPY_HIDDEN, 1, TW_STOP_UNINST, 0, L""},
      {TW_UNINSTALL, TW_COPY_SHOWN, 0, TW_STOP_UNINST, 0, L""},
      {TW_UNINSTALL, TW_COPY_NONE, 1, TW_STOP_NOTHING, 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "operation " << c.operation << ", copy " << c.copy
                                    << ", interactive " << c.interactive);
    const tw_install_plan plan = tw_plan_install(c.operation, c.copy, c.interactive);
    EXPECT_EQ(plan.stop, c.stop);
    EXPECT_EQ(plan.start, c.start);
    EXPECT_STREQ(plan.start_argument, c.argument);
  }
}

// The log-on task after the package's requests, as every released version of the
// program treats them: "/uninst" removes it, a start with "/inst" registers it, any
// other start re-registers a task it finds (its state stays), closing leaves it alone.
bool TaskAfter(bool task, const tw_install_plan& plan) {
  if (plan.stop == TW_STOP_UNINST) task = false;
  if (plan.start && std::wcscmp(plan.start_argument, L"/inst") == 0) task = true;
  return task;
}

TEST(InstallPlan, OnlyFirstInstallAndUninstallChangeTheUsersAutostartChoice) {
  for (const bool task : {false, true})
    for (const tw_running_copy copy : {TW_COPY_NONE, TW_COPY_SHOWN, TW_COPY_HIDDEN})
      for (const int interactive : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "task " << task << ", copy " << copy
                                        << ", interactive " << interactive);
        const bool running = copy != TW_COPY_NONE;
        EXPECT_EQ(TaskAfter(task, tw_plan_install(TW_UPGRADE, copy, interactive)), task);
        EXPECT_EQ(TaskAfter(task, tw_plan_install(TW_REPAIR, copy, interactive)), task);
        EXPECT_EQ(TaskAfter(task, tw_plan_install(TW_UNINSTALL, copy, interactive)), task && !running);
        if (copy == TW_COPY_NONE) {
          EXPECT_EQ(TaskAfter(task, tw_plan_install(TW_FIRST_INSTALL, copy, interactive)), task || interactive);
        }
      }
}

TEST(InstallPlan, OperationFromInstallerProperties) {
  EXPECT_EQ(tw_operation_of(0, 0, 0), TW_FIRST_INSTALL);
  EXPECT_EQ(tw_operation_of(0, 0, 1), TW_UPGRADE);
  EXPECT_EQ(tw_operation_of(1, 0, 1), TW_REPAIR);  // the very package again
  EXPECT_EQ(tw_operation_of(1, 1, 0), TW_UNINSTALL);
}

TEST(InstallPlan, InteractiveSession) {
  EXPECT_FALSE(tw_session_is_interactive(0, 1, 1, 1));  // services, deployment tools
  EXPECT_TRUE(tw_session_is_interactive(1, 1, 1, 0));
  EXPECT_FALSE(tw_session_is_interactive(2, 1, 0, 1));  // a disconnected remote session
  EXPECT_TRUE(tw_session_is_interactive(1, 0, 0, 1));   // state unknown: WinSta0 decides
  EXPECT_FALSE(tw_session_is_interactive(1, 0, 0, 0));
}

}  // namespace
