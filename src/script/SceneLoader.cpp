#include "script/SceneLoader.h"

#include "material/MaterialLibrary.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/RunChecks.h"
#include "script/SceneDriver.h"
#include "shadows/VolumeShadows.h"
#include "util/MappedFile.h"

namespace qor {

namespace {
constexpr const char* kSceneSettingsFile = "Data/Scenes/Settings.txt";
}  // namespace

SceneErrorReporter sceneErrorReporter = nullptr;
const std::string* sceneScriptText = nullptr;

namespace {
bool defaultCameraMade = false;
}  // namespace

bool sceneCameraIsDefault() { return defaultCameraMade; }

bool loadScene(Scene& target, SceneDriver& driver) {
  loadSceneSettings(target, kSceneSettingsFile);
  materialLibrary.CreateDefaultMaterial();

  // The script's "scene" becomes the root and a "setActive" camera the
  // camera, through the scene built-ins.
  const bool parsed = script::runSceneScript(std::string(target.scriptPath), driver, sceneScriptText);

  shadowPass = makeShared<VolumeShadows>();
  defaultCameraMade = !target.camera;
  if (defaultCameraMade) target.camera = makeShared<Camera>();
  return parsed;
}

bool loadScene(Scene& target) {
  SceneDriver driver;
  if (sceneErrorReporter) driver.errorSink = sceneErrorReporter;
  const bool parsed = loadScene(target, driver);
  // A scene script that draws nothing says why to whoever listens (a script
  // that cannot be read has had its error).
  if (script::warningsOn() && canReadRegularFile(std::string(target.scriptPath)))
    script::warnIfNoScene(target.scriptPath);
  return parsed;
}

}  // namespace qor
