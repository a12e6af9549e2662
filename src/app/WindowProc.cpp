#include "app/WindowProc.h"

#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"

namespace qor {

using namespace platform;

namespace {

// Keys of the game stage, handled before the key is recorded. While the
// console is open it has the keyboard: only F2 (which closes it) acts here.
void gameKey(WPARAM key) {
  if (key == VK_F2) {
    inputState.consoleVisible = !inputState.consoleVisible;
    return;
  }
  if (inputState.consoleVisible) return;
  switch (key) {
    case VK_LEFT: turnPlayerLeft(); break;
    case VK_RIGHT: turnPlayerRight(); break;
    case VK_DOWN: turnPlayerAround(); break;
    case VK_UP: stepPlayerForward(); break;
    case VK_F3: liftPlayer(0.1f); break;
    case VK_F4: liftPlayer(-0.1f); break;
    default: break;
  }
}

}  // namespace

LRESULT windowProc(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  InputState& in = inputState;
  // Pointer coordinates are read signed: while a button is held the window
  // system keeps reporting moves left of or above the window.
  const int32_t x = GET_X_LPARAM(lParam);
  const int32_t y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_ACTIVATE:
      in.active = HIWORD(wParam) == 0;  // false while minimised
      return 0;
    case WM_SIZE:
      screenSettings.width = LOWORD(static_cast<std::uintptr_t>(lParam));
      screenSettings.height = HIWORD(static_cast<std::uintptr_t>(lParam));
      return 0;
    case WM_CLOSE:
    case WM_DESTROY:
      postQuitMessage(0);
      return 0;
    case WM_SYSCOMMAND:
      // Refuse the screen saver and monitor power-off while the show runs.
      switch (wParam & 0xFFF0) {
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
          return 0;
        default:
          return defWindowProc(hwnd, message, wParam, lParam);
      }
    case WM_KEYDOWN:
      if (wParam > 0xFF) return 0;  // not a virtual-key code
      // F12 asks for a screenshot of the next frame; the key goes on as any other.
      if (wParam == VK_F12) requestScreenshot();
      if (stage == 5) gameKey(wParam);
      if (in.consoleVisible) consoleKeyPressed(static_cast<uint8_t>(wParam));
      else in.keys[wParam] = 1;
      return 0;
    case WM_CHAR:
      // Text input (where the program switched it on) types into the open
      // console; with the console closed the key's WM_KEYDOWN was all.
      if (in.consoleVisible && wParam <= 0x10FFFF) consoleCharTyped(static_cast<uint32_t>(wParam));
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      // Caps Lock stays recorded once pressed: it is a toggle, not a held key.
      if (wParam <= 0xFF && wParam != VK_CAPITAL) in.keys[wParam] = 0;
      // A key let go while Alt is held comes as a system key-up: it is
      // released all the same (else its binding would fire on every pass),
      // and the system still sees it.
      if (message == WM_SYSKEYUP) return defWindowProc(hwnd, message, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (stage == 5 && in.dragging) turnView(x - in.lastDragX);
      in.lastDragX = x;
      in.lastDragY = y;
      in.mouseX = x;
      in.mouseY = y;
      guiMouseMove(x, y);
      return 0;
    case WM_LBUTTONDOWN:
      slideAdvance();
      in.clickX = x;
      in.clickY = y;
      // A press taken by a GUI window still drags (it turns the view in the
      // game stage), but does not count as a press on the scene.
      if (!guiMouseDown()) in.leftDown = true;
      in.dragging = true;
      return 0;
    case WM_LBUTTONUP:
      in.leftDown = false;
      in.dragging = false;
      guiMouseUp();
      return 0;
    case WM_RBUTTONDOWN:
      in.clickX = x;
      in.clickY = y;
      in.rightDown = true;
      return 0;
    case WM_RBUTTONUP:
      in.rightDown = false;
      return 0;
    default:
      return defWindowProc(hwnd, message, wParam, lParam);
  }
}

}  // namespace qor
