// The console's keyboard, editing, history, clipboard and drawing. Running a
// command is in ConsoleCommand.cpp.

#include "gui/Console.h"

#include "gui/Draw.h"
#include "gui/GuiManager.h"
#include "platform/Clipboard.h"
#include "platform/VirtualKeys.h"

#include <GL/gl.h>

#include <algorithm>

namespace qor::gui {

using namespace platform;

namespace {

constexpr char kMiddleDot = static_cast<char>(0xB7);

// Shift with the digit row 0 … 9.
constexpr char kShiftedDigits[10] = {'=', '!', '"', kMiddleDot, '$', '%', '&', '/', '(', ')'};
// The numeric keypad's operator keys 0x6A … 0x6F.
constexpr char kKeypadOperators[6] = {'*', '+', '-', '-', '.', '/'};

// Punctuation keys: the character plain and with Ctrl held (Shift does not
// change them).
struct Punctuation {
  uint8_t key;
  char plain;
  char withCtrl;
};
constexpr Punctuation kPunctuation[] = {
    {VK_OEM_1, ':', ';'},     {VK_OEM_PLUS, '+', '+'},  {VK_OEM_COMMA, ',', ','}, {VK_OEM_MINUS, '-', '-'},
    {VK_OEM_PERIOD, '.', ','}, {VK_OEM_2, '?', '/'},     {VK_OEM_3, '~', '`'},     {VK_OEM_4, '{', '['},
    {VK_OEM_5, '|', '\\'},    {VK_OEM_6, '}', ']'},     {VK_OEM_7, '"', '\''},
};

// The character a key types in the console's layout; 0 for keys that type
// none.
char typedChar(uint8_t vk, bool shift, bool ctrl, bool caps) {
  if (vk >= 'A' && vk <= 'Z') return static_cast<char>(caps || shift ? vk : vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return shift ? kShiftedDigits[vk - '0'] : static_cast<char>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char>('0' + (vk - VK_NUMPAD0));
  if (vk >= VK_MULTIPLY && vk <= VK_DIVIDE) return kKeypadOperators[vk - VK_MULTIPLY];
  for (const Punctuation& p : kPunctuation)
    if (p.key == vk) return ctrl ? p.withCtrl : p.plain;
  if (vk == VK_OEM_102) return shift ? '>' : '<';
  if (vk == VK_SPACE) return ' ';
  return 0;
}

// Letters, digits and the underscore make up the words Ctrl+Left and
// Ctrl+Right jump over.
bool isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

Console::Console() { clear(); }

void Console::clear() {
  lines.assign(1, std::string());
  isOutput.assign(1, false);
  selStart = selEnd = cursor = 0;
  historyIndex = 0;
  blinkCounter = 0;
  draft_.clear();
}

// ---- keys --------------------------------------------------------------------------

void Console::keyPressed(uint8_t vk) {
  const bool shift = keys[VK_SHIFT] != 0;
  const bool ctrl = keys[VK_CONTROL] != 0;
  const bool caps = keys[VK_CAPITAL] != 0;

  if (vk == VK_SHIFT) {
    // A selection starts where the cursor stands.
    collapseAt(cursor);
    keys[VK_SHIFT] = 1;
    return;
  }
  if (ctrl && (vk == 'V' || vk == 'C' || vk == 'X')) {
    if (vk == 'V') paste();
    if (vk == 'C') copy();
    if (vk == 'X') cut();
    return;
  }
  if (const char c = typedChar(vk, shift, ctrl, caps)) {
    // In the Typed layout the character comes as text input of its own.
    if (layout == Layout::Fixed) insertChar(c);
    return;
  }
  switch (vk) {
    case VK_UP: historyBack(); break;
    case VK_DOWN: historyForward(); break;
    case VK_LEFT:
      if (shift) {
        selEnd = std::max(selEnd - 1, 0);
        cursor = selEnd;
      } else if (ctrl) {
        wordLeft();
      } else {
        collapseAt(std::max(cursor - 1, 0));
      }
      break;
    case VK_RIGHT:
      if (shift) {
        selEnd = std::min(selEnd + 1, length());
        cursor = selEnd;
      } else if (ctrl) {
        wordRight();
      } else {
        collapseAt(std::min(cursor + 1, length()));
      }
      break;
    case VK_BACK:
      if (selStart != selEnd) {
        deleteSelection();
      } else if (cursor > 0) {
        editLine().erase(static_cast<std::size_t>(cursor - 1), 1);
        collapseAt(cursor - 1);
      }
      break;
    case VK_DELETE:
      if (layout == Layout::Fixed) {
        keys[vk] = 1;
      } else if (selStart != selEnd) {
        deleteSelection();
      } else if (cursor < length()) {
        editLine().erase(static_cast<std::size_t>(cursor), 1);
      }
      break;
    case VK_RETURN:
      if (shift) insertChar('\n');
      else submit();
      break;
    case VK_END: collapseAt(length()); break;
    case VK_HOME: collapseAt(0); break;
    case VK_CAPITAL: keys[VK_CAPITAL] = keys[VK_CAPITAL] ? 0 : 1; break;
    case VK_ESCAPE:
      // Escape would end the program if it were recorded; in the console it
      // does nothing.
      break;
    default: keys[vk] = 1; break;
  }
}

void Console::charTyped(uint32_t codePoint) {
  if (layout != Layout::Typed) return;
  if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0)) return;
  insertChar(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
}

void Console::insertChar(char c) {
  std::string& line = editLine();
  const auto at = static_cast<std::size_t>(std::clamp(cursor, 0, length()));
  line.insert(at, 1, c);
  // The insertion moves the text under any selection: the selection ends.
  collapseAt(static_cast<int32_t>(at) + 1);
}

void Console::collapseAt(int32_t position) {
  cursor = std::clamp(position, 0, length());
  selStart = selEnd = cursor;
}

void Console::deleteSelection() {
  const int32_t from = std::clamp(std::min(selStart, selEnd), 0, length());
  const int32_t to = std::clamp(std::max(selStart, selEnd), 0, length());
  editLine().erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  collapseAt(from);
}

void Console::wordLeft() {
  const std::string& line = editLine();
  int32_t p = std::clamp(cursor, 0, length());
  while (p > 0 && !isWordChar(line[static_cast<std::size_t>(p - 1)])) --p;
  while (p > 0 && isWordChar(line[static_cast<std::size_t>(p - 1)])) --p;
  collapseAt(p);
}

void Console::wordRight() {
  const std::string& line = editLine();
  const int32_t n = length();
  int32_t p = std::clamp(cursor, 0, n);
  while (p < n && isWordChar(line[static_cast<std::size_t>(p)])) ++p;
  while (p < n && !isWordChar(line[static_cast<std::size_t>(p)])) ++p;
  collapseAt(p);
}

// ---- history -------------------------------------------------------------------------

// Up steps to the nearest earlier typed line and copies it into the edit
// line; Down steps back towards the edit line, and past the last command
// gives back what was being typed before.
void Console::historyBack() {
  const auto edit = static_cast<int32_t>(editIndex());
  int32_t i = std::min(historyIndex, edit) - 1;
  while (i >= 0 && isOutput[static_cast<std::size_t>(i)]) --i;
  if (i < 0) return;
  if (historyIndex >= edit) draft_ = editLine();
  historyIndex = i;
  editLine() = lines[static_cast<std::size_t>(i)];
  collapseAt(length());
}

void Console::historyForward() {
  const auto edit = static_cast<int32_t>(editIndex());
  if (historyIndex >= edit) return;
  int32_t i = historyIndex + 1;
  while (i < edit && isOutput[static_cast<std::size_t>(i)]) ++i;
  historyIndex = i;
  editLine() = i < edit ? lines[static_cast<std::size_t>(i)] : draft_;
  collapseAt(length());
}

// ---- clipboard -------------------------------------------------------------------------

void Console::paste() {
  const std::string text = getClipboardLatin1Text();
  if (text.empty()) return;
  // Text copied on Windows ends its lines with CR LF; the console's line
  // feeds are bare.
  std::string clean;
  clean.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) clean += text[i];
  const auto at = static_cast<std::size_t>(std::clamp(cursor, 0, length()));
  editLine().insert(at, clean);
  collapseAt(static_cast<int32_t>(at + clean.size()));
}

void Console::copy() {
  const int32_t from = std::clamp(std::min(selStart, selEnd), 0, length());
  const int32_t to = std::clamp(std::max(selStart, selEnd), 0, length());
  setClipboardLatin1Text(editLine().substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
}

void Console::cut() {
  copy();
  if (selStart != selEnd) deleteSelection();
}

// ---- layout and drawing -----------------------------------------------------------------

namespace {

std::size_t shownLength(const std::string& text, bool output) {
  return text.size() + (output ? 0 : Console::kPrompt.size());
}

// Display lines of one line: at least one, then one per 80 characters.
std::size_t pieceCount(std::size_t shown) {
  const auto columns = static_cast<std::size_t>(Console::kColumns);
  return shown == 0 ? 1 : (shown + columns - 1) / columns;
}

}  // namespace

std::size_t Console::visiblePieces(Piece (&out)[kRows]) const {
  const auto columns = static_cast<std::size_t>(kColumns);
  std::size_t count = 0;
  // Gathered bottom up into the end of `out`, then moved to the front.
  for (std::size_t i = lines.size(); i-- > 0 && count < kRows;) {
    const std::size_t shown = shownLength(lines[i], isOutput[i]);
    for (std::size_t p = pieceCount(shown); p-- > 0 && count < kRows;) {
      const std::size_t begin = p * columns;
      out[kRows - 1 - count] = Piece{i, begin, std::min(begin + columns, shown)};
      ++count;
    }
  }
  std::copy(out + (kRows - count), out + kRows, out);
  return count;
}

void Console::cursorCell(std::size_t& piece, std::size_t& column) const {
  const auto columns = static_cast<std::size_t>(kColumns);
  const std::size_t position = static_cast<std::size_t>(std::clamp(cursor, 0, length())) + kPrompt.size();
  const std::size_t pieces = pieceCount(shownLength(editLine(), false));
  piece = position / columns;
  column = position % columns;
  // Just past a line that fills its last display line exactly.
  if (piece >= pieces) {
    piece = pieces - 1;
    column = columns;
  }
}

void Console::draw() {
  if (!visible) return;
  constexpr int32_t kPad = 8;
  constexpr int32_t kFirstRow = 6 + font::kGlyphHeight;  // the first row's glyph bottom
  constexpr float kAdvance = static_cast<float>(font::kAdvance);
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0.0f);

  draw::setAlpha(0.85f);
  if (draw::beginSkin()) {
    draw::quad(skin::inset(skin::kConsole), 0.0f, 0.0f, static_cast<float>(width), static_cast<float>(-height));
    draw::endSkin();
  }

  Piece pieces[kRows];
  const std::size_t count = visiblePieces(pieces);
  const std::size_t edit = editIndex();
  std::size_t cursorPiece = 0, cursorColumn = 0;
  cursorCell(cursorPiece, cursorColumn);
  const auto selFrom = static_cast<std::size_t>(std::clamp(std::min(selStart, selEnd), 0, length())) + kPrompt.size();
  const auto selTo = static_cast<std::size_t>(std::clamp(std::max(selStart, selEnd), 0, length())) + kPrompt.size();

  for (std::size_t row = 0; row < count; ++row) {
    const Piece& p = pieces[row];
    const int32_t bottom = kFirstRow + static_cast<int32_t>(row) * kLineSpacing;
    const std::string& text = lines[p.line];
    const Colour ink = isOutput[p.line] ? kOutputColour : kTypedColour;

    if (opaqueBacking) {
      // The band covers the row from above the glyphs' tops to below their
      // descenders; the rows are kLineSpacing apart, so bands meet.
      const Colour band = isOutput[p.line] ? kOutputBacking : kTypedBacking;
      glColor4f(band.r, band.g, band.b, 1.0f);
      draw::plainQuad(0.0f, static_cast<float>(-(bottom - 14)), static_cast<float>(width),
                      static_cast<float>(-(bottom - 14 + kLineSpacing)));
    }

    if (p.line == edit && selFrom < selTo) {
      // The selection's part of this display line, as a light band.
      const std::size_t from = std::max(selFrom, p.begin);
      const std::size_t to = std::min(selTo, p.end);
      if (from < to) {
        glColor4f(1.0f, 1.0f, 1.0f, kSelectionAlpha);
        draw::plainQuad(kPad + static_cast<float>(from - p.begin) * kAdvance, static_cast<float>(-(bottom - 13)),
                        kPad + static_cast<float>(to - p.begin) * kAdvance, static_cast<float>(-(bottom - 2)));
      }
    }

    if (isOutput[p.line]) {
      guiManager.drawText(kPad, bottom, std::string_view(text).substr(p.begin, p.end - p.begin), ink.r, ink.g, ink.b);
    } else {
      // The prompt's part of the piece, then the text's.
      const std::size_t promptEnd = std::min(p.end, kPrompt.size());
      if (p.begin < promptEnd)
        guiManager.drawText(kPad, bottom, kPrompt.substr(p.begin, promptEnd - p.begin), ink.r, ink.g, ink.b);
      const std::size_t from = std::max(p.begin, kPrompt.size());
      if (from < p.end) {
        const int32_t left = kPad + static_cast<int32_t>(from - p.begin) * font::kAdvance;
        guiManager.drawText(left, bottom, std::string_view(text).substr(from - kPrompt.size(), p.end - from), ink.r,
                            ink.g, ink.b);
      }
    }

    // The blinking cursor, on the edit line's display line that holds it.
    if (p.line == edit && blinkCounter > 30 && p.begin == cursorPiece * static_cast<std::size_t>(kColumns)) {
      const int32_t left = kPad + static_cast<int32_t>(cursorColumn) * font::kAdvance;
      guiManager.drawText(left, bottom, "_", kTypedColour.r, kTypedColour.g, kTypedColour.b);
    }
  }
  glPopMatrix();
}

}  // namespace qor::gui
