#include "authoring/MessagePanel.h"

#include <algorithm>

namespace kelvo::authoring {

void MessagePanel::startLoad() {
  messages_.clear();
  seen_.clear();
  dropped_ = 0;
  ++generation_;
}

void MessagePanel::add(const qor::script::Diagnostic& d) {
  std::string text = qor::script::formatDiagnostic(d);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  if (seen_.count(text)) return;
  ++generation_;
  if (messages_.size() >= kKeptMessages) {
    // Still remembered, so that its repeats are not counted again.
    if (seen_.size() < 4 * kKeptMessages) seen_.insert(text);
    ++dropped_;
    return;
  }
  const Colour colour = d.kind == qor::script::DiagnosticKind::Error     ? kErrorText
                        : d.kind == qor::script::DiagnosticKind::Warning ? kWarningText
                                                                         : kNoteText;
  seen_.insert(text);
  messages_.push_back({std::move(text), colour});
}

std::vector<TextLine> panelLines(const MessagePanel& panel, int width, int height) {
  const TextMetrics m = metricsFor(width, height);
  const std::size_t columns = columnsFitting(m, width);
  // The lower half of the window at most, so that the scene stays in view.
  const std::size_t rows = rowsFitting(m, height / 2 + m.margin());
  std::vector<TextLine> out;
  if (columns == 0 || rows == 0) return out;
  const std::vector<TextLine>& messages = panel.messages();
  const std::size_t total = messages.size() + panel.dropped();
  // Whole messages, wrapped, as long as a row stays for the count of the rest;
  // a first message longer than the panel is shown as far as it fits.
  std::size_t shown = 0;
  for (; shown < messages.size(); ++shown) {
    std::vector<TextLine> pieces = wrapLine(messages[shown], columns);
    const std::size_t room = rows - out.size() - (shown + 1 < total ? 1 : 0);
    if (pieces.size() > room) {
      if (!out.empty() || room == 0) break;
      pieces.resize(room);
      std::string& last = pieces.back().text;
      last = last.substr(0, std::min(last.size(), columns > 3 ? columns - 3 : columns)) + "...";
      last.resize(std::min(last.size(), columns));
      out.insert(out.end(), pieces.begin(), pieces.end());
      ++shown;
      break;
    }
    out.insert(out.end(), pieces.begin(), pieces.end());
  }
  if (shown < total) {
    std::string more = "... and " + std::to_string(total - shown) + " more";
    more.resize(std::min(more.size(), columns));
    out.push_back({std::move(more), kMoreText});
  }
  return out;
}

void MessagePanelView::draw(const MessagePanel& panel, int width, int height) {
  if (panel.generation() != generation_ || width != width_ || height != height_) {
    lines_ = panelLines(panel, width, height);
    generation_ = panel.generation();
    width_ = width;
    height_ = height;
  }
  if (lines_.empty()) return;
  drawTextBox(lines_, Corner::BottomLeft, kPanelBackground, width, height,
              columnsFitting(metricsFor(width, height), width));
}

}  // namespace kelvo::authoring
