#pragma once
// Free lists for small objects of many short lives (script values above
// all: every operator makes a new one). Memory is carved from large chunks
// into size classes of 16 bytes; a freed object goes to the front of its
// class's list and is the next one handed out. Sizes above the largest
// class go to the global heap. Chunks are never given back: the pool's
// size is the peak number of small objects alive at once.
//
// Single-threaded, like the object lists of IMMObject.

#include <cstddef>

namespace qor {

constexpr std::size_t kPoolGranule = 16;
constexpr std::size_t kPoolMaxSize = 128;

void* poolAllocate(std::size_t bytes);
// `bytes` must be the size given to poolAllocate for `p`.
void poolFree(void* p, std::size_t bytes) noexcept;

// Objects on the free lists of all classes, and chunks taken from the heap,
// for tests and diagnostics.
std::size_t poolFreeCount();
std::size_t poolChunkCount();

}  // namespace qor
