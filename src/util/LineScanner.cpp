#include "util/LineScanner.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qor {

bool LineScanner::readAnyFloat(float& out) {
  const char* q = p;
  if (q < end && *q == '+') {
    ++q;
    if (q < end && (*q == '+' || *q == '-')) return false;
  }
  float value = 0.0f;
  auto [next, ec] = std::from_chars(q, end, value);
  if (ec == std::errc() && (next == end || (*next != 'x' && *next != 'X'))) {
    out = value;
    p = next;
    return true;
  }
  // Hexadecimal numbers and values out of float range: let strtof decide,
  // as scanf would, on a terminated copy of the rest of the line (a number
  // is read from its first 255 characters).
  char rest[256];
  const std::size_t n = std::min(static_cast<std::size_t>(end - p), sizeof rest - 1);
  std::memcpy(rest, p, n);
  rest[n] = '\0';
  char* stop = nullptr;
  value = std::strtof(rest, &stop);
  if (stop == rest) return false;
  out = value;
  p += stop - rest;
  return true;
}

}  // namespace qor
