#pragma once
// A script value as the evaluator carries it: null, a bool, an int or a float
// held in place, or any other value (strings, Lists, scene objects) as a
// counted IData. Numbers and bools are immutable and nothing in the language
// tells two equal ones apart, so they need no object while they move between
// operators, variables and user functions; they are boxed into an IData only
// where a value leaves the evaluator (built-ins, methods, List elements,
// printing). A Value is 16 bytes, and copying one that holds no object costs
// no reference count.

#include "base/memory/IMMObject.h"
#include "script/datatypes/DataValues.h"

#include <cstdint>
#include <utility>

namespace qor {

class Value {
public:
  enum Kind : uint8_t { kNull, kBool, kInt, kFloat, kObject };

  Value() : i_(0) {}
  // Bools, ints and floats are taken out of their objects.
  Value(const DataPtr& d) : i_(0) { take(d.get()); }  // NOLINT(runtime/explicit): a value is a value
  Value(IData* d) : i_(0) { take(d); }                // NOLINT(runtime/explicit)

  static Value boolean(bool v) { return Value(kBool, v ? 1 : 0); }
  static Value integer(int32_t v) { return Value(kInt, v); }
  static Value real(float v) {
    Value r;
    r.kind_ = kFloat;
    r.f_ = v;
    return r;
  }

  Value(const Value& o) : kind_(o.kind_), i_(o.i_), obj_(o.obj_) {
    if (obj_) obj_->addRef();
  }
  Value(Value&& o) noexcept : kind_(o.kind_), i_(o.i_), obj_(o.obj_) {
    o.kind_ = kNull;
    o.obj_ = nullptr;
  }
  Value& operator=(const Value& o) {
    // Numbers, bools and null on both sides: no count to change.
    if (!(obj_ || o.obj_)) {
      kind_ = o.kind_;
      i_ = o.i_;
      return *this;
    }
    if (o.obj_) o.obj_->addRef();
    IData* old = obj_;
    kind_ = o.kind_;
    i_ = o.i_;
    obj_ = o.obj_;
    drop(old);
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (!(obj_ || o.obj_)) {
      // In this order a value moved onto itself stays whole.
      const Kind k = o.kind_;
      const int32_t v = o.i_;
      o.kind_ = kNull;
      kind_ = k;
      i_ = v;
      return *this;
    }
    if (this != &o) {
      IData* old = obj_;
      kind_ = o.kind_;
      i_ = o.i_;
      obj_ = o.obj_;
      o.kind_ = kNull;
      o.obj_ = nullptr;
      drop(old);
    }
    return *this;
  }
  ~Value() { drop(obj_); }

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == kNull; }
  explicit operator bool() const { return kind_ != kNull; }
  // Bool, int or float: held in place.
  bool isPlain() const { return kind_ == kBool || kind_ == kInt || kind_ == kFloat; }

  // Gives an int value another int, in place: an int holds no object, so
  // there is no count to change. Only for a value whose kind() is kInt.
  void replaceInt(int32_t v) { i_ = v; }
  // Makes a value that holds no object a bool, int or float (`bits` its
  // int, or its float's bits), in place: no count to change.
  void setPlain(Kind k, int32_t bits) {
    kind_ = k;
    i_ = bits;
  }

  bool boolValue() const { return i_ != 0; }
  int32_t intValue() const { return i_; }
  float floatValue() const { return f_; }
  // The object of a kObject value, else null.
  IData* object() const { return obj_; }

  // The type tag the value has as an object (bool, int, float, or the
  // object's own); -1 for null.
  int32_t tag() const {
    switch (kind_) {
      case kBool: return kTagBool;
      case kInt: return kTagInt;
      case kFloat: return kTagFloat;
      case kObject: return obj_->tag();
      default: return -1;
    }
  }

  // The value as an object (shared small ints and bools; new floats).
  DataPtr box() const {
    switch (kind_) {
      case kBool: return makeBool(i_ != 0);
      case kInt: return makeInt(i_);
      case kFloat: return makeFloat(f_);
      case kObject: return DataPtr(obj_);
      default: return nullptr;
    }
  }

private:
  Value(Kind k, int32_t v) : kind_(k), i_(v) {}

  void take(IData* d) {
    if (!d) return;
    switch (d->tag()) {
      case kTagInt:
        kind_ = kInt;
        i_ = static_cast<const DataInt*>(d)->value;
        return;
      case kTagFloat:
        kind_ = kFloat;
        f_ = static_cast<const DataFloat*>(d)->value;
        return;
      case kTagBool:
        if (!d->isReturnNode()) {
          kind_ = kBool;
          i_ = static_cast<const DataBool*>(d)->value ? 1 : 0;
          return;
        }
        break;
      default: break;
    }
    kind_ = kObject;
    obj_ = d;
    d->addRef();
  }
  static void drop(IData* p) {
    if (p && !detail::finalSweepStarted) p->release();
  }

  Kind kind_ = kNull;
  union {
    int32_t i_;
    float f_;
  };
  IData* obj_ = nullptr;
};

// The conversions of DataValues.h on a Value, allocating nothing.
inline bool asBool(const Value& v, bool& out) {
  switch (v.kind()) {
    case Value::kBool:
    case Value::kInt: out = v.intValue() != 0; return true;
    case Value::kFloat: out = v.floatValue() != 0.0f; return true;
    case Value::kObject: return asBool(v.object(), out);
    default: return false;
  }
}

}  // namespace qor
