#pragma once
// The Win32 view of a ui::Form: one top-level window of the form's class name and
// a real child window for every control, in the form's ownership order. Model
// changes reach the windows through ComponentObserver; the windows' notifications
// (BN_CLICKED, CBN_SELCHANGE, clicks on the picture and the version field, timer
// ticks, menu commands) become model events. Every entry into the model goes
// through the error sink, so no exception crosses a window procedure.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "app/ui/component.h"
#include "app/ui/controls.h"
#include "app/ui/form.h"
#include "app/ui/menu.h"
#include "app/win32/form/accessible.h"
#include "app/win32/look/gdi.h"
#include "app/win32/look/palette.h"
#include "app/win32/look/picture.h"
#include "app/win32/services/window_messages.h"
#include "crash/fault.h"

namespace zeph::win32 {

class FormWindow final : public ui::ComponentObserver {
 public:
  using ErrorSink = std::function<void(std::exception_ptr)>;
  // Sees every message of the top-level window first; true when it handled one.
  using MessageHook = std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)>;

  FormWindow(ui::Form& form, const Palette& palette, ErrorSink onError);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the window and the controls of the page that shows, hidden, centred on
  // the screen. Their fonts (and the labels' sizes) follow when the window first
  // shows, or from the message loop: the creation steps change the font meanwhile.
  // The controls of the hidden pages follow from the message loop (right after the
  // first paint when the window is shown), or as soon as something needs them,
  // whichever is first; until then the model keeps their state.
  HWND Create(HICON bigIcon, HICON smallIcon);
  HWND Handle() const { return hwnd_; }
  // Shows the window with its task-bar button and brings it in front.
  void Show();

  // The window that owns the tray menu while it is open (the application's own).
  void SetMenuOwner(HWND owner) { menuOwner_ = owner; }
  void SetMessageHook(MessageHook hook) { hook_ = std::move(hook); }
  // Runs while the window is being destroyed, before the message loop is told to end.
  void SetOnDestroy(std::function<void()> onDestroy) { onDestroy_ = std::move(onDestroy); }

  // Runs `work` under the error sink; false when it threw.
  template <typename Work>
  bool Guard(Work&& work) noexcept {
    return crash::RunGuarded(static_cast<Work&&>(work),
                             [this](std::exception_ptr error) noexcept { Report(std::move(error)); });
  }

  void Changed(ui::Component& component, ui::Property property) override;

  // Paints with `palette` from now on (the system's light or dark choice, high
  // contrast): the one Palette member takes the new colours, so whoever holds its
  // address sees them; cached brushes go, every control takes its new look and the
  // whole window is redrawn.
  void SetPalette(const Palette& palette);
  const Palette& GetPalette() const { return palette_; }

  // The top-level window and the private messages it handles.
  static constexpr UINT kDestroyLater = window_messages::kFormDestroyLater;
  static constexpr UINT kFinishCreation = window_messages::kFormFinishCreation;

 private:
  enum class Kind { Form, Container, Group, Label, Button, SpeedButton, CheckBox, Combo, Edit, Progress, Indicator,
                    Image, Timer, Menu, MenuItem, Other };
  struct View {
    View(ui::Component* m, Kind k, int i) : model(m), kind(k), id(i) {}
    ui::Component* model = nullptr;
    Kind kind = Kind::Other;
    int id = 0;
    HWND hwnd = nullptr;
    ATOM nameAtom = 0;
    COLORREF background = 0;  // containers: their fill; others: their container's
    bool header = false;      // a container that is (inside) the header band
    int frame = 0;            // the indicator's animation frame
    bool later = false;       // on a page hidden at creation: its window is made later
    std::unique_ptr<Picture> picture;
  };

  static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ChildProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT OnFormMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnChildMessage(View& view, UINT msg, WPARAM wParam, LPARAM lParam);
  // Messages that both the form and the containers receive from their children.
  bool OnParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  void RegisterClasses(HINSTANCE instance);
  void CreateControl(View& view);
  // The model's state into a new control's window, and its name for tools outside.
  void Realize(View& view);
  // Every control's font (and the labels' places) in one pass, once the creation
  // steps have set the fonts: before the window first shows, or from the loop while
  // it stays hidden.
  void ApplyFontsAndPlaces();
  void CreateHiddenPages();
  // Both, from the loop's first message.
  void FinishCreation();
  // The push button a control lies wholly inside (the activity ring over the clean button).
  View* CoveredButton(const View& view);
  COLORREF BackgroundFor(const View& view);
  // The parts of a control's look that its window keeps itself: button drawing,
  // visual styles, progress colours, the logo's colours. `switching`: the palette
  // changed on a window that exists (at creation, what is the default stays untouched).
  void ApplyLook(View& view, bool switching);
  COLORREF ReadableOn(COLORREF color, COLORREF background) const;
  void Sync(View& view, ui::Property property);
  void SyncAll(View& view);
  void Place(View& view);
  void OnCommand(WORD id, WORD code, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  HBRUSH OnCtlColor(HDC dc, HWND control);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void PaintChild(View& view);
  void TrackMenu(ui::PopupMenu& menu);
  void UpdateTimer(View& view);
  void Destroying();
  void Report(std::exception_ptr error) noexcept;

  // Keyboard and screen readers (form_window_access.cpp).
  class AccessHost;
  void StartAccessibility();
  DWORD KeyboardStyle(const View& view);  // WS_TABSTOP and WS_GROUP
  bool Describe(HWND control, AccessibleFacts& facts);
  bool Activate(View& view);  // what a click does, for Enter, Space and screen readers
  bool OnControlKey(View& view, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool Reachable(HWND control);
  HWND FirstTabStop();
  void OnActivate(WPARAM wParam);
  bool OnUiState(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void KeepFocusUsable();
  void EnabledChanged(View& view, bool hadFocus);
  void PageTabDownChanged(View& view);
  void RingShownChanged(View& view);

  View* ViewOf(const ui::Component* component);
  View* ViewOf(HWND hwnd);
  View* ViewOfId(int id);
  HFONT FontFor(const ui::Control& control);
  HBRUSH BrushFor(COLORREF color);
  COLORREF TextColorFor(const View& view) const;
  int ScaleToWindow(int value96) const;

  ui::Form& form_;
  Palette palette_;
  ErrorSink onError_;
  MessageHook hook_;
  std::function<void()> onDestroy_;
  HWND hwnd_ = nullptr;
  HWND menuOwner_ = nullptr;
  HWND hot_ = nullptr;           // the owner-drawn button under the mouse
  HWND lastFocus_ = nullptr;     // the control that had the focus when the window was left
  HWND parkedFrom_ = nullptr;    // the control that had the focus until it was disabled
  View* ringButton_ = nullptr;   // the button the activity ring covers while it shows
  bool focusMarksHidden_ = false;
  std::shared_ptr<AccessibleHost> accessHost_;
  UINT dpi_ = 96;
  bool menuOpen_ = false;
  bool destroyPosted_ = false;
  bool shownOnce_ = false;
  bool pagesPending_ = false;  // views marked `later` have no window yet
  bool fontsPending_ = false;  // the controls have no font yet, the labels no place
  ui::PopupMenu* lastMenu_ = nullptr;
  std::vector<View> views_;  // index 0: the form; then its components in ownership order
  std::unordered_map<const ui::Component*, std::size_t> index_;
  std::vector<std::pair<ui::Font, UniqueHfont>> fonts_;
  std::vector<std::pair<COLORREF, UniqueHbrush>> brushes_;
};

}  // namespace zeph::win32
