#include "app/ui/component.h"

#include <algorithm>

namespace zeph::ui {

namespace {
template <typename T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
}  // namespace

Component::Component(Component* owner, std::wstring className, std::wstring name, bool hasCaption)
    : owner_(owner), className_(std::move(className)), name_(std::move(name)), hasCaption_(hasCaption) {
  if (owner_ != nullptr) owner_->components_.push_back(this);
}

Component::~Component() {
  // Owned components may outlive their owner's destructor body (members of a
  // derived class go first, the owner's base last); they must not reach back.
  for (Component* owned : components_) owned->owner_ = nullptr;
  if (owner_ != nullptr) Erase(owner_->components_, this);
}

void Component::SetCaption(std::wstring caption) {
  if (!hasCaption_) return;
  caption_ = std::move(caption);
  Notify(Property::Caption);
}

void Component::Notify(Property property) {
  if (observer_ != nullptr) observer_->Changed(*this, property);
}

Control::Control(Component* owner, Control* parent, std::wstring className, std::wstring name, bool hasCaption)
    : Component(owner, std::move(className), std::move(name), hasCaption), parent_(parent) {
  if (parent_ != nullptr) parent_->children_.push_back(this);
}

Control::~Control() {
  for (Control* child : children_) child->parent_ = nullptr;
  if (parent_ != nullptr) Erase(parent_->children_, this);
}

void Control::SetBounds(int left, int top, int width, int height) {
  ui::Bounds bounds{left, top, width, height};
  if (bounds == bounds_) return;
  bounds_ = bounds;
  Notify(Property::Bounds);
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Notify(Property::Visible);
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify(Property::Enabled);
}

void Control::SetFont(const ui::Font& font) {
  font_ = font;
  Notify(Property::Font);
  FontChangedBelow();
}

void Control::ClearFont() {
  if (!font_) return;
  font_.reset();
  Notify(Property::Font);
  FontChangedBelow();
}

ui::Font Control::EffectiveFont() const {
  for (const Control* control = this; control != nullptr; control = control->parent_) {
    if (control->font_) return *control->font_;
  }
  return ui::Font{};
}

// Children that take their parent's font show the new one too.
void Control::FontChangedBelow() {
  for (Control* child : children_) {
    if (!child->ParentFont()) continue;
    child->Notify(Property::Font);
    child->FontChangedBelow();
  }
}

void Control::SetFontColor(Color color) {
  if (fontColor_ == color) return;
  fontColor_ = color;
  Notify(Property::FontColor);
}

}  // namespace zeph::ui
