#pragma once
// Small OBJ texts and helpers shared by the model, collision and model
// manager tests.

#include "model/ModelObj.h"
#include "support/TempDir.h"

#include <cstdio>
#include <string>

namespace kelvo::test {

// A unit cube centred on the origin: 8 vertices, 6 normals, 12 triangles
// written as 6 quadrilaterals in the v//n form.
inline const char* const kCubeObj =
    "# unit cube\n"
    "g cube\n"
    "v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
    "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
    "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
    "f 1//1 4//1 3//1 2//1\n"
    "f 5//2 6//2 7//2 8//2\n"
    "f 1//3 2//3 6//3 5//3\n"
    "f 4//4 8//4 7//4 3//4\n"
    "f 1//5 5//5 8//5 4//5\n"
    "f 2//6 3//6 7//6 6//6\n";

// A model parsed and normalised from text without touching GL (no display
// lists). It is created from a name that does not exist, so the constructor
// loads nothing; `name` then stands as its file name (for "mtllib" paths).
inline qor::SmartPointer<qor::ModelObj> parseModel(const std::string& text,
                                                  const std::string& name = "/nonexistent/model.obj") {
  auto model = qor::makeShared<qor::ModelObj>("/nonexistent/model.obj");
  model->fileName = name;
  model->parse(text);
  model->normalise();
  return model;
}

// The triangles of a parsed model as text, one line per group: each triangle
// "(x y z, x y z, x y z)" of its corners' positions, or of their normals or
// texture coordinates (`what` 'v', 'n' or 't'), in the numbers' shortest form.
// Texture numbers that point nowhere read as the group's first coordinate, or
// (0, 0) without any, as the display lists draw them.
inline std::string triangleText(const qor::IModel& model, char what = 'v') {
  auto number = [](float f) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(f));
    return std::string(buffer);
  };
  std::string out;
  for (const qor::ModelGroup& g : model.groups) {
    for (const qor::ModelFace& f : g.faces) {
      out += "(";
      for (int c = 0; c < 3; ++c) {
        if (c) out += ", ";
        if (what == 't') {
          int32_t t = f.texCoord[c];
          if (t < 0 || static_cast<std::size_t>(t) >= g.texCoords.size()) t = 0;
          const auto uv = g.texCoords.empty() ? std::array<float, 2>{0, 0} : g.texCoords.at(static_cast<std::size_t>(t));
          out += number(uv[0]) + " " + number(uv[1]);
        } else {
          const auto& p = what == 'n' ? g.normals.at(static_cast<std::size_t>(f.normal[c]))
                                      : g.vertices.at(static_cast<std::size_t>(f.vertex[c]));
          out += number(p[0]) + " " + number(p[1]) + " " + number(p[2]);
        }
      }
      out += ")";
    }
    out += "\n";
  }
  return out;
}

// The tools' red cube: "cube.obj" (kCubeObj in one group with the material
// "red" of its "mtllib cube.mtl") and "cube.mtl" with a plain red material,
// then `moreMaterials`.
inline void writeRedCube(const TempDir& dir, const std::string& moreMaterials = "") {
  std::string cube = std::string("mtllib cube.mtl\n") + kCubeObj;
  cube.insert(cube.find("\nv ") + 1, "usemtl red\n");
  dir.write("cube.obj", cube);
  dir.write("cube.mtl", "newmtl red\nKa 0 0 0\nKd 1 0 0\nKs 0 0 0\n" + moreMaterials);
}

}  // namespace kelvo::test
