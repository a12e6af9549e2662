#pragma once
// A variable table: name -> value. Names are interned symbols and the table
// is a flat array searched from the front: local tables hold a handful of
// names, and comparing integers in a row beats hashing or a tree walk.
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

  // The files' variable tables are marked global. Their entries are only
  // ever added (or all dropped), so a place found in them stays right until
  // one of them grows or goes: `globalGeneration` counts those changes, and
  // lookups may remember a place under it.
  static inline uint64_t globalGeneration = 0;
  void markGlobal() { global_ = true; }
  // The entry at `index`, which must exist.
  Entry& at(std::size_t index) { return vars_[index]; }
  // The index of a variable, or -1.
  std::ptrdiff_t indexOf(Symbol name) const {
    for (std::size_t i = 0; i < vars_.size(); ++i)
      if (vars_[i].name == name) return static_cast<std::ptrdiff_t>(i);
    return -1;
  }

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
    if (global_) ++globalGeneration;
  }

  bool empty() const { return vars_.empty(); }
  std::size_t size() const { return vars_.size(); }
  void clear() {
    vars_.clear();
    if (global_) ++globalGeneration;
  }
  void reserve(std::size_t n) { vars_.reserve(n); }

  auto begin() { return vars_.begin(); }
  auto end() { return vars_.end(); }

private:
  std::vector<Entry> vars_;
  bool global_ = false;
};

}  // namespace qor
