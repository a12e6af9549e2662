// OBJ reader benchmark: parses a large generated OBJ (or the file named on
// the command line) and reports the best of several runs, so it can be
// compared with other readers on the same file.
//
//   kelvo-bench-obj [--keep] [--runs N] [FILE.obj]
//
// Without FILE a grid of 200 000 triangles with positions, texture
// coordinates and normals is written to a temporary file first (--keep
// leaves it there and prints its name). Timed: reading the file, parsing it
// into groups and faces, and normalising; display lists are left out (they
// need a GL context and measure the driver, not the reader). The AABB tree
// build over the same model is timed separately.

#include "collision/AABBNode.h"
#include "material/MaterialLibrary.h"
#include "model/ModelObj.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A side x side grid of quads, each written as two triangles.
std::string generateGrid(int side) {
  std::string text;
  text.reserve(static_cast<std::size_t>(side + 1) * (side + 1) * 100 + static_cast<std::size_t>(side) * side * 90);
  char line[160];
  text += "# generated grid\nmtllib none.mtl\ng grid\nusemtl none\n";
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      const double fx = x * 0.013, fy = y * 0.017;
      std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", fx, fy, 0.25 * (fx * fx - fy));
      text += line;
    }
  }
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      std::snprintf(line, sizeof line, "vt %.6f %.6f\n", double(x) / side, double(y) / side);
      text += line;
    }
  }
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      std::snprintf(line, sizeof line, "vn %.6f %.6f %.6f\n", -0.1 * x / side, 0.05, 0.99);
      text += line;
    }
  }
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int a = y * (side + 1) + x + 1, b = a + 1, c = a + side + 2, d = a + side + 1;
      std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b,
                    b, b, c, c, c, a, a, a, c, c, c, d, d, d);
      text += line;
    }
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  bool keep = false;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      keep = true;
    } else {
      file = argv[i];
    }
  }

  bool generated = false;
  if (file.empty()) {
    const int side = 317;  // 2 * 317 * 317 = 200 978 triangles
    const std::string text = generateGrid(side);
    file = (std::filesystem::temp_directory_path() / "kelvo-obj-bench.obj").string();
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      return 1;
    }
    std::fclose(out);
    generated = true;
  }

  qor::materialLibrary.CreateDefaultMaterial();
  const auto fileBytes = std::filesystem::file_size(file);
  double best = 1e30;
  std::size_t faces = 0, vertices = 0;
  qor::SmartPointer<qor::ModelObj> model;
  for (int r = 0; r < runs; ++r) {
    model = nullptr;
    qor::collectGarbage();
    // A name that does not exist, so the constructor loads nothing and no GL is needed.
    model = qor::makeShared<qor::ModelObj>(std::string());
    model->fileName = file;
    const auto start = std::chrono::steady_clock::now();
    if (!model->loadGeometry(file)) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
    }
    best = std::min(best, secondsSince(start));
    faces = vertices = 0;
    for (const auto& g : model->groups) {
      faces += g.faces.size();
      vertices += g.vertices.size();
    }
  }
  std::printf("obj read:   %s, %.1f MB, %zu vertices, %zu triangles\n", file.c_str(), fileBytes / 1e6, vertices,
              faces);
  std::printf("            best of %d: %.1f ms (%.0f MB/s, %.2f M triangles/s)\n", runs, best * 1e3,
              fileBytes / 1e6 / best, faces / 1e6 / best);

  const auto start = std::chrono::steady_clock::now();
  qor::buildTrees(*model);
  std::printf("aabb build: %.1f ms\n", secondsSince(start) * 1e3);

  model = nullptr;
  qor::materialLibrary.clear();
  qor::collectGarbage();
  if (generated && !keep) {
    std::filesystem::remove(file);
  } else if (generated) {
    std::printf("kept %s\n", file.c_str());
  }
  return 0;
}
