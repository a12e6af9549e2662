#include "script/Diagnostics.h"

#include "util/Warnings.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace qor::script {

namespace detail {
bool diagnosticsOn = false;
}

namespace {

// A warning seen once: where it stands in the order of first sight, and how
// often it came after that.
struct Seen {
  std::string file;
  int line;
  int column;
  std::string text;
  uint64_t repeats = 0;
};

struct Channel {
  DiagnosticSink sink;
  // Keyed by file, place and text; `order` keeps the first-seen order.
  std::unordered_map<std::string, std::size_t> index;
  std::vector<Seen> seen;
  uint64_t errors = 0;
  uint64_t warnings = 0;
  // Every diagnostic offered, repeats too.
  uint64_t offered = 0;
};

Channel& channel() {
  static Channel c;
  return c;
}

std::string keyOf(const Diagnostic& d) {
  std::string key;
  key.reserve(d.file.size() + d.text.size() + 24);
  key.append(d.file).push_back('\0');
  key.append(std::to_string(d.line)).push_back('.');
  key.append(std::to_string(d.column)).push_back('\0');
  key.append(d.text);
  return key;
}

// Lower layers' warnings stand at the built-in call that asked for the file.
void fromLowerLayer(std::string_view text) { warnAt(builtinCallPlace(), text); }

// Edit distance with a swap of two neighbours as one edit (optimal string
// alignment), stopping early once every path is past `limit`.
std::size_t editDistance(std::string_view a, std::string_view b, std::size_t limit) {
  const std::size_t n = a.size(), m = b.size();
  if ((n > m ? n - m : m - n) > limit) return limit + 1;
  std::vector<std::size_t> before(m + 1), previous(m + 1), current(m + 1);
  for (std::size_t j = 0; j <= m; ++j) previous[j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    current[0] = i;
    std::size_t rowBest = current[0];
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      std::size_t d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d = std::min(d, before[j - 2] + 1);
      current[j] = d;
      rowBest = std::min(rowBest, d);
    }
    if (rowBest > limit) return limit + 1;
    before.swap(previous);
    previous.swap(current);
  }
  return previous[m];
}

}  // namespace

std::string formatDiagnostic(const Diagnostic& d) {
  std::string out(d.file);
  if (d.line > 0) out += ":" + std::to_string(d.line) + "." + std::to_string(d.column);
  out += ": ";
  if (d.kind == DiagnosticKind::Warning) out += "warning: ";
  else if (d.kind == DiagnosticKind::Note) out += "note: ";
  out += d.text;
  return out;
}

void printDiagnosticToStderr(const Diagnostic& d) {
  const std::string line = formatDiagnostic(d) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void setDiagnosticSink(DiagnosticSink sink) {
  Channel& c = channel();
  c.sink = std::move(sink);
  c.index.clear();
  c.seen.clear();
  c.errors = 0;
  c.warnings = 0;
  detail::diagnosticsOn = static_cast<bool>(c.sink);
  setWarningHook(detail::diagnosticsOn ? &fromLowerLayer : nullptr);
}

struct ScopedDiagnosticSink::Saved {
  Channel channel;
};

ScopedDiagnosticSink::ScopedDiagnosticSink(DiagnosticSink sink) : saved_(std::make_unique<Saved>()) {
  saved_->channel = std::move(channel());
  setDiagnosticSink(std::move(sink));
}

ScopedDiagnosticSink::~ScopedDiagnosticSink() {
  channel() = std::move(saved_->channel);
  detail::diagnosticsOn = static_cast<bool>(channel().sink);
  setWarningHook(detail::diagnosticsOn ? &fromLowerLayer : nullptr);
}

void diagnose(const Diagnostic& d) {
  Channel& c = channel();
  if (!c.sink) return;
  ++c.offered;
  if (d.kind == DiagnosticKind::Warning) {
    const auto [it, added] = c.index.try_emplace(keyOf(d), c.seen.size());
    if (!added) {
      ++c.seen[it->second].repeats;
      return;
    }
    c.seen.push_back({std::string(d.file), d.line, d.column, std::string(d.text)});
    ++c.warnings;
  } else if (d.kind == DiagnosticKind::Error) {
    ++c.errors;
  }
  c.sink(d);
}

void warnAt(const UnitPlace& place, std::string_view text) {
  if (!warningsOn()) return;
  const std::string_view file = place.file < fileCount() ? std::string_view(filePath(place.file)) : std::string_view();
  diagnose({file, place.line, place.column, DiagnosticKind::Warning, text});
}

void reportError(const std::string& file, int line, int column, const std::string& message) {
  diagnose({file, line, column, DiagnosticKind::Error, message});
}

void finishDiagnostics() {
  Channel& c = channel();
  if (!c.sink) return;
  for (Seen& s : c.seen) {
    if (s.repeats == 0) continue;
    const std::string text = "this warning came " + std::to_string(s.repeats) + " more time" +
                             (s.repeats == 1 ? "" : "s") + ": " + s.text;
    c.sink({s.file, s.line, s.column, DiagnosticKind::Note, text});
    s.repeats = 0;
  }
}

void restartDiagnostics() {
  finishDiagnostics();
  Channel& c = channel();
  c.index.clear();
  c.seen.clear();
}

uint64_t diagnosticsOffered() { return channel().offered; }

uint64_t errorCount() { return channel().errors; }
uint64_t warningCount() { return channel().warnings; }

std::string_view nearestName(std::string_view name, const std::vector<std::string_view>& candidates) {
  if (name.empty()) return {};
  const std::size_t limit = std::min<std::size_t>(2, (name.size() - 1) / 2);
  std::string_view best;
  std::size_t bestDistance = limit + 1;
  for (std::string_view c : candidates) {
    if (c == name) continue;
    const std::size_t d = editDistance(name, c, limit);
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

std::string didYouMean(std::string_view name, const std::vector<std::string_view>& candidates) {
  const std::string_view best = nearestName(name, candidates);
  return best.empty() ? std::string() : " (did you mean '" + std::string(best) + "'?)";
}

}  // namespace qor::script
