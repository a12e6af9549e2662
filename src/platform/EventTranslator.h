#pragma once
// Turns SDL events into the Win32 messages a window procedure expects, with
// Windows' parameter layout:
//
// - key press: WM_KEYDOWN (WM_SYSKEYDOWN while Alt is held without Control,
//   for Alt itself and for F10) with the virtual-key code; a held key repeats as further
//   WM_KEYDOWN messages (lParam bit 30 set); release: WM_KEYUP / WM_SYSKEYUP;
// - pointer: WM_MOUSEMOVE and WM_[LRM]BUTTONDOWN/UP with the client position
//   in lParam and the MK_ flags in wParam;
// - wheel: WM_MOUSEWHEEL, the turn in the high word of wParam (WHEEL_DELTA
//   per notch, positive away from the user, whatever way the system flips
//   it), the MK_ flags in the low word; lParam holds the pointer's client
//   position, as every other mouse message here (Windows gives screen
//   coordinates; a program would turn them into client ones first). A
//   sideways-only turn gives none;
// - minimise: WM_ACTIVATE(WA_INACTIVE, minimised = 1); restore:
//   WM_ACTIVATE(WA_ACTIVE, 0); focus changes: WM_ACTIVATE with the current
//   minimised flag in the high word;
// - size change: WM_SIZE(SIZE_RESTORED, width | height << 16);
// - the close button, and a quit request of the system (SIGINT, SIGTERM):
//   WM_CLOSE;
// - text input (only while it is switched on, see setTextInput in Window.h):
//   one WM_CHAR per character typed, in the user's keyboard layout, after
//   the key's WM_KEYDOWN. wParam is the character's Unicode code point
//   (where Windows sends UTF-16 units, a character beyond U+FFFF comes as
//   one message, not as two surrogates; a broken UTF-8 sequence gives
//   U+FFFD), lParam the repeat count 1.
// Events without a message (exposure, text being composed, …) give none.

#include "platform/Messages.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qor::platform {

// The code point of the UTF-8 sequence at text[pos], and pos moved past it.
// A broken or overlong sequence, a surrogate or a value past U+10FFFF gives
// U+FFFD and moves one byte on. pos must be below text.size().
uint32_t nextCodePoint(std::string_view text, std::size_t& pos);

class EventTranslator {
public:
  // Posts the messages of one event to `queue`, addressed to `hwnd`; returns
  // how many were posted.
  int translate(const SDL_Event& event, Window* hwnd, MessageQueue& queue);

  bool minimised() const { return minimised_; }

private:
  WPARAM mouseFlags() const;

  bool minimised_ = false;
  uint32_t buttons_ = 0;  // MK_LBUTTON | MK_RBUTTON | MK_MBUTTON held
};

}  // namespace qor::platform
