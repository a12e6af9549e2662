#pragma once
// What the shadow volumes need to know about a model, computed once per
// model file: per triangle its plane and the triangles across its three
// edges, one list per group. The lists are cached beside the model in a
// ".vshadow" file ("Data/Models/tmp/nurse.vshadow" for
// "Data/Models/nurse.obj").
//
// File layout (little-endian, IEEE-754 single floats, no padding):
//   "VOLUMESHADOW" (12 bytes), group count G (int32), then G times:
//   triangle count F (int32), F records of a, b, c, d (4 floats) and
//   neighbour 0, 1, 2 (3 int32).

#include "model/IModel.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qor {

struct ShadowFace {
  // a·x + b·y + c·z + d = 0, unit normal along the triangle's winding. Zero
  // for a degenerate triangle, for one whose plane would not be finite and
  // for one whose corners lie outside its group: such a triangle never faces
  // a light, so its corners are never read.
  float plane[4];
  // For edge k (corner k to corner (k + 1) mod 3): 1 + the index of the
  // triangle of the same group across it, or 0 when none.
  int32_t neighbour[3];
};

// The face records of one model: every group's list back to back, group g at
// [groupStart[g], groupStart[g + 1]).
struct ShadowMesh {
  std::vector<ShadowFace> faces;
  std::vector<std::size_t> groupStart{0};

  std::size_t groupCount() const { return groupStart.size() - 1; }
  std::span<const ShadowFace> group(std::size_t g) const {
    return {faces.data() + groupStart[g], groupStart[g + 1] - groupStart[g]};
  }
};

// Open-addressing slot of the edge table (see findNeighbours).
struct EdgeSlot {
  uint64_t key;
  int32_t first;  // smallest triangle using the edge; -1 marks an empty slot
  int32_t last;   // largest triangle using the edge
};

// The planes of `group`'s triangles, into out[0 .. faces.size()).
void computePlanes(const ModelGroup& group, ShadowFace* out);

// The neighbours of `faces`, into out[0 .. faces.size()). Edges match when
// they join the same two vertex indices, in either direction; positions are
// not compared. Where more than two triangles share an edge, the one with
// the smallest index gets the largest as neighbour and all others get the
// smallest. Linear time: one pass fills a hash table of the edges, one pass
// reads it. `table` is scratch space, kept by the caller for reuse.
void findNeighbours(std::span<const ModelFace> faces, ShadowFace* out, std::vector<EdgeSlot>& table);

// Planes and neighbours of every group of `model`.
ShadowMesh computeShadowMesh(const IModel& model);

// Path of the cache file of the model file `modelFile`.
std::string shadowFilePath(const std::string& modelFile);
// The same for a loaded model, named as its collision trees (see cacheName):
// "tmp/NAME.obj.vshadow" for one read with file-wide numbering, so records an
// earlier reading of the file left are never taken for its faces, and
// "tmp/NAME.glb.vshadow" for a model of another format.
std::string shadowFilePath(const IModel& model);

// Reads the cache file for `model` into `mesh`. False, with `mesh` left as it
// was, unless the file holds exactly the records `model` needs: the header,
// the model's group count, each group's triangle count, finite planes,
// neighbours within their group and nothing after the last record. The caller then computes
// the records and writes the file again.
bool readShadowFile(const std::string& path, const IModel& model, ShadowMesh& mesh);
// False when the file cannot be written (no "tmp" folder, say).
bool writeShadowFile(const std::string& path, const ShadowMesh& mesh);

}  // namespace qor
