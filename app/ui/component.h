#pragma once
// The toolkit-neutral control model the main window is made of. A component holds
// its state and behaves as the window's logic relies on; on Windows, app/win32
// gives each control a real window and keeps it in step through ComponentObserver.
// On the host the model runs with no view at all.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zeph::ui {

class Component;
class Control;

// Delphi's TNotifyEvent: every click, change and timer handler takes its sender.
using NotifyEvent = std::function<void(Component& sender)>;

// 0x00BBGGRR, as a COLORREF.
using Color = std::uint32_t;
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kGray = 0x808080;

enum class FontQuality : std::uint8_t { Default, NonAntialiased, Antialiased, ClearType };

// A font description in LOGFONT terms. Height is in pixels at 96 DPI; a negative
// height is the character height, a positive one the cell height.
struct Font {
  std::wstring Name = L"Tahoma";
  int Height = -11;
  int Weight = 400;
  bool Italic = false;
  bool Underline = false;
  std::uint8_t Charset = 1;  // DEFAULT_CHARSET
  FontQuality Quality = FontQuality::Default;

  bool operator==(const Font&) const = default;
};

// Position and size in pixels at 96 DPI, relative to the parent's client area.
struct Bounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;

  bool operator==(const Bounds&) const = default;
};

// What changed on a component, so the view can push exactly that to its window.
enum class Property : std::uint8_t {
  Caption,
  Bounds,
  Visible,
  Enabled,
  Font,       // own font set or cleared, or a parent's effective font changed
  FontColor,
  Checked,    // CheckBox
  Down,       // SpeedButton
  Items,      // ComboBox
  ItemIndex,  // ComboBox
  Text,       // Edit
  Position,   // ProgressBar
  Animate,    // ActivityIndicator
  ActiveCard, // CardPanel
  Timer,      // Timer interval or enabled state
  Popup,      // PopupMenu::Popup was called: show it at PopupPoint()
  ActiveControl,  // Form
  Closed,     // Form: the close was allowed; destroy the window
};

// The view hook. Called after the model has changed; the view reads the new state
// from the component. It must not throw.
class ComponentObserver {
 public:
  virtual ~ComponentObserver() = default;
  virtual void Changed(Component& component, Property property) = 0;
};

// Delphi's TComponent: a name, a class name, an owner that lists what it owns in
// creation order, and (for the kinds that have one) a caption.
class Component {
 public:
  Component(Component* owner, std::wstring className, std::wstring name, bool hasCaption);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::wstring& Name() const { return name_; }
  const std::wstring& ClassName() const { return className_; }
  Component* Owner() const { return owner_; }
  // Everything this component owns, in the order it was created.
  const std::vector<Component*>& Components() const { return components_; }

  bool HasCaption() const { return hasCaption_; }
  // Empty for kinds without a caption.
  const std::wstring& Caption() const { return caption_; }
  // Ignored for kinds without a caption.
  void SetCaption(std::wstring caption);

  void SetObserver(ComponentObserver* observer) { observer_ = observer; }
  ComponentObserver* Observer() const { return observer_; }

 protected:
  void Notify(Property property);

 private:
  Component* owner_;
  std::wstring className_;
  std::wstring name_;
  bool hasCaption_;
  std::wstring caption_;
  std::vector<Component*> components_;
  ComponentObserver* observer_ = nullptr;
};

// Delphi's TControl: a component placed on a parent, with bounds, visibility,
// enabled state and a font that is its own or its parent's.
class Control : public Component {
 public:
  // parent may be null only for the form itself.
  Control(Component* owner, Control* parent, std::wstring className, std::wstring name, bool hasCaption);
  ~Control() override;

  Control* Parent() const { return parent_; }
  const std::vector<Control*>& Children() const { return children_; }

  const ui::Bounds& GetBounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // ParentFont: without a font of its own a control shows its parent's.
  bool ParentFont() const { return !font_.has_value(); }
  void SetFont(const ui::Font& font);
  void ClearFont();  // back to the parent's font
  ui::Font EffectiveFont() const;

  // The text colour; absent means the theme's or the system's.
  const std::optional<Color>& FontColor() const { return fontColor_; }
  void SetFontColor(Color color);

 private:
  void FontChangedBelow();

  Control* parent_;
  std::vector<Control*> children_;
  ui::Bounds bounds_;
  bool visible_ = true;
  bool enabled_ = true;
  std::optional<ui::Font> font_;
  std::optional<Color> fontColor_;
};

}  // namespace zeph::ui
