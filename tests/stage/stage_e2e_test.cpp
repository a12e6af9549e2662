// The whole show under the test display (Xvfb), driven with xdotool in a
// small installation: the slides clicked through, the player walked to the
// child next to her home, the end slide, Escape.

#include "support/ChildProcess.h"
#include "support/StageInstallation.h"

#include <gtest/gtest.h>

// Last: Xlib's macros (None, Bool, Status ...) clash with names in the others.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace kelvo::test;

// The colour in the middle of the window, as the slide letters R, G, B, Y
// (slides 1 to 4) and M (the end slide), or '?' for anything else.
char centreColour(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return '!';
  char seen = '?';
  XWindowAttributes size;
  if (XGetWindowAttributes(display, window, &size)) {
    if (XImage* image = XGetImage(display, window, size.width / 2, size.height / 2, 1, 1, AllPlanes, ZPixmap)) {
      // Each channel high (above 150) or low (below 60); a channel in
      // between makes no slide colour.
      const unsigned long pixel = XGetPixel(image, 0, 0);
      int letter = 0;
      for (int shift : {16, 8, 0}) {
        const unsigned long channel = (pixel >> shift) & 0xFF;
        letter = channel > 150 ? letter * 2 + 1 : channel < 60 ? letter * 2 : 8;
      }
      seen = letter < 8 ? "?BG?RMY?"[letter] : '?';
      XDestroyImage(image);
    }
  }
  XCloseDisplay(display);
  return seen;
}

// The centre's colour once it is `expected`, or what it was after 10 s.
char waitForColour(unsigned long window, char expected) {
  char seen = '?';
  for (int i = 0; i < 100 && (seen = centreColour(window)) != expected; ++i) std::this_thread::sleep_for(100ms);
  return seen;
}

TEST(StageEndToEnd, SlidesThenTheWalkToTheChildEndOnTheHomeSlide) {
  ChildProcess viewer;
  writeStageInstallation(viewer.dir);
  viewer.start("'" KELVO_BIN_DIR "/kelvo-viewer'");
  const unsigned long window = viewer.findWindow();
  ASSERT_NE(window, 0ul) << viewer.err();
  const std::string id = std::to_string(window);
  EXPECT_EQ(waitForColour(window, 'R'), 'R');
  // Each click shows the next slide; the fourth opens the game.
  for (char slide : {'G', 'B', 'Y', '?'}) {
    runCommand("xdotool mousemove --window " + id + " 320 240 click 1");
    EXPECT_EQ(waitForColour(window, slide), slide);
  }
  // From column 120, row 33, facing row + 1: turn to column + 1 and walk to
  // column 335, turn to row - 1 and walk to row 20, 20 cells from the child
  // on (345, 10): not near enough yet for her to come along.
  std::string walk = "Left";
  for (int i = 0; i < 215; ++i) walk += " Up";
  walk += " Left";
  for (int i = 0; i < 13; ++i) walk += " Up";
  runCommand("xdotool windowfocus --sync " + id + " key --delay 5 " + walk);
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(centreColour(window), '?');
  // One more step: the child follows, she is home, the end slide shows.
  runCommand("xdotool key Up");
  EXPECT_EQ(waitForColour(window, 'M'), 'M');
  EXPECT_EQ(viewer.pressKeys(window, "Escape"), 0) << viewer.err();
}

}  // namespace
