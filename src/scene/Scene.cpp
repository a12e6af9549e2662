#include "scene/Scene.h"

#include "util/ReadRecord.h"
#include "util/TextFile.h"

#include <cstdio>
#include <cstring>

namespace qor {

Scene scene;

namespace {
constexpr std::size_t kReservedItems = 1024;
constexpr std::size_t kReservedLights = 64;

// Characters of a settings line that count.
constexpr std::size_t kMaxLine = 99;

// Reads one line into `line` without its terminator, keeping its first
// kMaxLine characters; whatever a longer line holds beyond that is skipped
// with the rest of the line, never read as a line of its own. False at the
// end of the file.
bool readLine(std::FILE* file, char (&line)[kMaxLine + 1]) {
  std::size_t length = 0;
  int c = std::fgetc(file);
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    if (length < kMaxLine) line[length++] = static_cast<char>(c);
    c = std::fgetc(file);
  }
  line[length] = '\0';
  return true;
}

}  // namespace

Scene::Scene() {
  renderQueue.reserve(kReservedItems);
  lightList.reserve(kReservedLights);
}

void Scene::clearFrameLists() {
  // Releasing a reference writes to its node: ask for the nodes a few places
  // ahead, as the renderer's passes do (thousands of nodes lie all over the heap).
  constexpr std::size_t kAhead = 8;
  for (std::size_t i = 0; i < renderQueue.size(); ++i) {
    if (i + kAhead < renderQueue.size()) __builtin_prefetch(renderQueue[i + kAhead].get(), 1);
    renderQueue[i] = nullptr;
  }
  renderQueue.clear();
  lightList.clear();
}

void loadSceneSettings(Scene& target, const std::string& path) {
  // Read in text mode: CR LF counts as LF.
  noteFileRead(path);
  const TextFilePtr stream = openTextFile(path);
  if (!stream) return;
  std::FILE* file = stream.get();

  char line[kMaxLine + 1];
  char word[kMaxLine + 1];
  while (readLine(file, line)) {
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
}

}  // namespace qor
