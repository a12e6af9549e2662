#pragma once
// The Win32 vocabulary the program speaks: message numbers, their parameter
// types and flags, with the numeric values Windows gives them. The window
// procedure and everything above it read exactly as a Win32 program; the
// SDL layer below (Window, Messages, EventTranslator) produces these values.

#include <cstdint>

namespace qor::platform {

using UINT = uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class Window;

// One queued message, as GetMessage/PeekMessage hand it out.
struct MSG {
  Window* hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;

// WM_SYSCOMMAND commands (the low four bits are used by the system).
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// WM_ACTIVATE states (low word of wParam; the high word is the minimised flag).
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// Button and modifier flags in the wParam of mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// One notch of a mouse wheel in the high word of WM_MOUSEWHEEL's wParam;
// positive turns away from the user.
constexpr int32_t WHEEL_DELTA = 120;

// PeekMessage flags.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Word helpers with the Win32 meaning.
constexpr uint16_t LOWORD(std::uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HIWORD(std::uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(uint32_t lo, uint32_t hi) {
  return static_cast<LPARAM>(static_cast<int32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
constexpr WPARAM MAKEWPARAM(uint32_t lo, uint32_t hi) { return static_cast<WPARAM>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)); }
// Signed pointer coordinates of mouse messages (negative left of or above
// the client area while the pointer is captured).
constexpr int32_t GET_X_LPARAM(LPARAM lp) { return static_cast<int16_t>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int32_t GET_Y_LPARAM(LPARAM lp) { return static_cast<int16_t>(HIWORD(static_cast<std::uintptr_t>(lp))); }
// The signed wheel turn of WM_MOUSEWHEEL, in WHEEL_DELTA units per notch.
constexpr int32_t GET_WHEEL_DELTA_WPARAM(WPARAM wp) { return static_cast<int16_t>(HIWORD(wp)); }

}  // namespace qor::platform
