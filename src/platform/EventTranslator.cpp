#include "platform/EventTranslator.h"

#include "platform/VirtualKeys.h"

#include <cstring>

namespace qor::platform {

namespace {

// lParam of a key message: repeat count 1 in bits 0–15, the extended-key flag
// in bit 24, Alt held in bit 29, the previous key state in bit 30 and the
// transition (released) in bit 31.
LPARAM keyLParam(const SDL_KeyboardEvent& key, bool altHeld) {
  uint32_t bits = 1;
  switch (key.keysym.scancode) {
    case SDL_SCANCODE_RCTRL: case SDL_SCANCODE_RALT: case SDL_SCANCODE_INSERT: case SDL_SCANCODE_DELETE:
    case SDL_SCANCODE_HOME: case SDL_SCANCODE_END: case SDL_SCANCODE_PAGEUP: case SDL_SCANCODE_PAGEDOWN:
    case SDL_SCANCODE_LEFT: case SDL_SCANCODE_RIGHT: case SDL_SCANCODE_UP: case SDL_SCANCODE_DOWN:
    case SDL_SCANCODE_KP_ENTER: case SDL_SCANCODE_KP_DIVIDE:
      bits |= 1u << 24;
      break;
    default:
      break;
  }
  if (altHeld) bits |= 1u << 29;
  if (key.type == SDL_KEYUP) bits |= (1u << 30) | (1u << 31);
  else if (key.repeat) bits |= 1u << 30;
  return static_cast<LPARAM>(static_cast<int32_t>(bits));
}

LPARAM pointLParam(int32_t x, int32_t y) {
  return MAKELPARAM(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

}  // namespace

uint32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  constexpr uint32_t kReplacement = 0xFFFD;
  const auto lead = static_cast<uint8_t>(text[pos]);
  const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return kReplacement;
  }
  uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<uint8_t>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    code = (code << 6) | (next & 0x3F);
  }
  // The shortest form only, and no surrogates: anything else is not text.
  constexpr uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return code;
}

WPARAM EventTranslator::mouseFlags() const {
  WPARAM flags = buttons_;
  const SDL_Keymod mod = SDL_GetModState();
  if (mod & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mod & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

int EventTranslator::translate(const SDL_Event& event, Window* hwnd, MessageQueue& queue) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_KeyboardEvent& key = event.key;
      const uint8_t vk = virtualKeyFromSdl(key.keysym.sym, key.keysym.scancode);
      if (vk == 0) return 0;
      const bool altHeld = (key.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU;
      // Alt with Control is AltGr on many layouts: ordinary key messages, as
      // on Windows.
      const bool ctrlHeld = (key.keysym.mod & KMOD_CTRL) != 0;
      const bool system = (altHeld && !ctrlHeld) || vk == VK_F10;
      const bool down = event.type == SDL_KEYDOWN;
      const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
      // On key-up Windows reports Alt in bit 29 only while it is still held.
      const bool altBit = down ? altHeld : (key.keysym.mod & KMOD_ALT) != 0;
      queue.post(hwnd, message, vk, keyLParam(key, altBit));
      return 1;
    }
    case SDL_MOUSEMOTION:
      queue.post(hwnd, WM_MOUSEMOVE, mouseFlags(), pointLParam(event.motion.x, event.motion.y));
      return 1;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      UINT message;
      uint32_t flag;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; flag = MK_LBUTTON; break;
        case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; flag = MK_RBUTTON; break;
        case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; flag = MK_MBUTTON; break;
        default: return 0;
      }
      if (down) buttons_ |= flag;
      else buttons_ &= ~flag;
      queue.post(hwnd, message, mouseFlags(), pointLParam(event.button.x, event.button.y));
      return 1;
    }
    case SDL_MOUSEWHEEL: {
      const SDL_MouseWheelEvent& wheel = event.wheel;
      int32_t notches = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
      if (notches == 0) return 0;
      // The high word holds a 16-bit turn: a burst of more notches than it
      // can say is cut to the largest whole number of them.
      constexpr int32_t kMostNotches = 32767 / WHEEL_DELTA;
      if (notches > kMostNotches) notches = kMostNotches;
      if (notches < -kMostNotches) notches = -kMostNotches;
      const WPARAM turn = static_cast<uint16_t>(static_cast<int16_t>(notches * WHEEL_DELTA));
      queue.post(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<uint32_t>(mouseFlags()), turn),
                 pointLParam(wheel.mouseX, wheel.mouseY));
      return 1;
    }
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_MINIMIZED:
          minimised_ = true;
          queue.post(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
          return 1;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
          if (!minimised_) return 0;
          minimised_ = false;
          queue.post(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
          return 1;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          queue.post(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, minimised_ ? 1 : 0), 0);
          return 1;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          queue.post(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, minimised_ ? 1 : 0), 0);
          return 1;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          queue.post(hwnd, WM_SIZE, SIZE_RESTORED, pointLParam(event.window.data1, event.window.data2));
          return 1;
        case SDL_WINDOWEVENT_CLOSE:
          queue.post(hwnd, WM_CLOSE, 0, 0);
          return 1;
        default:
          return 0;
      }
    case SDL_QUIT:
      queue.post(hwnd, WM_CLOSE, 0, 0);
      return 1;
    case SDL_TEXTINPUT: {
      // SDL's text is zero-terminated within its fixed buffer.
      const std::string_view text(event.text.text, strnlen(event.text.text, sizeof event.text.text));
      int posted = 0;
      for (std::size_t pos = 0; pos < text.size(); ++posted) queue.post(hwnd, WM_CHAR, nextCodePoint(text, pos), 1);
      return posted;
    }
    default:
      return 0;
  }
}

}  // namespace qor::platform
