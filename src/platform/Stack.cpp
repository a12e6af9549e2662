#include "platform/Stack.h"

#include <cstdint>

#include <pthread.h>

namespace qor::platform {

namespace {

// The low end of this thread's stack, learnt once per thread (for the main
// thread the C library reads the process's memory map, which is too slow to
// repeat); 0 until then, UINTPTR_MAX when it cannot be learnt.
thread_local uintptr_t stackLow = 0;

uintptr_t findStackLow() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return UINTPTR_MAX;
  void* base = nullptr;
  std::size_t size = 0;
  const bool known = pthread_attr_getstack(&attr, &base, &size) == 0 && base != nullptr;
  pthread_attr_destroy(&attr);
  return known ? reinterpret_cast<uintptr_t>(base) : UINTPTR_MAX;
}

}  // namespace

std::size_t stackLeft() {
  if (stackLow == 0) stackLow = findStackLow();
  if (stackLow == UINTPTR_MAX) return SIZE_MAX;
  const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  return here > stackLow ? here - stackLow : 0;
}

}  // namespace qor::platform
