#pragma once
// kelvo-script's transcript: everything a script run shows and leaves
// behind, as stable text, so that two runs of one script (by two builds, or
// by two interpreters) can be compared line by line.
//
// While a Transcript lives it takes the script's output and the diagnostic
// channel; both go into one log in the order they come, so the interleaving
// of prints and warnings is kept. `snapshot` writes the state the run has
// left: the scene tree, the active camera, the scene settings, the material
// library, the key bindings, the timers, the functions and the file
// variables. Objects (nodes, Lists, materials, cameras, timers) get a number
// where a snapshot first meets them and are written in full there; later
// meetings give the number alone, so sharing shows and a shared subtree is
// written once.

#include "script/Diagnostics.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::tool {

class Transcript {
public:
  // The number of timer passes a transcript runs after the script, and the
  // clock's step before each.
  static constexpr int kTimerPasses = 120;
  static constexpr int32_t kTimerStepMs = 50;

  explicit Transcript(std::string_view scriptFile);
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  // Starts a section of the log: "== TITLE".
  void section(std::string_view title);
  // Writes the state the scripts have left, under "== TITLE".
  void snapshot(std::string_view title, bool running, bool reloadRequested);
  // Writes one line of the transcript's own (no escaping).
  void line(std::string_view text);
  // The whole transcript so far (a partial output line included).
  const std::string& text();

  // The program clock while transcripts are made: it starts at 0 and moves
  // only when advanced (or when something sleeps), so timers and times read
  // by scripts come out the same on every run.
  static void installClock();
  static void advanceClock(int32_t ms);

private:
  static void collectOutput(std::string_view text, void* context);
  void diagnostic(const qor::script::Diagnostic& d);
  // Ends a partial output line (cut by a diagnostic or a section).
  void flushOutput();

  std::string text_;
  std::string partial_;
};

// Escapes a byte string for one line of the transcript: backslash, quote,
// control bytes and bytes above 0x7E become \\ \" \n \t \r or \xNN.
std::string escapeText(std::string_view text);

}  // namespace kelvo::tool
