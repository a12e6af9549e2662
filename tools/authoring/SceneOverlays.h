#pragma once
// What kelvo-scene draws over the scene: the message panel of the last load,
// the help box (F1: kelvo-scene's keys and mouse, then the script's own key
// bindings) and the frame statistics (F11). Drawn in the frame's beforeSwap
// hook, before a screenshot is taken, so screenshots show them.

#include "authoring/MessagePanel.h"
#include "authoring/Overlay.h"
#include "scene/Renderer.h"
#include "script/Diagnostics.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::authoring {

inline constexpr Colour kBoxBackground{16, 16, 24};
inline constexpr Colour kHeadingText{255, 255, 255};
inline constexpr Colour kBodyText{210, 215, 225};

// Frames per second and milliseconds per frame by the program clock,
// averaged over a second of frames (over the frames so far, until the first
// second is over).
class FrameRate {
public:
  static constexpr int32_t kWindowMs = 1000;
  // A frame finished at `nowMs` (a program clock reading).
  void frame(int32_t nowMs);
  // False until two frames lie at least a millisecond apart.
  bool known() const { return known_; }
  double fps() const { return fps_; }
  double msPerFrame() const { return ms_; }

private:
  bool started_ = false;
  bool known_ = false;
  bool fullWindow_ = false;
  int32_t windowStart_ = 0;
  int32_t frames_ = 0;
  double fps_ = 0.0;
  double ms_ = 0.0;
};

// The name a key is shown by: "UP", "F5", "A", "7", "SPACE" or "key 186".
std::string keyName(int code);

// One script key binding: its key's name and the bound call's text.
struct KeyBindingText {
  std::string key;
  std::string call;
};

// The help box: kelvo-scene's keys and mouse, then `bindings`.
std::vector<TextLine> helpLines(const std::vector<KeyBindingText>& bindings);

// The statistics box's lines for a frame's counters and rate, written into
// `lines` (sized once, its strings reused: a frame allocates nothing once
// their storage is there).
void writeStatsLines(const qor::RenderStats& stats, const FrameRate& rate, std::vector<TextLine>& lines);

class SceneOverlays {
public:
  MessagePanel messages;
  bool helpShown = false;
  bool statsShown = false;

  // kelvo-scene's own keys: F1 shows and hides the help, F11 the statistics
  // (a held key's repeats change nothing). True when the key was one of them.
  bool handleKey(int code, bool repeat);
  // Draws what is shown over the finished frame of a window this size.
  void draw(int width, int height);

private:
  // Lists the script's bindings again when they changed; true when it did.
  bool refreshHelp();
  FrameRate rate_;
  MessagePanelView panel_;
  std::vector<TextLine> helpLines_;
  std::array<const void*, 256> boundCalls_{};  // the bindings helpLines_ lists
  bool helpStale_ = true;
  std::vector<TextLine> helpShownLines_;  // helpLines_ fitted to the window
  int helpWidth_ = -1, helpHeight_ = -1, helpScale_ = 0;
  std::vector<TextLine> statsLines_;
};

// kelvo-scene's overlays.
extern SceneOverlays sceneOverlays;

// Adds a message of the scene's load (or of its timers and keys) to
// sceneOverlays' panel; kelvo-scene's diagnostic sink calls it.
void showLoadMessage(const qor::script::Diagnostic& d);

}  // namespace kelvo::authoring
