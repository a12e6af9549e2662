// kelvo-content: writes the show's files into an installation folder: the
// room with its board and actor files, the figures, the slides, the
// textures, the sounds, the settings and the scene script. Together with
// kelvo-gui-art (the GUI's skin and font) it makes everything in game/.
//
//   kelvo-content [--help] [--] DIR
//
// The same program always writes the same bytes (see tools/README.md).

#include "FolderArgument.h"
#include "content/Content.h"
#include "util/MappedFile.h"

#include <FreeImage.h>

#include <cstdio>
#include <system_error>

namespace kelvo::content {

std::string Output::path(std::string_view relative) {
  const std::filesystem::path full = dir_ / relative;
  std::error_code ignored;
  std::filesystem::create_directories(full.parent_path(), ignored);
  return full.string();
}

void Output::bytes(std::string_view relative, const std::vector<uint8_t>& content) {
  const std::string_view data(reinterpret_cast<const char*>(content.data()), content.size());
  if (!qor::writeRegularFile(path(relative), data)) fail(relative);
}

void Output::text(std::string_view relative, std::string_view content) {
  bytes(relative, std::vector<uint8_t>(content.begin(), content.end()));
}

void Output::fail(std::string_view relative) { failures_.emplace_back(relative); }

namespace {

constexpr char kSceneScript[] = R"(// The scene script of the show, run at start-up (and again by "reset").
//
// The show puts its slides and its game scene in place of the "scene" made
// here, but it keeps this script's camera, key bindings and timers for the
// whole run. To see the scene itself, run from the game folder:
//   kelvo-scene Data/Scenes/initial.txt
//
//   W / S   move the camera closer or further    A / D   turn it left or right
//   Q / E   tilt it up or down                    C       put it back
//   P / O   pause the turntable, set it going again

// The camera the show is seen through: its slides and its room are placed
// in front of this position.
camera = Camera();
camera.setPos(0, 0, 2);
camera.setView(0, 0, 0);
camera.setActive();

// Key bindings run once per frame while the key is held, so steps are small.
def closer() { camera.moveFordward(0.003); }
def further() { camera.moveBackward(0.003); }
def turnLeft() { camera.rotateX(0.2); }
def turnRight() { camera.rotateX(-0.2); }
def tiltUp() { camera.rotateY(0.2); }
def tiltDown() { camera.rotateY(-0.2); }
def cameraHome() { camera.setPos(0, 0, 2); camera.setView(0, 0, 0); }
setKeyFunc("w", closer()); setKeyFunc("s", further());
setKeyFunc("a", turnLeft()); setKeyFunc("d", turnRight());
setKeyFunc("q", tiltUp()); setKeyFunc("e", tiltDown());
setKeyFunc("c", cameraHome());

// The cast of the show on a turntable: Grandma Rosa, a nurse, and Tito with
// the arrow bobbing over him. The models lie beside this file's folder.
light = Light();
turn = rotate(0, 0, 1, 0);
bob = translate(0.2, 0.14, 0);
def figure(x, z, size, file) {
  return Group(translate(x, 0, z), scale(size, size, size), Model(file));
}
scene = Group(
  Group(translate(1, 2, 3), light),
  translate(0, -0.1, 1),
  rotate(15, 1, 0, 0),
  turn,
  figure(-0.18, 0.05, 0.4, "../Models/vieja.obj"),
  figure(0.02, -0.2, 0.4, "../Models/nurse.obj"),
  figure(0.2, 0.05, 0.15, "../Models/nino.obj"),
  Group(bob, scale(0.06, 0.15, 0.06), rotate(180, 1, 0, 0), Model("../Models/arrow.obj")));

// Timers: one turns the table and bobs the arrow every 40 ms for as long as
// the scene lives; the other warms the light for five seconds and then
// settles it.
phase = 0.0;
def spin() {
  turn.setAngle(turn.getAngle() + 1);
  phase = phase + 0.15;
  bob.setY(0.14 + sin(phase) / 40);
}
def warmer() { light.setDiffuseZ(light.getDiffuseZ() - 0.008); }
def settled() { light.setDiffuseZ(0.6); }
turntable = Timer(40, -1, spin(), spin());
Timer(100, 5000, warmer(), settled());
def pause() { turntable.pause(); }
def goOn() { turntable.start(); }
setKeyFunc("p", pause()); setKeyFunc("o", goOn());
)";

}  // namespace

void writeSettings(Output& out) {
  // An 800 × 600 window ("f": not full screen).
  out.text("Data/ScreenSettings.txt", "800 600 f\n");
  out.text("Data/Scenes/Settings.txt", "sceneCastShadows\nsceneDontBlend\nend\n");
  out.text("Data/Scenes/initial.txt", kSceneScript);
  // The collision and shadow caches of the models go into this folder; the
  // show does not create it. Git keeps no empty folder, hence the file.
  out.text("Data/Models/tmp/.gitkeep", "");
}

}  // namespace kelvo::content

constexpr char kUsage[] =
    "usage: kelvo-content [--help] [--] DIR\n"
    "\n"
    "Writes the show's files into the installation folder DIR (made if need\n"
    "be): the room with its board and actor files, the figures, the slides,\n"
    "the textures, the sounds, the settings and the scene script. Together\n"
    "with kelvo-gui-art it makes everything in game/. The same bytes on every\n"
    "run.\n";

int main(int argc, char** argv) {
  const kelvo::tools::FolderArgument args = kelvo::tools::parseFolderArgument(argc, argv, "kelvo-content", kUsage);
  if (!args.dir) return args.exitStatus;
  using namespace kelvo::content;
  Output out{std::filesystem::path(args.dir)};
  FreeImage_Initialise(FALSE);
  writeRoom(out);
  writeFigures(out);
  writeSlides(out);
  writeSounds(out);
  writeSettings(out);
  FreeImage_DeInitialise();
  for (const std::string& f : out.failures()) std::fprintf(stderr, "kelvo-content: cannot write %s\n", f.c_str());
  return out.ok() ? 0 : 1;
}
