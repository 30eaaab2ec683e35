#pragma once
// What the autostart unit needs from the Windows Task Scheduler 2.0 service and COM.
// The logic (autostart.cpp) owns the algorithm: which step comes next, with which
// value, and where to stop. The seam does one step per call and answers with the
// step's HRESULT. The Win32 implementation is autostart/win32/task_scheduler_win32.h;
// tests use autostart/testing/fake_task_scheduler.h.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zeph::autostart {

using HResult = std::int32_t;

constexpr bool Succeeded(HResult hr) { return hr >= 0; }

inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001);
inline constexpr HResult kEPointer = static_cast<HResult>(0x80004003);
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
// CoInitializeSecurity's answer once the process's security is already set.
inline constexpr HResult kRpcETooLate = static_cast<HResult>(0x80010119);

// Published Task Scheduler and RPC constants the program passes.
inline constexpr std::int32_t kTaskRunLevelHighest = 1;
inline constexpr std::int32_t kTaskTriggerLogon = 9;
inline constexpr std::int32_t kTaskActionExec = 0;
inline constexpr std::int32_t kTaskCreateOrUpdate = 6;
inline constexpr std::int32_t kTaskLogonInteractiveToken = 3;
inline constexpr std::int32_t kTaskEnumHidden = 1;
inline constexpr std::uint32_t kRpcCAuthnLevelPkt = 4;
inline constexpr std::uint32_t kRpcCImpLevelImpersonate = 3;
inline constexpr std::uint32_t kEoacNone = 0;

// A VARIANT argument that is either empty (VT_EMPTY, nullopt) or a string (VT_BSTR).
using BstrVariant = std::optional<std::wstring>;

// The CoInitializeSecurity arguments that are not NULL; every pointer argument
// (security descriptor, service list, both reserved ones, authentication list) is NULL.
struct SecurityParameters {
  std::int32_t authServiceCount;
  std::uint32_t authnLevel;
  std::uint32_t impLevel;
  std::uint32_t capabilities;
};

// One operation's COM objects: the service, its root folder, the task definition
// being built with its trigger and exec action, and the folder's task list. They
// are all released when the session is destroyed. A step whose object is missing
// (its earlier step failed or never ran) fails instead of touching anything.
class TaskSession {
 public:
  virtual ~TaskSession() = default;

  // ITaskService::Connect(serverName, user, domain, password).
  virtual HResult Connect(const BstrVariant& serverName, const BstrVariant& user, const BstrVariant& domain,
                          const BstrVariant& password) = 0;
  // ITaskService::GetFolder(path); the session keeps the folder.
  virtual HResult GetFolder(const std::wstring& path) = 0;

  // Building a definition.
  virtual HResult NewTask(std::uint32_t flags) = 0;                    // ITaskService::NewTask
  virtual HResult SetRunLevel(std::int32_t runLevel) = 0;              // Principal.RunLevel
  virtual HResult CreateTrigger(std::int32_t type) = 0;                // Triggers.Create
  virtual HResult SetLogonTriggerDelay(const std::wstring& delay) = 0;  // that trigger as ILogonTrigger: Delay
  // Actions.Create(type), then the new action's IExecAction, which the three
  // SetExec* steps write to.
  virtual HResult CreateExecAction(std::int32_t type) = 0;
  virtual HResult SetExecPath(const std::wstring& path) = 0;
  virtual HResult SetExecWorkingDirectory(const std::wstring& directory) = 0;
  virtual HResult SetExecArguments(const std::wstring& arguments) = 0;
  virtual HResult SetStopOnIdleEnd(bool value) = 0;               // Settings.IdleSettings.StopOnIdleEnd
  virtual HResult SetDisallowStartIfOnBatteries(bool value) = 0;  // Settings
  virtual HResult SetStopIfGoingOnBatteries(bool value) = 0;      // Settings
  virtual HResult SetExecutionTimeLimit(const std::wstring& limit) = 0;  // Settings
  // ITaskFolder::RegisterTaskDefinition of the definition built so far; the
  // registered task it hands back is released at once.
  virtual HResult RegisterTaskDefinition(const std::wstring& path, std::int32_t flags, const BstrVariant& userId,
                                         const BstrVariant& password, std::int32_t logonType,
                                         const BstrVariant& sddl) = 0;

  // The folder's task list: GetTasks(flags) keeps the collection; TaskName reads
  // Item(index).Name with a 1-based VT_I4 index.
  virtual HResult GetTasks(std::int32_t flags) = 0;
  virtual HResult TaskCount(std::int32_t& count) = 0;
  virtual HResult TaskName(std::int32_t index, std::wstring& name) = 0;
  virtual HResult DeleteTask(const std::wstring& name, std::int32_t flags) = 0;
};

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;

  // CoInitialize(nullptr) on the calling thread, and the CoUninitialize that
  // balances a successful one (see ComApartment).
  virtual HResult InitializeApartment() = 0;
  virtual void UninitializeApartment() = 0;

  virtual HResult InitializeSecurity(const SecurityParameters& parameters) = 0;
  // The TaskScheduler object as ITaskService, in a new session. On failure the
  // session stays empty. (Not "CreateService": <windows.h> makes that a macro.)
  virtual HResult CreateTaskService(std::unique_ptr<TaskSession>& session) = 0;
  // Full path of the running program's executable file.
  virtual HResult ExecutablePath(std::wstring& path) = 0;
};

}  // namespace zeph::autostart
