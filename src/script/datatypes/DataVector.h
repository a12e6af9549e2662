#pragma once
// The script type "List": an ordered, growable sequence of shared values.
// The parser also uses it for statement, parameter and argument lists and for
// list literals; evaluating one builds a new List of the element values.
// Elements are Values: numbers and bools sit in the List itself, 16 bytes
// each, with no object of their own.

#include "script/Symbol.h"
#include "script/Value.h"
#include "script/datatypes/IData.h"

#include <cstdint>
#include <vector>

namespace qor {

class DataVector : public IData {
public:
  DataVector() : IData(kTagVector) {}
  explicit DataVector(const std::vector<DataPtr>& e) : IData(kTagVector), elements(e.begin(), e.end()) {}
  ~DataVector() override { memory::refund(chargedBytes_); }

  std::size_t size() const override { return sizeof(*this); }
  // "(" elements separated by ", " ")".
  void print() override;
  // "size", "get", "set", "add", "remove".
  DataPtr callMethod(script::MethodCall& m) override;
  // The methods, and which one a name calls (None for any other name).
  enum class Method : uint8_t { None, Size, Get, Set, Add, Remove };
  static Method methodOf(Symbol name);
  // The method `name` with its evaluated arguments (the evaluator's member
  // access, which evaluates them itself); the evaluator settles the method
  // when it builds the call.
  Value invoke(Symbol name, const Value* args, std::size_t count) { return invoke(methodOf(name), args, count); }
  Value invoke(Method method, const Value* args, std::size_t count);

  // Makes room for `count` elements, charging the memory budget for the
  // storage first: past the budget it throws std::bad_alloc and nothing
  // changes. The storage grows as the script's lists grow (by doubling).
  void reserveCharged(std::size_t count);

  std::vector<Value> elements;

private:
  // The storage charged so far (lists the parser builds are not charged).
  std::size_t chargedBytes_ = 0;
};

SmartPointer<DataVector> makeList(const std::vector<DataPtr>& elements = {});

}  // namespace qor
