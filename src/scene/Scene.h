#pragma once
// The global scene: the root of the node tree, the active camera, the two
// switches of the scene settings file, the path of the scene script and the
// two per-frame lists that `traverse` fills and the renderer empties.

#include "base/memory/SmartPointer.h"
#include "scene/Camera.h"
#include "scene/GeometryNode.h"
#include "scene/ISceneNode.h"
#include "scene/LightNode.h"

#include <string>
#include <vector>

namespace qor {

struct Scene {
  // Reserves the per-frame lists once; clearing them between frames keeps
  // their storage, so a frame allocates nothing.
  Scene();

  // Empties the per-frame lists (releasing their references) and keeps
  // their capacity.
  void clearFrameLists();

  SceneNodePtr root;
  SmartPointer<Camera> camera;
  bool castShadows = false;
  bool blend = false;
  std::string scriptPath = "Data/Scenes/initial.txt";
  std::vector<SmartPointer<GeometryNode>> renderQueue;
  std::vector<SmartPointer<LightNode>> lightList;
};

// The one scene of the program.
extern Scene scene;

// Reads the scene settings file (one keyword per line, up to a line "end"
// or the end of the file) into `target`'s `blend` and `castShadows`. Only
// the first word of a line counts, compared case-sensitively; unknown words
// and blank lines change nothing; a later line overrides an earlier one.
// A file that cannot be opened leaves both flags as they are.
void loadSceneSettings(Scene& target, const std::string& path);

}  // namespace qor
