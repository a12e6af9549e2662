// kelvo-script: runs a scene script without a window, the way the scene
// loader runs it, or checks it without running it.

#include "base/Version.h"
#include "app/App.h"
#include "app/TrackingDevice.h"
#include "base/memory/IMMObject.h"
#include "scene/Scene.h"
#include "script/Builtins.h"
#include "script/Checker.h"
#include "script/Compiled.h"
#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/SceneDriver.h"
#include "script/SceneLoader.h"
#include "script/TimerManager.h"
#include "util/Rand15.h"

#include "ScriptTranscript.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: kelvo-script [--check] [--strict] [--no-warnings] [--memory-limit MB]\n"
    "                    [--trace-scan] [--trace-parse] [--transcript] FILE\n"
    "\n"
    "Runs the scene script FILE the way the viewer's scene loader runs it: the\n"
    "scene settings \"Data/Scenes/Settings.txt\" of the working directory are\n"
    "read and the default material made, the built-ins are registered, the file\n"
    "is parsed, its statements run, and the value of the last statement is\n"
    "printed. Output of \"print\" goes to standard output. No window is opened;\n"
    "timers and key bindings are made but never fire. A tracking device that\n"
    "the script connects gets each start-up sequence in full (5 s apiece)\n"
    "before the run ends.\n"
    "\n"
    "Every lexical or syntax error is written to standard error as\n"
    "FILE:LINE.COLUMN: message (lines count from 1, columns from 0). The script\n"
    "runs even after an error, as far as it was parsed. After 100 errors of one\n"
    "file the rest are counted in one line, FILE: N more errors not shown. A\n"
    "script larger than 64 MiB is refused unread. A runaway script that\n"
    "reaches the call depth or nesting limit is noted the same way, once per\n"
    "top-level statement. A statement whose values need more memory than the\n"
    "budget stops with FILE:LINE.COLUMN: out of memory, and the next one runs.\n"
    "\n"
    "Mistakes the script survives are written as FILE:LINE.COLUMN: warning:\n"
    "TEXT; the script goes on exactly as it would without them. A warning from\n"
    "one place is written once; at the end, FILE:LINE.COLUMN: note: this\n"
    "warning came N more times: TEXT counts its repeats.\n"
    "\n"
    "  --check        check FILE and the files it includes by a string literal\n"
    "                 without running them: syntax errors; comparisons mixed\n"
    "                 with '&&'/'||' without parentheses (one precedence level,\n"
    "                 left to right); built-ins and methods called with a count\n"
    "                 none of their forms takes; names only ever read; no file\n"
    "                 assigning \"scene\"\n"
    "  --strict       count warnings as errors in the exit status\n"
    "  --no-warnings  run as the viewer does, with nobody listening: errors\n"
    "                 and notes only, no warnings (what the script prints\n"
    "                 and leaves is the same either way)\n"
    "  --memory-limit MB  memory budget of the script's values (default 512)\n"
    "  --transcript   write a transcript of the run to standard output in\n"
    "                 place of the script's output: what it prints and every\n"
    "                 diagnostic, in the order they come (lines \"out| \" and\n"
    "                 \"err| \"; \"out~ \" for a line not ended yet), then the\n"
    "                 state it has left (scene tree, active camera, scene\n"
    "                 settings, material library, key bindings, timers, and\n"
    "                 per file its functions and its variables, sorted by\n"
    "                 name); then 120 passes of the timers with the clock 50 ms\n"
    "                 further each, each after a walk of the scene tree (which\n"
    "                 places nodes for collisionDetection), each bound key\n"
    "                 pressed once (lowest code first), and the state again;\n"
    "                 when the script asked for a reset, the reload as the\n"
    "                 viewer makes it and the state after it. The clock\n"
    "                 starts at 0 and moves only there, and the random\n"
    "                 numbers start from seed 1, so a transcript is the same\n"
    "                 on every run\n"
    "  --trace-scan   trace the scanner on standard error\n"
    "  --trace-parse  trace the parser on standard error\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "\n"
    "Exit status: 0 when the parse succeeded (with --check: when every file\n"
    "parsed), 1 when one failed, or with --strict when there was a warning,\n"
    "2 on a usage error.\n";


// The ends of a run that the transcript and the plain run share.
bool finishRun(bool ok, bool strict) {
  std::fflush(stdout);
  // No main loop runs the tracking device's waits here: the sequences the
  // script asked for are sent now, in full, before the run ends.
  qor::rasterDevice.finish();
  qor::rasterDevice.Close();
  qor::collectRemainingObjects();
  qor::script::finishDiagnostics();
  if (strict && qor::script::warningCount() > 0) ok = false;
  return ok;
}

// The run --transcript describes: the script, the timers, the keys.
int runTranscript(const char* file, qor::SceneDriver& driver, bool strict, const bool& running,
                  bool& reloadRequested) {
  using kelvo::tool::Transcript;
  Transcript::installClock();
  qor::srand15(1);
  Transcript t(file);
  t.section("run");
  qor::scene.scriptPath = file;
  bool ok = qor::loadScene(qor::scene, driver);
  t.snapshot("state after the run", running, reloadRequested);

  t.section("timers: " + std::to_string(Transcript::kTimerPasses) + " passes, the clock " +
            std::to_string(Transcript::kTimerStepMs) + " ms further before each");
  for (int pass = 0; pass < Transcript::kTimerPasses; ++pass) {
    // Each pass follows a frame's walk of the tree (from the identity: no
    // camera is applied), which places the geometry nodes for
    // "collisionDetection".
    if (qor::scene.root) {
      qor::TraversalState walk = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
      qor::scene.root->traverse(walk);
      qor::scene.clearFrameLists();
    }
    Transcript::advanceClock(Transcript::kTimerStepMs);
    qor::timerManager.update();
  }

  t.section("keys: each bound key pressed once, lowest code first");
  unsigned char keys[qor::script::kKeySlots] = {};
  for (int code = 0; code < qor::script::kKeySlots; ++code) {
    if (!qor::script::keyBinding(code)) continue;
    t.line("key " + std::to_string(code));
    keys[code] = 1;
    qor::script::dispatchKeyBindings(keys);
    keys[code] = 0;
  }
  t.snapshot("state after the timers and keys", running, reloadRequested);

  // A "reset" asked for is done as the viewer does it: everything the
  // scripts made is released and the scene script runs again.
  if (reloadRequested) {
    t.section("reload");
    reloadRequested = false;
    qor::sceneErrorReporter = &qor::script::reportError;
    qor::reload();
    t.snapshot("state after the reload", running, reloadRequested);
  }

  t.section("end");
  ok = finishRun(ok, strict);
  t.line(std::string("exit status ") + (ok ? "0" : "1"));
  std::fputs(t.text().c_str(), stdout);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool checkOnly = false;
  bool strict = false;
  bool transcript = false;
  bool warnings = true;
  qor::SceneDriver driver;
  // Errors, the interpreter's notes and the warnings share one channel, so
  // they come out in the order they happen.
  driver.errorSink = &qor::script::reportError;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--version") == 0) {
      std::printf("kelvo-script %s\n", kelvo::kVersion);
      return 0;
    }
    if (std::strcmp(a, "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(a, "--check") == 0) {
      checkOnly = true;
    } else if (std::strcmp(a, "--transcript") == 0) {
      transcript = true;
    } else if (std::strcmp(a, "--strict") == 0) {
      strict = true;
    } else if (std::strcmp(a, "--no-warnings") == 0) {
      warnings = false;
    } else if (std::strcmp(a, "--memory-limit") == 0) {
      char* end = nullptr;
      const long megabytes = i + 1 < argc ? std::strtol(argv[++i], &end, 10) : 0;
      if (!end || *end != '\0' || megabytes <= 0 || megabytes > (1L << 20)) {
        std::fprintf(stderr, "kelvo-script: --memory-limit wants a number of megabytes\n%s", kUsage);
        return 2;
      }
      qor::script::setMemoryLimit(static_cast<std::size_t>(megabytes) << 20);
    } else if (std::strcmp(a, "--trace-scan") == 0) {
      driver.traceScanning = true;
    } else if (std::strcmp(a, "--trace-parse") == 0) {
      driver.traceParsing = true;
    } else if (a[0] == '-' && a[1] != '\0') {
      std::fprintf(stderr, "kelvo-script: unknown option %s\n%s", a, kUsage);
      return 2;
    } else if (!file) {
      file = a;
    } else {
      std::fprintf(stderr, "kelvo-script: only one FILE, please\n%s", kUsage);
      return 2;
    }
  }
  if (!file) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!warnings && (transcript || checkOnly)) {
    std::fprintf(stderr, "kelvo-script: --no-warnings goes with a plain run only\n%s", kUsage);
    return 2;
  }
  if (transcript && checkOnly) {
    std::fprintf(stderr, "kelvo-script: --transcript runs the script; it does not go with --check\n%s", kUsage);
    return 2;
  }

  // The shell's flags, so that "exit", "reset" and "getMousePos" have
  // something to act on.
  bool running = true;
  bool reloadRequested = false;
  int32_t mouseX = 0, mouseY = 0;
  qor::script::shellHooks = {&running, &reloadRequested, &mouseX, &mouseY};
  // The viewer's built-ins beyond the language's: the tracking device.
  qor::installTrackingDevice();

  if (transcript) return runTranscript(file, driver, strict, running, reloadRequested);

  if (warnings) {
    qor::script::setDiagnosticSink(&qor::script::printDiagnosticToStderr);
  } else {
    // No sink: the channel is off, as in the viewer, and the errors and
    // notes go straight to standard error.
    driver.errorSink = &qor::printErrorToStderr;
  }
  bool ok;
  if (checkOnly) {
    ok = qor::script::checkScript(file, driver);
  } else {
    qor::scene.scriptPath = file;
    ok = qor::loadScene(qor::scene, driver);
  }
  return finishRun(ok, strict) ? 0 : 1;
}
