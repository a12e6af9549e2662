#pragma once
// A small installation of the show, written into a temporary folder: the
// four introduction slides and the end slide as flat squares of one colour
// each (facing the default camera), a flat room whose box spans 1 x 0.773 in
// x and z once normalised (one cell of its 512 x 396 board is 1/512 wide and
// deep), a board file with one wall cell at column 0, row 0, and an actor
// file. Every other model is missing, as are the sounds and the scene script.

#include "support/TempDir.h"

#include <string>

namespace kelvo::test {

// The colours of the slides 1 to 4 and of the end slide, as r g b.
inline const char* const kSlideColours[5] = {"1 0 0", "0 1 0", "0 0 1", "1 1 0", "1 0 1"};

// `actors` is the text of "ActorDescription.txt"; by default no worker and the
// child at column 345, row 10, five cells from her home.
inline void writeStageInstallation(const TempDir& dir, const std::string& actors = "0\n345 10 0\n") {
  dir.write("Data/ScreenSettings.txt", "640 480 f\n");
  for (int i = 0; i < 5; ++i) {
    const std::string name = i < 4 ? "slide" + std::to_string(i + 1) : "slide";
    dir.write("Data/Models/" + name + ".mtl", "newmtl " + name + "\nKa " + kSlideColours[i] + "\nKd " +
                                                   kSlideColours[i] + "\nKs 0 0 0\n");
    dir.write("Data/Models/" + name + ".obj", "mtllib " + name + ".mtl\nusemtl " + name +
                                                   "\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvn 0 0 1\n"
                                                   "f 1//1 2//1 3//1 4//1\n");
  }
  dir.write("Data/Models/escenario.obj",
            "v -512 0 -396\nv 512 0 -396\nv 512 0 396\nv -512 0 396\nvn 0 1 0\nf 1//1 4//1 3//1 2//1\n");
  // Every number after the last one read repeats it: one wall, then free.
  dir.write("tableroConfig2.txt", "1 0\n");
  dir.write("ActorDescription.txt", actors);
}

}  // namespace kelvo::test
