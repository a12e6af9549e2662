#include "util/Rand15.h"

namespace qor {

namespace {
uint32_t state = 1;  // the C runtime's seed before any srand
}

int rand15() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

void srand15(uint32_t seed) { state = seed; }

}  // namespace qor
