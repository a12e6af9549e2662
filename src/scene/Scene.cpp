#include "scene/Scene.h"

#include "util/TextFile.h"

#include <cstdio>
#include <cstring>

namespace qor {

Scene scene;

namespace {
constexpr std::size_t kReservedItems = 1024;
constexpr std::size_t kReservedLights = 64;
}  // namespace

Scene::Scene() {
  renderQueue.reserve(kReservedItems);
  lightList.reserve(kReservedLights);
}

void Scene::clearFrameLists() {
  renderQueue.clear();
  lightList.clear();
}

void loadSceneSettings(Scene& target, const std::string& path) {
  // Read in text mode: CR LF counts as LF.
  std::FILE* file = openTextFile(path);
  if (!file) return;

  // A line counts up to 99 characters; whatever a longer line holds beyond
  // that is skipped with the rest of the line, never read as a line of its
  // own.
  char line[100];
  char word[100];
  while (std::fgets(line, sizeof line, file)) {
    if (!std::strchr(line, '\n')) {
      int c;
      while ((c = std::fgetc(file)) != EOF && c != '\n') {
      }
    }
    if (std::sscanf(line, "%99s", word) != 1) continue;  // blank line
    if (std::strcmp(word, "end") == 0) break;
    if (std::strcmp(word, "sceneBlend") == 0) {
      target.blend = true;
    } else if (std::strcmp(word, "sceneDontBlend") == 0) {
      target.blend = false;
    } else if (std::strcmp(word, "sceneCastShadows") == 0) {
      target.castShadows = true;
    } else if (std::strcmp(word, "sceneDontCastShadows") == 0) {
      target.castShadows = false;
    }
  }
  std::fclose(file);
}

}  // namespace qor
