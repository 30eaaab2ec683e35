#pragma once
// The kinds of control the main window is built from. Class names are the ones the
// program's logic compares and enumerates (Delphi's), e.g. "TCheckBox".
#include <string>
#include <vector>

#include "app/ui/component.h"

namespace zeph::ui {

enum class TextAlignment : std::uint8_t { Left, Center, Right };

class Label : public Control {
 public:
  Label(Component& owner, Control& parent, std::wstring name);
  TextAlignment Alignment = TextAlignment::Left;
  // The view may widen the label to its text; Bounds give the design size.
  bool AutoSize = true;
  bool Transparent = true;
};

class Button : public Control {
 public:
  Button(Component& owner, Control& parent, std::wstring name);
  // A press by the user or by code: runs OnClick when enabled.
  void Click();
  NotifyEvent OnClick;
};

// A flat header button. Buttons with the same non-zero GroupIndex under one parent
// behave as radio buttons: exactly one of them is down.
class SpeedButton : public Control {
 public:
  SpeedButton(Component& owner, Control& parent, std::wstring name);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int group) { groupIndex_ = group; }
  bool Down() const { return down_; }
  // Putting one button of a group down releases the others; a grouped button that is
  // down stays down when set up again (no group is ever left without one down).
  void SetDown(bool down);
  // A user's press: a grouped button goes down, then OnClick runs.
  void Click();
  bool Flat = true;
  NotifyEvent OnClick;

 private:
  int groupIndex_ = 0;
  bool down_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(Component& owner, Control& parent, std::wstring name);
  bool Checked() const { return checked_; }
  // Setting the state from code runs OnClick when the state changes, exactly like a
  // user's click. The state has already changed when OnClick runs.
  void SetChecked(bool checked);
  // A user's click: toggles through the same path.
  void Toggle() { SetChecked(!checked_); }
  NotifyEvent OnClick;

 private:
  bool checked_ = false;
};

// A drop-down list that allows only its own items (CBS_DROPDOWNLIST).
class ComboBox : public Control {
 public:
  ComboBox(Component& owner, Control& parent, std::wstring name);
  const std::vector<std::wstring>& Items() const { return items_; }
  void SetItems(std::vector<std::wstring> items);  // clears the selection
  // -1 when nothing is selected.
  int ItemIndex() const { return itemIndex_; }
  // From code: runs nothing. An index outside the items leaves no selection.
  void SetItemIndex(int index);
  // The selected item's text, or empty when nothing is selected.
  std::wstring Text() const;
  // A user's pick: selects the item, then runs OnChange.
  void UserSelect(int index);
  NotifyEvent OnChange;

 private:
  std::vector<std::wstring> items_;
  int itemIndex_ = -1;
};

// A one-line text field; the window uses it read-only and without a border.
class Edit : public Control {
 public:
  Edit(Component& owner, Control& parent, std::wstring name);
  const std::wstring& Text() const { return text_; }
  void SetText(std::wstring text);
  void Click();
  bool ReadOnly = true;
  bool Border = false;
  NotifyEvent OnClick;

 private:
  std::wstring text_;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Component& owner, Control& parent, std::wstring name);
  int Min() const { return 0; }
  int Max() const { return 100; }
  int Position() const { return position_; }
  void SetPosition(int position);  // clamped to Min..Max

 private:
  int position_ = 0;
};

// A ring of moving dots shown over a busy control; one frame every FrameDelay ms
// while Animate is on.
class ActivityIndicator : public Control {
 public:
  ActivityIndicator(Component& owner, Control& parent, std::wstring name);
  bool Animate() const { return animate_; }
  void SetAnimate(bool animate);
  int FrameDelay = 50;
  Color DotColor = kBlack;
  // What a screen reader calls the ring (a key of the program's texts).
  std::wstring AccessibleName;

 private:
  bool animate_ = false;
};

// A plain container. Panels never paint their caption; it only serves as a name.
class Panel : public Control {
 public:
  Panel(Component& owner, Control& parent, std::wstring name);
  Color Background = kWhite;

 protected:
  Panel(Component& owner, Control& parent, std::wstring className, std::wstring name);
};

class Card : public Panel {
 public:
  Card(Component& owner, Control& parent, std::wstring name);
};

// Shows one of its cards (its Card children, in creation order) at a time.
class CardPanel : public Panel {
 public:
  CardPanel(Component& owner, Control& parent, std::wstring name);
  std::vector<Card*> Cards() const;
  int ActiveCardIndex() const { return activeCardIndex_; }
  // Shows card `index` and hides the others; an index outside the cards is ignored.
  void SetActiveCardIndex(int index);

 private:
  int activeCardIndex_ = -1;
};

class GroupBox : public Control {
 public:
  GroupBox(Component& owner, Control& parent, std::wstring name);
};

// A picture from the program's resources (an RCDATA resource, by name; app/win32/look/picture.h
// says which form it takes).
class Image : public Control {
 public:
  Image(Component& owner, Control& parent, std::wstring name);
  void Click();
  std::wstring Picture;
  bool HandCursor = false;
  bool Center = true;
  // What a screen reader calls a picture that can be clicked: a key of the program's
  // texts (translate/program_texts.h), looked up in the language of the moment.
  std::wstring AccessibleName;
  NotifyEvent OnClick;
};

// A non-visual timer. The view starts a system timer while Enabled and calls Tick.
class Timer : public Component {
 public:
  Timer(Component& owner, std::wstring name);
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // One period has passed: runs OnTimer when enabled.
  void Tick();
  NotifyEvent OnTimer;

 private:
  int interval_ = 1000;
  bool enabled_ = true;
};

}  // namespace zeph::ui
