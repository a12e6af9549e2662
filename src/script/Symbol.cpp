#include "script/Symbol.h"

#include <deque>
#include <string>
#include <unordered_map>

namespace qor {

namespace {

struct SymbolTable {
  // A deque keeps every string at a fixed address, so the map's keys (views
  // into these strings) stay valid as the table grows.
  std::deque<std::string> names;
  std::unordered_map<std::string_view, Symbol> ids;
};

SymbolTable& table() {
  static SymbolTable t;
  return t;
}

}  // namespace

Symbol intern(std::string_view name) {
  SymbolTable& t = table();
  auto it = t.ids.find(name);
  if (it != t.ids.end()) return it->second;
  const Symbol id = static_cast<Symbol>(t.names.size());
  t.names.emplace_back(name);
  t.ids.emplace(std::string_view(t.names.back()), id);
  return id;
}

Symbol findSymbol(std::string_view name) {
  SymbolTable& t = table();
  auto it = t.ids.find(name);
  return it == t.ids.end() ? kNoSymbol : it->second;
}

std::string_view symbolName(Symbol s) {
  SymbolTable& t = table();
  return s < t.names.size() ? std::string_view(t.names[s]) : std::string_view();
}

}  // namespace qor
