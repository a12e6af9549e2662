#pragma once
// Other OBJ readers, raced against Kelvo's by kelvo-bench-obj. They are built
// into the benchmark alone (obj_peers.cpp), from the sources named in
// bench/CMakeLists.txt; the engine never links them.

#include <cstddef>

namespace kelvo::bench {

struct ObjPeer {
  const char* name;
  // Loads the file whole, as the reader's own documentation shows, and
  // frees it again. Returns the seconds the load took (the freeing is not
  // timed) and the triangles read, or a negative time when it failed.
  double (*read)(const char* path, std::size_t& triangles);
};

// The peers this benchmark was built with, ended by one with a null name.
const ObjPeer* objPeers();

}  // namespace kelvo::bench
