#pragma once
// The console: a command line over the 3D view. Key presses arrive as
// virtual-key codes; characters come either from the console's own fixed
// keyboard layout (the viewer's) or from the window system's text input in
// the user's layout (see Layout). Enter hands the line to the script
// language through the file "stdin", and what the command prints comes back
// as output lines.
//
// Text is 8-bit (the font has one glyph per byte, ISO 8859-1 for the upper
// half); the clipboard and the text input convert at their edge.

#include "gui/Controls.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor::gui {

class Console : public Control {
public:
  // 80 characters per display line, the last 20 display lines shown, 11
  // units apart; typed lines are shown behind the prompt.
  static constexpr int32_t kColumns = 80;
  static constexpr int32_t kRows = 20;
  static constexpr int32_t kLineSpacing = 11;
  static constexpr std::string_view kPrompt = ">>> ";

  // Typed lines are drawn green, output lines blue.
  struct Colour {
    float r, g, b;
  };
  static constexpr Colour kTypedColour{0.0f, 1.0f, 0.0f};
  static constexpr Colour kOutputColour{0.0f, 0.0f, 1.0f};
  // The bands drawn behind the lines when `opaqueBacking` is set. Pure green
  // is legible only on a dark ground and pure blue only on a light one, so
  // each kind of line has its own band; and the selection is a white veil
  // of kSelectionAlpha over the typed line's band.
  static constexpr Colour kTypedBacking{0.0f, 0.0f, 0.0f};
  static constexpr Colour kOutputBacking{0.88f, 0.9f, 0.96f};
  static constexpr float kSelectionAlpha = 0.35f;

  // Where characters come from. Fixed: the console's own table of keys
  // (Shift+8 "(", Ctrl with the ":" key ";", …), whatever the keyboard
  // shows. Typed: from charTyped, that is the window system's text input in
  // the user's layout; key presses then only edit (the cursor keys, Home,
  // End, Backspace, Delete, Enter, history, selection and clipboard), and a
  // key that types a character in the fixed table types nothing itself, so
  // no character comes twice.
  enum class Layout : uint8_t { Fixed, Typed };

  Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  void draw() override;

  // One key press while the console has the keyboard.
  void keyPressed(uint8_t virtualKey);
  // One character of text input (a Unicode code point), in the Typed
  // layout; ignored in the Fixed one. Control characters are left to the
  // editing keys; a character past the console's 8-bit text (ISO 8859-1)
  // is typed as "?", as the clipboard pastes it: the user sees that
  // something was typed which the console cannot hold.
  void charTyped(uint32_t codePoint);
  // Inserts `c` at the cursor; the cursor moves past it.
  void insertChar(char c);
  // Enter: a new edit line, then the command written to `commandFile` and
  // run as a script unit of its own.
  void submit();
  // The clipboard: paste inserts its text at the cursor, copy puts the
  // selection there, cut copies and deletes the selection.
  void paste();
  void copy();
  void cut();

  // Forgets everything typed and printed: one empty edit line.
  void clear();
  // Appends text as output lines above the edit line, one per line of it.
  void addOutput(std::string_view text);

  // The line being typed (always the last line).
  std::string& editLine() { return lines.back(); }
  const std::string& editLine() const { return lines.back(); }
  std::size_t editIndex() const { return lines.size() - 1; }

  // One display line: characters [begin, end) of a line as it is shown
  // (with the prompt in front when it is a typed line).
  struct Piece {
    std::size_t line;
    std::size_t begin;
    std::size_t end;
  };
  // The display lines that are shown, top first; returns how many (at most
  // kRows). Walks back from the last line only as far as needed.
  std::size_t visiblePieces(Piece (&out)[kRows]) const;
  // Where the text cursor is drawn: the display line of the edit line
  // (0 for its first) and the column on it.
  void cursorCell(std::size_t& piece, std::size_t& column) const;

  // The scroll-back; the last element is the edit line.
  std::vector<std::string> lines;
  // Per line: false for a typed line, true for an output line.
  std::vector<bool> isOutput;
  // The selection in the edit line (equal when nothing is selected;
  // selEnd is the moving end) and the text cursor.
  int32_t selStart = 0;
  int32_t selEnd = 0;
  int32_t cursor = 0;
  // The typed line the history keys stand on.
  int32_t historyIndex = 0;
  // 0 … 59, advanced once per drawn frame by the GUI pass; the cursor shows
  // while it is above 30.
  int32_t blinkCounter = 0;

  // The key state the console reads Shift (0x10), Control (0x11) and Caps
  // Lock (0x14) from and records other keys in; the shell points it at its
  // own 256-byte array.
  uint8_t* keys = ownKeys_;
  // The file each command goes through.
  std::string commandFile = "stdin";
  Layout layout = Layout::Fixed;
  // Draws each line on an opaque band of its own backing colour, so the
  // text stays legible (at least 4.5:1 contrast) over any scene and skin.
  bool opaqueBacking = false;

private:
  int32_t length() const { return static_cast<int32_t>(editLine().size()); }
  void collapseAt(int32_t position);
  void deleteSelection();
  void historyBack();
  void historyForward();
  void wordLeft();
  void wordRight();
  void runCommand();

  uint8_t ownKeys_[256] = {};
  // The line that was being typed when the history was entered.
  std::string draft_;
  // Numbers the script units of the commands.
  uint32_t commandCount_ = 0;
};

}  // namespace qor::gui
