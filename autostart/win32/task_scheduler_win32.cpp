#include "autostart/win32/task_scheduler_win32.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <taskschd.h>

#include <algorithm>
#include <utility>

#include "autostart/win32/taskschd_extra.h"
#include "common/win32/com.h"

namespace zeph::autostart {
namespace {

static_assert(kTaskRunLevelHighest == TASK_RUNLEVEL_HIGHEST);
static_assert(kTaskTriggerLogon == TASK_TRIGGER_LOGON);
static_assert(kTaskActionExec == TASK_ACTION_EXEC);
static_assert(kTaskCreateOrUpdate == TASK_CREATE_OR_UPDATE);
static_assert(kTaskLogonInteractiveToken == TASK_LOGON_INTERACTIVE_TOKEN);
static_assert(kTaskEnumHidden == TASK_ENUM_HIDDEN);
static_assert(kRpcCAuthnLevelPkt == RPC_C_AUTHN_LEVEL_PKT);
static_assert(kRpcCImpLevelImpersonate == RPC_C_IMP_LEVEL_IMPERSONATE);
static_assert(kEoacNone == EOAC_NONE);
static_assert(kRpcETooLate == RPC_E_TOO_LATE);
static_assert(kENotImpl == E_NOTIMPL && kEPointer == E_POINTER && kEFail == E_FAIL);

// Windows' longest path, in characters, terminator included.
constexpr DWORD kMaxLongPath = 32768;

VARIANT_BOOL VariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

HRESULT LastError() {
  const DWORD error = ::GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// A missing object means its step failed or never ran: nothing to work on.
template <typename T>
HRESULT Need(const ComPtr<T>& object) {
  return object ? S_OK : E_POINTER;
}

class Win32TaskSession final : public TaskSession {
 public:
  explicit Win32TaskSession(ComPtr<ITaskService> service) : service_(std::move(service)) {}

  HResult Connect(const BstrVariant& serverName, const BstrVariant& user, const BstrVariant& domain,
                  const BstrVariant& password) override {
    Variant v[4];
    const BstrVariant* arguments[4] = {&serverName, &user, &domain, &password};
    for (int i = 0; i < 4; ++i)
      if (const HRESULT hr = v[i].Set(*arguments[i]); FAILED(hr)) return hr;
    return service_.get()->Connect(v[0].get(), v[1].get(), v[2].get(), v[3].get());
  }

  HResult GetFolder(const std::wstring& path) override {
    UniqueBstr b;
    if (const HRESULT hr = MakeBstr(path, b); FAILED(hr)) return hr;
    return Got(service_.get()->GetFolder(b.get(), folder_.put()), folder_);
  }

  HResult NewTask(std::uint32_t flags) override {
    return Got(service_.get()->NewTask(flags, definition_.put()), definition_);
  }

  HResult SetRunLevel(std::int32_t runLevel) override {
    ComPtr<IPrincipal> principal;
    if (const HRESULT hr = Need(definition_); FAILED(hr)) return hr;
    if (const HRESULT hr = Got(definition_.get()->get_Principal(principal.put()), principal); FAILED(hr)) return hr;
    return principal.get()->put_RunLevel(static_cast<TASK_RUNLEVEL_TYPE>(runLevel));
  }

  HResult CreateTrigger(std::int32_t type) override {
    ComPtr<ITriggerCollection> triggers;
    if (const HRESULT hr = Need(definition_); FAILED(hr)) return hr;
    if (const HRESULT hr = Got(definition_.get()->get_Triggers(triggers.put()), triggers); FAILED(hr)) return hr;
    return Got(triggers.get()->Create(static_cast<TASK_TRIGGER_TYPE2>(type), trigger_.put()), trigger_);
  }

  HResult SetLogonTriggerDelay(const std::wstring& delay) override {
    ComPtr<ILogonTrigger> logon;
    UniqueBstr b;
    if (const HRESULT hr = Need(trigger_); FAILED(hr)) return hr;
    if (const HRESULT hr = QueryInto(trigger_.get(), kIidLogonTrigger, logon); FAILED(hr)) return hr;
    if (const HRESULT hr = MakeBstr(delay, b); FAILED(hr)) return hr;
    return logon.get()->put_Delay(b.get());
  }

  HResult CreateExecAction(std::int32_t type) override {
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    if (const HRESULT hr = Need(definition_); FAILED(hr)) return hr;
    if (const HRESULT hr = Got(definition_.get()->get_Actions(actions.put()), actions); FAILED(hr)) return hr;
    if (const HRESULT hr = Got(actions.get()->Create(static_cast<TASK_ACTION_TYPE>(type), action.put()), action);
        FAILED(hr))
      return hr;
    return QueryInto(action.get(), kIidExecAction, execAction_);
  }

  HResult SetExecPath(const std::wstring& path) override { return PutExec(&IExecAction::put_Path, path); }
  HResult SetExecWorkingDirectory(const std::wstring& directory) override {
    return PutExec(&IExecAction::put_WorkingDirectory, directory);
  }
  HResult SetExecArguments(const std::wstring& arguments) override {
    return PutExec(&IExecAction::put_Arguments, arguments);
  }

  HResult SetStopOnIdleEnd(bool value) override {
    ComPtr<ITaskSettings> settings;
    ComPtr<IIdleSettings> idle;
    if (const HRESULT hr = GetSettings(settings); FAILED(hr)) return hr;
    if (const HRESULT hr = Got(settings.get()->get_IdleSettings(idle.put()), idle); FAILED(hr)) return hr;
    return idle.get()->put_StopOnIdleEnd(VariantBool(value));
  }

  HResult SetDisallowStartIfOnBatteries(bool value) override {
    ComPtr<ITaskSettings> settings;
    if (const HRESULT hr = GetSettings(settings); FAILED(hr)) return hr;
    return settings.get()->put_DisallowStartIfOnBatteries(VariantBool(value));
  }

  HResult SetStopIfGoingOnBatteries(bool value) override {
    ComPtr<ITaskSettings> settings;
    if (const HRESULT hr = GetSettings(settings); FAILED(hr)) return hr;
    return settings.get()->put_StopIfGoingOnBatteries(VariantBool(value));
  }

  HResult SetExecutionTimeLimit(const std::wstring& limit) override {
    ComPtr<ITaskSettings> settings;
    if (const HRESULT hr = GetSettings(settings); FAILED(hr)) return hr;
    UniqueBstr text;
    if (const HRESULT hr = MakeBstr(limit, text); FAILED(hr)) return hr;
    return settings.get()->put_ExecutionTimeLimit(text.get());
  }

  HResult RegisterTaskDefinition(const std::wstring& path, std::int32_t flags, const BstrVariant& userId,
                                 const BstrVariant& password, std::int32_t logonType,
                                 const BstrVariant& sddl) override {
    UniqueBstr name;
    Variant user, secret, descriptor;
    ComPtr<IRegisteredTask> registered;  // not used, only released
    if (const HRESULT hr = Need(folder_); FAILED(hr)) return hr;
    if (const HRESULT hr = Need(definition_); FAILED(hr)) return hr;
    if (const HRESULT hr = MakeBstr(path, name); FAILED(hr)) return hr;
    if (const HRESULT hr = user.Set(userId); FAILED(hr)) return hr;
    if (const HRESULT hr = secret.Set(password); FAILED(hr)) return hr;
    if (const HRESULT hr = descriptor.Set(sddl); FAILED(hr)) return hr;
    return folder_.get()->RegisterTaskDefinition(name.get(), definition_.get(), flags, user.get(), secret.get(),
                                                 static_cast<TASK_LOGON_TYPE>(logonType), descriptor.get(),
                                                 registered.put());
  }

  HResult GetTasks(std::int32_t flags) override {
    if (const HRESULT hr = Need(folder_); FAILED(hr)) return hr;
    return Got(folder_.get()->GetTasks(flags, tasks_.put()), tasks_);
  }

  HResult TaskCount(std::int32_t& count) override {
    LONG n = 0;
    if (const HRESULT hr = Need(tasks_); FAILED(hr)) return hr;
    if (const HRESULT hr = tasks_.get()->get_Count(&n); FAILED(hr)) return hr;
    count = n;
    return S_OK;
  }

  HResult TaskName(std::int32_t index, std::wstring& name) override {
    Variant i;
    ComPtr<IRegisteredTask> task;
    UniqueBstr text;
    if (const HRESULT hr = Need(tasks_); FAILED(hr)) return hr;
    i.SetI4(index);
    if (const HRESULT hr = Got(tasks_.get()->get_Item(i.get(), task.put()), task); FAILED(hr)) return hr;
    if (const HRESULT hr = task.get()->get_Name(text.put()); FAILED(hr)) return hr;
    name = FromBstr(text.get());
    return S_OK;
  }

  HResult DeleteTask(const std::wstring& name, std::int32_t flags) override {
    UniqueBstr b;
    if (const HRESULT hr = Need(folder_); FAILED(hr)) return hr;
    if (const HRESULT hr = MakeBstr(name, b); FAILED(hr)) return hr;
    return folder_.get()->DeleteTask(b.get(), flags);
  }

 private:
  HRESULT GetSettings(ComPtr<ITaskSettings>& settings) {
    if (const HRESULT hr = Need(definition_); FAILED(hr)) return hr;
    return Got(definition_.get()->get_Settings(settings.put()), settings);
  }

  HRESULT PutExec(HRESULT (STDMETHODCALLTYPE IExecAction::*put)(BSTR), const std::wstring& text) {
    UniqueBstr b;
    if (const HRESULT hr = Need(execAction_); FAILED(hr)) return hr;
    if (const HRESULT hr = MakeBstr(text, b); FAILED(hr)) return hr;
    return (execAction_.get()->*put)(b.get());
  }

  ComPtr<ITaskService> service_;
  ComPtr<ITaskFolder> folder_;
  ComPtr<ITaskDefinition> definition_;
  ComPtr<ITrigger> trigger_;
  ComPtr<IExecAction> execAction_;
  ComPtr<IRegisteredTaskCollection> tasks_;
};

}  // namespace

HResult Win32TaskScheduler::InitializeApartment() { return ::CoInitialize(nullptr); }

void Win32TaskScheduler::UninitializeApartment() { ::CoUninitialize(); }

HResult Win32TaskScheduler::InitializeSecurity(const SecurityParameters& p) {
  return ::CoInitializeSecurity(nullptr, p.authServiceCount, nullptr, nullptr, p.authnLevel, p.impLevel, nullptr,
                                p.capabilities, nullptr);
}

HResult Win32TaskScheduler::CreateTaskService(std::unique_ptr<TaskSession>& session) {
  ComPtr<IUnknown> unknown;
  ComPtr<ITaskService> service;
  if (const HRESULT hr = Got(::CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                                IID_IUnknown, reinterpret_cast<void**>(unknown.put())),
                             unknown);
      FAILED(hr))
    return hr;
  if (const HRESULT hr = QueryInto(unknown.get(), kIidTaskService, service); FAILED(hr)) return hr;
  session = std::make_unique<Win32TaskSession>(std::move(service));
  return S_OK;
}

HResult Win32TaskScheduler::ExecutablePath(std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return LastError();
    if (length < size) {
      buffer.resize(length);
      path = std::move(buffer);
      return S_OK;
    }
    // Filled to the brim: the path was cut short, so try a larger buffer.
    if (size >= kMaxLongPath) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    buffer.resize(std::min<DWORD>(size * 2, kMaxLongPath));
  }
}

}  // namespace zeph::autostart
