#pragma once
// The interpreter: scripts are turned, once, into a tree of small
// specialised code nodes whose names are already bound to frame slots, file
// variables and function slots, and then run. It reads the syntax tree the
// parser builds; values, operator tables, built-ins, object methods, the
// unit of work and the limits are the run-time pieces it shares with the
// rest of the script layer.

#include "script/Interpreter.h"

#include <cstddef>

namespace qor::script {

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
