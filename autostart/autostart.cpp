#include "autostart/autostart.h"

#include <memory>

#include "common/utf.h"

namespace zeph::autostart {
namespace {

constexpr SecurityParameters kSecurity{-1, kRpcCAuthnLevelPkt, kRpcCImpLevelImpersonate, kEoacNone};
constexpr wchar_t kRootFolder[] = L"\\";
constexpr wchar_t kStartArgument[] = L"/start";
constexpr wchar_t kNoTimeLimit[] = L"PT0S";
const BstrVariant kEmpty;  // VT_EMPTY

bool Failed(HResult hr) { return !Succeeded(hr); }

// Security, service, connection and root folder: what every operation starts with.
// Null when any of them fails, which ends the operation.
std::unique_ptr<TaskSession> OpenRootFolder(TaskScheduler& scheduler) {
  // From the second call on the process's security is already set; that is fine.
  const HResult security = scheduler.InitializeSecurity(kSecurity);
  if (Failed(security) && security != kRpcETooLate) return nullptr;

  std::unique_ptr<TaskSession> session;
  if (Failed(scheduler.CreateTaskService(session)) || !session) return nullptr;
  // The local machine, as the current user.
  if (Failed(session->Connect(kEmpty, kEmpty, kEmpty, kEmpty))) return nullptr;
  if (Failed(session->GetFolder(kRootFolder))) return nullptr;
  return session;
}

// Walks the root folder's listed tasks (hidden ones are not listed) for an exact,
// case-sensitive name. A failed step counts as not found.
bool ListsTask(TaskSession& session, const std::wstring& taskName) {
  std::int32_t count = 0;
  if (Failed(session.GetTasks(0)) || Failed(session.TaskCount(count))) return false;
  for (std::int32_t i = 1; i <= count; ++i) {
    std::wstring name;
    if (Failed(session.TaskName(i, name))) return false;
    if (name == taskName) return true;
  }
  return false;
}

// The directory part of an executable's path, trailing backslash included, so
// that the task starts in the program's own folder.
std::wstring DirectoryOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

void RegisterTask(TaskScheduler& scheduler, TaskSession& session, const std::wstring& taskName,
                  std::int32_t delaySeconds) {
  if (Failed(session.NewTask(0))) return;
  if (Failed(session.SetRunLevel(kTaskRunLevelHighest))) return;
  if (Failed(session.CreateTrigger(kTaskTriggerLogon))) return;
  if (delaySeconds > 0 && Failed(session.SetLogonTriggerDelay(SecondsToDuration(delaySeconds)))) return;
  if (Failed(session.CreateExecAction(kTaskActionExec))) return;

  // A task without a program to run would be worse than none.
  std::wstring path;
  if (Failed(scheduler.ExecutablePath(path)) || path.empty()) return;
  if (Failed(session.SetExecPath(path))) return;
  if (Failed(session.SetExecWorkingDirectory(DirectoryOf(path)))) return;
  if (Failed(session.SetExecArguments(kStartArgument))) return;

  // A laptop must start the program on batteries too, and idling must not stop it.
  if (Failed(session.SetStopOnIdleEnd(false))) return;
  if (Failed(session.SetDisallowStartIfOnBatteries(false))) return;
  if (Failed(session.SetStopIfGoingOnBatteries(false))) return;
  // Left unset, the scheduler ends the program after three days (PT72H); it runs
  // for the whole log-on.
  if (Failed(session.SetExecutionTimeLimit(kNoTimeLimit))) return;

  // Replaces a task of the same name; the sddl is an empty string, not an empty VARIANT.
  session.RegisterTaskDefinition(taskName, kTaskCreateOrUpdate, kEmpty, kEmpty, kTaskLogonInteractiveToken,
                                 BstrVariant(std::wstring()));
}

}  // namespace

void SetAutoStartTask(TaskScheduler& scheduler, const std::wstring& taskName, bool enabled,
                      std::int32_t delaySeconds) {
  const auto session = OpenRootFolder(scheduler);
  if (!session) return;
  if (enabled) {
    RegisterTask(scheduler, *session, taskName, delaySeconds);
  } else if (ListsTask(*session, taskName)) {
    // Only a task the listing showed under exactly this name is ever deleted.
    session->DeleteTask(taskName, 0);
  }
}

bool AutoStartTaskExists(TaskScheduler& scheduler, const std::wstring& taskName) {
  const auto session = OpenRootFolder(scheduler);
  return session && ListsTask(*session, taskName);
}

std::wstring SecondsToDuration(std::int32_t seconds) {
  const std::int32_t minutes = seconds / 60;
  const std::int32_t rest = seconds % 60;
  std::wstring result = L"PT";
  if (minutes > 0) result += DecimalText(static_cast<std::uint32_t>(minutes)) + L"M";
  if (rest > 0) result += DecimalText(static_cast<std::uint32_t>(rest)) + L"S";
  // Negative counts would otherwise leave a bare "PT", which is no duration at all.
  if (minutes <= 0 && rest <= 0) result = L"PT0S";
  return result;
}

}  // namespace zeph::autostart
