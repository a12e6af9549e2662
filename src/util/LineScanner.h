#pragma once
// Reads numbers and words from one line of text with the rules of scanf's
// "%d", "%f" and "%*s" (leading white space skipped, optional sign), without
// scanf's per-call format parsing and without copying the line. The text
// readers of models, boards and layouts share it. A NUL byte ends the line,
// as it would end the string fgets hands to sscanf.

#include <cstddef>
#include <cstdint>
#include <climits>

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
  // An optional sign and digits starting right here (no white space
  // skipped), saturating far beyond 32 bits: the digits of "%d", and the
  // indices of a face corner after its "/".
  bool readSignedDigits(int64_t& out) {
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = (*q++ == '-');
    if (q >= end || !isScanDigit(*q)) return false;
    int64_t value = 0;
    while (q < end && isScanDigit(*q)) {
      if (value < (int64_t{1} << 40)) value = value * 10 + (*q - '0');
      ++q;
    }
    out = negative ? -value : value;
    p = q;
    return true;
  }
  // "%d". Values beyond 32 bits saturate, as the design's C library does.
  bool readInt(int32_t& out) {
    skipSpace();
    int64_t value = 0;
    if (!readSignedDigits(value)) return false;
    value = value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value;
    out = static_cast<int32_t>(value);
    return true;
  }
  // "%f", hexadecimal and out-of-range values included.
  bool readFloat(float& out) {
    skipSpace();
    return readShortDecimal(out) || readAnyFloat(out);
  }

private:
  // The common case in line: an optional "-", digits with at most one ".",
  // whose digits make an integer m of at most 2^24 and whose decimals number
  // at most 10, not followed by an exponent or an "x". Then m and 10^decimals
  // are both exact floats and one division rounds their quotient correctly:
  // the very float every correct reader gives ("0.123456", "-12.5", "3").
  bool readShortDecimal(float& out) {
    static constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative;
    uint32_t m = 0;
    int decimals = 0;
    bool digits = false;
    while (q < end && isScanDigit(*q)) {
      m = m * 10 + static_cast<uint32_t>(*q++ - '0');
      if (m > (1u << 24)) return false;
      digits = true;
    }
    if (q < end && *q == '.') {
      ++q;
      while (q < end && isScanDigit(*q)) {
        m = m * 10 + static_cast<uint32_t>(*q++ - '0');
        if (m > (1u << 24) || ++decimals > 10) return false;
        digits = true;
      }
    }
    if (!digits) return false;
    if (q < end && (*q == 'e' || *q == 'E' || *q == 'x' || *q == 'X')) return false;
    const float value = static_cast<float>(m) / kPowers[decimals];
    out = negative ? -value : value;
    p = q;
    return true;
  }
  bool readAnyFloat(float& out);
};

}  // namespace qor
