#pragma once
// kelvo-content: the generators of the show's files. Each writes its part of
// an installation folder; together they make everything the show reads
// except the GUI's skin and font (kelvo-gui-art). Output is deterministic:
// fixed seeds, no time stamps, floats written with fixed precision.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::content {

// The installation folder being written, and whether every write worked.
class Output {
public:
  explicit Output(std::filesystem::path dir) : dir_(std::move(dir)) {}
  // The full path of `relative` (its folders are created).
  std::string path(std::string_view relative);
  void text(std::string_view relative, std::string_view content);
  void bytes(std::string_view relative, const std::vector<uint8_t>& content);
  // Records a failed write of `relative`.
  void fail(std::string_view relative);
  bool ok() const { return failures_.empty(); }
  const std::vector<std::string>& failures() const { return failures_; }

private:
  std::filesystem::path dir_;
  std::vector<std::string> failures_;
};

// The room, its board file and the actor file (Room.cpp).
void writeRoom(Output& out);
// The old woman, the child, the nurse, the arrow and the background (Figures.cpp).
void writeFigures(Output& out);
// The four introduction slides, the end slide and the fallback texture (Slides.cpp).
void writeSlides(Output& out);
// The music loop and the four voice lines (Sounds.cpp).
void writeSounds(Output& out);
// The screen and scene settings and the scene script (kelvo-content.cpp).
void writeSettings(Output& out);

}  // namespace kelvo::content
