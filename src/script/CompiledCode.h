#pragma once
// The compiled interpreter's code and the state it runs against.
//
// A compiled construct is a Code node: a run function chosen for the
// construct and the kinds of its operands when the node is built, and the
// operands themselves. Names are bound before anything runs:
//  - at a file's top level every name is a file variable (its Global);
//  - in a function body a name the body assigns gets a frame slot as well,
//    with a bound bit: a parameter is bound from the start, another local
//    when an assignment finds no file variable of that name and makes it.
//    Reading such a name takes the slot when it is bound, else the file
//    variable, else null; a name the body only reads is its file variable.
// A name lives in at most one file's table (an assignment that finds it in
// any file changes it there), so one Global per name stands for "the first
// file that has it".
//
// Invariants:
//  - a Global's `file` is -1 until an assignment makes the variable, then the
//    file whose table has it, until the reset; its value may be null;
//  - a Frame's slots exist for the length of one call (or one stored call's
//    run); unbound slots hold null;
//  - Code nodes, function bodies and Globals live as long as their Program:
//    a body replaced by a later `def` stays until the reset, since it may
//    still be running.

#include "script/Interpreter.h"
#include "script/Operators.h"
#include "script/Symbol.h"
#include "script/Value.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qor {
class DataID;
class DataCallFunction;
class Function;
}  // namespace qor

namespace qor::script::compiled {

struct Global {
  Symbol name = kNoSymbol;
  int32_t file = -1;
  Value value;
};

struct Frame {
  Value* slots = nullptr;
  uint8_t* bound = nullptr;
  // The file whose top-level statement runs: a top-level assignment that
  // finds no variable makes it in this file's table.
  uint32_t file = 0;
  // The name of each slot, for the warnings that list the names set so far.
  const std::vector<Symbol>* slotNames = nullptr;
  // Where a statement run for its effect puts the value of a `return` it
  // runs (see Code::exec): the call's result, or the local of a construct
  // that gives that value as its own.
  Value* result = nullptr;
};

// A name as compiled code reads and writes it.
struct Var {
  int32_t slot = -1;  // -1: no frame slot (top level, or a name the body only reads)
  Global* global = nullptr;
  const DataID* source = nullptr;  // the parser's node: its place and role, for warnings
};

struct Code;

// A number or bool as the pure forms of operators work it out (see
// Code::pure): no object, nothing to release.
struct Number {
  Value::Kind kind = Value::kNull;
  union {
    int32_t i = 0;
    float f;
  };
  Value value() const {
    switch (kind) {
      case Value::kInt: return Value::integer(i);
      case Value::kFloat: return Value::real(f);
      case Value::kBool: return Value::boolean(i != 0);
      default: return Value();
    }
  }
};

// An operand: a name read in place, a literal, or code to run.
struct Operand {
  enum Kind : uint8_t { kNone, kVar, kConst, kCode };
  Kind kind = kNone;
  Var var;
  Value constant;
  const Code* code = nullptr;
};

struct Code {
  using Run = Value (*)(const Code&, Frame&);
  // The construct run as a statement, for its effect: its value is not
  // wanted, except when it sets the return flag (then it goes to
  // *frame.result).
  using Exec = void (*)(const Code&, Frame&);
  // The construct worked out on plain numbers alone, in line, with no
  // nesting level counted: false (having changed nothing) when an operand
  // is not an int or a float or the operator needs its table. Only for
  // trees of operators over names and number literals, whose reads have no
  // effect, so that the full run can then start over.
  using Pure = bool (*)(const Code&, Frame&, struct Number& out);
  explicit Code(Run r, Exec e = nullptr) : run(r), exec(e ? e : &execByRun) {}
  virtual ~Code() = default;
  Code(const Code&) = delete;
  Code& operator=(const Code&) = delete;
  const Run run;
  const Exec exec;
  Pure pure = nullptr;
  // The nesting levels the pure form stands for (its deepest operator's,
  // counted from this node's own).
  uint32_t pureHeight = 0;

  static void execByRun(const Code& c, Frame& f);
};

using Block = std::vector<const Code*>;

struct CompiledFunction {
  // Holds the parser's definition, whose nodes the code points into.
  SmartPointer<Function> source;
  uint32_t paramCount = 0;
  uint32_t slotCount = 0;
  // Where each argument goes; -1 for a repeated parameter name (the first
  // one of that name is the one the body sees).
  std::vector<int32_t> paramSlots;
  std::vector<Symbol> slotNames;
  Block body;
};

// The function a (name, parameter count) calls, once one is defined.
struct FunctionSlot {
  const Function* source = nullptr;
  const CompiledFunction* fn = nullptr;
};

struct Program {
  std::deque<Global> globals;
  std::vector<Global*> globalBySymbol;
  // Globals in the order they were made, for the tools that list them.
  std::vector<Global*> madeInOrder;
  std::deque<FunctionSlot> functions;
  std::unordered_map<uint64_t, FunctionSlot*> functionByKey;
  std::vector<std::unique_ptr<Code>> code;
  std::vector<std::unique_ptr<CompiledFunction>> bodies;
  // Per file, per top-level statement; null until first run.
  std::vector<std::vector<const Code*>> statements;
  // The function tables as last copied into the slots.
  uint32_t syncedGeneration = UINT32_MAX;

  Global& global(Symbol name);
  FunctionSlot& functionSlot(Symbol name, std::size_t paramCount);
  template <class T>
  const T* keep(std::unique_ptr<T> node) {
    const T* n = node.get();
    code.push_back(std::move(node));
    return n;
  }
};

// The program of the current run (made on first use, replaced by the reset).
std::shared_ptr<Program> sharedProgram();
namespace detail {
extern Program* currentProgram;
}
inline Program& program() { return detail::currentProgram ? *detail::currentProgram : *sharedProgram(); }
// Copies the function tables into the function slots when a definition or
// the built-in registry changed since the last copy.
void syncFunctions();
inline void syncFunctionsIfChanged() {
  if (program().syncedGeneration != resolutionGeneration()) syncFunctions();
}

// Makes `g` a variable of `file`'s table.
void define(Global& g, uint32_t file, Value value);

// ---- code nodes (CompiledRun.cpp) ----------------------------------------------

// An operand run where a value is wanted: a name read (null, with its
// warning, when no table has it), a literal, or code.
Value evalOperand(const Operand& o, Frame& f);

const Code* makeOperandCode(Program& p, Operand o);
// A construct that counts its nesting level and gives null, doing nothing
// else (an assignment to something other than a name, say).
const Code* makeNothing(Program& p);
struct ListItem {
  bool plain = false;  // a number or bool literal, stored as it is
  Value value;
  Operand operand;
};
const Code* makeList(Program& p, std::vector<ListItem> items);
// A one-element List literal standing as an operand of a binary operator:
// the operator unwraps it, so the List itself is never made.
const Code* makeParenthesised(Program& p, Operand element);
const Code* makeBinary(Program& p, Op op, Operand left, Operand right);
const Code* makeUnary(Program& p, Op op, Operand operand);
const Code* makeAssign(Program& p, Var target, Operand value);
const Code* makeCompoundAssign(Program& p, Op base, Var target, Operand value);
const Code* makeStep(Program& p, Op op, Var target);
const Code* makeField(Program& p, Operand object, const DataID* field);
const Code* makeMethodCall(Program& p, Operand object, const DataCallFunction* call, std::vector<Operand> args);
const Code* makeIndex(Program& p, Var target, Operand key);

enum class CallForm : uint8_t { Values, Checked, Timer, Expressions };
// An argument passed as an expression: the parser's node, or for a call the
// call compiled to run later on its own (`stored`).
struct ExpressionArg {
  const IData* node = nullptr;
  std::shared_ptr<const CompiledFunction> stored;
};
const Code* makeCall(Program& p, const DataCallFunction* call, CallForm form, FunctionSlot* slot,
                     std::vector<Operand> args, std::vector<ExpressionArg> expressions);
const Code* makeIf(Program& p, Operand condition, Block thenPart, Block elsePart);
const Code* makeWhile(Program& p, Operand condition, Block body);
const Code* makeFor(Program& p, Operand init, Operand condition, Operand step, Block body);
const Code* makeReturn(Program& p, Operand value);

// Calls a compiled user function with `count` arguments (moved into its
// frame). Null when the count does not match or a limit stops it.
Value callCompiled(const CompiledFunction& fn, Value* args, std::size_t count);
// The same, with the running file known (the caller's frame's).
Value callCompiled(const CompiledFunction& fn, Value* args, std::size_t count, uint32_t file);

// A call kept to run later (a key binding, a timer's callbacks): a value
// with the call's tag that prints as the call and, evaluated, runs it with
// a fresh, empty local scope.
DataPtr makeStoredCall(const ExpressionArg& arg);

}  // namespace qor::script::compiled
