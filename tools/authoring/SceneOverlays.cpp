#include "authoring/SceneOverlays.h"

#include "platform/Clock.h"
#include "platform/VirtualKeys.h"
#include "script/Builtins.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace kelvo::authoring {

SceneOverlays sceneOverlays;

void FrameRate::frame(int32_t nowMs) {
  if (!started_) {
    started_ = true;
    windowStart_ = nowMs;
    return;
  }
  ++frames_;
  const int32_t elapsed = qor::platform::clockDiff(nowMs, windowStart_);
  if (elapsed < 0) {  // a clock set back: start counting again
    windowStart_ = nowMs;
    frames_ = 0;
    return;
  }
  if (elapsed == 0 || (fullWindow_ && elapsed < kWindowMs)) return;
  fps_ = frames_ * 1000.0 / elapsed;
  ms_ = static_cast<double>(elapsed) / frames_;
  known_ = true;
  if (elapsed >= kWindowMs) {
    fullWindow_ = true;
    windowStart_ = nowMs;
    frames_ = 0;
  }
}

std::string keyName(int code) {
  using namespace qor::platform;
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
  if (code >= VK_F1 && code <= VK_F24) return "F" + std::to_string(code - VK_F1 + 1);
  if (code >= VK_NUMPAD0 && code <= VK_NUMPAD9) return "KEYPAD " + std::to_string(code - VK_NUMPAD0);
  switch (code) {
    case VK_UP: return "UP";
    case VK_DOWN: return "DOWN";
    case VK_LEFT: return "LEFT";
    case VK_RIGHT: return "RIGHT";
    case VK_SPACE: return "SPACE";
    case VK_RETURN: return "ENTER";
    case VK_TAB: return "TAB";
    case VK_BACK: return "BACKSPACE";
    case VK_ESCAPE: return "ESCAPE";
    case VK_HOME: return "HOME";
    case VK_END: return "END";
    case VK_PRIOR: return "PAGE UP";
    case VK_NEXT: return "PAGE DOWN";
    case VK_INSERT: return "INSERT";
    case VK_DELETE: return "DELETE";
    case VK_SHIFT: return "SHIFT";
    case VK_CONTROL: return "CONTROL";
    default: return "key " + std::to_string(code);
  }
}

std::vector<TextLine> helpLines(const std::vector<KeyBindingText>& bindings) {
  static const std::pair<const char*, const char*> kOwn[] = {
      {"Escape", "quit"},
      {"F1", "this help"},
      {"F2", "console"},
      {"F5", "load the script again"},
      {"F6", "script's camera or mouse camera"},
      {"Home", "mouse camera to its start"},
      {"F11", "frame statistics"},
      {"F12", "numbered screenshot"},
      {"left drag", "orbit"},
      {"wheel", "dolly nearer or farther"},
      {"right drag", "pan"},
      {"middle drag", "pan"},
  };
  // The keys in a column as wide as the longest name (a long one runs over).
  std::size_t keyWidth = 0;
  for (auto [key, what] : kOwn) keyWidth = std::max(keyWidth, std::string_view(key).size());
  for (const KeyBindingText& b : bindings) keyWidth = std::max(keyWidth, std::min<std::size_t>(b.key.size(), 12));
  auto row = [keyWidth](std::string_view key, std::string_view what) {
    std::string text = "  ";
    text.append(key);
    text.resize(std::max(text.size() + 1, keyWidth + 4), ' ');
    return text.append(what);
  };
  std::vector<TextLine> lines{{"kelvo-scene", kHeadingText}};
  for (auto [key, what] : kOwn) lines.push_back({row(key, what), kBodyText});
  lines.push_back({"the script's keys", kHeadingText});
  if (bindings.empty()) lines.push_back({"  none", kBodyText});
  for (const KeyBindingText& b : bindings) lines.push_back({row(b.key, b.call), kBodyText});
  return lines;
}

void writeStatsLines(const qor::RenderStats& stats, const FrameRate& rate, std::vector<TextLine>& lines) {
  constexpr std::size_t kLines = 6;
  if (lines.size() != kLines) {
    lines.assign(kLines, TextLine{std::string(), kBodyText});
    for (TextLine& line : lines) line.text.reserve(48);
  }
  char buffer[48];
  auto put = [&](std::size_t i, int written) {
    lines[i].text.assign(buffer, static_cast<std::size_t>(std::min<int>(std::max(written, 0), sizeof buffer - 1)));
  };
  if (rate.known()) {
    put(0, std::snprintf(buffer, sizeof buffer, "fps            %.1f", rate.fps()));
    put(1, std::snprintf(buffer, sizeof buffer, "ms per frame   %.2f", rate.msPerFrame()));
  } else {
    put(0, std::snprintf(buffer, sizeof buffer, "fps            -"));
    put(1, std::snprintf(buffer, sizeof buffer, "ms per frame   -"));
  }
  put(2, std::snprintf(buffer, sizeof buffer, "items          %u drawn, %u culled", stats.itemsDrawn, stats.itemsCulled));
  put(3, std::snprintf(buffer, sizeof buffer, "triangles      %llu", static_cast<unsigned long long>(stats.triangles)));
  put(4, std::snprintf(buffer, sizeof buffer, "lights         %u", stats.lights));
  put(5, std::snprintf(buffer, sizeof buffer, "shadow volumes %u", stats.shadowVolumes));
}

bool SceneOverlays::handleKey(int code, bool repeat) {
  if (code == qor::platform::VK_F1) {
    if (!repeat) {
      helpShown = !helpShown;
      helpStale_ = true;
    }
    return true;
  }
  if (code == qor::platform::VK_F11) {
    if (!repeat) statsShown = !statsShown;
    return true;
  }
  return false;
}

bool SceneOverlays::refreshHelp() {
  // The script may bind keys at any time (a timer, a console command): the
  // list is made again when a binding has changed since.
  bool changed = helpStale_;
  for (int code = 0; code < qor::script::kKeySlots; ++code) {
    const void* call = qor::script::keyBinding(code).get();
    if (call != boundCalls_[static_cast<std::size_t>(code)]) changed = true;
    boundCalls_[static_cast<std::size_t>(code)] = call;
  }
  if (!changed) return false;
  std::vector<KeyBindingText> bindings;
  for (int code = 0; code < qor::script::kKeySlots; ++code)
    if (const auto& call = qor::script::keyBinding(code))
      bindings.push_back({keyName(code), qor::script::printedText(call)});
  helpLines_ = helpLines(bindings);
  helpStale_ = false;
  return true;
}

void SceneOverlays::draw(int width, int height) {
  // The rate counts every frame, shown or not, so it is right when shown.
  rate_.frame(qor::platform::clockMs());
  panel_.draw(messages, width, height);
  if (statsShown) {
    writeStatsLines(qor::renderStats, rate_, statsLines_);
    drawTextBox(statsLines_, Corner::TopRight, kBoxBackground, width, height);
  }
  // The help, asked for to be read, lies over the rest and may take the
  // whole window.
  if (helpShown) {
    if (refreshHelp() || width != helpWidth_ || height != helpHeight_) {
      // A long list of the script's keys is drawn at the font's plain size
      // rather than cut, where that lets more of it be read.
      TextMetrics m = metricsFor(width, height);
      if (m.scale > 1 && helpLines_.size() > rowsFitting(m, height)) m.scale = 1;
      helpShownLines_ = fitLines(helpLines_, columnsFitting(m, width), rowsFitting(m, height), kBodyText);
      helpScale_ = m.scale;
      helpWidth_ = width;
      helpHeight_ = height;
    }
    drawTextBox(helpShownLines_, Corner::TopLeft, kBoxBackground, width, height, 0, helpScale_);
  }
}

void showLoadMessage(const qor::script::Diagnostic& d) { sceneOverlays.messages.add(d); }

}  // namespace kelvo::authoring
