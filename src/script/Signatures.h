#pragma once
// What the built-ins and the methods of each object type accept: their names
// and the argument lists they take. The interpreter dispatches by its own
// code; these tables are what the warnings and the checker compare a call
// with ("rotate takes 4 arguments (angle, x, y, z), given 3"), and where
// they look for a suggestion when a name is unknown.

#include "script/Symbol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor::script {

// An argCount that stands for any number of arguments ("print", "Group").
constexpr uint8_t kAnyCount = 255;

struct Signature {
  // "" for a built-in; else the object type, as a warning names it: "List",
  // "Timer", "Camera", "Material", "Group", "translate node", "scale node",
  // "rotate node", "geometry node", "light node".
  std::string_view owner;
  std::string_view name;
  // The parameters, as the warning lists them: "angle, x, y, z" ("" for none).
  std::string_view params;
  uint8_t argCount = 0;

  bool accepts(std::size_t count) const { return argCount == kAnyCount || argCount == count; }
};

// Every signature known: one entry per accepted argument count, so a name
// with two forms has two entries.
const std::vector<Signature>& signatureTable();

// The entries of one owner ("" for the built-ins) with this name.
std::vector<const Signature*> signaturesOf(std::string_view owner, std::string_view name);
// How a call of `name` with `count` arguments meets `owner`'s entries: it
// has none of that name, one accepts the count, or none does. Looked up in
// an index by the name's symbol made once, without hashing or allocating:
// calls are checked as they run.
enum class CallFit { NoSuchName, Fits, WrongCount };
CallFit callFit(std::string_view owner, Symbol name, std::size_t count);
// Whether any entry of any owner with this name accepts `count` (a method
// call whose object is not known before running); false also for a name no
// owner has.
bool anyOwnerAccepts(std::string_view name, std::size_t count);
// The distinct names of one owner, in table order (suggestion candidates).
std::vector<std::string_view> namesOf(std::string_view owner);
// What the forms of a name take, for a warning: "takes 4 arguments (angle,
// x, y, z)", "takes no arguments", "takes 1 argument (x) or 3 arguments
// (x, y, z)", "takes any number of arguments". Empty for an unknown name.
std::string describeForms(std::string_view owner, std::string_view name);

}  // namespace qor::script
