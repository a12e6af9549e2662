#pragma once
// The messages of the last load (syntax errors, warnings, notes) as kelvo-scene
// shows them in a panel along the bottom of the window, over the scene: it
// empties when a load starts, so a load that comes clean leaves it empty;
// each message is kept once, in the order it first came.

#include "authoring/Overlay.h"
#include "script/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace kelvo::authoring {

// The panel's colours: light text on an opaque dark panel, each 4.5:1 or
// more against it.
inline constexpr Colour kPanelBackground{24, 24, 32};
inline constexpr Colour kErrorText{255, 150, 140};
inline constexpr Colour kWarningText{255, 214, 102};
inline constexpr Colour kNoteText{200, 200, 210};
inline constexpr Colour kMoreText{170, 170, 180};

class MessagePanel {
public:
  // More distinct messages than this are counted, not kept.
  static constexpr std::size_t kKeptMessages = 500;

  // A load starts: the last load's messages go.
  void startLoad();
  // One diagnostic of the load; a message seen already in this load (a
  // warning in a loop) is not added again. Control characters are shown as
  // blanks.
  void add(const qor::script::Diagnostic& d);

  const std::vector<TextLine>& messages() const { return messages_; }
  // Distinct messages beyond those kept.
  std::size_t dropped() const { return dropped_; }
  // Goes up at every change, so a drawing can keep its layout until then.
  uint64_t generation() const { return generation_; }

private:
  std::vector<TextLine> messages_;
  std::unordered_set<std::string> seen_;
  std::size_t dropped_ = 0;
  uint64_t generation_ = 0;
};

// The rows the panel shows in a window of `width` × `height` pixels: as many
// messages as fit in the lower half of the window, each wrapped at the
// window's edge, the last row counting the rest.
std::vector<TextLine> panelLines(const MessagePanel& panel, int width, int height);

// The panel's box, across the bottom of the window; nothing while it is empty.
// Lays the lines out again only when the messages or the window size change.
class MessagePanelView {
public:
  void draw(const MessagePanel& panel, int width, int height);

private:
  std::vector<TextLine> lines_;
  uint64_t generation_ = ~uint64_t{0};
  int width_ = -1, height_ = -1;
};

}  // namespace kelvo::authoring
