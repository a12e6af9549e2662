// kelvo-scene: opens a window and shows one scene script's "scene" with its
// camera, key bindings, timers and the console, without the staged show;
// optionally renders a fixed number of frames and saves the last one as a PNG
// image.

#include "base/Version.h"
#include "app/App.h"
#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "app/TrackingDevice.h"
#include "base/memory/IMMObject.h"
#include "gui/GuiManager.h"
#include "material/TextureManager.h"
#include "model/AssimpImporter.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/VirtualKeys.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "script/Builtins.h"
#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/SceneDriver.h"
#include "script/SceneLoader.h"
#include "script/TimerManager.h"
#include "util/MappedFile.h"

#include "authoring/Capture.h"
#include "authoring/FrameClock.h"
#include "authoring/ImageCompare.h"
#include "authoring/ScreenshotKey.h"
#include "authoring/ModelView.h"
#include "authoring/MouseCamera.h"
#include "authoring/Watch.h"
#include "authoring/ConsoleKeys.h"
#include "authoring/SceneOverlays.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The formats the importer reads, as the library names them; 1 when it
// cannot be opened.
int listFormats() {
  std::vector<qor::ImportFormat> formats;
  std::string why;
  if (!qor::listAssimpFormats(formats, why)) {
    std::fprintf(stderr, "kelvo-scene: %s\n", why.c_str());
    return 1;
  }
  for (const qor::ImportFormat& f : formats)
    if (f.extension != "obj") std::printf("%s\t%s\n", f.extension.c_str(), f.importer.c_str());
  return 0;
}

const char kUsage[] =
    "usage: kelvo-scene [--size WxH] [--frames N] [--fps N] [--screenshot OUT.png]\n"
    "                   [--ref IMAGE [--threshold T]] [--console-log LOG.txt]\n"
    "                   [--console-keys typed|fixed] [--strict] [--watch]\n"
    "                   [--stats] FILE\n"
    "       kelvo-scene [options] MODEL.obj|MODEL.glb|MODEL.stl|...\n"
    "       kelvo-scene --list-formats\n"
    "\n"
    "Opens a window and shows the \"scene\" of the scene script FILE with its\n"
    "camera, key bindings, timers and the console, loaded exactly as the viewer\n"
    "loads its scene: the scene settings of the working directory's\n"
    "\"Data/Scenes/Settings.txt\", the default material, then FILE in place of\n"
    "\"Data/Scenes/initial.txt\". Models and material files named in the script\n"
    "are found beside FILE, as in the viewer. There is no staged show.\n"
    "\n"
    "Output of \"print\" goes to standard output; lexical and syntax errors go to\n"
    "standard error as FILE:LINE.COLUMN: message, and the scene is shown as far\n"
    "as it was parsed. Mistakes the script goes on after (a file it asks for\n"
    "that cannot be read, say) go there as FILE:LINE.COLUMN: warning: message,\n"
    "each place once a load; a note counts the repeats of each, at the end\n"
    "and before the next load. Escape outside the console (or closing the\n"
    "window, or the script's \"exit\") quits; \"reset\" and F5 load FILE again.\n"
    "\n"
    "A FILE ending in .obj (in any case) or in an extension of --list-formats\n"
    "(glTF, STL, PLY, FBX, 3DS, Collada, ... read with assimp, in a process of\n"
    "its own: a file that crashes it is a model that fails to load) is a model:\n"
    "it is shown normalised to a unit box at the origin, lit from the front and\n"
    "dimly from behind.\n"
    "\n"
    "When the script makes no camera active (and for a model) the mouse moves\n"
    "the camera: drag with the left button to turn it about the point it looks\n"
    "at, turn the wheel to come nearer or go farther, drag with the right or\n"
    "middle button to slide it across the view; Home puts it back at the\n"
    "start. F6 lends the mouse camera to the script's own camera, from where\n"
    "that camera stands; F6 again gives the script its camera back. The view\n"
    "stays where it is when the scene is loaded again.\n"
    "\n"
    "The errors and warnings of the last load are also shown in a panel along\n"
    "the bottom of the window, first ones first; it empties when a load comes\n"
    "clean. F1 shows and hides the key and mouse bindings, the script's own\n"
    "(\"setKeyFunc\") too; F11 shows and hides the frame statistics: frames per\n"
    "second, milliseconds per frame, items drawn and culled, triangles, lights\n"
    "and shadow volumes. Screenshots show what is shown over the scene.\n"
    "\n"
    "F2 opens and closes the console, drawn with the working directory's\n"
    "\"GUIConfig.txt\" as in the viewer. Enter runs the line typed there as a\n"
    "script; what it prints, its errors and its warnings appear below it, and\n"
    "so do the messages of every load. Characters are typed as the keyboard's\n"
    "layout says; the arrows, Home, End, Backspace and Delete edit the line,\n"
    "Shift+Enter puts a line feed in it, Up and Down bring back earlier lines,\n"
    "Shift with Left or Right selects, Ctrl+C, Ctrl+X and Ctrl+V copy, cut and\n"
    "paste. A character the console's 8-bit text cannot hold is typed as \"?\".\n"
    "With --console-keys fixed the console has the viewer's keyboard layout\n"
    "instead, whatever the keyboard says: Shift+8 and Shift+9 type the\n"
    "parentheses, Shift+0 \"=\", Shift+2 a double quote, Ctrl with the \";:\" key\n"
    "\";\".\n"
    "\n"
    "F12 saves the window as the next numbered PNG image of the working\n"
    "directory (kelvo-0001.png, kelvo-0002.png, ...; never over a file) and\n"
    "prints \"saved NAME\".\n"
    "\n"
    "  --size WxH          window size in pixels (default 640x480, windowed)\n"
    "  --frames N          quit after drawing N frames\n"
    "  --fps N             with --frames: the clock moves 1000/N ms per frame, so\n"
    "                      timers and animations give the same frames every run\n"
    "  --screenshot FILE   save the last frame drawn as a PNG image\n"
    "  --ref IMAGE         compare the last frame drawn with IMAGE and print the\n"
    "                      difference: the percentage of pixels in which red,\n"
    "                      green or blue differs by more than 8 of 255; above\n"
    "                      the threshold (or another size) the exit status is 1\n"
    "  --threshold T       the percentage --ref allows (default 0.5)\n"
    "  --console-log FILE  at the end, write the console's lines to FILE: typed\n"
    "                      lines behind \">>> \", output lines as they are\n"
    "  --console-keys K    the console's keyboard: typed (the keyboard's own\n"
    "                      layout, the default) or fixed (the viewer's)\n"
    "  --memory-limit MB   memory budget of the script's values (default 512);\n"
    "                      a statement that needs more stops with\n"
    "                      FILE:LINE.COLUMN: out of memory, and the next one runs\n"
    "  --strict            count warnings as errors in the exit status\n"
    "  --watch             load FILE again, as \"reset\" does, whenever a file the\n"
    "                      load read is saved: FILE, a file it included, the scene\n"
    "                      settings, a model, material library or texture (also one\n"
    "                      that was missing, once it is made); changed textures\n"
    "                      are read again\n"
    "  --stats             start with the frame statistics shown (F11)\n"
    "  --list-formats      list the model formats read besides .obj, one\n"
    "                      extension and its importer a line, and quit\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "\n"
    "Without a display (no DISPLAY and no SDL_VIDEODRIVER) SDL's invisible\n"
    "\"offscreen\" driver is used, which suits --frames and --screenshot.\n"
    "\n"
    "Exit status: 0 after a normal end, 1 when no window can be opened, the\n"
    "model cannot be read, the screenshot or console log cannot be written,\n"
    "or the last frame differs from --ref's image, 2 on a usage error. With\n"
    "--frames, --screenshot or --ref it is also 1 after an error: a syntax\n"
    "error, a script that is missing or cannot be read, a statement stopped\n"
    "by a limit (with --strict also after a warning); the screenshot of what\n"
    "could be shown is written all the same.\n";


int usageError(const char* what, const char* arg) {
  std::fprintf(stderr, "kelvo-scene: %s%s\n%s", what, arg ? arg : "", kUsage);
  return 2;
}

// A whole positive number no larger than `limit`.
bool parseCount(const char* text, long limit, long& out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value <= 0 || value > limit) return false;
  out = value;
  return true;
}

bool parseSize(const char* text, int& width, int& height) {
  const char* x = std::strchr(text, 'x');
  if (!x) return false;
  const std::string w(text, x);
  long lw = 0, lh = 0;
  if (!parseCount(w.c_str(), 16384, lw) || !parseCount(x + 1, 16384, lh)) return false;
  width = static_cast<int>(lw);
  height = static_cast<int>(lh);
  return true;
}

// The console's lines as they are shown, one per line.
bool saveConsoleLog(const char* path) {
  const qor::gui::Console& console = qor::gui::guiManager.console;
  std::string text;
  for (std::size_t i = 0; i < console.lines.size(); ++i) {
    if (!console.isOutput[i]) text += ">>> ";
    text += console.lines[i];
    text += '\n';
  }
  return qor::writeRegularFile(path, text);
}

}  // namespace

using kelvo::authoring::Capture;
using kelvo::authoring::captureBackBuffer;
using kelvo::authoring::savePng;
using kelvo::authoring::sceneOverlays;

namespace {

// Over the finished frame: the panel and the boxes, then the screenshot.
void beforeSwap(void* capture) {
  sceneOverlays.draw(qor::screenSettings.width, qor::screenSettings.height);
  captureBackBuffer(capture);
}

}  // namespace

int main(int argc, char** argv) {
  const char* file = nullptr;
  const char* screenshot = nullptr;
  const char* consoleLog = nullptr;
  const char* reference = nullptr;
  double threshold = kelvo::authoring::kDefaultThreshold, fps = 0;
  bool thresholdGiven = false;
  long frameLimit = 0;  // 0: until the user quits
  bool strict = false;
  bool watchFiles = false;
  auto consoleKeys = qor::gui::Console::Layout::Typed;
  int width = 640, height = 480;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--version") == 0) {
      std::printf("kelvo-scene %s\n", kelvo::kVersion);
      return 0;
    }
    if (std::strcmp(a, "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(a, "--list-formats") == 0) return listFormats();
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(a, "--frames") == 0) {
      if (!hasValue || !parseCount(argv[++i], 1000000000L, frameLimit))
        return usageError("--frames wants a positive number", nullptr);
    } else if (std::strcmp(a, "--screenshot") == 0) {
      if (!hasValue) return usageError("--screenshot wants a file name", nullptr);
      screenshot = argv[++i];
    } else if (std::strcmp(a, "--fps") == 0) {
      if (!hasValue || !kelvo::authoring::parseFrameRate(argv[++i], fps))
        return usageError("--fps wants a number of frames a second", nullptr);
    } else if (std::strcmp(a, "--ref") == 0) {
      if (!hasValue) return usageError("--ref wants an image file", nullptr);
      reference = argv[++i];
    } else if (std::strcmp(a, "--threshold") == 0) {
      if (!hasValue || !kelvo::authoring::parseThreshold(argv[++i], threshold))
        return usageError("--threshold wants a percentage from 0 to 100", nullptr);
      thresholdGiven = true;
    } else if (std::strcmp(a, "--console-log") == 0) {
      if (!hasValue) return usageError("--console-log wants a file name", nullptr);
      consoleLog = argv[++i];
    } else if (std::strcmp(a, "--console-keys") == 0) {
      if (!hasValue || !kelvo::authoring::parseConsoleKeys(argv[++i], consoleKeys))
        return usageError("--console-keys wants typed or fixed", nullptr);
    } else if (std::strcmp(a, "--memory-limit") == 0) {
      long megabytes = 0;
      if (!hasValue || !parseCount(argv[++i], 1L << 20, megabytes))
        return usageError("--memory-limit wants a number of megabytes", nullptr);
      qor::script::setMemoryLimit(static_cast<std::size_t>(megabytes) << 20);
    } else if (std::strcmp(a, "--strict") == 0) {
      strict = true;
    } else if (std::strcmp(a, "--watch") == 0) {
      watchFiles = true;
    } else if (std::strcmp(a, "--stats") == 0) {
      sceneOverlays.statsShown = true;
    } else if (std::strcmp(a, "--size") == 0) {
      if (!hasValue || !parseSize(argv[++i], width, height))
        return usageError("--size wants WIDTHxHEIGHT, for example 640x480", nullptr);
    } else if (a[0] == '-' && a[1] != '\0') {
      return usageError("unknown option ", a);
    } else if (!file) {
      file = a;
    } else {
      return usageError("only one FILE, please", nullptr);
    }
  }
  if (!file) return usageError("no FILE given", nullptr);
  // Virtual time only makes sense for a run of a fixed number of frames.
  if (fps > 0 && frameLimit == 0) return usageError("--fps goes with --frames", nullptr);
  if (thresholdGiven && !reference) return usageError("--threshold goes with --ref", nullptr);
  if (fps > 0) kelvo::authoring::startFrameClock(fps);
  // A model is shown through a scene script made for it, given to the loader as text.
  std::string modelScript, modelError;
  if (kelvo::authoring::isModelFile(file)) {
    if (!kelvo::authoring::modelViewScript(file, modelScript, modelError)) {
      std::fprintf(stderr, "kelvo-scene: %s\n", modelError.c_str());
      return 1;
    }
    qor::sceneScriptText = &modelScript;
  }

  // With no display at all, draw into SDL's invisible window (asked for
  // explicitly, which is what the platform layer accepts).
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* videoDriver = std::getenv("SDL_VIDEODRIVER");
  if ((!display || !*display) && (!wayland || !*wayland) && (!videoDriver || !*videoDriver))
    setenv("SDL_VIDEODRIVER", "offscreen", 1);

  using namespace qor;
  screenSettings.width = width;
  screenSettings.height = height;
  screenSettings.fullscreen = false;
  screenSettings.running = true;
  // No staged show: no slides to click through, no game keys, no fog.
  stage = 0;

  // Textures are decoded in copies of a helper process: make it while this
  // one is small, before the window and GL.
  startTextureDecoding();
  std::string error;
  if (!createMainWindow(error)) {
    std::fprintf(stderr, "kelvo-scene: %s\n", error.c_str());
    collectRemainingObjects();
    return 1;
  }

  // The script's "exit", "reset" and "getMousePos" work on the shell's state.
  script::shellHooks = {&screenSettings.running, &inputState.reloadRequested, &inputState.mouseX, &inputState.mouseY};
  installTrackingDevice();
  renderHooks.stage = &stage;
  connectShadows();

  // The last frame is read for --screenshot and --ref, any frame after F12.
  Capture capture;
  kelvo::authoring::ScreenshotKey screenshotKey;
  const bool keepLastFrame = screenshot || reference;
  renderHooks.beforeSwap = &beforeSwap;
  renderHooks.beforeSwapData = &capture;

  // The viewer's start-up: the fallback texture, the scene, then the GUI
  // layout (the console's font and skin; there are no diagnostic windows).
  textureManager.loadFallbackTexture(kFallbackTextureFile);
  // Syntax errors, the interpreter's notes and the warnings go through one
  // channel to stderr, the console's lines and the panel over the scene, at
  // start-up and after every "reset"; the console takes the channel over
  // while a command runs.
  script::setDiagnosticSink([](const script::Diagnostic& d) {
    script::printDiagnosticToStderr(d);
    kelvo::authoring::addLoadMessageToConsole(d);
    kelvo::authoring::showLoadMessage(d);
  });
  sceneErrorReporter = &script::reportError;
  scene.scriptPath = file;
  sceneOverlays.messages.startLoad();
  kelvo::authoring::SceneWatch watch;
  if (watchFiles) watch.enable();
  loadScene(scene);
  kelvo::authoring::MouseCamera mouseCamera;
  mouseCamera.sceneLoaded(scene, sceneCameraIsDefault());
  watch.loaded();
  connectGui();
  gui::guiManager.loadGuiConfig();
  kelvo::authoring::setUpConsole(consoleKeys);
  std::fflush(stdout);

  // The main loop's pass, counting frames: one message, then (while the
  // window is not minimised) timers, a frame and the key bindings.
  long frames = 0;
  platform::MSG msg;
  while (screenSettings.running) {
    if (platform::peekMessage(msg, platform::PM_REMOVE)) {
      if (msg.message == platform::WM_QUIT) break;
      // F2 opens and closes the console as in the viewer's game stage: the
      // flag flips first, then the press goes where the new value says.
      if (msg.message == platform::WM_KEYDOWN && msg.wParam == platform::VK_F2)
        inputState.consoleVisible = !inputState.consoleVisible;
      // F5, outside the console, loads FILE again as "reset" does; the key is
      // kelvo-scene's own and does not reach the script's key bindings.
      if (msg.message == platform::WM_KEYDOWN && msg.wParam == platform::VK_F5 && !inputState.consoleVisible) {
        inputState.reloadRequested = true;
        continue;
      }
      if (msg.message == platform::WM_KEYDOWN && msg.wParam == platform::VK_F12) {
        screenshotKey.press(capture);
        continue;
      }
      if (!inputState.consoleVisible && mouseCamera.takeKey(msg, scene)) continue;
      // F1 (help) and F11 (statistics) are kelvo-scene's own too.
      if (msg.message == platform::WM_KEYDOWN && sceneOverlays.handleKey(static_cast<int>(msg.wParam), msg.lParam & (1 << 30)))
        continue;
      platform::translateMessage(msg);
      platform::dispatchMessage(msg);
      mouseCamera.observe(msg, inputState.leftDown, screenSettings.height);
    }
    if (inputState.keys[platform::VK_ESCAPE]) break;
    if (watch.changed(platform::clockMs())) inputState.reloadRequested = true;
    if (inputState.reloadRequested) {
      watch.beginLoad();
      // The last load's summary (its repeat counts) goes out before the
      // panel starts again, so the panel holds the new load's messages only.
      script::restartDiagnostics();
      sceneOverlays.messages.startLoad();
      reload();
      mouseCamera.sceneLoaded(scene, sceneCameraIsDefault());
      watch.loaded();
      inputState.reloadRequested = false;
      std::fflush(stdout);  // what the load printed, for whoever reads it through a pipe
    }
    rasterDevice.update();
    if (inputState.active) {
      timerManager.update();
      // Without a frame limit every frame may be the last one.
      capture.wanted = (keepLastFrame && (frameLimit == 0 || frames + 1 == frameLimit)) || screenshotKey.pending();
      mouseCamera.beforeFrame(scene, renderHooks);
      renderer->render();
      ++frames;
      screenshotKey.frameDone(capture);
      dispatchKeyBindings();
      kelvo::authoring::advanceFrameClock();
      if (frameLimit != 0 && frames >= frameLimit) break;
    }
  }
  std::fflush(stdout);
  script::finishDiagnostics();

  int status = 0;
  // An author's batch run (a test, a CI job) fails on what went wrong, after
  // writing the screenshot of what could be shown.
  const bool batch = frameLimit != 0 || screenshot || reference;
  if (batch && (script::errorCount() > 0 || (strict && script::warningCount() > 0))) status = 1;
  if (screenshot && !savePng(capture, screenshot)) {
    std::fprintf(stderr, "kelvo-scene: cannot write the screenshot %s\n", screenshot);
    status = 1;
  }
  if (reference) {
    const kelvo::authoring::ImageDifference difference = kelvo::authoring::compareWithReference(capture, reference);
    const std::string line = kelvo::authoring::describeDifference(difference, reference, threshold);
    if (difference.compared) std::printf("%s\n", line.c_str());
    else std::fprintf(stderr, "kelvo-scene: %s\n", line.c_str());
    if (!difference.compared || difference.percent() > threshold) {
      if (difference.compared)
        std::fprintf(stderr, "kelvo-scene: the last frame differs from %s by more than %g%%\n", reference, threshold);
      status = 1;
    }
  }
  if (consoleLog && !saveConsoleLog(consoleLog)) {
    std::fprintf(stderr, "kelvo-scene: cannot write the console log %s\n", consoleLog);
    status = 1;
  }
  renderHooks = RenderHooks{};
  kelvo::authoring::stopFrameClock();
  shutDown();
  return status;
}
