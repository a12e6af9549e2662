#pragma once
// Reads numbers and words from one line of text with the rules of scanf's
// "%d", "%f" and "%*s" (leading white space skipped, optional sign), without
// scanf's per-call format parsing and without copying the line. The text
// readers of models, boards and layouts share it. A NUL byte ends the line,
// as it would end the string fgets hands to sscanf.

#include <cstddef>
#include <cstdint>

namespace qor {

inline bool isScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
inline bool isScanDigit(char c) { return c >= '0' && c <= '9'; }

struct LineScanner {
  const char* p;
  const char* end;

  char peek() const { return p < end ? *p : '\0'; }
  void skipSpace() {
    while (p < end && isScanSpace(*p)) ++p;
  }
  // "%*s": skips one word.
  void skipWord() {
    skipSpace();
    while (p < end && *p && !isScanSpace(*p)) ++p;
  }
  // Takes `c` when it is the next character.
  bool literal(char c) {
    if (peek() != c) return false;
    ++p;
    return true;
  }
  // "%d". Values beyond 32 bits saturate, as the design's C library does.
  bool readInt(int32_t& out);
  // "%f", hexadecimal and out-of-range values included.
  bool readFloat(float& out);
};

}  // namespace qor
