#pragma once
// The method-call protocol shared by every script object type (List, Timer,
// SceneNode, Camera, Material): the object receives the unevaluated call
// node, evaluates its arguments in the caller's scope, and picks a method by
// exact name and argument count. Anything that does not match gives null.
//
//   DataPtr DataThing::callMethod(const DataPtr& call, Scope& locals) {
//     script::MethodCall m;
//     if (!m.begin(call, locals)) return nullptr;
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

namespace qor {

class DataCallFunction;

namespace script {

class MethodCall {
public:
  // Checks that `call` is a call node and evaluates its arguments left to
  // right with `locals`. False (and nothing evaluated) for any other node.
  bool begin(const DataPtr& call, Scope& locals);

  Symbol name() const { return name_; }
  std::size_t count() const { return args_.size(); }
  // Exact name and argument count.
  bool is(Symbol name, std::size_t count) const { return name_ == name && args_.size() == count; }
  const Value& arg(std::size_t i) const { return args_[i]; }
  const Value* args() const { return args_.data(); }

  // Argument conversions; false when the argument does not convert.
  bool argInt(std::size_t i, int32_t& out) const;
  bool argFloat(std::size_t i, float& out) const;
  bool argBool(std::size_t i, bool& out) const;
  bool argString(std::size_t i, std::string& out) const;

private:
  // A method call nests deeper C++ frames than an operator does, so it
  // counts once more against the nesting limit.
  DepthGuard depth_;
  // An argument that does not convert: warns when a listener wants it.
  bool refuse(std::size_t i, const char* wanted) const;
  const DataCallFunction* call_ = nullptr;
  Symbol name_ = kNoSymbol;
  ValueArgs args_;
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
