#pragma once
// The four simple script values and the conversions between them. A value is
// never changed after construction: operators and conversions make new ones.
// The one exception is a string that nothing but the evaluator's own
// reference holds: concatenating onto it appends in place, which no script
// can tell from a new string.

#include "script/datatypes/IData.h"

#include <string>
#include <string_view>

namespace qor {

class DataBool final : public IData {
public:
  explicit DataBool(bool v) : IData(kTagBool), value(v) {}
  std::size_t size() const override { return sizeof(*this); }
  void print() override;
  const bool value;
};

class DataInt final : public IData {
public:
  explicit DataInt(int32_t v) : IData(kTagInt), value(v) {}
  std::size_t size() const override { return sizeof(*this); }
  void print() override;
  const int32_t value;
};

class DataFloat final : public IData {
public:
  explicit DataFloat(float v) : IData(kTagFloat), value(v) {}
  std::size_t size() const override { return sizeof(*this); }
  void print() override;
  const float value;
};

// Its text is charged to the memory budget with the value.
class DataString final : public IData {
public:
  explicit DataString(std::string v) : IData(kTagString), value(std::move(v)) { memory::charge(value.size()); }
  ~DataString() override { memory::refund(value.size()); }
  std::size_t size() const override { return sizeof(*this); }
  void print() override;

  // Appends `tail` (not a view of this string's own text). The room grows by
  // doubling, so a loop that appends takes linear time; growth past the
  // memory budget throws std::bad_alloc and leaves the string unchanged.
  void append(std::string_view tail);

  // Changed only by append().
  std::string value;
};

// Construction helpers.
DataPtr makeBool(bool v);
DataPtr makeInt(int32_t v);
DataPtr makeFloat(float v);
DataPtr makeString(std::string v);

// True for bool, int, float and string values.
inline bool isSimple(const IData* d) { return d && d->tag() >= kTagBool && d->tag() <= kTagString; }

// Conversions: null in, null out; any type other than the four simple ones
// gives null. A value of the target type is returned itself, not copied.
DataPtr toBool(const DataPtr& v);
DataPtr toInt(const DataPtr& v);
DataPtr toFloat(const DataPtr& v);
DataPtr toString(const DataPtr& v);

// The same conversions straight to a plain value; false when the source does
// not convert. They allocate nothing.
bool asBool(const IData* v, bool& out);
bool asInt(const IData* v, int32_t& out);
bool asFloat(const IData* v, float& out);
bool asString(const IData* v, std::string& out);

// The text toString gives for a float ("%.4f").
std::string formatFloat(float v);

}  // namespace qor
