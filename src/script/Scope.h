#pragma once
// A variable table: name -> value. Names are interned symbols and the table
// is a flat array searched from the front: local tables hold a handful of
// names, and comparing integers in a row beats hashing or a tree walk.
// The string_view forms are for callers outside the interpreter.

#include "script/Symbol.h"
#include "script/Value.h"

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
      vars_.push_back(Entry{name, std::move(value)});
  }
  void set(std::string_view name, Value value) { set(intern(name), std::move(value)); }

  // Adds a variable known not to be in the table yet (binding parameters).
  void add(Symbol name, Value value) { vars_.push_back(Entry{name, std::move(value)}); }

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
