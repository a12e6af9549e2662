#pragma once
// The syntax-tree nodes the parser builds. Each node's eval() is the
// interpreter for that construct: the tree is walked directly, and values
// move between the nodes as Values (numbers and bools without an object).
// evaluate() is the same with the result as an object, for callers outside
// the evaluator.

#include "base/Inline.h"
#include "script/Interpreter.h"
#include "script/Operators.h"
#include "script/Symbol.h"
#include "script/datatypes/DataVector.h"
#include "script/datatypes/IData.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qor {

using StatementList = std::vector<DataPtr>;

// What evaluating a node costs when its shape settles it: the steps it
// counts and how many nesting levels below the current one it reaches. A
// node of known cost runs no script code (no calls, methods, indexing or
// List comparisons) and never returns early, so a caller that finds both
// budgets large enough counts the whole cost at once and runs the node
// without counting (DataOperation::run); with less left it evaluates node by
// node, which stops at the very step a limit is reached.
struct FixedCost {
  uint32_t steps = 0;
  uint32_t height = 0;
  bool known = false;
};
// The cost of a name or literal (nothing), of an operation of known cost,
// and of a missing node (nothing); unknown for anything else.
FixedCost fixedCost(const IData* n);
// The cost of a statement list run in order: the sum of the steps, the
// greatest height. Unknown when one statement's is.
FixedCost fixedCost(const std::vector<DataPtr>& statements);

// What an empty value means where a name or a call stands, for its
// warning: an argument of "Group" empties the Group, one of "print" is
// reported by the print.
enum class Role : uint8_t { Plain, GroupMember, Printed };

// A name used as a variable.
class DataID final : public IData {
public:
  explicit DataID(std::string_view name_, script::UnitPlace place_ = {})
      : IData(kTagID), name(intern(name_)), place(place_) {}
  std::size_t size() const override { return sizeof(*this); }
  // Prints the name (used when a call expression is printed).
  void print() override;
  // The variable's value: locals first, then every record's variables, first
  // record first; null when no table has the name.
  DataPtr evaluate(Scope& locals) override;
  std::string_view text() const { return symbolName(name); }

  // The variable's slot: the local table's, else the first file table's
  // that has the name; null when none has it. The file tables' answer is
  // remembered until one of them changes (Scope::globalGeneration).
  Value* find(Scope& locals) const {
    if (Value* slot = locals.find(name)) return slot;
    if (globalGeneration_ != Scope::globalGeneration) findGlobal();
    return globalRecord_ == kNowhere ? nullptr : &script::record(globalRecord_).variables.at(globalIndex_).value;
  }

  const Symbol name;
  // Where the name stands in its script, for its warning.
  const script::UnitPlace place;
  Role role = Role::Plain;

private:
  static constexpr uint32_t kNowhere = UINT32_MAX;
  void findGlobal() const;
  mutable uint64_t globalGeneration_ = UINT64_MAX;
  mutable uint32_t globalRecord_ = kNowhere;
  mutable uint32_t globalIndex_ = 0;
};

// Every operator: a left operand and, for binary forms, a right one.
class DataOperation final : public IData {
public:
  DataOperation(Op op_, DataPtr left_, DataPtr right_)
      : IData(kTagOperation), op(op_), left(std::move(left_)), right(std::move(right_)),
        form_(formOf(op, left.get(), right.get())), cost_(costOf()), run_(runnerOf()),
        runStatement_(statementRunnerOf()), runCondition_(conditionRunnerOf()),
        leafMethodCall_(isLeafMethodCall()), listMethod_(listMethodOf()), eval_(evaluatorOf()) {}
  std::size_t size() const override { return sizeof(*this); }
  void print() override;
  DataPtr evaluate(Scope& locals) override;
  // Evaluates the node, counting its steps and levels.
  Value eval(Scope& locals) { return eval_(*this, locals); }
  // Evaluates a node of known cost whose cost the caller has counted.
  Value run(Scope& locals) { return run_(*this, locals); }
  // The same for a statement, whose value nothing takes.
  void runStatement(Scope& locals) { runStatement_(*this, locals); }
  using StatementRunner = void (*)(DataOperation&, Scope&);
  StatementRunner statementRunner() const { return runStatement_; }
  // The same for a loop's condition: 1 or 0 for a value that converts to
  // true or false, -1 for one that does not.
  int runCondition(Scope& locals) { return runCondition_(*this, locals); }
  const FixedCost& cost() const { return cost_; }

  const Op op;
  const DataPtr left;
  const DataPtr right;

  // A name or a literal: evaluating it runs no code and changes nothing.
  static bool isLeaf(const IData* n) {
    return n && (n->tag() == kTagID || n->tag() == kTagInt || n->tag() == kTagFloat || n->tag() == kTagString);
  }

private:
  // What evaluating the node does, settled when it is built: the statement
  // forms, or an operator on two leaves (read in place, without copies), on
  // other operands, or on none.
  // AssignConcat is `name = name + leaf`, which may append in place;
  // NameAndInt an operator on a name and an int literal.
  enum class Form : uint8_t { Assign, AssignConcat, CompoundAssign, Step, Member, Index, NameAndInt, Leaves, Operands, NoOperand };
  static Form formOf(Op op, const IData* left, const IData* right);
  FixedCost costOf() const;
  const Form form_;
  const FixedCost cost_;
  // How run(), runStatement() and runCondition() evaluate the node:
  // functions chosen for its form and operator when it is built
  // (OperationRunners in SyntaxTree.cpp).
  friend struct OperationRunners;
  friend struct OperationEvaluators;
  using Runner = Value (*)(DataOperation&, Scope&);
  using ConditionRunner = int (*)(DataOperation&, Scope&);
  Runner runnerOf() const;
  StatementRunner statementRunnerOf() const;
  ConditionRunner conditionRunnerOf() const;
  const Runner run_;
  const StatementRunner runStatement_;
  const ConditionRunner runCondition_;
  // `name.method(leaves)`: when the name holds a List, the member access and
  // the method call count their step and level together.
  bool isLeafMethodCall() const;
  const bool leafMethodCall_;
  // The List method such a call names, settled once.
  DataVector::Method listMethodOf() const;
  const DataVector::Method listMethod_;
  // How eval() counts and evaluates the node, chosen when it is built: at
  // once for a known cost, the List call's way, or level by level.
  using Evaluator = Value (*)(DataOperation&, Scope&);
  Evaluator evaluatorOf() const;
  const Evaluator eval_;

  // The forms' evaluation; kCount: nested operations count their own steps
  // and levels (false under a cost counted at once).
  template <bool kCount>
  Value evalForm(Scope& locals);
  template <bool kCount>
  Value assign(Scope& locals);
  template <bool kCount>
  Value assignConcat(Scope& locals);
  template <bool kCount>
  Value compoundAssign(Scope& locals);
  Value member(Scope& locals);
  Value indexed(Scope& locals);
};

// A call `name(args)`: a user function, else a built-in.
class DataCallFunction final : public IData {
public:
  DataCallFunction(std::string_view name_, std::vector<DataPtr> args_, script::UnitPlace place_ = {})
      : IData(kTagCallFunction), name(intern(name_)), args(std::move(args_)), place(place_),
        argForm_(argFormOf(name)), argsCost_(fixedCost(args)) {
    giveArgumentsRoles();
  }
  std::size_t size() const override { return sizeof(*this); }
  // Prints name(arguments).
  void print() override;
  DataPtr evaluate(Scope& locals) override;
  Value eval(Scope& locals);
  // Evaluates every argument expression, left to right, into `out`, which
  // it sizes; expanded where the evaluator calls it.
  void fillArgs(Scope& locals, script::ValueArgs& out) const;
  // Every argument is a name or a literal: evaluating them only reads.
  bool argsAreLeaves() const { return argsAreLeaves_; }
  std::string_view text() const { return symbolName(name); }

  const Symbol name;
  const std::vector<DataPtr> args;
  // Where the call stands in its script, for the built-ins' notes.
  const script::UnitPlace place;
  Role role = Role::Plain;

private:
  // How the arguments are passed, settled once from the name: most calls
  // evaluate them all; "Timer" keeps its two callbacks as expressions and the
  // key and button binders keep every argument unevaluated. "print" and
  // "Group" take values out of the evaluator's way, so that their warnings
  // know whether the arguments reported their own mistakes.
  enum class ArgForm : uint8_t { Values, Timer, Expressions, Checked };
  static ArgForm argFormOf(Symbol name);
  // Marks the names and calls among the arguments of "Group" and "print".
  void giveArgumentsRoles();

  // The calls that take their arguments as objects, out of the evaluator's
  // way: "Timer" and the binders, and the built-ins.
  KELVO_COLD Value callWithExpressions(Scope& locals);
  [[gnu::noinline]] Value callBuiltin(script::ValueArgs& values, Scope& locals, bool argumentsReported);
  // Calls what the name resolves to with the arguments as objects.
  Value callWithObjects(std::vector<DataPtr>& argv);
  // Brings the cached resolution up to date.
  void resolve() {
    if (cacheGeneration_ == script::resolutionGeneration()) return;
    cachedFunction_ = script::findFunction(name, args.size());
    cachedBuiltin_ = cachedFunction_ ? nullptr : script::findBuiltin(name);
    cacheGeneration_ = script::resolutionGeneration();
  }

  const ArgForm argForm_;
  const uint32_t argCount_ = static_cast<uint32_t>(args.size());
  const bool argsAreLeaves_ = std::all_of(args.begin(), args.end(), [](const DataPtr& a) { return DataOperation::isLeaf(a.get()); });
  // The arguments' cost when every one's is known.
  const FixedCost argsCost_;
  // Resolution cached per call site; valid while the generation matches.
  uint32_t cacheGeneration_ = 0xFFFFFFFFu;
  Function* cachedFunction_ = nullptr;
  Builtin* cachedBuiltin_ = nullptr;
};

class DataIf final : public IData {
public:
  DataIf(DataPtr cond, StatementList thenPart, StatementList elsePart, bool hasElse_)
      : IData(kTagIf), condition(std::move(cond)), thenStatements(std::move(thenPart)),
        elseStatements(std::move(elsePart)), hasElse(hasElse_), conditionCost_(fixedCost(condition.get())),
        conditionIsComparison_(isComparison(condition.get())) {}
  std::size_t size() const override { return sizeof(*this); }
  DataPtr evaluate(Scope& locals) override;
  Value eval(Scope& locals);

  const DataPtr condition;
  const StatementList thenStatements;
  const StatementList elseStatements;
  const bool hasElse;

private:
  // A comparison: it gives a bool or null.
  static bool isComparison(const IData* condition);
  const FixedCost conditionCost_;
  const bool conditionIsComparison_;
};

// The cost of a loop's pass in parts: its head (the pass's own step and the
// condition), its body (with a for loop's step), a for loop's step alone,
// and the whole pass.
struct PassCost {
  FixedCost head;
  FixedCost body;
  FixedCost step;
  FixedCost whole;
};
PassCost passCost(const IData* condition, const StatementList& body, const IData* step);

// Statements of known cost (a loop's pass: its body, then a for loop's
// step; a function's body) as the runners of their operations, in order:
// their cost counted, they run without looking at the nodes again. Names and
// literals standing as statements do nothing and are left out. Empty unless
// `cost` is known.
struct CountedStatement {
  DataOperation::StatementRunner run;
  DataOperation* node;
};
std::vector<CountedStatement> countedStatements(const FixedCost& cost, const StatementList& body,
                                                const IData* step = nullptr);

class DataWhile final : public IData {
public:
  DataWhile(DataPtr cond, StatementList body_)
      : IData(kTagWhile), condition(std::move(cond)), body(std::move(body_)),
        pass_(passCost(condition.get(), body, nullptr)), counted_(countedStatements(pass_.whole, body)) {}
  std::size_t size() const override { return sizeof(*this); }
  DataPtr evaluate(Scope& locals) override;
  Value eval(Scope& locals);

  const DataPtr condition;
  const StatementList body;

private:
  const PassCost pass_;
  const std::vector<CountedStatement> counted_;
};

class DataFor final : public IData {
public:
  DataFor(DataPtr init_, DataPtr cond, DataPtr step_, StatementList body_)
      : IData(kTagFor), init(std::move(init_)), condition(std::move(cond)), step(std::move(step_)),
        body(std::move(body_)), pass_(passCost(condition.get(), body, step.get())),
        counted_(countedStatements(pass_.whole, body, step.get())) {}
  std::size_t size() const override { return sizeof(*this); }
  DataPtr evaluate(Scope& locals) override;
  Value eval(Scope& locals);

  const DataPtr init;
  const DataPtr condition;
  const DataPtr step;
  const StatementList body;

private:
  const PassCost pass_;
  const std::vector<CountedStatement> counted_;
};

// `return exp;`: gives the value and sets the return flag. It carries the
// bool tag, as the type table has it; it only ever stands in statement lists,
// never as a value.
class DataReturn final : public IData {
public:
  explicit DataReturn(DataPtr e) : IData(kTagBool, true), expression(std::move(e)) {}
  std::size_t size() const override { return sizeof(*this); }
  DataPtr evaluate(Scope& locals) override;
  Value eval(Scope& locals);

  const DataPtr expression;
};

// A user function made by `def`.
class Function final : public IData {
public:
  Function(std::string_view name_, std::vector<Symbol> params_, StatementList body_)
      : IData(kTagFunction), name(intern(name_)), params(std::move(params_)), body(std::move(body_)),
        bodyCost(fixedCost(body)), countedBody(countedStatements(bodyCost, body)) {}
  std::size_t size() const override { return sizeof(*this); }
  // A definition is not a value.
  DataPtr evaluate(Scope&) override { return nullptr; }

  const Symbol name;
  const std::vector<Symbol> params;
  const StatementList body;
  const std::size_t paramCount = params.size();
  // Known when every statement's cost is: the body then never returns early.
  const FixedCost bodyCost;
  // Such a body's statements as their runners.
  const std::vector<CountedStatement> countedBody;
};

// Runs statements in order; after one that sets the return flag the rest is
// skipped and `result` holds its value. True when that happened.
bool runStatements(const StatementList& statements, Scope& locals, Value& result);

// An expression's value: the evaluator's dispatch over the node types.
Value eval(const IData* node, Scope& locals);

}  // namespace qor
