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

// " ", tab, LF, VT, FF and CR, looked up by the byte.
struct ScanSpaceTable {
  bool space[256] = {};
  constexpr ScanSpaceTable() {
    const char spaces[] = " \t\n\v\f\r";
    for (const char c : spaces) space[static_cast<unsigned char>(c)] = c != '\0';
  }
};
inline constexpr ScanSpaceTable kScanSpace;
inline bool isScanSpace(char c) { return kScanSpace.space[static_cast<unsigned char>(c)]; }
inline bool isScanDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }

// Appends the decimal digits at `q` to `m` (m * 10^count + their value,
// modulo 2^64) and moves `q` past them. When the range ends in a non-digit
// (a line's "\n", the space after a number) the digits stop before it, so
// the loop needs no bound check.
inline void appendDigits(const char*& q, const char* end, uint64_t& m) {
  if (q < end && !isScanDigit(end[-1])) {
    const char* r = q;
    for (unsigned d; (d = static_cast<unsigned char>(*r) - unsigned{'0'}) <= 9; ++r) m = m * 10 + d;
    q = r;
    return;
  }
  for (; q < end && isScanDigit(*q); ++q) m = m * 10 + static_cast<uint64_t>(*q - '0');
}

struct LineScanner {
  const char* p;
  const char* end;

  char peek() const { return p < end ? *p : '\0'; }
  void skipSpace() {
    const char* q = p;
    while (q < end && isScanSpace(*q)) ++q;
    p = q;
  }
  // "%*s": skips one word.
  void skipWord() {
    skipSpace();
    const char* q = p;
    while (q < end && *q && !isScanSpace(*q)) ++q;
    p = q;
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
    // Below 10^12 before each of the first 13 digits, so below the bound
    // of 2^40: those are taken without the check.
    uint64_t digits = 0;
    const char* const unchecked = end - q > 13 ? q + 13 : end;
    appendDigits(q, unchecked, digits);
    int64_t value = static_cast<int64_t>(digits);
    for (; q < end && isScanDigit(*q); ++q) {
      if (value < (int64_t{1} << 40)) value = value * 10 + (*q - '0');
    }
    out = negative ? -value : value;
    p = q;
    return true;
  }
  // "%d". Values beyond 32 bits saturate, as the C library's do.
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
  // The digits go into a 64-bit integer in one pass and are checked after
  // it: m only grows digit by digit, so it ends above 2^24 exactly when it
  // passed it somewhere (more than 19 digits could wrap and are left to the
  // general reading, which reads the same value).
  bool readShortDecimal(float& out) {
    static constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative;
    uint64_t m = 0;
    const char* const whole = q;
    appendDigits(q, end, m);
    std::ptrdiff_t digits = q - whole, decimals = 0;
    if (q < end && *q == '.') {
      const char* const fraction = ++q;
      appendDigits(q, end, m);
      decimals = q - fraction;
      digits += decimals;
    }
    if (digits == 0 || digits > 19 || decimals > 10 || m > (1u << 24)) return false;
    if (q < end && (*q == 'e' || *q == 'E' || *q == 'x' || *q == 'X')) return false;
    const float value = static_cast<float>(static_cast<uint32_t>(m)) / kPowers[decimals];
    out = negative ? -value : value;
    p = q;
    return true;
  }
  bool readAnyFloat(float& out);
};

}  // namespace qor
