#pragma once
// The built-in functions that need no scene object, the key-binding table and
// the hooks through which "exit", "reset" and "getMousePos" reach the shell.
// Other subsystems add their built-ins with script::registerBuiltin (see
// Interpreter.h) from their own registration function.

#include "script/Interpreter.h"
#include "script/datatypes/IData.h"

#include <cstdint>
#include <string>

namespace qor::script {

// The shell's state that built-ins touch; the shell (or a test) points these
// at its own variables. A null pointer means "not connected": the built-in
// then does nothing (getMousePos reads 0).
struct ShellHooks {
  bool* running = nullptr;          // cleared by "exit"
  bool* reloadRequested = nullptr;  // set by "reset"
  int32_t* mouseX = nullptr;        // read by "getMousePos"
  int32_t* mouseY = nullptr;
};
extern ShellHooks shellHooks;

// Registers the language's own built-ins (maths, conversions, print, timers,
// key binding, include, exit, reset ...), then every extra registration
// function added with addBuiltinRegistrar, in the order they were added.
void registerBuiltins();
using BuiltinRegistrar = void (*)();
void addBuiltinRegistrar(BuiltinRegistrar registrar);

// What "print" writes for one value: simple values as their text, a List as
// "(a, b)", a call expression as name(arguments); then one line feed.
void printValue(const DataPtr& value);
// What printValue writes for `value`, without the line feed, as a string
// (a key binding's call as name(arguments), for a list of the bindings).
std::string printedText(const DataPtr& value);

// The name "TYPE" gives a value's type: "int", "List", "SceneNode" ...;
// null for a value it names no type of (a syntax node).
const char* typeName(const IData* v);

// ---- key bindings --------------------------------------------------------------

constexpr int kKeySlots = 256;

// The call expression bound to a virtual-key code (null for none).
const DataPtr& keyBinding(int code);
// Binds `call` to a code (null removes the binding); codes outside 0..255
// are ignored.
void bindKey(int code, DataPtr call);
// Releases every binding (scene reset, shut-down).
void clearKeyBindings();
// For every code, in ascending order, whose byte in `keys` is set and that
// has a binding: evaluates the bound call with a fresh, empty local scope.
void dispatchKeyBindings(const unsigned char keys[256]);

// The key code "setKeyFunc" derives from its first argument expression: a
// String literal names a key ("UP", "DOWN", "LEFT", "RIGHT", else its first
// character, lower-case letters as capitals); anything else converts to Int.
// -1 when there is no code.
int keyCodeOf(const DataPtr& keyExpression);

}  // namespace qor::script
