#include "app/win32/form/accessible.h"

#include <objbase.h>
#include <oleacc.h>

#include <atomic>
#include <new>

#include "common/win32/com.h"
#include "common/win32/optional_functions.h"
#include "crash/fault.h"

namespace zeph::win32 {

long AccessibleRole(AccessibleKind kind) {
  switch (kind) {
    case AccessibleKind::PageTab: return ROLE_SYSTEM_PAGETAB;
    case AccessibleKind::Link: return ROLE_SYSTEM_LINK;
    case AccessibleKind::Animation: return ROLE_SYSTEM_ANIMATION;
    case AccessibleKind::PushButton: break;
  }
  return ROLE_SYSTEM_PUSHBUTTON;
}

long AccessibleState(const AccessibleFacts& f) {
  long state = 0;
  if (!f.visible) state |= STATE_SYSTEM_INVISIBLE;
  if (f.kind == AccessibleKind::Animation) {
    // The ring never takes the focus; while it shows, it moves and the program works.
    if (f.visible) state |= STATE_SYSTEM_ANIMATED | (f.busy ? STATE_SYSTEM_BUSY : 0);
    return state;
  }
  if (!f.enabled) state |= STATE_SYSTEM_UNAVAILABLE;
  if (f.enabled && f.visible) state |= STATE_SYSTEM_FOCUSABLE;
  if (f.focused) state |= STATE_SYSTEM_FOCUSED;
  if (f.busy) state |= STATE_SYSTEM_BUSY;
  if (f.kind == AccessibleKind::PageTab) state |= STATE_SYSTEM_SELECTABLE | (f.selected ? STATE_SYSTEM_SELECTED : 0);
  if (f.kind == AccessibleKind::Link) state |= STATE_SYSTEM_LINKED;
  return state;
}

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// Screen readers call in through COM and the window procedure: no C++ exception may
// cross back into the system's frames. A C++ error gives `failed`; a hardware fault
// goes to the crash reporter, as at every other boundary.
template <typename Result, typename Fn>
Result Answer(Result failed, Fn&& fn) noexcept {
  Result result = failed;
  crash::RunGuarded([&] { result = fn(); });
  return result;
}

// One control's object. Name, role, state and the default action come from the
// window (through the host, while it lives); the rest is the standard object's.
class ControlAccessible final : public IAccessible {
 public:
  ControlAccessible(HWND control, ComPtr<IAccessible> standard, std::weak_ptr<AccessibleHost> host)
      : control_(control), standard_(std::move(standard)), host_(std::move(host)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: screen readers call IAccessible directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible: what the window knows
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Answer(E_FAIL, [&]() -> HRESULT {
      if (!name) return E_POINTER;
      *name = nullptr;
      if (!IsSelf(child)) return standard_.get()->get_accName(child, name);
      AccessibleFacts facts;
      if (!Read(facts)) return RPC_E_DISCONNECTED;
      if (facts.name.empty()) return S_FALSE;
      *name = SysAllocString(facts.name.c_str());
      return *name ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return Answer(E_FAIL, [&]() -> HRESULT {
      if (!role) return E_POINTER;
      if (!IsSelf(child)) return standard_.get()->get_accRole(child, role);
      VariantInit(role);
      AccessibleFacts facts;
      if (!Read(facts)) return RPC_E_DISCONNECTED;
      role->vt = VT_I4;
      role->lVal = AccessibleRole(facts.kind);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return Answer(E_FAIL, [&]() -> HRESULT {
      if (!state) return E_POINTER;
      if (!IsSelf(child)) return standard_.get()->get_accState(child, state);
      VariantInit(state);
      AccessibleFacts facts;
      if (!Read(facts)) return RPC_E_DISCONNECTED;
      state->vt = VT_I4;
      state->lVal = AccessibleState(facts);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Answer(E_FAIL, [&]() -> HRESULT {
      if (!action) return E_POINTER;
      *action = nullptr;
      AccessibleFacts facts;
      if (!IsSelf(child)) return standard_.get()->get_accDefaultAction(child, action);
      if (!Read(facts)) return RPC_E_DISCONNECTED;
      if (facts.defaultAction.empty()) return standard_.get()->get_accDefaultAction(child, action);
      *action = SysAllocString(facts.defaultAction.c_str());
      return *action ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Answer(E_FAIL, [&]() -> HRESULT {
      if (!IsSelf(child)) return standard_.get()->accDoDefaultAction(child);
      const auto host = host_.lock();
      if (!host) return RPC_E_DISCONNECTED;
      return host->DoDefaultAction(control_) ? S_OK : DISP_E_MEMBERNOTFOUND;
    });
  }

  // IAccessible: the standard object's. These only pass the call on to the system's
  // object, where no C++ exception arises.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_.get()->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_.get()->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return standard_.get()->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_.get()->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard_.get()->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard_.get()->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_.get()->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return standard_.get()->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_.get()->get_accFocus(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_.get()->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard_.get()->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT child) override {
    return standard_.get()->accLocation(x, y, w, h, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_.get()->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_.get()->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~ControlAccessible() = default;

  bool Read(AccessibleFacts& facts) {
    const auto host = host_.lock();
    return host && host->Facts(control_, facts);
  }

  const HWND control_;
  const ComPtr<IAccessible> standard_;
  const std::weak_ptr<AccessibleHost> host_;
  std::atomic<ULONG> refs_{1};
};

// WM_GETOBJECT's answer for OBJID_CLIENT: a new object, marshalled.
LRESULT NewObject(HWND control, WPARAM wParam, LPARAM lParam, std::weak_ptr<AccessibleHost> host) {
  // lParam is a LONG object id; 64-bit Windows may pass it sign-extended or not.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return 0;
  {
    AccessibleFacts facts;
    const auto alive = host.lock();
    if (!alive || !alive->Facts(control, facts)) return 0;
  }
  const OleaccFunctions& oleacc = Oleacc();
  if (!oleacc.CreateStdAccessibleObject || !oleacc.LresultFromObject) return 0;
  // The answer is marshalled through COM, which needs the window thread in an
  // apartment; it stays there for the thread's life.
  static thread_local const bool apartment =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  (void)apartment;
  ComPtr<IAccessible> standard;
  if (FAILED(oleacc.CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(standard.put()))) ||
      !standard) {
    return 0;
  }
  auto* object = new (std::nothrow) ControlAccessible(control, std::move(standard), std::move(host));
  if (!object) return 0;
  const LRESULT result = oleacc.LresultFromObject(__uuidof(IAccessible), wParam, object);
  object->Release();  // LresultFromObject holds its own reference while the client has not taken it
  return result < 0 ? 0 : result;
}

}  // namespace

LRESULT AnswerGetObject(HWND control, WPARAM wParam, LPARAM lParam, std::weak_ptr<AccessibleHost> host) {
  return Answer(LRESULT{0}, [&] { return NewObject(control, wParam, lParam, std::move(host)); });
}

void NotifyAccessible(DWORD event, HWND control) {
  if (control) NotifyWinEvent(event, control, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace zeph::win32
