// The shipped show (game/ copied into a scratch folder, its actor file changed
// where a case needs it) played with kelvo-viewer under the test display,
// its pictures compared as the window's pixels.

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Last: Xlib's macros (None, Bool, Status ...) clash with names in the others.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace kelvo::test;
using Clock = std::chrono::steady_clock;

struct Frame {
  std::string pixels;        // empty: not read
  bool blackCorner = false;  // the slides are framed in black, the room has a sky
  bool blackCentre = true;   // as a window nothing has been drawn into yet
};

struct Show : ChildProcess {
  explicit Show(const char* actors) {
    std::filesystem::copy(KELVO_SOURCE_DIR "/game", dir.path(), std::filesystem::copy_options::recursive);
    if (actors) dir.write("ActorDescription.txt", actors);
    start("'" KELVO_BIN_DIR "/kelvo-viewer'");
    window = findWindow();
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // a vanished window reads as no picture
  }
  ~Show() {
    if (display) XCloseDisplay(display);
  }

  Frame frame() const {
    Frame f;
    XWindowAttributes a{};
    if (!window || !XGetWindowAttributes(display, window, &a)) return f;
    if (XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap)) {
      f.pixels.assign(image->data, static_cast<std::size_t>(image->bytes_per_line) * a.height);
      f.blackCorner = (XGetPixel(image, 2, 2) & 0xffffff) == 0;
      f.blackCentre = (XGetPixel(image, a.width / 2, a.height / 2) & 0xffffff) == 0;
      XDestroyImage(image);
    }
    return f;
  }
  // The picture once drawn and the same for 1.5 s (the bobbing arrow, a
  // walking nurse keep it changing); empty after 60 s.
  Frame settle() const {
    Frame last = frame();
    for (auto since = Clock::now(), end = since + 60s; Clock::now() < end; std::this_thread::sleep_for(100ms)) {
      Frame next = frame();
      if (next.pixels != last.pixels) since = Clock::now();
      else if (!next.pixels.empty() && !next.blackCentre && Clock::now() - since > 1500ms) return next;
      last = std::move(next);
    }
    return {};
  }
  bool changesFrom(const Frame& from) const {
    for (auto end = Clock::now() + 30s; Clock::now() < end; std::this_thread::sleep_for(50ms))
      if (frame().pixels != from.pixels) return true;
    return false;
  }
  // The four slides as seen, clicked through; last the game's first picture.
  std::vector<Frame> clickThrough() const {
    std::vector<Frame> seen{settle()};
    for (int click = 1; click <= 4; ++click) {
      EXPECT_TRUE(seen.back().blackCorner) << "slide " << click;
      runCommand("xdotool mousemove --window " + std::to_string(window) + " 400 300 click 1");
      EXPECT_TRUE(changesFrom(seen.back())) << "click " << click;
      seen.push_back(click < 4 ? settle() : frame());
    }
    EXPECT_FALSE(seen.back().blackCorner) << "the room";
    return seen;
  }
  // Typed once the window has had the focus a moment: a key sent the moment
  // it arrives can be lost.
  void type(const std::string& keys) const {
    runCommand("xdotool windowfocus --sync " + std::to_string(window) + " sleep 1 key --delay 20 " + keys);
  }

  Display* const display = XOpenDisplay(nullptr);
  unsigned long window = 0;
};

// After a step's keys the picture changes; then it keeps moving, or it comes
// to stand still on the room or on the end slide.
enum class Then { Moves, StandsStill, EndSlide };
struct Step { std::string keys; Then then; };

TEST(ShowEndToEnd, SlidesToTheRoomTheChildFollowsAndIsBroughtHome) {
  // South 26 cells out of the ward's door row, east along the corridor to the
  // front hall's lane (column 349), north up the lane.
  std::string walkHome;
  const std::pair<const char*, int> legs[] = {{"Up", 26}, {"Left", 1}, {"Up", 229}, {"Left", 1}, {"Up", 28}};
  for (const auto& [key, count] : legs)
    for (int i = 0; i < count; ++i) walkHome += (walkHome.empty() ? "" : " ") + std::string(key);
  const struct { const char* actors; std::vector<Step> steps; } cases[] = {
      // The shipped actors: nurses walk, the arrow above the child bobs.
      {nullptr, {{"", Then::Moves}}},
      // No nurses, so only the arrow moves; the child two cells ahead of the
      // player's start (120, 33), where she faces row + 1. One step and it
      // follows: the arrow goes, nothing moves. She turns round and steps
      // back, the child after her.
      {"0\n120 35 0\n", {{"", Then::Moves}, {"Up", Then::StandsStill}, {"Down", Then::StandsStill},
                          {"Up", Then::StandsStill}}},
      // No nurses; the child in the front hall five cells from home (350,
      // 10). She walks to row 31 of the hall's lane: 17 cells from the child,
      // near enough for it to follow, and it is home.
      {"0\n350 15 0\n", {{walkHome, Then::EndSlide}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.actors ? c.actors : "the shipped actors");
    Show show(c.actors);
    ASSERT_NE(show.window, 0ul) << show.err();
    const std::vector<Frame> seen = show.clickThrough();
    Frame last = seen.back();
    for (const Step& step : c.steps) {
      const std::string keys = step.keys.substr(0, 12);
      if (!step.keys.empty()) show.type(step.keys);
      EXPECT_TRUE(show.changesFrom(last)) << keys;
      if (step.then == Then::Moves) continue;
      last = show.settle();
      ASSERT_FALSE(last.pixels.empty()) << "still moving after " << keys;
      EXPECT_EQ(last.blackCorner, step.then == Then::EndSlide) << keys;
      for (std::size_t i = 0; i < 4; ++i) EXPECT_NE(last.pixels, seen[i].pixels) << "slide " << i + 1;
    }
    EXPECT_EQ(show.pressKeys(show.window, "Escape"), 0);
    EXPECT_EQ(show.err(), "");  // the show prints nothing when all is well
  }
}

}  // namespace
