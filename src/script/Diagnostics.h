#pragma once
// The one channel of script diagnostics: syntax errors, the interpreter's
// notes and the warnings about mistakes the language lets pass (an unknown
// method, a wrong argument list, a name nothing has set, a file that cannot
// be read). Each carries its file, line, column, kind and text; the tools
// and the console install a sink that shows them, the viewer installs none
// and stays silent. The script goes on after a warning exactly as it would
// without one: warnings only tell.
//
// A warning from one place is passed on once; its repeats are counted and
// summed up by finishDiagnostics(), so a loop never floods the output.

#include "script/Interpreter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qor::script {

enum class DiagnosticKind : uint8_t {
  Error,    // a syntax error or an interpreter's note: "FILE:LINE.COLUMN: TEXT"
  Warning,  // "FILE:LINE.COLUMN: warning: TEXT"
  Note,     // "FILE:LINE.COLUMN: note: TEXT" (the repeat counts)
};

struct Diagnostic {
  std::string_view file;
  int line = 0;  // from 1; 0 when the diagnostic has no place in the file
  int column = 0;
  DiagnosticKind kind = DiagnosticKind::Warning;
  std::string_view text;
};

// The text a tool prints for a diagnostic, without a line feed.
std::string formatDiagnostic(const Diagnostic& d);

using DiagnosticSink = std::function<void(const Diagnostic&)>;
// Installs the sink (an empty one turns diagnostics off) and clears the
// counts. It also becomes the lower layers' warning hook (util/Warnings.h),
// whose texts get the place of the built-in call that is running.
void setDiagnosticSink(DiagnosticSink sink);
// Installs `sink` with counts of its own for as long as it lives, then gives
// the channel back as it was (its sink, its counts and the warnings it has
// seen): the console's command reports to its transcript, and the tool's
// run goes on counting where it was.
class ScopedDiagnosticSink {
public:
  explicit ScopedDiagnosticSink(DiagnosticSink sink);
  ~ScopedDiagnosticSink();
  ScopedDiagnosticSink(const ScopedDiagnosticSink&) = delete;
  ScopedDiagnosticSink& operator=(const ScopedDiagnosticSink&) = delete;

private:
  struct Saved;
  std::unique_ptr<Saved> saved_;
};
// A sink that writes formatDiagnostic's text and a line feed to stderr.
void printDiagnosticToStderr(const Diagnostic& d);

namespace detail {
extern bool diagnosticsOn;
}
// True when a sink listens: the interpreter builds a warning's text (and
// looks for a suggestion) only then, so a silent run pays one test.
inline bool warningsOn() { return detail::diagnosticsOn; }

// Passes a diagnostic to the sink. Errors and notes always pass; a warning
// passes the first time its place and text are seen, later ones are counted.
void diagnose(const Diagnostic& d);
// A warning at a place of the file table (UnitPlace::file indexes it).
void warnAt(const UnitPlace& place, std::string_view text);
// Usable as an ErrorSink: the error goes to the channel as DiagnosticKind::Error.
void reportError(const std::string& file, int line, int column, const std::string& message);

// One note per warning that came again, in the order the warnings were
// first seen: "FILE:LINE.COLUMN: note: this warning came N more times: TEXT".
// Then the repeat counts start again.
void finishDiagnostics();
// Before the scene loads again: sums up the repeats so far, then forgets
// which warnings were seen, so the new load tells its own warnings (a reload
// of an unchanged script repeats them; one that mends a mistake drops it).
// The error and warning counts go on.
void restartDiagnostics();

// What the channel has passed since the sink was installed: errors and
// warnings, for the tools' exit status (--strict counts warnings as errors).
uint64_t errorCount();
// How many diagnostics have been offered to the sink, repeats included: a
// check compares two readings to learn whether anything was said between
// them (so a call does not repeat what its arguments reported).
uint64_t diagnosticsOffered();
uint64_t warningCount();

// The candidate nearest to `name` by edit distance (a swap of two neighbours
// counts as one edit), when it is near enough to be a likely slip: at most
// two edits, fewer than half of the name's letters. Empty when none is.
std::string_view nearestName(std::string_view name, const std::vector<std::string_view>& candidates);
// " (did you mean 'X'?)" for the nearest candidate, else "".
std::string didYouMean(std::string_view name, const std::vector<std::string_view>& candidates);

}  // namespace qor::script
