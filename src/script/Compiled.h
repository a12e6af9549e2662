#pragma once
// The compiled interpreter: scripts are turned, once, into a tree of small
// specialised code nodes whose names are already bound to frame slots, file
// variables and function slots, and then run. It reads the syntax tree the
// parser builds and shares the run-time pieces of the tree walker (values,
// operator tables, built-ins, object methods, the unit of work, the limits),
// so that a script behaves the same under either: chosen per process.

#include "script/Interpreter.h"

#include <cstddef>

namespace qor::script {

enum class Engine : uint8_t { Tree, Compiled };
// The engine the next runs use; Tree unless set. Set it before the first
// script is loaded: the two keep their variables apart.
void setEngine(Engine engine);
namespace detail {
extern Engine engine;
}
inline bool compiledEngine() { return detail::engine == Engine::Compiled; }

namespace compiled {

// Runs statement `statement` of file `file` (compiled on first use, with the
// functions defined so far) with the file's own table as its scope. Its
// value, boxed.
DataPtr runStatement(std::size_t file, std::size_t statement);

// The file variables, for the tools that show them (fileVariables): those
// of `file`, in the order they were made.
std::vector<FileVariable> variablesOf(std::size_t file);
// A file variable: the first file's that has it; nullptr when none has.
Value* fileVariable(Symbol name);

// Drops every compiled unit, variable and function slot (the scene reset).
void reset();

}  // namespace compiled
}  // namespace qor::script
