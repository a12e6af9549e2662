#include "authoring/MessagePanel.h"

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
  // The lower half of the window at most, so that the scene stays in view.
  return fitLines(panel.messages(), columnsFitting(m, width), rowsFitting(m, height / 2 + m.margin()), kMoreText,
                  panel.dropped());
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
