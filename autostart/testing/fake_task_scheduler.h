#pragma once
// A Task Scheduler that keeps its tasks in memory. It records every step asked of
// it, every property written to the definition being built (in order), and what
// each registration was given. Any step can be told to answer a failure.
//
//   FakeTaskScheduler scheduler;                      // empty root folder, S_OK everywhere
//   scheduler.tasks.push_back({L"Other"});            // a task in the root folder
//   scheduler.tasks.push_back({L"X", L"\\Sub"});      // ... in a subfolder
//   scheduler.tasks.push_back({L"Y", L"\\", true});   // ... hidden
//   scheduler.Fail(Step::Connect);                    // E_FAIL from Connect on
//   SetAutoStartTask(scheduler, kAutoStartTaskName, true, 60);
//   const Task* t = scheduler.RootTask(kAutoStartTaskName);   // null: nothing registered
//
// CoInitializeSecurity behaves as in a real process: S_OK the first time,
// RPC_E_TOO_LATE from then on (or whatever Fail() set).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "autostart/task_scheduler.h"

namespace zeph::autostart::testing {

enum class Step {
  InitializeApartment,
  InitializeSecurity,
  CreateTaskService,
  ExecutablePath,
  Connect,
  GetFolder,
  NewTask,
  SetRunLevel,
  CreateTrigger,
  SetLogonTriggerDelay,
  CreateExecAction,
  SetExecPath,
  SetExecWorkingDirectory,
  SetExecArguments,
  SetStopOnIdleEnd,
  SetDisallowStartIfOnBatteries,
  SetStopIfGoingOnBatteries,
  SetExecutionTimeLimit,
  RegisterTaskDefinition,
  GetTasks,
  TaskCount,
  TaskName,
  DeleteTask,
};

inline const char* StepName(Step step) {
  static const char* const names[] = {
      "InitializeApartment", "InitializeSecurity", "CreateTaskService", "ExecutablePath", "Connect", "GetFolder",
      "NewTask", "SetRunLevel", "CreateTrigger", "SetLogonTriggerDelay", "CreateExecAction", "SetExecPath",
      "SetExecWorkingDirectory", "SetExecArguments", "SetStopOnIdleEnd", "SetDisallowStartIfOnBatteries",
      "SetStopIfGoingOnBatteries", "SetExecutionTimeLimit", "RegisterTaskDefinition", "GetTasks", "TaskCount",
      "TaskName", "DeleteTask",
  };
  static_assert(std::size(names) == static_cast<std::size_t>(Step::DeleteTask) + 1);
  return names[static_cast<int>(step)];
}

// One property written to a definition, e.g. {"Principal.RunLevel", L"1"}.
struct Write {
  std::string property;
  std::wstring value;
  bool operator==(const Write&) const = default;
};

struct Registration {
  std::int32_t flags = -1;
  BstrVariant userId, password;
  std::int32_t logonType = -1;
  BstrVariant sddl;
};

struct Task {
  Task(std::wstring name, std::wstring folder = L"\\", bool hidden = false)
      : name(std::move(name)), folder(std::move(folder)), hidden(hidden) {}

  std::wstring name;
  std::wstring folder;
  bool hidden;
  std::vector<Write> definition;  // what was written to it before it was registered
  Registration registration;
};

struct ConnectArguments {
  BstrVariant serverName, user, domain, password;
};

class FakeTaskScheduler : public TaskScheduler {
 public:
  std::vector<Task> tasks;
  std::wstring executablePath = L"C:\\Program Files\\Tidewell\\tidewell.exe";

  // What was asked, in order, failed steps included.
  std::vector<Step> calls;
  std::optional<SecurityParameters> security;
  std::optional<ConnectArguments> connect;
  std::wstring folderPath;
  std::optional<std::uint32_t> newTaskFlags;
  std::optional<std::int32_t> getTasksFlags;
  std::vector<std::wstring> deleted;  // names given to DeleteTask
  int registrations = 0;
  int liveSessions = 0;
  int apartmentDepth = 0;  // successful InitializeApartment minus UninitializeApartment

  // From now on `step` answers `hr` (and does nothing else).
  void Fail(Step step, HResult hr = kEFail) { failures_[step] = hr; }
  void Heal(Step step) { failures_.erase(step); }

  int Count(Step step) const { return static_cast<int>(std::count(calls.begin(), calls.end(), step)); }

  const Task* RootTask(const std::wstring& name) const {
    for (const auto& task : tasks)
      if (task.folder == L"\\" && task.name == name) return &task;
    return nullptr;
  }

  HResult InitializeApartment() override {
    if (const auto hr = Begin(Step::InitializeApartment)) return *hr;
    return apartmentDepth++ == 0 ? kSOk : kSFalse;
  }
  void UninitializeApartment() override { --apartmentDepth; }

  HResult InitializeSecurity(const SecurityParameters& parameters) override {
    security = parameters;
    if (const auto hr = Begin(Step::InitializeSecurity)) return *hr;
    return std::exchange(securitySet_, true) ? kRpcETooLate : kSOk;
  }

  HResult CreateTaskService(std::unique_ptr<TaskSession>& session) override {
    if (const auto hr = Begin(Step::CreateTaskService)) return *hr;
    session = std::make_unique<Session>(*this);
    return kSOk;
  }

  HResult ExecutablePath(std::wstring& path) override {
    if (const auto hr = Begin(Step::ExecutablePath)) return *hr;
    path = executablePath;
    return kSOk;
  }

 private:
  // Records the call; the failure it was told to give, if any.
  std::optional<HResult> Begin(Step step) {
    calls.push_back(step);
    const auto it = failures_.find(step);
    if (it == failures_.end()) return std::nullopt;
    return it->second;
  }

  class Session : public TaskSession {
   public:
    explicit Session(FakeTaskScheduler& owner) : owner_(owner) { ++owner_.liveSessions; }
    ~Session() override { --owner_.liveSessions; }

    HResult Connect(const BstrVariant& serverName, const BstrVariant& user, const BstrVariant& domain,
                    const BstrVariant& password) override {
      owner_.connect = ConnectArguments{serverName, user, domain, password};
      if (const auto hr = owner_.Begin(Step::Connect)) return *hr;
      connected_ = true;
      return kSOk;
    }
    HResult GetFolder(const std::wstring& path) override {
      owner_.folderPath = path;
      if (const auto hr = Enter(Step::GetFolder, connected_)) return *hr;
      folder_ = path;
      return kSOk;
    }

    HResult NewTask(std::uint32_t flags) override {
      if (const auto hr = Enter(Step::NewTask, connected_)) return *hr;
      owner_.newTaskFlags = flags;
      definition_.emplace();
      return kSOk;
    }
    HResult SetRunLevel(std::int32_t runLevel) override {
      return Set(Step::SetRunLevel, definition_.has_value(), "Principal.RunLevel", std::to_wstring(runLevel));
    }
    HResult CreateTrigger(std::int32_t type) override {
      const HResult hr = Set(Step::CreateTrigger, definition_.has_value(), "Triggers.Create", std::to_wstring(type));
      if (Succeeded(hr)) triggerType_ = type;
      return hr;
    }
    HResult SetLogonTriggerDelay(const std::wstring& delay) override {
      return Set(Step::SetLogonTriggerDelay, triggerType_ == kTaskTriggerLogon, "LogonTrigger.Delay", delay);
    }
    HResult CreateExecAction(std::int32_t type) override {
      const HResult hr = Set(Step::CreateExecAction, definition_.has_value() && type == kTaskActionExec,
                             "Actions.Create", std::to_wstring(type));
      if (Succeeded(hr)) execAction_ = true;
      return hr;
    }
    HResult SetExecPath(const std::wstring& path) override {
      return Set(Step::SetExecPath, execAction_, "ExecAction.Path", path);
    }
    HResult SetExecWorkingDirectory(const std::wstring& directory) override {
      return Set(Step::SetExecWorkingDirectory, execAction_, "ExecAction.WorkingDirectory", directory);
    }
    HResult SetExecArguments(const std::wstring& arguments) override {
      return Set(Step::SetExecArguments, execAction_, "ExecAction.Arguments", arguments);
    }
    HResult SetStopOnIdleEnd(bool value) override {
      return Set(Step::SetStopOnIdleEnd, definition_.has_value(), "IdleSettings.StopOnIdleEnd", Bool(value));
    }
    HResult SetDisallowStartIfOnBatteries(bool value) override {
      return Set(Step::SetDisallowStartIfOnBatteries, definition_.has_value(),
                 "Settings.DisallowStartIfOnBatteries", Bool(value));
    }
    HResult SetStopIfGoingOnBatteries(bool value) override {
      return Set(Step::SetStopIfGoingOnBatteries, definition_.has_value(), "Settings.StopIfGoingOnBatteries",
                 Bool(value));
    }
    HResult SetExecutionTimeLimit(const std::wstring& limit) override {
      return Set(Step::SetExecutionTimeLimit, definition_.has_value(), "Settings.ExecutionTimeLimit", limit);
    }

    HResult RegisterTaskDefinition(const std::wstring& path, std::int32_t flags, const BstrVariant& userId,
                                   const BstrVariant& password, std::int32_t logonType,
                                   const BstrVariant& sddl) override {
      if (const auto hr = Enter(Step::RegisterTaskDefinition, folder_.has_value() && definition_.has_value()))
        return *hr;
      Task task(path, *folder_);
      task.definition = *definition_;
      task.registration = Registration{flags, userId, password, logonType, sddl};
      auto& tasks = owner_.tasks;
      const auto same = std::find_if(tasks.begin(), tasks.end(),
                                     [&](const Task& t) { return t.folder == task.folder && t.name == path; });
      if (same != tasks.end()) {
        if (!(flags & 4)) return kEFail;  // TASK_UPDATE not given: no replacing
        *same = std::move(task);
      } else {
        if (!(flags & 2)) return kEFail;  // TASK_CREATE not given
        tasks.push_back(std::move(task));
      }
      ++owner_.registrations;
      return kSOk;
    }

    HResult GetTasks(std::int32_t flags) override {
      owner_.getTasksFlags = flags;
      if (const auto hr = Enter(Step::GetTasks, folder_.has_value())) return *hr;
      listed_.emplace();
      for (const auto& task : owner_.tasks)
        if (task.folder == *folder_ && (!task.hidden || (flags & kTaskEnumHidden))) listed_->push_back(task.name);
      return kSOk;
    }
    HResult TaskCount(std::int32_t& count) override {
      if (const auto hr = Enter(Step::TaskCount, listed_.has_value())) return *hr;
      count = static_cast<std::int32_t>(listed_->size());
      return kSOk;
    }
    HResult TaskName(std::int32_t index, std::wstring& name) override {
      if (const auto hr = Enter(Step::TaskName, listed_.has_value())) return *hr;
      if (index < 1 || index > static_cast<std::int32_t>(listed_->size())) return kEInvalidArg;
      name = (*listed_)[index - 1];
      return kSOk;
    }
    HResult DeleteTask(const std::wstring& name, std::int32_t) override {
      owner_.deleted.push_back(name);
      if (const auto hr = Enter(Step::DeleteTask, folder_.has_value())) return *hr;
      auto& tasks = owner_.tasks;
      const auto it = std::find_if(tasks.begin(), tasks.end(),
                                   [&](const Task& t) { return t.folder == *folder_ && t.name == name; });
      if (it == tasks.end()) return kFileNotFound;
      tasks.erase(it);
      return kSOk;
    }

   private:
    static constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057);
    static constexpr HResult kFileNotFound = static_cast<HResult>(0x80070002);

    static std::wstring Bool(bool value) { return value ? L"true" : L"false"; }

    // Records the call; a failure when told to fail or when the object the step
    // works on is missing.
    std::optional<HResult> Enter(Step step, bool ready) {
      if (const auto hr = owner_.Begin(step)) return hr;
      if (!ready) return kEPointer;
      return std::nullopt;
    }
    // A property write: recorded in the definition only when the step succeeds.
    HResult Set(Step step, bool ready, const char* property, std::wstring value) {
      if (const auto hr = Enter(step, ready)) return *hr;
      definition_->push_back({property, std::move(value)});
      return kSOk;
    }

    FakeTaskScheduler& owner_;
    bool connected_ = false;
    std::optional<std::wstring> folder_;
    std::optional<std::vector<Write>> definition_;
    std::optional<std::int32_t> triggerType_;
    bool execAction_ = false;
    std::optional<std::vector<std::wstring>> listed_;
  };

  std::map<Step, HResult> failures_;
  bool securitySet_ = false;
};

}  // namespace zeph::autostart::testing
