#pragma once
// What the built-ins and the methods of each object type accept: their names
// and the argument lists they take. The interpreter dispatches by its own
// code; these tables are what the warnings and the checker compare a call
// with ("rotate takes 4 arguments (angle, x, y, z), given 3"), and where
// they look for a suggestion when a name is unknown.

#include <cstdint>
#include <string_view>
#include <vector>

namespace qor::script {

struct Signature {
  // "" for a built-in; else the object type, as a warning names it: "List",
  // "Group", "rotate node", "Timer", "Material", "Camera", ...
  std::string_view owner;
  std::string_view name;
  // The parameters, as the warning lists them: "angle, x, y, z" ("" for none).
  std::string_view params;
  uint8_t argCount = 0;
};

// Every signature known: one entry per accepted argument count, so a name
// with two forms has two entries.
const std::vector<Signature>& signatureTable();

}  // namespace qor::script
