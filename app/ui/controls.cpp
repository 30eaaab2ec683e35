#include "app/ui/controls.h"

#include <algorithm>

namespace zeph::ui {

Label::Label(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TLabel", std::move(name), true) {}

Button::Button(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TButton", std::move(name), true) {}

void Button::Click() {
  if (Enabled() && OnClick) OnClick(*this);
}

SpeedButton::SpeedButton(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TSpeedButton", std::move(name), true) {}

void SpeedButton::SetDown(bool down) {
  if (down == down_) return;
  if (!down && groupIndex_ != 0) return;
  down_ = down;
  Notify(Property::Down);
  if (!down || groupIndex_ == 0 || Parent() == nullptr) return;
  for (Control* sibling : Parent()->Children()) {
    auto* other = dynamic_cast<SpeedButton*>(sibling);
    if (other == nullptr || other == this || other->groupIndex_ != groupIndex_ || !other->down_) continue;
    other->down_ = false;
    other->Notify(Property::Down);
  }
}

void SpeedButton::Click() {
  if (!Enabled()) return;
  if (groupIndex_ != 0) SetDown(true);
  if (OnClick) OnClick(*this);
}

CheckBox::CheckBox(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TCheckBox", std::move(name), true) {}

void CheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Notify(Property::Checked);
  if (OnClick) OnClick(*this);
}

ComboBox::ComboBox(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TComboBox", std::move(name), false) {}

void ComboBox::SetItems(std::vector<std::wstring> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  Notify(Property::Items);
}

void ComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Notify(Property::ItemIndex);
}

std::wstring ComboBox::Text() const {
  return itemIndex_ < 0 ? std::wstring() : items_[static_cast<std::size_t>(itemIndex_)];
}

void ComboBox::UserSelect(int index) {
  SetItemIndex(index);
  if (OnChange) OnChange(*this);
}

Edit::Edit(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TEdit", std::move(name), false) {}

void Edit::SetText(std::wstring text) {
  if (text == text_) return;
  text_ = std::move(text);
  Notify(Property::Text);
}

void Edit::Click() {
  if (OnClick) OnClick(*this);
}

ProgressBar::ProgressBar(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TProgressBar", std::move(name), false) {}

void ProgressBar::SetPosition(int position) {
  position = std::clamp(position, Min(), Max());
  if (position == position_) return;
  position_ = position;
  Notify(Property::Position);
}

ActivityIndicator::ActivityIndicator(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TActivityIndicator", std::move(name), false) {}

void ActivityIndicator::SetAnimate(bool animate) {
  if (animate == animate_) return;
  animate_ = animate;
  Notify(Property::Animate);
}

Panel::Panel(Component& owner, Control& parent, std::wstring name)
    : Panel(owner, parent, L"TPanel", std::move(name)) {}

Panel::Panel(Component& owner, Control& parent, std::wstring className, std::wstring name)
    : Control(&owner, &parent, std::move(className), std::move(name), true) {}

Card::Card(Component& owner, Control& parent, std::wstring name)
    : Panel(owner, parent, L"TCard", std::move(name)) {}

CardPanel::CardPanel(Component& owner, Control& parent, std::wstring name)
    : Panel(owner, parent, L"TCardPanel", std::move(name)) {}

std::vector<Card*> CardPanel::Cards() const {
  std::vector<Card*> cards;
  for (Control* child : Children()) {
    if (auto* card = dynamic_cast<Card*>(child)) cards.push_back(card);
  }
  return cards;
}

void CardPanel::SetActiveCardIndex(int index) {
  std::vector<Card*> cards = Cards();
  if (index < 0 || index >= static_cast<int>(cards.size())) return;
  for (std::size_t i = 0; i < cards.size(); ++i) cards[i]->SetVisible(static_cast<int>(i) == index);
  if (index == activeCardIndex_) return;
  activeCardIndex_ = index;
  Notify(Property::ActiveCard);
}

GroupBox::GroupBox(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TGroupBox", std::move(name), true) {}

Image::Image(Component& owner, Control& parent, std::wstring name)
    : Control(&owner, &parent, L"TImage", std::move(name), false) {}

void Image::Click() {
  if (OnClick) OnClick(*this);
}

Timer::Timer(Component& owner, std::wstring name) : Component(&owner, L"TTimer", std::move(name), false) {}

void Timer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Notify(Property::Timer);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify(Property::Timer);
}

void Timer::Tick() {
  if (enabled_ && interval_ > 0 && OnTimer) OnTimer(*this);
}

}  // namespace zeph::ui
