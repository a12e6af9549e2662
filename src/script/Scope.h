#pragma once
// A variable table: name -> value, a flat array searched from the front.
// The run's own variables live in frame slots and file tables (Compiler.cpp);
// this table is what the warnings and the stored calls see of a scope: the
// names set so far, in order.
// The string_view forms are for callers outside the interpreter.

#include "script/Symbol.h"
#include "script/Value.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace qor {

class Scope {
public:
  struct Entry {
    Symbol name;
    Value value;
  };

  // The slot of a variable, or nullptr when the name is not in this table.
  Value* find(Symbol name) {
    for (Entry& e : vars_)
      if (e.name == name) return &e.value;
    return nullptr;
  }
  Value* find(std::string_view name) {
    const Symbol s = findSymbol(name);
    return s == kNoSymbol ? nullptr : find(s);
  }

  // Creates or replaces a variable.
  void set(Symbol name, Value value) {
    if (Value* slot = find(name))
      *slot = std::move(value);
    else
      add(name, std::move(value));
  }
  void set(std::string_view name, Value value) { set(intern(name), std::move(value)); }

  // Adds a variable known not to be in the table yet (binding parameters).
  void add(Symbol name, Value value) {
    vars_.push_back(Entry{name, std::move(value)});
  }

  bool empty() const { return vars_.empty(); }
  std::size_t size() const { return vars_.size(); }
  void clear() { vars_.clear(); }
  void reserve(std::size_t n) { vars_.reserve(n); }

  auto begin() { return vars_.begin(); }
  auto end() { return vars_.end(); }

private:
  std::vector<Entry> vars_;
};

}  // namespace qor
