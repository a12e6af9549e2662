#pragma once
// Win32 virtual-key codes (the index of `keys[256]`) and the table that maps
// an SDL key to its code.

#include <SDL.h>

#include <cstdint>

namespace qor::platform {

constexpr uint8_t VK_LBUTTON = 0x01;
constexpr uint8_t VK_RBUTTON = 0x02;
constexpr uint8_t VK_MBUTTON = 0x04;
constexpr uint8_t VK_BACK = 0x08;
constexpr uint8_t VK_TAB = 0x09;
constexpr uint8_t VK_CLEAR = 0x0C;
constexpr uint8_t VK_RETURN = 0x0D;
constexpr uint8_t VK_SHIFT = 0x10;
constexpr uint8_t VK_CONTROL = 0x11;
constexpr uint8_t VK_MENU = 0x12;
constexpr uint8_t VK_PAUSE = 0x13;
constexpr uint8_t VK_CAPITAL = 0x14;
constexpr uint8_t VK_ESCAPE = 0x1B;
constexpr uint8_t VK_SPACE = 0x20;
constexpr uint8_t VK_PRIOR = 0x21;
constexpr uint8_t VK_NEXT = 0x22;
constexpr uint8_t VK_END = 0x23;
constexpr uint8_t VK_HOME = 0x24;
constexpr uint8_t VK_LEFT = 0x25;
constexpr uint8_t VK_UP = 0x26;
constexpr uint8_t VK_RIGHT = 0x27;
constexpr uint8_t VK_DOWN = 0x28;
constexpr uint8_t VK_SNAPSHOT = 0x2C;
constexpr uint8_t VK_INSERT = 0x2D;
constexpr uint8_t VK_DELETE = 0x2E;
// '0' … '9' are 0x30 … 0x39 and 'A' … 'Z' are 0x41 … 0x5A.
constexpr uint8_t VK_LWIN = 0x5B;
constexpr uint8_t VK_RWIN = 0x5C;
constexpr uint8_t VK_APPS = 0x5D;
constexpr uint8_t VK_NUMPAD0 = 0x60;
constexpr uint8_t VK_NUMPAD9 = 0x69;
constexpr uint8_t VK_MULTIPLY = 0x6A;
constexpr uint8_t VK_ADD = 0x6B;
constexpr uint8_t VK_SEPARATOR = 0x6C;
constexpr uint8_t VK_SUBTRACT = 0x6D;
constexpr uint8_t VK_DECIMAL = 0x6E;
constexpr uint8_t VK_DIVIDE = 0x6F;
constexpr uint8_t VK_F1 = 0x70;
constexpr uint8_t VK_F2 = 0x71;
constexpr uint8_t VK_F3 = 0x72;
constexpr uint8_t VK_F4 = 0x73;
constexpr uint8_t VK_F5 = 0x74;
constexpr uint8_t VK_F6 = 0x75;
constexpr uint8_t VK_F10 = 0x79;
constexpr uint8_t VK_F11 = 0x7A;
constexpr uint8_t VK_F12 = 0x7B;
constexpr uint8_t VK_F24 = 0x87;
constexpr uint8_t VK_NUMLOCK = 0x90;
constexpr uint8_t VK_SCROLL = 0x91;
constexpr uint8_t VK_OEM_1 = 0xBA;       // ;:
constexpr uint8_t VK_OEM_PLUS = 0xBB;    // =+
constexpr uint8_t VK_OEM_COMMA = 0xBC;   // ,<
constexpr uint8_t VK_OEM_MINUS = 0xBD;   // -_
constexpr uint8_t VK_OEM_PERIOD = 0xBE;  // .>
constexpr uint8_t VK_OEM_2 = 0xBF;       // /?
constexpr uint8_t VK_OEM_3 = 0xC0;       // `~
constexpr uint8_t VK_OEM_4 = 0xDB;       // [{
constexpr uint8_t VK_OEM_5 = 0xDC;       // \|
constexpr uint8_t VK_OEM_6 = 0xDD;       // ]}
constexpr uint8_t VK_OEM_7 = 0xDE;       // '"
constexpr uint8_t VK_OEM_102 = 0xE2;     // the extra key beside left Shift on 102-key keyboards

// The virtual-key code of an SDL key, 0 for keys the program has no code for.
//
// Letters follow the keyboard layout, as Windows' codes do: the key that
// types "a" is 'A' wherever it sits. Keys that type one of the US
// punctuation marks get that mark's OEM code; every other key (digits row,
// function and editing keys, keypad, modifiers) is taken by its position.
// Both Shift keys give VK_SHIFT and both Control keys VK_CONTROL, as in the
// wParam of WM_KEYDOWN.
uint8_t virtualKeyFromSdl(SDL_Keycode sym, SDL_Scancode scancode);

}  // namespace qor::platform
