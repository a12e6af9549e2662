// Shadow volume benchmark: the neighbour search of the face records, linear
// (hash of the edges) against the pairwise search it replaces, on a bumpy
// grid of 1k, 10k, 100k and 1M triangles sharing their corners; and the
// per-frame CPU work of one item (facing test and silhouette extrusion,
// without GL).
//
//   kelvo-bench-shadow [--runs N] [--pairwise-limit SECONDS]
//
// The pairwise search grows with the square of the triangle count. It runs
// at a size only while extrapolating its last time by that square stays
// under the limit (default 5 s); larger sizes print the extrapolation.
// Where both ran, their results are compared.

#include "material/Material.h"
#include "model/ModelObj.h"
#include "shadows/PairwiseNeighbours.h"
#include "shadows/ShadowMesh.h"
#include "shadows/VolumeShadows.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A grid of about `triangles` triangles (two per quad) over a bumpy surface,
// one group with one opaque material.
qor::SmartPointer<qor::ModelObj> bumpyGrid(int triangles) {
  const int columns = std::max(1, static_cast<int>(std::sqrt(triangles / 2.0)));
  const int rows = std::max(1, triangles / 2 / columns);
  auto model = qor::makeShared<qor::ModelObj>("/nonexistent/grid.obj");
  model->groups.resize(1);
  qor::ModelGroup& group = model->groups[0];
  for (int y = 0; y <= rows; ++y) {
    for (int x = 0; x <= columns; ++x) {
      const float fx = static_cast<float>(x) / columns - 0.5f, fy = static_cast<float>(y) / rows - 0.5f;
      group.vertices.push_back({fx, fy, 0.05f * std::sin(fx * 40.0f) * std::cos(fy * 30.0f)});
    }
  }
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      const int a = y * (columns + 1) + x, b = a + 1, c = a + columns + 2, d = a + columns + 1;
      group.faces.push_back(qor::ModelFace{{a, b, c}, {0, 0, 0}, {0, 0, 0}});
      group.faces.push_back(qor::ModelFace{{a, c, d}, {0, 0, 0}, {0, 0, 0}});
    }
  }
  group.materials.push_back(qor::makeShared<qor::Material>());
  group.faceStarts = {0, static_cast<int32_t>(group.faces.size())};
  return model;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  double pairwiseLimit = 5.0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--pairwise-limit") == 0 && i + 1 < argc) {
      pairwiseLimit = std::atof(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: kelvo-bench-shadow [--runs N] [--pairwise-limit SECONDS]\n");
      return 2;
    }
  }

  std::printf("%10s %14s %14s %10s %16s %10s\n", "triangles", "linear ms", "pairwise ms", "speed-up", "facing+sil. ms",
              "sil. edges");
  double lastPairwise = 0.0;
  std::size_t lastCount = 0;
  std::vector<qor::EdgeSlot> table;
  for (int size : {1000, 10000, 100000, 1000000}) {
    const auto model = bumpyGrid(size);
    const std::vector<qor::ModelFace>& faces = model->groups[0].faces;
    std::vector<qor::ShadowFace> out(faces.size());

    double linear = 1e30;
    for (int r = 0; r < runs; ++r) {
      const auto start = std::chrono::steady_clock::now();
      qor::findNeighbours(faces, out.data(), table);
      linear = std::min(linear, secondsSince(start));
    }

    const double ratio = static_cast<double>(faces.size()) / static_cast<double>(std::max<std::size_t>(lastCount, 1));
    const double predicted = lastPairwise * ratio * ratio;
    double pairwise = 0.0;
    bool measured = false;
    if (lastCount == 0 || predicted < pairwiseLimit) {
      const auto start = std::chrono::steady_clock::now();
      const std::vector<int32_t> expected = kelvo::test::pairwiseNeighbours(faces);
      pairwise = secondsSince(start);
      measured = true;
      for (std::size_t e = 0; e < expected.size(); ++e) {
        if (out[e / 3].neighbour[e % 3] != expected[e]) {
          std::fprintf(stderr, "mismatch at %zu triangles, edge %zu\n", faces.size(), e);
          return 1;
        }
      }
      lastPairwise = pairwise;
      lastCount = faces.size();
    } else {
      pairwise = predicted;
    }

    // One frame of one item: facing test and silhouette extrusion.
    const qor::ShadowMesh mesh = qor::computeShadowMesh(*model);
    std::vector<uint8_t> visible(mesh.faces.size());
    const float light[4] = {0.3f, 0.2f, 0.4f, 1.0f};
    double frame = 1e30;
    std::size_t vertices = 0;
    for (int r = 0; r < runs; ++r) {
      vertices = 0;
      float sink = 0.0f;
      const auto start = std::chrono::steady_clock::now();
      qor::markFacing(mesh, light, visible.data());
      qor::extrudeSilhouettes(*model, mesh, visible.data(), light, [&](float x, float y, float z) {
        sink += x + y + z;
        ++vertices;
      });
      frame = std::min(frame, secondsSince(start));
      if (sink == 1e30f) std::printf(" ");  // keeps the sum, and with it the extrusion, alive
    }

    char pairwiseText[32];
    std::snprintf(pairwiseText, sizeof pairwiseText, measured ? "%.1f" : "~%.0f", pairwise * 1e3);
    std::printf("%10zu %14.2f %14s %9.0fx%s %16.2f %10zu\n", faces.size(), linear * 1e3, pairwiseText,
                pairwise / linear, measured ? " " : "*", frame * 1e3, vertices / 6);
    std::fflush(stdout);
  }
  std::printf("* extrapolated from the last measured pairwise time (quadratic)\n");
  return 0;
}
