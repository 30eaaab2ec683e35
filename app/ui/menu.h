#pragma once
// The tray icon's pop-up menu. Items are components of the window (so they are
// translated with it) and children of their menu; "-" makes an item a separator.
#include <string>
#include <vector>

#include "app/ui/component.h"

namespace zeph::ui {

class PopupMenu;

class MenuItem : public Component {
 public:
  MenuItem(Component& owner, PopupMenu& menu, std::wstring name);
  bool IsSeparator() const { return Caption() == L"-"; }
  // The user chose the item: runs OnClick.
  void Click();
  NotifyEvent OnClick;
};

class PopupMenu : public Component {
 public:
  PopupMenu(Component& owner, std::wstring name);
  const std::vector<MenuItem*>& Items() const { return items_; }
  // Off: the menu adds no keyboard accelerators of its own (no '&' inserted).
  bool AutoHotkeys = false;

  struct Point {
    int X = 0;
    int Y = 0;
  };
  // Opens the menu at a screen position (the view tracks it and clicks the chosen item).
  void Popup(int x, int y);
  Point PopupPoint() const { return popupPoint_; }
  int PopupCount() const { return popupCount_; }

 private:
  friend class MenuItem;
  std::vector<MenuItem*> items_;
  Point popupPoint_;
  int popupCount_ = 0;
};

}  // namespace zeph::ui
