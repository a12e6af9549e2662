#pragma once
// The GUI's controls: windows with a title bar and a close box, and the
// buttons, texts, panels, check boxes and radio buttons they hold. Windows
// live in the GuiManager by value and hold their children by value.
//
// Coordinates are GUI units (pixels). A window's x, y is its top-left corner
// with the origin at the bottom left of the client area and y growing
// upwards; it extends `width` to the right and `height` downwards. A child's
// x, y is relative to its window's top-left corner, y measured downwards.

#include <cstdint>
#include <string>
#include <vector>

namespace qor::gui {

// What a button calls on its press and again on its release.
class GuiCallback {
public:
  virtual ~GuiCallback() = default;
  virtual void invoke() = 0;
};

class Control {
public:
  Control() = default;
  Control(int32_t x, int32_t y, int32_t width, int32_t height) : x(x), y(y), width(width), height(height) {}
  virtual ~Control() = default;
  // Children are copied into their window; windows move when the stacking
  // order is sorted.
  Control(const Control&) = default;
  Control& operator=(const Control&) = default;
  Control(Control&&) noexcept = default;
  Control& operator=(Control&&) noexcept = default;

  // Draws the control on the current GL context, in its window's frame.
  virtual void draw() = 0;

  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool visible = true;
  bool pressed = false;
  GuiCallback* callback = nullptr;  // not owned
};

class Frame : public Control {
public:
  using Control::Control;
  // Set for every window; nothing reads them.
  bool hasBorder = true;
  bool hasTitleBar = true;
};

class Button : public Control {
public:
  Button() = default;
  Button(int32_t x, int32_t y, int32_t width, int32_t height, std::string label, GuiCallback* onPress = nullptr)
      : Control(x, y, width, height), label(std::move(label)) {
    callback = onPress;
  }
  void draw() override;
  // Where the centred label starts, in window units. A label wider than the
  // button is centred too, overhanging both sides.
  int32_t labelX() const;

  std::string label;
};

class Text : public Control {
public:
  Text() = default;
  Text(int32_t x, int32_t y, std::string text) : Control(x, y, 0, 16), text(std::move(text)) {}
  void draw() override;

  std::string text;
};

class Panel : public Control {
public:
  using Control::Control;
  void draw() override;
};

// Check boxes and radio buttons are 16 × 16 squares.
constexpr int32_t kBoxSize = 16;

class CheckBox : public Control {
public:
  CheckBox() = default;
  CheckBox(int32_t x, int32_t y, bool checked = false) : Control(x, y, kBoxSize, kBoxSize), checked(checked) {}
  void draw() override;

  bool checked = false;
};

class RadioButton : public Control {
public:
  RadioButton() = default;
  RadioButton(int32_t x, int32_t y, int32_t group, bool checked = false)
      : Control(x, y, kBoxSize, kBoxSize), checked(checked), group(group) {}
  void draw() override;

  bool checked = false;
  // Radio buttons of one window with the same group exclude each other.
  int32_t group = 0;
};

// Texts added with addText start this far right of the window's left edge.
constexpr int32_t kTextLeft = 3;
// The title bar's height, and the part of it that takes drags (a press
// further down counts as a press on the body).
constexpr int32_t kTitleBarHeight = 27;
constexpr int32_t kTitleBarGrip = 25;
// The close box lies between these distances from the right edge.
constexpr int32_t kCloseBoxLeft = 22;
constexpr int32_t kCloseBoxRight = 6;

class Window : public Frame {
public:
  Window() = default;
  // x 0, y 80, height 80, visible, alpha 0.8, z 0, no children.
  Window(int32_t width, std::string title);
  void draw() override;

  void addButton(const Button& b) { buttons.push_back(b); }
  // A text line `y` units below the top edge.
  void addText(std::string text, int32_t y) { texts.emplace_back(kTextLeft, y, std::move(text)); }
  void addText(const Text& t) { texts.push_back(t); }
  void addPanel(const Panel& p) { panels.push_back(p); }
  void addCheckBox(const CheckBox& c) { checkBoxes.push_back(c); }
  void addRadioButton(const RadioButton& r) { radioButtons.push_back(r); }

  // Whether the press at (mx, my), GUI coordinates, lies strictly inside
  // this visible window.
  bool contains(int32_t mx, int32_t my) const;

  float alpha = 0.8f;
  // The stacking order: 0 at the bottom.
  float z = 0.0f;
  std::string title;
  // Given by addWindow (the number of windows before it); unlike the
  // position in the manager's list it never changes.
  int32_t id = -1;
  std::vector<Button> buttons;
  std::vector<Text> texts;
  std::vector<Panel> panels;
  std::vector<CheckBox> checkBoxes;
  std::vector<RadioButton> radioButtons;
};

}  // namespace qor::gui
