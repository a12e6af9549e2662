#include "base/memory/SmallObjectPool.h"

#include <new>

// Under AddressSanitizer a free slot is poisoned until it is handed out
// again, so a use after free is still caught while the slot waits.
#if defined(__SANITIZE_ADDRESS__)
#define KELVO_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVO_POOL_ASAN 1
#endif
#endif

#ifdef KELVO_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POOL_POISON(p, n) ((void)(p), (void)(n))
#define POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace qor {

namespace {

constexpr std::size_t kClassCount = kPoolMaxSize / kPoolGranule;
constexpr std::size_t kChunkBytes = 64 * 1024;

struct FreeSlot {
  FreeSlot* next;
};

// A chunk starts with a link to the previous one, so every chunk stays
// reachable from `chunks` (leak checkers see the pool as in use, not lost).
struct Chunk {
  Chunk* previous;
};

// Plain data with constant initialisation: usable from any static
// constructor or destructor, whatever the order.
struct Pool {
  FreeSlot* free[kClassCount];
  std::size_t freeCount;
  std::size_t chunkCount;
  Chunk* chunks;
  // The unused tail of the newest chunk.
  char* carve;
  char* carveEnd;
};

constinit Pool pool{};

std::size_t classOf(std::size_t bytes) { return (bytes + kPoolGranule - 1) / kPoolGranule - 1; }

// Cuts a slot of `slotBytes` from the newest chunk, starting a new chunk when
// the tail is too short. The tail left in an old chunk is given up.
void* carveSlot(std::size_t slotBytes) {
  if (static_cast<std::size_t>(pool.carveEnd - pool.carve) < slotBytes) {
    char* raw = static_cast<char*>(::operator new(kChunkBytes));
    Chunk* chunk = reinterpret_cast<Chunk*>(raw);
    chunk->previous = pool.chunks;
    pool.chunks = chunk;
    ++pool.chunkCount;
    // Slots start one granule in, keeping 16-byte alignment.
    pool.carve = raw + kPoolGranule;
    pool.carveEnd = raw + kChunkBytes;
    POOL_POISON(pool.carve, static_cast<std::size_t>(pool.carveEnd - pool.carve));
  }
  void* p = pool.carve;
  pool.carve += slotBytes;
  POOL_UNPOISON(p, slotBytes);
  return p;
}

}  // namespace

void* poolAllocate(std::size_t bytes) {
  if (bytes == 0 || bytes > kPoolMaxSize) return ::operator new(bytes);
  const std::size_t c = classOf(bytes);
  const std::size_t slotBytes = (c + 1) * kPoolGranule;
  if (FreeSlot* slot = pool.free[c]) {
    POOL_UNPOISON(slot, slotBytes);
    pool.free[c] = slot->next;
    --pool.freeCount;
    return slot;
  }
  return carveSlot(slotBytes);
}

void poolFree(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (bytes == 0 || bytes > kPoolMaxSize) {
    ::operator delete(p);
    return;
  }
  const std::size_t c = classOf(bytes);
  FreeSlot* slot = static_cast<FreeSlot*>(p);
  slot->next = pool.free[c];
  pool.free[c] = slot;
  ++pool.freeCount;
  POOL_POISON(slot, (c + 1) * kPoolGranule);
}

std::size_t poolFreeCount() { return pool.freeCount; }
std::size_t poolChunkCount() { return pool.chunkCount; }

}  // namespace qor
