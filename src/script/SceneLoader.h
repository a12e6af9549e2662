#pragma once
// The scene loader: brings the global Scene up from the scene settings file
// and the scene script. It sits above the scene and the script language
// because it runs one through the other; the shell, kelvo-scene and
// kelvo-script all load through it, so the tools see what the viewer sees.

#include <string>

namespace qor {

struct Scene;
class SceneDriver;

// Where loadScene sends the scene script's lexical and syntax errors and the
// runaway-limit notes (file, line, column, message); null by default: the
// viewer reports nothing, the tools print them.
using SceneErrorReporter = void (*)(const std::string& file, int line, int column, const std::string& message);
extern SceneErrorReporter sceneErrorReporter;

// When set, loadScene runs this text as the scene script in place of the
// file at `scriptPath`, which still names the script in its messages and
// places the files it names (a tool shows a model file through a script of
// its own this way). Null by default.
extern const std::string* sceneScriptText;

// Brings the scene up: the settings file "Data/Scenes/Settings.txt", the
// default material, the scene script at `target.scriptPath` (its "scene"
// becomes the root, an active Camera the camera), the shadow pass object,
// and a default camera when the script made none active. Returns whether the
// script parsed; the scene is usable either way.
bool loadScene(Scene& target);
// The same with a driver of the caller's (trace switches, error sink).
bool loadScene(Scene& target, SceneDriver& driver);

// Whether the last loadScene made the default camera because the script
// made no camera active (a tool then offers a camera of its own).
bool sceneCameraIsDefault();

}  // namespace qor
