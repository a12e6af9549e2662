// OBJ reader benchmark: Kelvo's reader beside the peer readers (ObjPeers.h)
// on three kinds of file, warm (repeated loads in one process) and cold (one
// load in a fresh process).
//
//   kelvo-bench-obj [--runs N] [--cold N] [--scale F] [--dir DIR] [--only NAME] [FILE.obj ...]
//   kelvo-bench-obj --once READER FILE.obj     (one load; prints its ms and triangles)
//
// Without FILEs three files are written to DIR (a new temporary folder,
// removed at the end, when --dir is not given; an existing one keeps files
// of the right size for the next run):
//
//   grid.obj    a grid of 200 000 triangles with positions, texture
//               coordinates and normals, one group and one material (19 MB);
//   groups.obj  2 000 000 triangles in 8 groups, each declaring its own
//               vertices, texture coordinates and normals after its "g" line,
//               with 4 materials changing along the rows (227 MB);
//   plain.obj   positions and "f a b c" only (76 MB).
//
// --scale multiplies the triangle counts. Kelvo's time is that of
// ModelObj::loadGeometry, what a model load runs before it compiles display
// lists and reads or builds the collision trees: reading the file, parsing
// and normalising. Warm is the best of --runs loads (default 5); cold the
// median of --cold fresh processes (default 3), each timing its own load.

#include "ObjPeers.h"

#include "material/MaterialLibrary.h"
#include "model/ModelObj.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double readKelvo(const char* path, std::size_t& triangles) {
  // A name that does not exist, so the constructor loads nothing and no GL is needed.
  auto model = qor::makeShared<qor::ModelObj>(std::string());
  model->fileName = path;
  const auto start = Clock::now();
  const bool ok = model->loadGeometry(path);
  const double seconds = since(start);
  triangles = model->triangleCount();
  model = nullptr;
  qor::materialLibrary.clear();
  qor::collectGarbage();
  qor::materialLibrary.CreateDefaultMaterial();
  return ok ? seconds : -1.0;
}

struct Reader {
  std::string name;
  double (*read)(const char* path, std::size_t& triangles);
};

std::vector<Reader> readers() {
  std::vector<Reader> all{{"kelvo", &readKelvo}};
  for (const kelvo::bench::ObjPeer* p = kelvo::bench::objPeers(); p->name; ++p) all.push_back({p->name, p->read});
  return all;
}

// Lines written through one buffer.
class Writer {
public:
  explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~Writer() {
    if (file_) std::fclose(file_);
  }
  bool ok() const { return file_ != nullptr; }
  template <typename... Args>
  void line(const char* format, Args... args) {
    char text[256];
    const int n = std::snprintf(text, sizeof text, format, args...);
    if (n > 0) std::fwrite(text, 1, static_cast<std::size_t>(std::min(n, 255)), file_);
  }
  bool close() {
    const bool closed = file_ && std::fclose(file_) == 0;
    file_ = nullptr;
    return closed;
  }

private:
  std::FILE* file_;
};

// A side x side grid of quads as two triangles each, its corners numbered
// from `first` (1-based, file-wide); `withUvNormals` writes texture
// coordinates and normals and v/vt/vn corners, otherwise positions and
// "f a b c". Every `band` rows the material changes among `materials`.
void writeGrid(Writer& out, int side, long first, bool withUvNormals, int band, int materials, double lift) {
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      const double fx = x * 0.013, fy = y * 0.017;
      out.line("v %.6f %.6f %.6f\n", fx, fy, lift + 0.25 * (fx * fx - fy));
    }
  }
  if (withUvNormals) {
    for (int y = 0; y <= side; ++y)
      for (int x = 0; x <= side; ++x) out.line("vt %.6f %.6f\n", double(x) / side, double(y) / side);
    for (int y = 0; y <= side; ++y)
      for (int x = 0; x <= side; ++x) out.line("vn %.6f %.6f %.6f\n", -0.1 * x / side, 0.05, 0.99);
  }
  for (int y = 0; y < side; ++y) {
    if (band > 0 && y % band == 0) out.line("usemtl m%d\n", (y / band) % materials);
    for (int x = 0; x < side; ++x) {
      const long a = first + long{y} * (side + 1) + x, b = a + 1, c = a + side + 2, d = a + side + 1;
      if (withUvNormals) {
        out.line("f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, b, b, b, c, c, c);
        out.line("f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, c, c, c, d, d, d);
      } else {
        out.line("f %ld %ld %ld\nf %ld %ld %ld\n", a, b, c, a, c, d);
      }
    }
  }
}

int sideFor(double triangles) { return std::max(2, static_cast<int>(std::lround(std::sqrt(triangles / 2.0)))); }

bool writeMaterials(const std::string& path, int count) {
  Writer out(path);
  if (!out.ok()) return false;
  for (int i = 0; i < count; ++i) out.line("newmtl m%d\nKd %.2f 0.5 0.5\nd 1\n", i, i / double(count));
  return out.close();
}

bool generate(const std::string& folder, const std::string& name, double scale) {
  const std::string path = folder + "/" + name;
  Writer out(path);
  if (!out.ok()) return false;
  if (name == "grid.obj") {
    out.line("# generated grid\nmtllib grid.mtl\ng grid\nusemtl m0\n");
    writeGrid(out, sideFor(200000 * scale), 1, true, 0, 1, 0.0);
    return out.close() && writeMaterials(folder + "/grid.mtl", 1);
  }
  if (name == "groups.obj") {
    constexpr int kGroups = 8, kMaterials = 4;
    const int side = sideFor(2000000 * scale / kGroups);
    out.line("# generated groups\nmtllib groups.mtl\n");
    for (int g = 0; g < kGroups; ++g) {
      out.line("g part%d\n", g);
      writeGrid(out, side, 1 + long{g} * (side + 1) * (side + 1), true, std::max(1, side / 16), kMaterials, g * 0.5);
    }
    return out.close() && writeMaterials(folder + "/groups.mtl", kMaterials);
  }
  out.line("# generated positions and plain faces\n");
  writeGrid(out, sideFor(2000000 * scale), 1, false, 0, 1, 0.0);
  return out.close();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1.0 : values[values.size() / 2];
}

// One load in a fresh process: this program again with --once.
double coldLoad(const char* self, const std::string& reader, const std::string& file, std::size_t& triangles) {
  const std::string command = "'" + std::string(self) + "' --once " + reader + " '" + file + "'";
  std::FILE* child = ::popen(command.c_str(), "r");
  if (!child) return -1.0;
  double ms = -1.0;
  unsigned long long count = 0;
  if (std::fscanf(child, "%lf %llu", &ms, &count) != 2) ms = -1.0;
  triangles = static_cast<std::size_t>(count);
  return ::pclose(child) == 0 && ms >= 0 ? ms / 1e3 : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5, coldRuns = 3;
  double scale = 1.0;
  std::string folder, only;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--once" && i + 2 < argc) {
      qor::materialLibrary.CreateDefaultMaterial();
      for (const Reader& r : readers()) {
        if (r.name != argv[i + 1]) continue;
        std::size_t triangles = 0;
        const double seconds = r.read(argv[i + 2], triangles);
        if (seconds < 0) return 1;
        std::printf("%.3f %zu\n", seconds * 1e3, triangles);
        return 0;
      }
      return 2;
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--cold" && i + 1 < argc) {
      coldRuns = std::max(0, std::atoi(argv[++i]));
    } else if (arg == "--scale" && i + 1 < argc) {
      scale = std::max(0.001, std::atof(argv[++i]));
    } else if (arg == "--dir" && i + 1 < argc) {
      folder = argv[++i];
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else {
      files.push_back(arg);
    }
  }

  bool removeFolder = false;
  if (files.empty()) {
    if (folder.empty()) {
      folder = (std::filesystem::temp_directory_path() / ("kelvo-obj-bench-" + std::to_string(::getpid()))).string();
      removeFolder = true;
    }
    std::filesystem::create_directories(folder);
    for (const char* name : {"grid.obj", "groups.obj", "plain.obj"}) {
      const std::string path = folder + "/" + name;
      if (removeFolder || !std::filesystem::exists(path)) {
        std::fprintf(stderr, "writing %s\n", path.c_str());
        if (!generate(folder, name, scale)) {
          std::fprintf(stderr, "cannot write %s\n", path.c_str());
          return 1;
        }
      }
      files.push_back(path);
    }
  }

  qor::materialLibrary.CreateDefaultMaterial();
  std::printf("%-12s %-14s %8s %12s %9s %12s %9s %11s\n", "file", "reader", "MB", "warm ms", "MB/s", "cold ms",
              "MB/s", "triangles");
  for (const std::string& file : files) {
    const double megabytes = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    const std::string shortName = std::filesystem::path(file).filename().string();
    for (const Reader& r : readers()) {
      if (!only.empty() && r.name != only) continue;
      double warm = 1e30;
      std::size_t triangles = 0;
      bool failed = false;
      for (int k = 0; k < runs && !failed; ++k) {
        const double seconds = r.read(file.c_str(), triangles);
        failed = seconds < 0;
        warm = std::min(warm, seconds);
      }
      std::vector<double> colds;
      for (int k = 0; k < coldRuns && !failed; ++k) {
        std::size_t coldTriangles = 0;
        const double seconds = coldLoad(argv[0], r.name, file, coldTriangles);
        failed = seconds < 0 || coldTriangles != triangles;
        colds.push_back(seconds);
      }
      if (failed) {
        std::printf("%-12s %-14s %8.1f  failed\n", shortName.c_str(), r.name.c_str(), megabytes);
        continue;
      }
      const double cold = median(colds);
      std::printf("%-12s %-14s %8.1f %12.1f %9.0f %12.1f %9.0f %11zu\n", shortName.c_str(), r.name.c_str(), megabytes,
                  warm * 1e3, megabytes / warm, cold * 1e3, cold > 0 ? megabytes / cold : 0.0, triangles);
      std::fflush(stdout);
    }
  }
  if (removeFolder) std::filesystem::remove_all(folder);
  return 0;
}
