#pragma once
// The 15-bit pseudo-random generator of the Windows C runtime: results lie in
// 0 ... 32767 and the sequence for a given seed is the one Windows programs
// see. Used everywhere the program draws random numbers.

#include <cstdint>

namespace qor {

constexpr int kRand15Max = 32767;

int rand15();
void srand15(uint32_t seed);

}  // namespace qor
