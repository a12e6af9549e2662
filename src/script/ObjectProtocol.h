#pragma once
// The method-call protocol shared by every script object type (List, Timer,
// SceneNode, Camera, Material). The caller checks the object, evaluates the
// arguments left to right and counts the call's nesting level; the object
// picks a method by exact name and argument count. Anything that does not
// match gives null.
//
//   DataPtr DataThing::callMethod(script::MethodCall& m) {
//     static const Symbol kGetX = intern("getX");
//     if (m.is(kGetX, 0)) return makeFloat(x);
//     float v;
//     if (m.is(kSetX, 1) && m.argFloat(0, v)) { x = v; return nullptr; }
//     return nullptr;
//   }

#include "script/Interpreter.h"
#include "script/Symbol.h"
#include "script/datatypes/IData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qor {

namespace script {

// Where a method call stands, for the warning about an argument that does
// not convert: the method's name as written and its place.
struct MethodSite {
  std::string_view name;
  UnitPlace place;
};

// One method call: its name and the arguments the caller evaluated. The
// arguments and the site are borrowed for the length of the call.
class MethodCall {
public:
  MethodCall(Symbol name, const Value* args, std::size_t count, const MethodSite& site)
      : name_(name), args_(args), count_(count), site_(&site) {}

  Symbol name() const { return name_; }
  std::size_t count() const { return count_; }
  // Exact name and argument count.
  bool is(Symbol name, std::size_t count) const { return name_ == name && count_ == count; }
  const Value& arg(std::size_t i) const { return args_[i]; }
  const Value* args() const { return args_; }

  // Argument conversions; false when the argument does not convert.
  bool argInt(std::size_t i, int32_t& out) const;
  bool argFloat(std::size_t i, float& out) const;
  bool argBool(std::size_t i, bool& out) const;
  bool argString(std::size_t i, std::string& out) const;

private:
  // An argument that does not convert: warns when a listener wants it.
  bool refuse(std::size_t i, const char* wanted) const;
  Symbol name_;
  const Value* args_;
  std::size_t count_;
  const MethodSite* site_;
};

// An argument as an int: an int in place, anything else by the conversions;
// false when it does not convert.
bool convertIntArg(const Value& v, int32_t& out);
inline bool intArg(const Value& v, int32_t& out) {
  if (v.kind() == Value::kInt) {
    out = v.intValue();
    return true;
  }
  return convertIntArg(v, out);
}

// The index rule of "get", "set" and "remove": i >= 0 selects i mod n, a
// negative i selects ((i mod n) + n) mod n, so -1 is the last element and n
// wraps to 0. False for an empty sequence (there is nothing to select).
// Most indices are already in range: no division for them.
bool wrapOutOfRange(int32_t i, std::size_t n, std::size_t& out);
inline bool wrapIndex(int32_t i, std::size_t n, std::size_t& out) {
  if (i >= 0 && static_cast<std::size_t>(i) < n) {
    out = static_cast<std::size_t>(i);
    return true;
  }
  return wrapOutOfRange(i, n, out);
}

}  // namespace script
}  // namespace qor
