#include "app/ui/menu.h"

#include <algorithm>

namespace zeph::ui {

MenuItem::MenuItem(Component& owner, PopupMenu& menu, std::wstring name)
    : Component(&owner, L"TMenuItem", std::move(name), true) {
  menu.items_.push_back(this);
}

void MenuItem::Click() {
  if (!IsSeparator() && OnClick) OnClick(*this);
}

PopupMenu::PopupMenu(Component& owner, std::wstring name)
    : Component(&owner, L"TPopupMenu", std::move(name), false) {}

void PopupMenu::Popup(int x, int y) {
  popupPoint_ = {x, y};
  ++popupCount_;
  Notify(Property::Popup);
}

}  // namespace zeph::ui
