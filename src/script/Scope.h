#pragma once
// A variable table: name -> value. Lookups take a string_view so that
// resolving a name never copies it.

#include "script/datatypes/IData.h"

#include <map>
#include <string>
#include <string_view>

namespace qor {

class Scope {
public:
  // The slot of a variable, or nullptr when the name is not in this table.
  SmartPointer<IData>* find(std::string_view name) {
    auto it = vars_.find(name);
    return it == vars_.end() ? nullptr : &it->second;
  }

  // Creates or replaces a variable.
  void set(std::string_view name, SmartPointer<IData> value) {
    auto it = vars_.find(name);
    if (it != vars_.end())
      it->second = std::move(value);
    else
      vars_.emplace(std::string(name), std::move(value));
  }

  bool empty() const { return vars_.empty(); }
  std::size_t size() const { return vars_.size(); }
  void clear() { vars_.clear(); }

  auto begin() { return vars_.begin(); }
  auto end() { return vars_.end(); }

private:
  std::map<std::string, SmartPointer<IData>, std::less<>> vars_;
};

}  // namespace qor
