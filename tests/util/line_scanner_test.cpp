// The scanner's numbers against plain references: readInt against a digit
// loop that saturates as "%d" does, readSignedDigits against the face
// index's saturation, readFloat against std::from_chars (both
// correctly rounded), on generated numbers of every length around the
// limits of the in-line readings, each at the end of its range and followed
// by more text.

#include "util/LineScanner.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// "%d" as the C library reads it: sign, digits, saturated to 32 bits.
bool referenceInt(const std::string& text, int32_t& out, std::size_t& used) {
  std::size_t i = 0;
  while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) && text[i]) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  long double value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
  if (negative) value = -value;
  out = value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
  used = i;
  return true;
}

// A face index: sign and digits, the value held once it reaches 2^40 (what
// a "does not exist" warning then names).
bool referenceIndex(const std::string& text, std::size_t at, int64_t& out) {
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
  int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    if (value < (int64_t{1} << 40)) value = value * 10 + (text[at] - '0');
  out = negative ? -value : value;
  return true;
}

uint32_t nextRandom(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

std::string digits(uint32_t& seed, unsigned count) {
  std::string out;
  for (unsigned k = 0; k < count; ++k) out += static_cast<char>('0' + nextRandom(seed) % 10);
  return out;
}

TEST(LineScannerTest, NumbersReadAsTheReferencesReadThem) {
  const char* after[] = {"", "\n", " 7", "/3", "\t\v\f#", "e5", "\x80"};
  uint32_t seed = 2024;
  for (int round = 0; round < 200000; ++round) {
    const unsigned whole = nextRandom(seed) % 24, decimals = nextRandom(seed) % 14;
    std::string number = nextRandom(seed) % 3 == 0 ? "-" : nextRandom(seed) % 8 == 0 ? "+" : "";
    number += digits(seed, whole);
    const bool point = nextRandom(seed) % 3 != 0;
    if (point) number += "." + digits(seed, decimals);
    if (number.find_first_of("0123456789") == std::string::npos) continue;
    const std::string text = std::string(nextRandom(seed) % 3, ' ') + number + after[nextRandom(seed) % 7];
    SCOPED_TRACE(text);
    // A copy of exactly the text's bytes, so that reading past it would show.
    std::unique_ptr<char[]> bytes(new char[text.size()]);
    std::memcpy(bytes.get(), text.data(), text.size());
    const char* const end = bytes.get() + text.size();

    qor::LineScanner ints{bytes.get(), end};
    int32_t value = 0, expected = 0;
    std::size_t used = 0;
    const bool read = ints.readInt(value);
    ASSERT_EQ(read, referenceInt(text, expected, used));
    if (read) {
      ASSERT_EQ(value, expected);
      ASSERT_EQ(static_cast<std::size_t>(ints.p - bytes.get()), used);
    }

    const std::size_t first = text.find_first_not_of(' ');
    qor::LineScanner index{bytes.get() + first, end};
    int64_t indexValue = 0, expectedIndex = 0;
    const bool indexRead = index.readSignedDigits(indexValue);
    ASSERT_EQ(indexRead, referenceIndex(text, first, expectedIndex));
    if (indexRead) {
      ASSERT_EQ(indexValue, expectedIndex);
    }

    qor::LineScanner floats{bytes.get(), end};
    float f = 0.0f, g = 0.0f;
    const std::size_t start = text.find_first_not_of(' ');
    const char* from = text.data() + start + (text[start] == '+');
    const auto [stop, ec] = std::from_chars(from, text.data() + text.size(), g);
    const bool hex = stop < text.data() + text.size() && (*stop == 'x' || *stop == 'X');
    if (ec != std::errc() || hex) continue;  // out of range: strtof's reading, not compared here
    ASSERT_TRUE(floats.readFloat(f));
    ASSERT_EQ(std::memcmp(&f, &g, sizeof f), 0) << f << " " << g;
    ASSERT_EQ(floats.p - bytes.get(), stop - text.data());
  }
}

}  // namespace
