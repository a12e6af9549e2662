// Window creation, start-up, reload and shut-down, step by step in the
// order the show needs them.

#include "app/App.h"

#include "ai/Actors.h"
#include "ai/Board.h"
#include "app/Hooks.h"
#include "app/InputState.h"
#include "app/ScreenSettings.h"
#include "app/StageFlow.h"
#include "app/TrackingDevice.h"
#include "app/WindowProc.h"
#include "base/memory/IMMObject.h"
#include "gui/GuiManager.h"
#include "material/MaterialLibrary.h"
#include "material/TextureManager.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Window.h"
#include "scene/ModelManager.h"
#include "scene/OpenGLRenderer.h"
#include "scene/Scene.h"
#include "script/Builtins.h"
#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/SceneDriver.h"
#include "script/SceneLoader.h"
#include "script/TimerManager.h"
#include "shadows/Shadows.h"

namespace qor {

bool registerMainWindowClass() { return platform::registerWindowClass({kWindowClassName, &windowProc}); }

void unregisterMainWindowClass() { platform::unregisterWindowClass(kWindowClassName); }

bool createMainWindow(std::string& error) {
  // 1. The window class.
  if (!registerMainWindowClass()) {
    error = "cannot register the window class";
    return false;
  }
  // 2–3. Full screen: a pop-up without a pointer; otherwise an ordinary
  // window. Position (0, 0), size width × height.
  const bool fullscreen = screenSettings.fullscreen;
  if (fullscreen) platform::showCursor(false);
  std::unique_ptr<platform::Window> window =
      platform::Window::create(kWindowTitle, 0, 0, screenSettings.width, screenSettings.height, fullscreen,
                               OpenGLRenderer::kPixelFormat, error);
  if (!window) {
    if (fullscreen) platform::showCursor(true);
    unregisterMainWindowClass();
    return false;
  }
  // 4. The renderer takes the window and makes the GL context on it; it
  //    keeps the window size in the screen settings.
  renderHooks.width = &screenSettings.width;
  renderHooks.height = &screenSettings.height;
  SmartPointer<OpenGLRenderer> created = makeShared<OpenGLRenderer>(std::move(window), fullscreen);
  if (!created->hasContext()) {
    error = created->error();
    created = nullptr;
    renderer = nullptr;
    collectGarbage();  // destroys the renderer, and with it the window
    if (fullscreen) platform::showCursor(true);
    unregisterMainWindowClass();
    return false;
  }
  renderer = created;
  // 5. Show it.
  created->window()->show();
  // 6. Viewport and projection for the window size.
  renderer->resize(screenSettings.width, screenSettings.height);
  return true;
}

void startUp() {
  // The script's "exit", "reset" and "getMousePos" work on the shell's state.
  script::shellHooks.running = &screenSettings.running;
  script::shellHooks.reloadRequested = &inputState.reloadRequested;
  script::shellHooks.mouseX = &inputState.mouseX;
  script::shellHooks.mouseY = &inputState.mouseY;
  // The tracking device's built-ins join every scene load's registry.
  installTrackingDevice();
  // The renderer's fog follows the stage; its shadows are the scene's.
  renderHooks.stage = &stage;
  connectShadows();
  connectScreenshots();
  // 1. Texture manager: the fallback texture (texture name 1), the built-in
  //    checker when "./Data/Textures/nonTexture.jpg" cannot be loaded.
  textureManager.loadFallbackTexture(kFallbackTextureFile);
  // 2. loadScene: scene settings and "Data/Scenes/initial.txt". A script
  //    that cannot be opened, or does not parse, would otherwise leave only a
  //    black window: each problem is one line on standard error (also after
  //    every reload).
  sceneErrorReporter = &printErrorToStderr;
  loadScene(scene);
  // The GUI is drawn over every frame; the console uses the input state.
  connectGui();
  // 3. The two diagnostic GUI windows.
  createDiagnosticWindows();
  // 4. The GUI layout "GUIConfig.txt".
  gui::guiManager.loadGuiConfig();
  // 5. Sound: the listener at the origin looking along -z, the music
  //    "./Data/sounds/Musica/ghost6.wav" at (3, 0, -30), looping.
  startSound();
  // 6. The console closed; the player on column 120, row 33.
  inputState.consoleVisible = false;
  playerColumn = 120;
  playerRow = 33;
  // 7. The board "tableroConfig2.txt" (missing: all free), dumped to
  //    "newTablero.txt".
  ai::loadBoard();
  // 8. The actors "ActorDescription.txt" (missing: none).
  ai::createActors();
  // 9. The first slide.
  stage = 1;
  showSlide("./Data/Models/slide1.obj");
  // 10. One clock reading starts all three stage timers.
  const int32_t now = platform::clockMs();
  stageStart = now;
  lastWorkerUpdate = now;
  lastChildUpdate = now;
}

namespace {

// Releases 1–7, shared by the reload and the shut-down.
void releaseScene() {
  // 1. The scene's root node and camera.
  scene.root = nullptr;
  scene.camera = nullptr;
  // 2. The model cache.
  modelManager.Clear();
  // 3. The shadow pass object.
  shadowPass = nullptr;
  // 4. Every timer.
  timerManager.clear();
  // 5. The interpreter's functions, scopes and built-in table.
  script::resetInterpreter();
  // 6. The material library.
  materialLibrary.clear();
  // 7. The 256 key bindings and the tracking device's button binding.
  script::clearKeyBindings();
  clearRasterButtonFunction();
}

}  // namespace

void reload() {
  // What the last load said is summed up; the new one tells its own.
  script::restartDiagnostics();
  releaseScene();
  // 8. loadScene again: scene settings and "Data/Scenes/initial.txt".
  loadScene(scene);
}

void shutDown() {
  // 1. The releases of the reload, and what the interpreter still holds for
  //    its main program (the scene value).
  releaseScene();
  script::sceneValue() = nullptr;
  // 2. The tracking device's port, if open, once the device has had every
  //    start-up sequence the scripts asked for (the loop may have ended, or
  //    never run, during a wait).
  rasterDevice.finish();
  rasterDevice.Close();
  // 3. The actors' containers, the child's nodes and the game-stage nodes.
  releaseStageNodes();
  // The sound manager and every sound.
  stopSound();
  // The GUI's font lists go while the context is still there.
  gui::guiManager.shutdownGui();
  // 4. The renderer: display mode restored, context deleted, window
  //    destroyed (when the dead list is collected next).
  renderer = nullptr;
  // 5. The dead list.
  collectGarbage();
  // 6. The window class.
  unregisterMainWindowClass();
  // 7. Every remaining reference-counted object.
  collectRemainingObjects();
}

}  // namespace qor
