#pragma once
// The thread's message queue and the message functions the main loop and
// the window procedure rely on, with Win32's behaviour:
//
// - peekMessage(PM_REMOVE) hands out at most one message and never waits.
// - Waiting messages merge as on Windows: pointer moves at the end of the
//   queue into the latest, and auto-repeated key-downs (lParam bit 30) into
//   the same key's down message still queued, adding to its repeat count.
//   Before looking at the queue it turns the window system's pending events
//   into messages (see EventTranslator.h).
// - postQuitMessage does not queue anything at once: it raises the quit flag,
//   and WM_QUIT (wParam = the exit code) is handed out once the queue holds no
//   other message.
// - dispatchMessage calls the procedure of the registered window class.

#include "platform/Win32.h"

#include <cstddef>
#include <vector>

namespace qor::platform {

using WindowProc = LRESULT (*)(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A first-in first-out queue of messages plus the quit flag. It is a ring
// buffer that only grows, so a steady stream of messages allocates nothing.
class MessageQueue {
public:
  void post(const MSG& msg);
  void post(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam) { post(MSG{hwnd, message, wParam, lParam}); }
  void postQuit(int exitCode);
  // Copies the next message into `msg`; with PM_REMOVE it also takes it off
  // the queue. False when there is none (and no quit is pending).
  bool peek(MSG& msg, UINT removeFlags);
  void clear();
  std::size_t size() const { return count_; }
  bool quitPending() const { return quitPending_; }

private:
  std::vector<MSG> ring_;
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool quitPending_ = false;
  int quitCode_ = 0;
};

// The queue of the program's one thread.
MessageQueue& threadQueue();

bool peekMessage(MSG& msg, UINT removeFlags);
void postMessage(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void postQuitMessage(int exitCode);
// Character messages come straight from the window system's text input
// (see setTextInput in Window.h), so there is nothing to translate; kept so
// the loop reads as a message loop.
inline bool translateMessage(const MSG&) { return false; }
LRESULT dispatchMessage(const MSG& msg);

// The window class: its name and procedure. Only one class is registered at
// a time; registering fails for an empty name, a null procedure or while
// another class is registered.
struct WindowClass {
  const char* name = nullptr;
  WindowProc procedure = nullptr;
};
bool registerWindowClass(const WindowClass& windowClass);
bool unregisterWindowClass(const char* name);
WindowProc windowClassProcedure();

// Default handling of the messages a window procedure passes on: a close
// command from the system menu (SC_CLOSE, also reached by Alt+F4) becomes
// WM_CLOSE; everything else is ignored and answered with 0.
LRESULT defWindowProc(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Tests replace the default procedure to see which messages reach it;
// nullptr restores the real one.
void setDefWindowProc(WindowProc procedure);

}  // namespace qor::platform
