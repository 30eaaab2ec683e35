#pragma once
// Owners for COM values: interface pointers, BSTRs, VARIANTs and the calling
// thread's apartment. Each is released exactly once, on every path.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <optional>
#include <string>

#include "common/unique_handle.h"

namespace zeph {

template <typename T>
struct ComTraits {
  using Value = T*;
  static constexpr T* Invalid() noexcept { return nullptr; }
  static void Close(T* p) noexcept { p->Release(); }
};
template <typename T>
using ComPtr = UniqueAny<ComTraits<T>>;

struct BstrTraits {
  using Value = BSTR;
  static constexpr BSTR Invalid() noexcept { return nullptr; }
  static void Close(BSTR b) noexcept { ::SysFreeString(b); }
};
using UniqueBstr = UniqueAny<BstrTraits>;

// A COM call that hands out an interface: success must also mean a pointer, so
// a server that answers S_OK with nothing cannot crash the caller.
template <typename T>
HRESULT Got(HRESULT hr, const ComPtr<T>& out) {
  if (FAILED(hr)) return hr;
  return out ? S_OK : E_POINTER;
}

template <typename T>
HRESULT QueryInto(IUnknown* from, const IID& iid, ComPtr<T>& to) {
  return Got(from->QueryInterface(iid, reinterpret_cast<void**>(to.put())), to);
}

// A real BSTR (length-prefixed, so it survives marshalling to another process);
// an empty text gives an empty BSTR, not a null one.
inline HRESULT MakeBstr(const std::wstring& text, UniqueBstr& out) {
  out.reset(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  return out ? S_OK : E_OUTOFMEMORY;
}

inline std::wstring FromBstr(BSTR b) { return b ? std::wstring(b, ::SysStringLen(b)) : std::wstring(); }

class Variant {
 public:
  Variant() noexcept { ::VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value_); }

  // VT_EMPTY for nullopt, else VT_BSTR holding its own copy of the text.
  HRESULT Set(const std::optional<std::wstring>& text) {
    ::VariantClear(&value_);
    if (!text) return S_OK;
    UniqueBstr b;
    if (const HRESULT hr = MakeBstr(*text, b); FAILED(hr)) return hr;
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = b.release();
    return S_OK;
  }
  void SetI4(LONG n) {
    ::VariantClear(&value_);
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = n;
  }

  // For [in] arguments passed by value: the callee borrows, this object still owns.
  const VARIANT& get() const noexcept { return value_; }

 private:
  VARIANT value_;
};

// COM on the calling thread for the length of one operation, as a single-threaded
// apartment. Only a successful CoInitializeEx (S_OK, or S_FALSE when the thread
// already had one) is balanced. A failed one, such as RPC_E_CHANGED_MODE on a thread
// already in the multithreaded apartment, must not be; COM still works there.
class ScopedComApartment {
 public:
  ScopedComApartment() noexcept
      : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;
  ~ScopedComApartment() {
    if (initialized_) ::CoUninitialize();
  }

 private:
  bool initialized_;
};

}  // namespace zeph
