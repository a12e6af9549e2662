// The peer OBJ readers of kelvo-bench-obj (see ObjPeers.h). Compiled without
// the project's warnings: the code is theirs, used as it comes.
#include "ObjPeers.h"

#include <chrono>
#include <string>
#include <vector>

#ifdef KELVO_PEER_FAST_OBJ
#include "fast_obj.h"
#endif
#ifdef KELVO_PEER_RAPIDOBJ
#include "rapidobj.hpp"
#endif
#ifdef KELVO_PEER_TINYOBJ
#include <tiny_obj_loader.h>
#endif

namespace kelvo::bench {

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

#ifdef KELVO_PEER_FAST_OBJ
double readFastObj(const char* path, std::size_t& triangles) {
  const auto start = Clock::now();
  fastObjMesh* mesh = fast_obj_read(path);
  const double seconds = since(start);
  if (!mesh) return -1.0;
  triangles = 0;
  for (unsigned int f = 0; f < mesh->face_count; ++f)
    if (mesh->face_vertices[f] >= 3) triangles += mesh->face_vertices[f] - 2;
  fast_obj_destroy(mesh);
  return seconds;
}
#endif

#ifdef KELVO_PEER_RAPIDOBJ
double readRapidObj(const char* path, std::size_t& triangles) {
  const auto start = Clock::now();
  rapidobj::Result result = rapidobj::ParseFile(path);
  const double seconds = since(start);
  if (result.error) return -1.0;
  triangles = 0;
  for (const auto& shape : result.shapes)
    for (auto n : shape.mesh.num_face_vertices)
      if (n >= 3) triangles += n - 2u;
  return seconds;
}
#endif

#ifdef KELVO_PEER_TINYOBJ
double readTinyObj(const char* path, std::size_t& triangles) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  std::string folder(path);
  folder.erase(folder.find_last_of('/') + 1);
  const auto start = Clock::now();
  const bool ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path, folder.c_str());
  const double seconds = since(start);
  if (!ok) return -1.0;
  triangles = 0;
  for (const auto& shape : shapes) triangles += shape.mesh.num_face_vertices.size();
  return seconds;
}
#endif

const ObjPeer kPeers[] = {
#ifdef KELVO_PEER_FAST_OBJ
    {"fast_obj", &readFastObj},
#endif
#ifdef KELVO_PEER_RAPIDOBJ
    {"rapidobj", &readRapidObj},
#endif
#ifdef KELVO_PEER_TINYOBJ
    {"tinyobjloader", &readTinyObj},
#endif
    {nullptr, nullptr},
};

}  // namespace

const ObjPeer* objPeers() { return kPeers; }

}  // namespace kelvo::bench
