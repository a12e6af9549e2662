#include "support/X11Helpers.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

long windowPid(Display* display, Window window, Atom pidAtom) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    if (count == 1 && format == 32) pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
  }
  return pid;
}

std::string windowTitle(Display* display, Window window) {
  char* name = nullptr;
  std::string title;
  if (XFetchName(display, window, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

unsigned long search(Display* display, Window window, long pid, const std::string& title, Atom pidAtom) {
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
      windowPid(display, window, pidAtom) == pid && windowTitle(display, window) == title)
    return window;
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  unsigned long found = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count && !found; ++i) found = search(display, children[i], pid, title, pidAtom);
    if (children) XFree(children);
  }
  return found;
}

// Windows can vanish while the tree is walked; such errors are expected.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

unsigned long findWindowOf(pid_t pid, const std::string& title) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  auto previous = XSetErrorHandler(ignoreErrors);
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  const unsigned long found = search(display, DefaultRootWindow(display), pid, title, pidAtom);
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return found;
}

bool sendCloseRequest(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &ev);
  XFlush(display);
  XCloseDisplay(display);
  return true;
}
