#include "shadows/ShadowMesh.h"

#include "base/memory/Assert.h"
#include "util/MappedFile.h"
#include "util/Path.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace qor {

namespace {

// The corner positions of `face`, or false when an index lies outside the
// group (a face line the OBJ reader could not read leaves such indices).
bool corners(const ModelGroup& group, const ModelFace& face, const std::array<float, 3>* out[3]) {
  for (int k = 0; k < 3; ++k) {
    const int32_t v = face.vertex[k];
    if (v < 0 || static_cast<std::size_t>(v) >= group.vertices.size()) return false;
    out[k] = &group.vertices[static_cast<std::size_t>(v)];
  }
  return true;
}

// Faces whose corners cannot be read keep a zero plane (see ShadowFace).
void clearUnreadablePlanes(const ModelGroup& group, ShadowFace* out) {
  const std::array<float, 3>* p[3];
  for (std::size_t t = 0; t < group.faces.size(); ++t) {
    if (!corners(group, group.faces[t], p)) std::fill(out[t].plane, out[t].plane + 4, 0.0f);
  }
}

// An edge as a key that does not depend on its direction: the smaller vertex
// index in the high half, the larger in the low half.
uint64_t edgeKey(int32_t a, int32_t b) {
  const int32_t lo = std::min(a, b), hi = std::max(a, b);
  return uint64_t{static_cast<uint32_t>(lo)} << 32 | static_cast<uint32_t>(hi);
}

}  // namespace

void computePlanes(const ModelGroup& group, ShadowFace* out) {
  const std::array<float, 3>* p[3];
  for (std::size_t t = 0; t < group.faces.size(); ++t) {
    float* plane = out[t].plane;
    std::fill(plane, plane + 4, 0.0f);
    if (!corners(group, group.faces[t], p)) continue;
    const std::array<float, 3>&p0 = *p[0], &p1 = *p[1], &p2 = *p[2];
    const float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float length2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    // No area, no direction to face. Nor for corners so far out that the
    // normal overflows, or that are not numbers: such a plane is not finite,
    // and the cache file would be refused on every run.
    if (!(length2 > 0.0f) || !std::isfinite(length2)) continue;
    const float scale = 1.0f / std::sqrt(length2);
    for (float& c : n) c *= scale;
    const float d = -(n[0] * p0[0] + n[1] * p0[1] + n[2] * p0[2]);
    if (!std::isfinite(d)) continue;
    plane[0] = n[0];
    plane[1] = n[1];
    plane[2] = n[2];
    plane[3] = d;
  }
}

// The classic search compares every edge with every edge of every other
// triangle. Within one class of equal edges its result is fixed: the first
// triangle of the class ends with the last one as neighbour, every other
// triangle with the first. So it is enough to know, per edge, the smallest
// and the largest triangle that use it. Triangles are visited in index
// order, so the first visit of an edge gives the smallest and the latest
// visit the largest.
void findNeighbours(std::span<const ModelFace> faces, ShadowFace* out, std::vector<EdgeSlot>& table) {
  QOR_ASSERT(faces.size() < static_cast<std::size_t>(std::numeric_limits<int32_t>::max()));
  if (faces.empty()) return;
  const std::size_t edges = faces.size() * 3;
  // At most three quarters full, so probe runs stay short.
  const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, edges + edges / 3 + 1));
  QOR_ASSERT(capacity <= std::size_t{1} << 32);
  const std::size_t mask = capacity - 1;
  const int shift = 64 - std::countr_zero(capacity);
  table.assign(capacity, EdgeSlot{0, -1, -1});

  // Pass 1: record each edge, and keep its slot in the neighbour field.
  for (std::size_t t = 0; t < faces.size(); ++t) {
    const int32_t* v = faces[t].vertex;
    for (int k = 0; k < 3; ++k) {
      const uint64_t key = edgeKey(v[k], v[k == 2 ? 0 : k + 1]);
      std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
      while (table[slot].first >= 0 && table[slot].key != key) slot = (slot + 1) & mask;
      EdgeSlot& s = table[slot];
      if (s.first < 0) s = EdgeSlot{key, static_cast<int32_t>(t), static_cast<int32_t>(t)};
      s.last = static_cast<int32_t>(t);
      out[t].neighbour[k] = static_cast<int32_t>(static_cast<uint32_t>(slot));
    }
  }
  // Pass 2: turn the slots into neighbours.
  for (std::size_t t = 0; t < faces.size(); ++t) {
    for (int32_t& n : out[t].neighbour) {
      const EdgeSlot& s = table[static_cast<uint32_t>(n)];
      if (s.first == s.last) {
        n = 0;  // no other triangle uses the edge
      } else {
        n = static_cast<std::size_t>(s.first) == t ? s.last + 1 : s.first + 1;
      }
    }
  }
}

ShadowMesh computeShadowMesh(const IModel& model) {
  ShadowMesh mesh;
  std::size_t total = 0;
  for (const ModelGroup& group : model.groups) {
    total += group.faces.size();
    mesh.groupStart.push_back(total);
  }
  mesh.faces.resize(total);
  std::vector<EdgeSlot> table;
  for (std::size_t g = 0; g < model.groups.size(); ++g) {
    ShadowFace* out = mesh.faces.data() + mesh.groupStart[g];
    computePlanes(model.groups[g], out);
    findNeighbours(model.groups[g].faces, out, table);
  }
  return mesh;
}

std::string shadowFilePath(const std::string& modelFile) {
  return path::join(modelFile, "tmp/" + path::baseName(modelFile) + ".vshadow");
}

std::string shadowFilePath(const IModel& model) {
  return path::join(model.fileName, "tmp/" + cacheName(model) + ".vshadow");
}

// --- the cache file ---------------------------------------------------------

namespace {

constexpr char kMagic[12] = {'V', 'O', 'L', 'U', 'M', 'E', 'S', 'H', 'A', 'D', 'O', 'W'};
constexpr std::size_t kRecordSize = 7 * 4;

void putU32(std::string& out, uint32_t v) {
  const char bytes[4] = {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                         static_cast<char>((v >> 16) & 0xff), static_cast<char>((v >> 24) & 0xff)};
  out.append(bytes, 4);
}

uint32_t getU32(const unsigned char* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

int32_t getI32(const unsigned char* b) { return static_cast<int32_t>(getU32(b)); }

}  // namespace

bool writeShadowFile(const std::string& path, const ShadowMesh& mesh) {
  std::string out(kMagic, sizeof kMagic);
  out.reserve(sizeof kMagic + 4 + mesh.groupCount() * 4 + mesh.faces.size() * kRecordSize);
  putU32(out, static_cast<uint32_t>(mesh.groupCount()));
  for (std::size_t g = 0; g < mesh.groupCount(); ++g) {
    const std::span<const ShadowFace> faces = mesh.group(g);
    putU32(out, static_cast<uint32_t>(faces.size()));
    for (const ShadowFace& face : faces) {
      for (float c : face.plane) putU32(out, std::bit_cast<uint32_t>(c));
      for (int32_t n : face.neighbour) putU32(out, static_cast<uint32_t>(n));
    }
  }
  return writeRegularFile(path, out);
}

bool readShadowFile(const std::string& path, const IModel& model, ShadowMesh& mesh) {
  // The model fixes the one size the file may have, so a wrong count can
  // neither allocate much nor make anything read past a list.
  std::size_t expected = sizeof kMagic + 4;
  for (const ModelGroup& group : model.groups) expected += 4 + group.faces.size() * kRecordSize;

  // Regular files only: a FIFO or a device named as a cache never blocks.
  const MappedFile file(path);
  const std::string_view bytes = file.bytes();
  if (bytes.size() != expected || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;

  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + sizeof kMagic;
  if (getI32(p) != static_cast<int64_t>(model.groups.size())) return false;
  p += 4;
  ShadowMesh read;
  read.faces.resize((expected - sizeof kMagic - 4 - 4 * model.groups.size()) / kRecordSize);
  for (const ModelGroup& group : model.groups) {
    const int32_t count = getI32(p);
    p += 4;
    if (count != static_cast<int64_t>(group.faces.size())) return false;
    ShadowFace* out = read.faces.data() + read.groupStart.back();
    for (int32_t t = 0; t < count; ++t, p += kRecordSize) {
      for (int c = 0; c < 4; ++c) {
        // A plane that is not finite faces no light: the triangle would
        // never cast a shadow. Such a file is stale like any other mismatch.
        out[t].plane[c] = std::bit_cast<float>(getU32(p + 4 * c));
        if (!std::isfinite(out[t].plane[c])) return false;
      }
      for (int k = 0; k < 3; ++k) {
        const int32_t n = getI32(p + 16 + 4 * k);
        if (n < 0 || n > count) return false;
        out[t].neighbour[k] = n;
      }
    }
    clearUnreadablePlanes(group, out);
    read.groupStart.push_back(read.groupStart.back() + group.faces.size());
  }
  mesh = std::move(read);
  return true;
}

}  // namespace qor
