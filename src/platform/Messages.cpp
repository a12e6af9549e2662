#include "platform/Messages.h"

#include "platform/VirtualKeys.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstring>

namespace qor::platform {

namespace {

bool isKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

}  // namespace

void MessageQueue::post(const MSG& msg) {
  // As on Windows, pointer moves waiting at the end of the queue merge into
  // one carrying the latest position and buttons: a burst of motion never
  // delays the key presses that follow it.
  if (msg.message == WM_MOUSEMOVE && count_ > 0) {
    MSG& last = ring_[(head_ + count_ - 1) % ring_.size()];
    if (last.message == WM_MOUSEMOVE && last.hwnd == msg.hwnd) {
      last = msg;
      return;
    }
  }
  // Auto-repeats of a held key that the loop has not yet taken merge into
  // the key-down already waiting, whose repeat count (lParam bits 0-15)
  // grows: a key that is let go stops at once, however slowly the loop
  // takes its messages. Only moves and other non-key messages may stand
  // between them; any key message in between keeps the order of the keys.
  if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && (msg.lParam & (1 << 30))) {
    for (std::size_t i = count_; i > 0; --i) {
      MSG& queued = ring_[(head_ + i - 1) % ring_.size()];
      if (!isKeyMessage(queued.message)) continue;
      if (queued.message != msg.message || queued.wParam != msg.wParam || queued.hwnd != msg.hwnd) break;
      const uint32_t bits = static_cast<uint32_t>(queued.lParam);
      const uint32_t repeats = std::min<uint32_t>((bits & 0xFFFF) + (static_cast<uint32_t>(msg.lParam) & 0xFFFF), 0xFFFF);
      queued.lParam = static_cast<LPARAM>(static_cast<int32_t>((bits & ~0xFFFFu) | repeats));
      return;
    }
  }
  if (count_ == ring_.size()) {
    // Grow to twice the size, unrolling the ring so that head_ is 0 again.
    std::vector<MSG> bigger(ring_.empty() ? 64 : ring_.size() * 2);
    for (std::size_t i = 0; i < count_; ++i) bigger[i] = ring_[(head_ + i) % ring_.size()];
    ring_.swap(bigger);
    head_ = 0;
  }
  ring_[(head_ + count_) % ring_.size()] = msg;
  ++count_;
}

void MessageQueue::postQuit(int exitCode) {
  quitPending_ = true;
  quitCode_ = exitCode;
}

bool MessageQueue::peek(MSG& msg, UINT removeFlags) {
  if (count_ > 0) {
    msg = ring_[head_];
    if (removeFlags & PM_REMOVE) {
      head_ = (head_ + 1) % ring_.size();
      --count_;
    }
    return true;
  }
  if (quitPending_) {
    msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
    if (removeFlags & PM_REMOVE) quitPending_ = false;
    return true;
  }
  return false;
}

void MessageQueue::clear() {
  head_ = 0;
  count_ = 0;
  quitPending_ = false;
  quitCode_ = 0;
}

MessageQueue& threadQueue() {
  static MessageQueue queue;
  return queue;
}

bool peekMessage(MSG& msg, UINT removeFlags) {
  pumpWindowEvents(threadQueue());
  return threadQueue().peek(msg, removeFlags);
}

void postMessage(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  threadQueue().post(hwnd, message, wParam, lParam);
}

void postQuitMessage(int exitCode) { threadQueue().postQuit(exitCode); }

namespace {

WindowClass registeredClass;
WindowProc defWindowProcOverride = nullptr;

}  // namespace

bool registerWindowClass(const WindowClass& windowClass) {
  if (!windowClass.name || !*windowClass.name || !windowClass.procedure || registeredClass.procedure) return false;
  registeredClass = windowClass;
  return true;
}

bool unregisterWindowClass(const char* name) {
  if (!registeredClass.procedure || !name || std::strcmp(name, registeredClass.name) != 0) return false;
  registeredClass = WindowClass{};
  return true;
}

WindowProc windowClassProcedure() { return registeredClass.procedure; }

LRESULT dispatchMessage(const MSG& msg) {
  // The program has one window, so every message goes to its class's
  // procedure, also those posted without a window handle.
  if (msg.message == WM_QUIT || !registeredClass.procedure) return 0;
  return registeredClass.procedure(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT defWindowProc(Window* hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (defWindowProcOverride) return defWindowProcOverride(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_SYSKEYDOWN:
      // Alt+F4 asks the window to close (bit 29: Alt was held).
      if (wParam == VK_F4 && (lParam & (1 << 29))) postMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) postMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

void setDefWindowProc(WindowProc procedure) { defWindowProcOverride = procedure; }

}  // namespace qor::platform
