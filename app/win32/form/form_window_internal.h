#pragma once
// Pieces the three parts of FormWindow share (form_window.cpp: creation and look-ups;
// form_window_sync.cpp: model -> windows; form_window_messages.cpp: windows -> model).
#include <windows.h>

#include <string>

#include "app/win32/form/form_window.h"
#include "app/win32/look/buffered.h"

namespace zeph::win32::form_detail {


inline constexpr wchar_t kPanelClass[] = L"TidewellPanel";
inline constexpr wchar_t kImageClass[] = L"TidewellImage";
inline constexpr wchar_t kIndicatorClass[] = L"TidewellIndicator";
inline constexpr UINT_PTR kIndicatorTimer = 1;
inline constexpr UINT_PTR kSubclassId = 1;
// A drop-down list's window height includes its open list: room for all seven items.
inline constexpr int kDropDownListHeight = 170;

struct CreateParams {
  FormWindow* self;
  void* view;
};

template <typename T>
T* As(ui::Component* component) {
  return dynamic_cast<T*>(component);
}

}  // namespace zeph::win32::form_detail
