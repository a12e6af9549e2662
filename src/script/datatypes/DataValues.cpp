#include "script/datatypes/DataValues.h"

#include "script/Output.h"
#include "util/LineScanner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qor {

void DataBool::print() { script::writeOutput(value ? "true" : "false"); }

void DataInt::print() { script::writeOutput(std::to_string(value)); }

void DataFloat::print() { script::writeOutput(formatFloat(value)); }

void DataString::print() { script::writeOutput(value); }

void DataString::append(std::string_view tail) {
  const std::size_t needed = value.size() + tail.size();
  if (needed > value.capacity()) {
    // The new room lives beside the old text while it is copied. Near the
    // budget's ceiling it grows by what is needed only, as a new string would.
    std::size_t room = std::max(needed, std::min(value.size() * 2, value.max_size()));
    if (!memory::fits(room)) room = needed;
    memory::require(room);
    value.reserve(room);
  }
  memory::charge(tail.size());
  value.append(tail);
}

// Bools are immutable and nothing in the language tells two equal values
// apart, so every comparison shares the same two objects instead of
// allocating one. After the final sweep at exit the shared values are gone,
// and new ones are made as before.
DataPtr makeBool(bool v) {
  if (detail::finalSweepStarted) return DataPtr(new DataBool(v));
  static const DataPtr trueValue(new DataBool(true));
  static const DataPtr falseValue(new DataBool(false));
  return v ? trueValue : falseValue;
}
namespace {

// Small ints are shared the same way, made on first use: loop counters,
// indices and the arguments of recursive calls are mostly small, and sharing
// them saves an allocation and a collection per operator.
constexpr int32_t kSmallIntMin = -256;
constexpr uint32_t kSmallIntCount = 1280;
DataPtr smallInts[kSmallIntCount];

}  // namespace

DataPtr makeInt(int32_t v) {
  const uint32_t slot = static_cast<uint32_t>(v) - static_cast<uint32_t>(kSmallIntMin);
  if (slot >= kSmallIntCount || detail::finalSweepStarted) return DataPtr(new DataInt(v));
  DataPtr& shared = smallInts[slot];
  if (!shared) shared = DataPtr(new DataInt(v));
  return shared;
}
DataPtr makeFloat(float v) { return DataPtr(new DataFloat(v)); }
DataPtr makeString(std::string v) { return DataPtr(new DataString(std::move(v))); }

std::string formatFloat(float v) {
  // The widest finite float in "%.4f" is 39 digits, a sign and 5 more.
  char buf[64];
  const int n = std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v));
  return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

namespace {

// The leading decimal integer of a text, as the "%d" format reads it: leading
// white space, an optional sign, digits. No digits reads as 0. Values past
// the 32-bit range saturate, as the platform's C library does.
int32_t leadingInt(const std::string& s) {
  int32_t v = 0;
  LineScanner{s.data(), s.data() + s.size()}.readInt(v);
  return v;
}

// The leading number of a text, as the "%f" format reads it; 0 without one.
float leadingFloat(const std::string& s) { return static_cast<float>(std::strtod(s.c_str(), nullptr)); }

}  // namespace

bool asBool(const IData* v, bool& out) {
  if (!v) return false;
  switch (v->tag()) {
    case kTagBool: out = static_cast<const DataBool*>(v)->value; return true;
    case kTagInt: out = static_cast<const DataInt*>(v)->value != 0; return true;
    case kTagFloat: out = static_cast<const DataFloat*>(v)->value != 0.0f; return true;
    case kTagString: {
      const std::string& s = static_cast<const DataString*>(v)->value;
      out = s == "true" || s == "TRUE";
      return true;
    }
    default: return false;
  }
}

bool asInt(const IData* v, int32_t& out) {
  if (!v) return false;
  switch (v->tag()) {
    case kTagBool: out = static_cast<const DataBool*>(v)->value ? 1 : 0; return true;
    case kTagInt: out = static_cast<const DataInt*>(v)->value; return true;
    case kTagFloat: {
      // Truncation toward zero; out-of-range floats (and NaN) have no int
      // value in C++, so they are clamped instead of invoking undefined
      // behaviour.
      const float f = static_cast<const DataFloat*>(v)->value;
      if (f != f)
        out = 0;
      else if (f >= 2147483648.0f)
        out = INT32_MAX;
      else if (f <= -2147483648.0f)
        out = INT32_MIN;
      else
        out = static_cast<int32_t>(f);
      return true;
    }
    case kTagString: out = leadingInt(static_cast<const DataString*>(v)->value); return true;
    default: return false;
  }
}

bool asFloat(const IData* v, float& out) {
  if (!v) return false;
  switch (v->tag()) {
    case kTagBool: out = static_cast<const DataBool*>(v)->value ? 1.0f : 0.0f; return true;
    case kTagInt: out = static_cast<float>(static_cast<const DataInt*>(v)->value); return true;
    case kTagFloat: out = static_cast<const DataFloat*>(v)->value; return true;
    case kTagString: out = leadingFloat(static_cast<const DataString*>(v)->value); return true;
    default: return false;
  }
}

bool asString(const IData* v, std::string& out) {
  if (!v) return false;
  switch (v->tag()) {
    case kTagBool: out = static_cast<const DataBool*>(v)->value ? "true" : "false"; return true;
    case kTagInt: out = std::to_string(static_cast<const DataInt*>(v)->value); return true;
    case kTagFloat: out = formatFloat(static_cast<const DataFloat*>(v)->value); return true;
    case kTagString: out = static_cast<const DataString*>(v)->value; return true;
    default: return false;
  }
}

DataPtr toBool(const DataPtr& v) {
  if (v && v->tag() == kTagBool) return v;
  bool b;
  return asBool(v.get(), b) ? makeBool(b) : nullptr;
}

DataPtr toInt(const DataPtr& v) {
  if (v && v->tag() == kTagInt) return v;
  int32_t i;
  return asInt(v.get(), i) ? makeInt(i) : nullptr;
}

DataPtr toFloat(const DataPtr& v) {
  if (v && v->tag() == kTagFloat) return v;
  float f;
  return asFloat(v.get(), f) ? makeFloat(f) : nullptr;
}

DataPtr toString(const DataPtr& v) {
  if (v && v->tag() == kTagString) return v;
  std::string s;
  return asString(v.get(), s) ? makeString(std::move(s)) : nullptr;
}

}  // namespace qor
