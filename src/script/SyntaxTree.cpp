// Evaluation of the syntax-tree nodes: variables, operators, calls and
// control flow.

#include "script/SyntaxTree.h"

#include "base/Inline.h"
#include "script/Diagnostics.h"
#include "script/Output.h"
#include "script/RunChecks.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace qor {

namespace {

// The slot of a variable: locals first, then each record, first record first.
inline Value* findVariable(const IData* id, Scope& locals) { return static_cast<const DataID*>(id)->find(locals); }

// Stores a value the way "=" does: into the table that already has the name,
// else as a new local.
void storeVariable(const IData* id, Scope& locals, const Value& value) {
  if (Value* slot = findVariable(id, locals))
    *slot = value;
  else
    locals.add(static_cast<const DataID*>(id)->name, value);
}

// A read of a name no table has: null, and a warning when one is wanted.
KELVO_COLD Value unsetRead(const IData* id, Scope& locals) {
  if (script::warningsOn()) script::warnUnsetName(*static_cast<const DataID*>(id), locals);
  return Value();
}

// A variable's value; null when no table has the name.
inline Value variableValue(const IData* id, Scope& locals) {
  const Value* slot = findVariable(id, locals);
  return slot ? *slot : unsetRead(id, locals);
}

// An operand's value: variables and int literals, the most common operands,
// are read in place, operations and calls evaluated directly; everything
// else goes through eval().
KELVO_ALWAYS_INLINE Value operand(const IData* n, Scope& locals) {
  switch (n->tag()) {
    case kTagID: return variableValue(n, locals);
    case kTagInt: return Value::integer(static_cast<const DataInt*>(n)->value);
    case kTagOperation: return static_cast<DataOperation*>(const_cast<IData*>(n))->eval(locals);
    case kTagCallFunction: return static_cast<DataCallFunction*>(const_cast<IData*>(n))->eval(locals);
    default: return eval(n, locals);
  }
}

// A leaf operand read in place: the variable's slot, or `literal` holding
// the literal's value; null for a missing variable.
inline const Value* leaf(const IData* n, Scope& locals, Value& literal) {
  switch (n->tag()) {
    case kTagID: return findVariable(n, locals);
    case kTagInt: literal = Value::integer(static_cast<const DataInt*>(n)->value); return &literal;
    case kTagFloat: literal = Value::real(static_cast<const DataFloat*>(n)->value); return &literal;
    default: literal = Value(const_cast<IData*>(n)); return &literal;
  }
}

// A leaf's int, read in place: true for an int literal or a variable that
// holds an int.
KELVO_ALWAYS_INLINE bool leafInt(const IData* n, Scope& locals, int32_t& out) {
  if (n->tag() == kTagInt) {
    out = static_cast<const DataInt*>(n)->value;
    return true;
  }
  if (n->tag() != kTagID) return false;
  const Value* v = findVariable(n, locals);
  if (!v || v->kind() != Value::kInt) return false;
  out = v->intValue();
  return true;
}

// The same for an expression that may be missing: null gives null.
KELVO_ALWAYS_INLINE Value evalOrNull(const DataPtr& e, Scope& locals) { return e ? operand(e.get(), locals) : Value(); }

// An operand of a node of known cost: with kCount false the cost has been
// counted, and a nested operation runs without counting.
template <bool kCount>
KELVO_ALWAYS_INLINE Value operandOf(const IData* n, Scope& locals) {
  if constexpr (!kCount)
    if (n->tag() == kTagOperation) return static_cast<DataOperation*>(const_cast<IData*>(n))->run(locals);
  return operand(n, locals);
}
template <bool kCount>
KELVO_ALWAYS_INLINE Value operandOrNull(const DataPtr& e, Scope& locals) {
  return e ? operandOf<kCount>(e.get(), locals) : Value();
}

// A loop's condition of known cost, its cost counted: 1 or 0 for a value
// that converts to true or false, -1 for one that does not.
inline int runCondition(const IData* n, Scope& locals) {
  if (n->tag() == kTagOperation) return static_cast<DataOperation*>(const_cast<IData*>(n))->runCondition(locals);
  bool go;
  return asBool(operand(n, locals), go) ? go : -1;
}

// Runs a statement of known cost whose cost the caller has counted. A name
// or a literal standing as a statement does nothing.
inline void runCounted(const IData* n, Scope& locals) {
  if (n && n->tag() == kTagOperation) static_cast<DataOperation*>(const_cast<IData*>(n))->runStatement(locals);
}

// The string a value holds when nothing but that value holds it: appending
// to it in place cannot be seen by anything else.
inline DataString* soleString(const Value& v) {
  IData* o = v.object();
  return o && o->tag() == kTagString && o->refCount() == 1 ? static_cast<DataString*>(o) : nullptr;
}

// The string of a value, or null.
inline const DataString* stringOf(const Value* v) {
  IData* o = v ? v->object() : nullptr;
  return o && o->tag() == kTagString ? static_cast<const DataString*>(o) : nullptr;
}

// For "+" of a variable's string and a leaf string done in place: the
// leaf's string when the variable's slot alone holds its string and the leaf
// is another string (held by the tree or by its own variable, or by
// `literal`); null when that is not the case.
inline const DataString* appendableTail(const Value* slot, const IData* tailLeaf, Scope& locals, Value& literal) {
  if (!slot || !soleString(*slot)) return nullptr;
  const DataString* tail = stringOf(leaf(tailLeaf, locals, literal));
  return tail != slot->object() ? tail : nullptr;
}

inline void appendTo(Value* slot, const DataString* tail) { static_cast<DataString*>(slot->object())->append(tail->value); }

bool isObjectTag(int32_t tag) {
  return tag == kTagSceneNode || tag == kTagTime || tag == kTagMaterial || tag == kTagCamera || tag == kTagVector;
}

void printOrNothing(const DataPtr& d) {
  if (d) d->print();
}

}  // namespace

// Expanded in the dispatch below.
KELVO_ALWAYS_INLINE Value DataReturn::eval(Scope& locals) {
  Value v = evalOrNull(expression, locals);
  script::returnFlag = true;
  return v;
}

// Expanded in the dispatch below: an `if` is a statement of nearly every
// function body.
KELVO_ALWAYS_INLINE Value DataIf::eval(Scope& locals) {
  script::DepthGuard guard;
  if (!guard || !condition) return Value();
  bool go;
  if (conditionCost_.steps > 0 && script::hasBudget(conditionCost_.steps, conditionCost_.height)) {
    // A condition of known cost counts it at once. A comparison gives a bool
    // or null, so its test as a loop's condition is the branch's.
    script::countSteps(conditionCost_.steps);
    auto* test = static_cast<DataOperation*>(condition.get());
    if (conditionIsComparison_) {
      const int t = test->runCondition(locals);
      if (t < 0) return Value();
      go = t != 0;
    } else {
      const Value c = test->run(locals);
      // Only a real bool chooses a branch: `if (1)` does nothing.
      if (c.kind() != Value::kBool) return Value();
      go = c.boolValue();
    }
  } else {
    const Value c = operand(condition.get(), locals);
    if (c.kind() != Value::kBool) return Value();
    go = c.boolValue();
  }
  Value result;
  if (go) {
    if (runStatements(thenStatements, locals, result)) return result;
  } else if (hasElse) {
    if (runStatements(elseStatements, locals, result)) return result;
  }
  return Value();
}

// Variables and literals, the most common operands, are read here; the
// constructs have their own eval; anything else (a List literal, a value
// standing in the tree) goes through evaluate().
namespace {
// The dispatch, in line in the statement loop below.
KELVO_ALWAYS_INLINE Value dispatch(const IData* node, Scope& locals) {
  IData* n = const_cast<IData*>(node);
  switch (n->tag()) {
    case kTagID: return variableValue(n, locals);
    case kTagInt: return Value::integer(static_cast<const DataInt*>(n)->value);
    case kTagFloat: return Value::real(static_cast<const DataFloat*>(n)->value);
    case kTagString: return Value(n);
    case kTagOperation: return static_cast<DataOperation*>(n)->eval(locals);
    case kTagCallFunction: return static_cast<DataCallFunction*>(n)->eval(locals);
    case kTagIf: return static_cast<DataIf*>(n)->eval(locals);
    case kTagWhile: return static_cast<DataWhile*>(n)->eval(locals);
    case kTagFor: return static_cast<DataFor*>(n)->eval(locals);
    case kTagBool:
      if (n->isReturnNode()) return static_cast<DataReturn*>(n)->eval(locals);
      return Value(n);
    default: return Value(n->evaluate(locals));
  }
}
}  // namespace

Value eval(const IData* node, Scope& locals) { return dispatch(node, locals); }

namespace {
// The statement loop, expanded in the loops' passes as well.
KELVO_ALWAYS_INLINE bool statementLoop(const StatementList& statements, Scope& locals, Value& result) {
  for (const DataPtr& s : statements) {
    if (script::aborting) return false;
    if (!s) continue;
    // An operation of known cost counts it at once and gives no value; it
    // never returns.
    if (s->tag() == kTagOperation) {
      auto* o = static_cast<DataOperation*>(s.get());
      if (o->cost().steps > 0 && script::hasBudget(o->cost().steps, o->cost().height)) {
        script::countSteps(o->cost().steps);
        o->runStatement(locals);
        continue;
      }
      // Any other operation: its own evaluation, without the dispatch.
      Value v = o->eval(locals);
      if (!script::returnFlag) continue;
      result = std::move(v);
      return true;
    }
    Value v = dispatch(s.get(), locals);
    if (script::returnFlag) {
      result = std::move(v);
      return true;
    }
  }
  return false;
}
}  // namespace

bool runStatements(const StatementList& statements, Scope& locals, Value& result) {
  return statementLoop(statements, locals, result);
}

// ---- names -------------------------------------------------------------------

void DataID::print() { script::writeOutput(text()); }

DataPtr DataID::evaluate(Scope& locals) {
  if (const Value* slot = find(locals)) return slot->box();
  unsetRead(this, locals);
  return nullptr;
}

void DataID::findGlobal() const {
  globalRecord_ = kNowhere;
  const std::size_t n = script::fileCount();
  for (std::size_t i = 0; i < n; ++i) {
    const std::ptrdiff_t at = script::record(i).variables.indexOf(name);
    if (at >= 0) {
      globalRecord_ = static_cast<uint32_t>(i);
      globalIndex_ = static_cast<uint32_t>(at);
      break;
    }
  }
  globalGeneration_ = Scope::globalGeneration;
}

// ---- costs -------------------------------------------------------------------

FixedCost fixedCost(const IData* n) {
  if (!n || DataOperation::isLeaf(n)) return {0, 0, true};
  if (n->tag() == kTagOperation) return static_cast<const DataOperation*>(n)->cost();
  return {};
}

FixedCost fixedCost(const std::vector<DataPtr>& statements) {
  FixedCost total{0, 0, true};
  for (const DataPtr& s : statements) {
    const FixedCost c = fixedCost(s.get());
    if (!c.known) return {};
    total.steps += c.steps;
    total.height = std::max(total.height, c.height);
  }
  return total;
}

PassCost passCost(const IData* condition, const StatementList& body, const IData* step) {
  PassCost pass;
  const FixedCost c = fixedCost(condition);
  if (condition && c.known) pass.head = {1 + c.steps, c.height, true};
  pass.step = fixedCost(step);
  const FixedCost b = fixedCost(body);
  if (b.known && pass.step.known) pass.body = {b.steps + pass.step.steps, std::max(b.height, pass.step.height), true};
  if (pass.head.known && pass.body.known)
    pass.whole = {pass.head.steps + pass.body.steps, std::max(pass.head.height, pass.body.height), true};
  return pass;
}

std::vector<CountedStatement> countedStatements(const FixedCost& cost, const StatementList& body, const IData* step) {
  std::vector<CountedStatement> run;
  if (!cost.known) return run;
  const auto add = [&run](const IData* n) {
    if (n && n->tag() == kTagOperation) {
      auto* o = static_cast<DataOperation*>(const_cast<IData*>(n));
      run.push_back({o->statementRunner(), o});
    }
  };
  for (const DataPtr& s : body) add(s.get());
  add(step);
  return run;
}

namespace {
// A pass whose head and body costs are both known counts them at once: true
// when the budgets hold the whole pass.
inline bool wholePassFits(const PassCost& p) { return p.whole.known && script::hasBudget(p.whole.steps, p.whole.height); }
// A loop's head: its step and the condition, counted at once when its cost
// is known and fits, else node by node. 1 or 0 for a condition that
// converts to true or false, -1 for one that does not.
inline int loopHead(const PassCost& p, const IData* condition, Scope& locals) {
  if (p.head.known && script::hasBudget(p.head.steps, p.head.height)) {
    script::countSteps(p.head.steps);
    return runCondition(condition, locals);
  }
  script::countStep();
  bool go;
  return asBool(operand(condition, locals), go) ? go : -1;
}
}  // namespace

namespace {
bool isLiteral(const IData* n) {
  return n && (n->tag() == kTagInt || n->tag() == kTagFloat || n->tag() == kTagString);
}
}  // namespace

FixedCost DataOperation::costOf() const {
  // An unknown cost has no steps: callers test `steps` alone.
  const auto nested = [](const FixedCost& c) { return c.known ? FixedCost{1 + c.steps, 1 + c.height, true} : FixedCost{}; };
  switch (form_) {
    case Form::NameAndInt:
    case Form::Leaves:
    case Form::Operands: {
      // "==" on two Lists compares them element by element, counting levels
      // as it goes; with a literal on either side it never does.
      if (op == Op::Eq && !isLiteral(left.get()) && !isLiteral(right.get())) return {};
      const FixedCost l = fixedCost(left.get()), r = fixedCost(right.get());
      if (!l.known || !r.known) return {};
      return {1 + l.steps + r.steps, 1 + std::max(l.height, r.height), true};
    }
    case Form::Assign:
    case Form::CompoundAssign:
      if (left->tag() != kTagID) return {};
      return nested(fixedCost(right.get()));
    // The sum of two leaves is evaluated as a nested operation, or counted
    // the same way when the string is appended in place.
    case Form::AssignConcat: return {2, 2, true};
    case Form::Step:
      if (left->tag() != kTagID) return {};
      return {1, 1, true};
    default: return {};
  }
}

// ---- call arguments ------------------------------------------------------------

KELVO_ALWAYS_INLINE void DataCallFunction::fillArgs(Scope& locals, script::ValueArgs& out) const {
  const std::size_t count = argCount_;
  out.allocate(count);
  const DataPtr* arg = args.data();
  if (argsCost_.steps > 0 && script::hasBudget(argsCost_.steps, argsCost_.height)) {
    // Arguments of known cost count it at once.
    script::countSteps(argsCost_.steps);
    for (std::size_t i = 0; i < count; ++i) out[i] = operandOrNull<false>(arg[i], locals);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) out[i] = evalOrNull(arg[i], locals);
}

// ---- operators -----------------------------------------------------------------

void DataOperation::print() {
  switch (op) {
    case Op::Inc:
    case Op::Dec:
      printOrNothing(left);
      script::writeOutput(opText(op));
      return;
    case Op::Member:
      printOrNothing(left);
      script::writeOutput(".");
      printOrNothing(right);
      return;
    case Op::Index:
      printOrNothing(left);
      script::writeOutput("[");
      printOrNothing(right);
      script::writeOutput("]");
      return;
    default:
      if (!right) {
        script::writeOutput(opText(op));
        printOrNothing(left);
        return;
      }
      printOrNothing(left);
      script::writeOutput(" ");
      script::writeOutput(opText(op));
      script::writeOutput(" ");
      printOrNothing(right);
  }
}

DataPtr DataOperation::evaluate(Scope& locals) { return eval(locals).box(); }

DataOperation::Form DataOperation::formOf(Op op, const IData* left, const IData* right) {
  switch (op) {
    case Op::Assign:
      if (left && left->tag() == kTagID && right && right->tag() == kTagOperation) {
        const auto* sum = static_cast<const DataOperation*>(right);
        if (sum->op == Op::Add && sum->form_ == Form::Leaves && sum->left->tag() == kTagID &&
            static_cast<const DataID*>(sum->left.get())->name == static_cast<const DataID*>(left)->name)
          return Form::AssignConcat;
      }
      return Form::Assign;
    case Op::AddAssign:
    case Op::SubAssign:
    case Op::MulAssign:
    case Op::DivAssign:
    case Op::ModAssign: return Form::CompoundAssign;
    case Op::Inc:
    case Op::Dec: return Form::Step;
    case Op::Member: return Form::Member;
    case Op::Index: return Form::Index;
    default: break;
  }
  if (!left) return Form::NoOperand;
  if (left->tag() == kTagID && right && right->tag() == kTagInt) return Form::NameAndInt;
  return isLeaf(left) && isLeaf(right) ? Form::Leaves : Form::Operands;
}

// "x = ...", the most common statement, is expanded in the evaluator's
// dispatch below.
template <bool kCount>
KELVO_ALWAYS_INLINE Value DataOperation::assign(Scope& locals) {
  if (!left || left->tag() != kTagID) return Value();
  Value value = operandOrNull<kCount>(right, locals);
  storeVariable(left.get(), locals, value);
  return value;
}

// The runners: one function per common form and operator, so that a node
// runs without dispatching on either. The forms whose operands are leaves
// nest nothing and serve both ways of counting.
struct OperationRunners {
  // The forms, shared with the counting evaluation (which passes the node's
  // operator; the runners pass it as a constant).
  // Two ints go through the int table in line; anything else through the
  // binary rules, out of line.
  KELVO_ALWAYS_INLINE static Value nameAndInt(Op op, DataOperation& o, Scope& locals) {
    const Value* a = findVariable(o.left.get(), locals);
    const int32_t b = static_cast<const DataInt*>(o.right.get())->value;
    Value r;
    if (a && a->kind() == Value::kInt && detail::intArithmetic(op, a->intValue(), b, r)) return r;
    return nameAndIntByTable(op, o, locals, a, b);
  }
  KELVO_COLD static Value nameAndIntByTable(Op op, DataOperation& o, Scope& locals, const Value* a, int32_t b) {
    if (!a) return unsetRead(o.left.get(), locals);
    if (a->isNull()) return Value();
    return detail::binaryRules(op, *a, Value::integer(b));
  }
  KELVO_ALWAYS_INLINE static Value leaves(Op op, DataOperation& o, Scope& locals) {
    int32_t a, b;
    Value r;
    if (leafInt(o.left.get(), locals, a) && leafInt(o.right.get(), locals, b) && detail::intArithmetic(op, a, b, r))
      return r;
    return leavesByTable(op, o, locals);
  }
  KELVO_COLD static Value leavesByTable(Op op, DataOperation& o, Scope& locals) {
    Value x, y;
    const Value* a = leaf(o.left.get(), locals, x);
    const Value* b = leaf(o.right.get(), locals, y);
    if (!a) unsetRead(o.left.get(), locals);
    if (!b) unsetRead(o.right.get(), locals);
    if (!a || !b || a->isNull() || b->isNull()) return Value();
    return binaryOp(op, *a, *b);
  }
  template <bool kCount>
  KELVO_ALWAYS_INLINE static Value operands(Op op, DataOperation& o, Scope& locals) {
    Value a = operandOf<kCount>(o.left.get(), locals);
    if (!o.right) return unaryOp(op, a);
    // Both sides are always evaluated: there is no short-circuit.
    Value b = operandOf<kCount>(o.right.get(), locals);
    // A missing right value makes the whole operation null (the unary form
    // is chosen by the shape of the node, not by the value).
    if (!a || !b) return Value();
    // A string made by the left operand alone (a call's result, an earlier
    // "+") takes the right one in place.
    if (op == Op::Add) {
      if (DataString* s = soleString(a)) {
        const DataString* t = stringOf(&b);
        if (t && s != t) {
          s->append(t->value);
          return a;
        }
      }
    }
    return binaryOp(op, a, b);
  }
  KELVO_ALWAYS_INLINE static Value step(Op op, DataOperation& o, Scope& locals) {
    if (o.left->tag() != kTagID) return Value();
    Value* slot = findVariable(o.left.get(), locals);
    if (!slot) return unsetRead(o.left.get(), locals);
    *slot = unaryOp(op, *slot);
    return *slot;
  }

  // The runners for one operator: `value` is the function.
  template <Op kOp>
  struct NameAndIntOf {
    static Value value(DataOperation& o, Scope& locals) { return nameAndInt(kOp, o, locals); }
  };
  template <Op kOp>
  struct LeavesOf {
    static Value value(DataOperation& o, Scope& locals) { return leaves(kOp, o, locals); }
  };
  template <Op kOp>
  struct OperandsOf {
    static Value value(DataOperation& o, Scope& locals) { return operands<false>(kOp, o, locals); }
  };
  template <Op kOp>
  static Value stepOf(DataOperation& o, Scope& locals) {
    return step(kOp, o, locals);
  }
  static Value assign(DataOperation& o, Scope& locals) { return o.assign<false>(locals); }
  static Value assignConcat(DataOperation& o, Scope& locals) { return o.assignConcat<false>(locals); }
  static Value compoundAssign(DataOperation& o, Scope& locals) { return o.compoundAssign<false>(locals); }
  static Value uncounted(DataOperation& o, Scope& locals) { return o.evalForm<false>(locals); }

  // As statements: the same work, without giving a value. An int steps in
  // place; any other value takes the unary table, out of line.
  template <Op kOp>
  static void stepStatement(DataOperation& o, Scope& locals) {
    Value* slot = findVariable(o.left.get(), locals);
    if (!slot) {
      unsetRead(o.left.get(), locals);
      return;
    }
    if (slot->kind() == Value::kInt) {
      slot->replaceInt(kOp == Op::Inc ? wrapAdd(slot->intValue(), 1) : wrapSub(slot->intValue(), 1));
      return;
    }
    stepByTable(kOp, *slot);
  }
  KELVO_COLD static void stepByTable(Op op, Value& slot) { slot = unaryOp(op, slot); }
  static void assignStatement(DataOperation& o, Scope& locals) {
    Value value = operandOrNull<false>(o.right, locals);
    if (Value* slot = findVariable(o.left.get(), locals))
      *slot = std::move(value);
    else
      locals.add(static_cast<const DataID*>(o.left.get())->name, std::move(value));
  }
  // "x = x + leaf": two ints are added in line, the sum read from the slot
  // just found (it is the same variable) and stored in it.
  static void assignConcatStatement(DataOperation& o, Scope& locals) {
    Value* slot = findVariable(o.left.get(), locals);
    if (slot && slot->kind() == Value::kInt) {
      const IData* tail = static_cast<const DataOperation*>(o.right.get())->right.get();
      if (tail->tag() == kTagInt) {
        slot->replaceInt(wrapAdd(slot->intValue(), static_cast<const DataInt*>(tail)->value));
        return;
      }
      if (tail->tag() == kTagID) {
        const Value* b = findVariable(tail, locals);
        if (b && b->kind() == Value::kInt) {
          slot->replaceInt(wrapAdd(slot->intValue(), b->intValue()));
          return;
        }
      }
    }
    assignConcatByTable(o, locals, slot);
  }
  // Any other value: a string appends in place or the binary table adds; a
  // number, a bool or null is added from the slot as above.
  KELVO_COLD static void assignConcatByTable(DataOperation& o, Scope& locals, Value* slot) {
    if (!slot || slot->object()) {
      o.assignConcat<false>(locals);
      return;
    }
    const IData* tail = static_cast<const DataOperation*>(o.right.get())->right.get();
    Value y;
    const Value* b = leaf(tail, locals, y);
    if (!b) unsetRead(tail, locals);
    *slot = (b && !slot->isNull() && !b->isNull()) ? binaryOp(Op::Add, *slot, *b) : Value();
  }
  // "x op= leaf" (the operator's base kBase): an int and an int in line,
  // into the slot just found (reading a leaf moves no table); anything else
  // as the value runner does it.
  template <Op kBase>
  static void compoundLeafStatement(DataOperation& o, Scope& locals) {
    Value* slot = findVariable(o.left.get(), locals);
    int32_t b;
    Value r;
    if (slot && slot->kind() == Value::kInt && leafInt(o.right.get(), locals, b) &&
        detail::intArithmetic(kBase, slot->intValue(), b, r)) {
      slot->replaceInt(r.intValue());
      return;
    }
    compoundByTable(o, locals);
  }
  KELVO_COLD static void compoundByTable(DataOperation& o, Scope& locals) { o.compoundAssign<false>(locals); }
  static void valueStatement(DataOperation& o, Scope& locals) { o.run_(o, locals); }

  // Two ints compared, 1 or 0, as the int rules compare them.
  template <Op kOp>
  static int compare(int32_t a, int32_t b) {
    Value r;
    detail::intArithmetic(kOp, a, b, r);
    return r.boolValue() ? 1 : 0;
  }

  // As a loop's condition: 1 or 0 for a value that converts to true or
  // false, -1 for one that does not. A comparison of a name and an int, or
  // of two leaves, compares two ints in line.
  template <Op kOp>
  struct ComparisonOf {
    static int value(DataOperation& o, Scope& locals) {
      const Value* a = findVariable(o.left.get(), locals);
      if (a && a->kind() == Value::kInt) return compare<kOp>(a->intValue(), static_cast<const DataInt*>(o.right.get())->value);
      return valueCondition(o, locals);
    }
  };
  template <Op kOp>
  struct LeavesComparisonOf {
    static int value(DataOperation& o, Scope& locals) {
      int32_t a, b;
      if (leafInt(o.left.get(), locals, a) && leafInt(o.right.get(), locals, b)) return compare<kOp>(a, b);
      return valueCondition(o, locals);
    }
  };
  KELVO_COLD static int valueCondition(DataOperation& o, Scope& locals) {
    bool go;
    return asBool(o.run_(o, locals), go) ? go : -1;
  }

  // The function of F for the node's operator: the six comparisons here,
  // the other binary operators below; `otherwise` for any other operator.
  template <template <Op> class F, class R>
  static R byComparison(Op op, R otherwise) {
    switch (op) {
      case Op::Lt: return F<Op::Lt>::value;
      case Op::Gt: return F<Op::Gt>::value;
      case Op::Le: return F<Op::Le>::value;
      case Op::Ge: return F<Op::Ge>::value;
      case Op::Eq: return F<Op::Eq>::value;
      case Op::Ne: return F<Op::Ne>::value;
      default: return otherwise;
    }
  }
  template <template <Op> class F>
  static DataOperation::Runner byOperator(Op op, DataOperation::Runner otherwise = uncounted) {
    switch (op) {
      case Op::Add: return F<Op::Add>::value;
      case Op::Sub: return F<Op::Sub>::value;
      case Op::Mul: return F<Op::Mul>::value;
      case Op::Div: return F<Op::Div>::value;
      case Op::Mod: return F<Op::Mod>::value;
      case Op::And: return F<Op::And>::value;
      case Op::Or: return F<Op::Or>::value;
      default: return byComparison<F, DataOperation::Runner>(op, otherwise);
    }
  }
};

DataOperation::Runner DataOperation::runnerOf() const {
  using R = OperationRunners;
  switch (form_) {
    case Form::NameAndInt: return R::byOperator<R::NameAndIntOf>(op);
    case Form::Leaves: return R::byOperator<R::LeavesOf>(op);
    case Form::Operands: return right ? R::byOperator<R::OperandsOf>(op) : R::uncounted;
    case Form::Step: return op == Op::Inc ? R::stepOf<Op::Inc> : R::stepOf<Op::Dec>;
    case Form::Assign: return R::assign;
    case Form::AssignConcat: return R::assignConcat;
    case Form::CompoundAssign: return R::compoundAssign;
    default: return R::uncounted;
  }
}

DataOperation::StatementRunner DataOperation::statementRunnerOf() const {
  using R = OperationRunners;
  switch (form_) {
    case Form::Step:
      if (left->tag() != kTagID) break;
      return op == Op::Inc ? R::stepStatement<Op::Inc> : R::stepStatement<Op::Dec>;
    case Form::Assign:
      if (left->tag() != kTagID) break;
      return R::assignStatement;
    case Form::AssignConcat: return R::assignConcatStatement;
    case Form::CompoundAssign:
      if (left->tag() != kTagID || !isLeaf(right.get())) break;
      switch (op) {
        case Op::AddAssign: return R::compoundLeafStatement<Op::Add>;
        case Op::SubAssign: return R::compoundLeafStatement<Op::Sub>;
        case Op::MulAssign: return R::compoundLeafStatement<Op::Mul>;
        case Op::DivAssign: return R::compoundLeafStatement<Op::Div>;
        case Op::ModAssign: return R::compoundLeafStatement<Op::Mod>;
        default: break;
      }
      break;
    default: break;
  }
  return R::valueStatement;
}

DataOperation::ConditionRunner DataOperation::conditionRunnerOf() const {
  using R = OperationRunners;
  if (form_ == Form::NameAndInt) return R::byComparison<R::ComparisonOf>(op, R::valueCondition);
  if (form_ == Form::Leaves) return R::byComparison<R::LeavesComparisonOf>(op, R::valueCondition);
  return R::valueCondition;
}

template <bool kCount>
KELVO_ALWAYS_INLINE Value DataOperation::evalForm(Scope& locals) {
  switch (form_) {
    case Form::NameAndInt: return OperationRunners::nameAndInt(op, *this, locals);
    case Form::Leaves: return OperationRunners::leaves(op, *this, locals);
    case Form::Step: return OperationRunners::step(op, *this, locals);
    case Form::Operands: return OperationRunners::operands<kCount>(op, *this, locals);
    case Form::Assign: return assign<kCount>(locals);
    case Form::AssignConcat: return assignConcat<kCount>(locals);
    case Form::CompoundAssign: return compoundAssign<kCount>(locals);
    case Form::Member: return member(locals);
    case Form::Index: return indexed(locals);
    case Form::NoOperand: break;
  }
  return Value();
}

namespace {
// A List's method with its arguments evaluated here, the call's step and
// level counted by the caller. eval() nests as deep as expressions do: in
// the checked builds, whose frames are large, the argument list stays out
// of its frame.
KELVO_INLINE_IN_FAST_BUILDS Value invokeList(DataVector* list, const DataCallFunction* call, Scope& locals) {
  script::ValueArgs args;
  call->fillArgs(locals, args);
  return list->invoke(call->name, args.data(), args.size());
}
}  // namespace

// The ways eval() runs a node. A node of known cost counts all of it at once
// when the budgets allow and its operands then run without counting;
// otherwise every node counts its own step and level.
struct OperationEvaluators {
  static Value guarded(DataOperation& o, Scope& locals) {
    script::DepthGuard guard;
    if (!guard) return Value();
    return o.evalForm<true>(locals);
  }
  // A compound assignment whose right side's cost is not known.
  static Value guardedCompoundAssign(DataOperation& o, Scope& locals) {
    script::DepthGuard guard;
    if (!guard) return Value();
    return o.compoundAssign<true>(locals);
  }
  // A binary operator on operands of unknown cost (a call's result, say).
  template <Op kOp>
  struct GuardedOperandsOf {
    static Value value(DataOperation& o, Scope& locals) {
      script::DepthGuard guard;
      if (!guard) return Value();
      return OperationRunners::operands<true>(kOp, o, locals);
    }
  };
  static Value counted(DataOperation& o, Scope& locals) {
    if (script::hasBudget(o.cost_.steps, o.cost_.height)) {
      script::countSteps(o.cost_.steps);
      return o.run_(o, locals);
    }
    return guarded(o, locals);
  }
  // The member access and a List's method count a step and a level each;
  // reading names and literals counts nothing and a List's methods run no
  // script code, so both count at once.
  static Value leafMethodCall(DataOperation& o, Scope& locals) {
    if (script::hasBudget(2, 2)) {
      const Value* slot = findVariable(o.left.get(), locals);
      IData* list = slot ? slot->object() : nullptr;
      if (list && list->tag() == kTagVector) {
        script::countSteps(2);
        const auto* call = static_cast<const DataCallFunction*>(o.right.get());
        if (script::warningsOn()) script::checkMethodCall(*slot, *call);
        if (call->args.size() > 1) return invokeList(static_cast<DataVector*>(list), call, locals);
        // No argument, or one name or literal read in place: a List's
        // methods copy what they keep, and change no variable.
        Value literal;
        const Value* arg = nullptr;
        if (!call->args.empty()) {
          arg = leaf(call->args[0].get(), locals, literal);
          if (!arg) {
            unsetRead(call->args[0].get(), locals);
            arg = &literal;
          }
        }
        return static_cast<DataVector*>(list)->invoke(o.listMethod_, arg, call->args.size());
      }
    }
    return guarded(o, locals);
  }
};

DataOperation::Evaluator DataOperation::evaluatorOf() const {
  if (cost_.steps > 0) return OperationEvaluators::counted;
  if (leafMethodCall_) return OperationEvaluators::leafMethodCall;
  if (form_ == Form::Operands && right)
    return OperationRunners::byOperator<OperationEvaluators::GuardedOperandsOf>(op, OperationEvaluators::guarded);
  if (form_ == Form::CompoundAssign) return OperationEvaluators::guardedCompoundAssign;
  return OperationEvaluators::guarded;
}

DataVector::Method DataOperation::listMethodOf() const {
  return leafMethodCall_ ? DataVector::methodOf(static_cast<const DataCallFunction*>(right.get())->name)
                         : DataVector::Method::None;
}

bool DataOperation::isLeafMethodCall() const {
  return op == Op::Member && left && left->tag() == kTagID && right && right->tag() == kTagCallFunction &&
         static_cast<const DataCallFunction*>(right.get())->argsAreLeaves();
}

template <bool kCount>
Value DataOperation::assignConcat(Scope& locals) {
  const auto* sum = static_cast<const DataOperation*>(right.get());
  // Evaluating the sum of two leaves only reads: the slot found now is still
  // the variable's when the sum is stored.
  Value* slot = findVariable(left.get(), locals);
  // The sum's own evaluation counts a step and a nesting level; when that
  // level is still within the limit and nothing is unwinding, the in-place
  // form counts them the same way (under a cost counted at once, both are).
  if (slot && slot->object()) {
    Value literal;
    const DataString* tail = appendableTail(slot, sum->right.get(), locals, literal);
    if constexpr (kCount) {
      if (tail && !script::aborting && script::evalDepth < script::kMaxEvalDepth) {
        script::DepthGuard guard;
        appendTo(slot, tail);
        return *slot;
      }
    } else if (tail) {
      appendTo(slot, tail);
      return *slot;
    }
  }
  Value value = kCount ? const_cast<DataOperation*>(sum)->eval(locals) : const_cast<DataOperation*>(sum)->run(locals);
  if (slot)
    *slot = value;
  else
    locals.add(static_cast<DataID*>(left.get())->name, value);
  return value;
}

template <bool kCount>
Value DataOperation::compoundAssign(Scope& locals) {
  if (!left || left->tag() != kTagID) return Value();
  Value* slot = findVariable(left.get(), locals);
  if (op == Op::AddAssign && right && isLeaf(right.get())) {
    Value literal;
    if (const DataString* tail = appendableTail(slot, right.get(), locals, literal)) {
      appendTo(slot, tail);
      return *slot;
    }
  }
  if (slot && slot->kind() == Value::kInt) {
    // An int and an int in line, into the slot found first when it is still
    // the variable's: tables only grow, so while neither the local table nor
    // the file tables changed, the right side moved nothing.
    const int32_t current = slot->intValue();
    const std::size_t localCount = locals.size();
    const uint64_t globals = Scope::globalGeneration;
    Value operand = operandOrNull<kCount>(right, locals);
    Value value;
    if (operand.kind() != Value::kInt || !detail::intArithmetic(compoundBase(op), current, operand.intValue(), value))
      value = operand ? binaryOp(compoundBase(op), Value::integer(current), operand) : Value();
    if (locals.size() == localCount && Scope::globalGeneration == globals)
      *slot = value;
    else
      storeVariable(left.get(), locals, value);
    return value;
  }
  Value current = slot ? *slot : unsetRead(left.get(), locals);
  Value operand = operandOrNull<kCount>(right, locals);
  Value value = (current && operand) ? binaryOp(compoundBase(op), current, operand) : Value();
  storeVariable(left.get(), locals, value);
  return value;
}

Value DataOperation::member(Scope& locals) {
  if (!left || !right) return Value();
  // Held for the call: the arguments may change the variable.
  Value object = operand(left.get(), locals);
  IData* o = object.object();
  if (script::warningsOn() && right->tag() == kTagCallFunction)
    script::checkMethodCall(object, *static_cast<const DataCallFunction*>(right.get()));
  if (!o || !isObjectTag(o->tag())) return Value();
  if (right->tag() == kTagID) {
    DataPtr field = o->getAttribute(static_cast<DataID*>(right.get())->text());
    if (!field && script::warningsOn()) script::warnAttribute(*o, *static_cast<const DataID*>(right.get()));
    return Value(std::move(field));
  }
  if (right->tag() == kTagCallFunction) {
    if (o->tag() == kTagVector) {
      // A List's methods, without the protocol's indirections: the call
      // counts a step and a level, as every method call does.
      script::DepthGuard depth;
      if (!depth) return Value();
      return invokeList(static_cast<DataVector*>(o), static_cast<const DataCallFunction*>(right.get()), locals);
    }
    // The object's own check, then the call's nesting level, then the
    // arguments left to right, then the method.
    if (!o->refersToObject()) return Value();
    script::DepthGuard depth;
    if (!depth) return Value();
    const auto* call = static_cast<const DataCallFunction*>(right.get());
    script::ValueArgs args;
    call->fillArgs(locals, args);
    const script::MethodSite site{call->text(), call->place};
    script::MethodCall m(call->name, args.data(), args.size(), site);
    return Value(o->callMethod(m));
  }
  return Value();
}

Value DataOperation::indexed(Scope& locals) {
  if (!left || left->tag() != kTagID) return Value();
  Value key = evalOrNull(right, locals);
  const Symbol name = static_cast<DataID*>(left.get())->name;
  Value* slot = locals.find(name);
  if (!slot && script::runningFile() < script::fileCount())
    slot = script::record(script::runningFile()).variables.find(name);
  if (!slot) return unsetRead(left.get(), locals);
  // Only objects can be indexed (a List); every other value gives null.
  if (!slot->object()) return Value();
  // Hold the object: the key's evaluation is over, but indexing runs code.
  const Value object = *slot;
  return Value(object.object()->index(key.box()));
}

// ---- user-function calls ------------------------------------------------------

namespace {

// The user-function calls in progress, and their per-depth local tables,
// reused from call to call; held by pointer so that growing the list never
// moves a table in use. Kept here, beside the call sites, so that a call
// site and the call it makes are compiled together.
int callDepth = 0;
std::vector<std::unique_ptr<Scope>> scopePool;

// A user function's local table and call depth, for the length of the call;
// left the same way whether the body ends or a stopped unit unwinds it.
class CallFrame {
public:
  CallFrame() {
    if (static_cast<std::size_t>(callDepth) == scopePool.size()) scopePool.push_back(std::make_unique<Scope>());
    locals_ = scopePool[static_cast<std::size_t>(callDepth)].get();
    ++callDepth;
  }
  ~CallFrame() {
    locals_->clear();
    --callDepth;
  }
  CallFrame(const CallFrame&) = delete;
  CallFrame& operator=(const CallFrame&) = delete;
  Scope& locals() { return *locals_; }

private:
  Scope* locals_;
};

// Calls a user function whose argument count has been checked: `bind`
// adds the parameters to the call's local table. Expanded at the call site
// below, where nearly every call is made.
template <class Bind>
KELVO_ALWAYS_INLINE Value callBound(Function& fn, Bind bind) {
  // Every way out returns `result`, which is then built in the caller's
  // place: the value a body returns is not moved on the way out.
  Value result;
  // A runaway recursion ends here with null instead of a stack overflow.
  if (script::aborting) return result;
  if (callDepth >= script::kMaxCallDepth) {
    script::startRunaway(script::RunawayLimit::CallDepth);
    return result;
  }
  script::RunawayBoundary boundary;
  {
    CallFrame frame;
    // The table of this depth is reused from call to call and keeps its room.
    Scope& locals = frame.locals();
    bind(locals);
    if (fn.bodyCost.known && script::hasBudget(fn.bodyCost.steps, fn.bodyCost.height)) {
      // A body of known cost never returns early; it gives null.
      script::countSteps(fn.bodyCost.steps);
      for (const CountedStatement& s : fn.countedBody) s.run(*s.node, locals);
    } else if (runStatements(fn.body, locals, result)) {
      // The call consumes the return flag its body set.
      script::returnFlag = false;
    }
  }
  // Deep or long recursions leave many temporaries behind; everything still
  // in use is held by a counted reference at this point.
  script::collectIfCrowded();
  if (boundary.endRunaway()) result = Value();
  return result;
}

KELVO_ALWAYS_INLINE Value callUserFunction(Function& fn, Value* args, std::size_t count) {
  if (fn.paramCount != count) return Value();
  return callBound(fn, [&](Scope& locals) {
    for (std::size_t i = 0; i < count; ++i) locals.add(fn.params[i], std::move(args[i]));
  });
}

}  // namespace

Value script::callFunction(Function& fn, Value* args, std::size_t count) { return callUserFunction(fn, args, count); }

// ---- calls -------------------------------------------------------------------

void DataCallFunction::print() {
  script::writeOutput(text());
  script::writeOutput("(");
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) script::writeOutput(", ");
    printOrNothing(args[i]);
  }
  script::writeOutput(")");
}

DataCallFunction::ArgForm DataCallFunction::argFormOf(Symbol name) {
  static const Symbol kTimer = intern("Timer");
  static const Symbol kSetKeyFunc = intern("setKeyFunc");
  static const Symbol kPrint = intern("print");
  static const Symbol kGroup = intern("Group");
  if (name == kTimer) return ArgForm::Timer;
  if (name == kPrint || name == kGroup) return ArgForm::Checked;
  if (name == kSetKeyFunc || script::builtinTakesExpressions(name)) return ArgForm::Expressions;
  return ArgForm::Values;
}

void DataCallFunction::giveArgumentsRoles() {
  static const Symbol kGroup = intern("Group");
  static const Symbol kPrint = intern("print");
  if (name != kGroup && name != kPrint) return;
  const Role role = name == kGroup ? Role::GroupMember : Role::Printed;
  for (const DataPtr& a : args) {
    if (!a) continue;
    if (a->tag() == kTagID) static_cast<DataID*>(a.get())->role = role;
    if (a->tag() == kTagCallFunction && role == Role::GroupMember) static_cast<DataCallFunction*>(a.get())->role = role;
  }
}

DataPtr DataCallFunction::evaluate(Scope& locals) { return eval(locals).box(); }

Value DataCallFunction::callWithObjects(std::vector<DataPtr>& argv) {
  if (cachedFunction_) {
    // Hold the function: its body may replace it (include) while it runs.
    SmartPointer<Function> fn(cachedFunction_);
    return Value(script::callFunction(*fn, argv));
  }
  if (cachedBuiltin_) {
    Builtin builtin = *cachedBuiltin_;
    script::detail::builtinCallPlace = place;
    return Value(builtin(argv));
  }
  if (script::warningsOn()) script::warnNoFunction(*this);
  return Value();
}

Value DataCallFunction::eval(Scope& locals) {
  script::DepthGuard guard;
  if (!guard) return Value();
  if (argForm_ != ArgForm::Values) return callWithExpressions(locals);

  // Arguments of known cost run no script code: they cannot define a
  // function, and the call's own table is free while they are evaluated, so
  // they go straight into it, counted at once. A call past the depth limit
  // takes the way below, which evaluates its arguments before it stops.
  if (argsCost_.known && callDepth < script::kMaxCallDepth && script::hasBudget(argsCost_.steps, argsCost_.height)) {
    resolve();
    if (cachedFunction_ && cachedFunction_->paramCount == argCount_) {
      script::countSteps(argsCost_.steps);
      SmartPointer<Function> fn(cachedFunction_);
      const DataPtr* arg = args.data();
      return callBound(*fn, [&](Scope& callee) {
        for (std::size_t i = 0; i < argCount_; ++i) callee.add(fn->params[i], operandOrNull<false>(arg[i], locals));
      });
    }
  }

  // The arguments first (they may define functions, through include), then
  // the name is resolved.
  script::ValueArgs values;
  fillArgs(locals, values);
  resolve();
  if (cachedFunction_) {
    SmartPointer<Function> fn(cachedFunction_);
    return callUserFunction(*fn, values.data(), argCount_);
  }
  return callBuiltin(values, locals, false);
}

Value DataCallFunction::callWithExpressions(Scope& locals) {
  // What the arguments report while they are evaluated explains the call's
  // outcome already: its own check then says no more than a wrong count.
  const uint64_t said = script::diagnosticsOffered();
  if (argForm_ == ArgForm::Checked) {
    script::ValueArgs values;
    fillArgs(locals, values);
    resolve();
    if (cachedFunction_) {
      SmartPointer<Function> fn(cachedFunction_);
      return callUserFunction(*fn, values.data(), argCount_);
    }
    return callBuiltin(values, locals, script::diagnosticsOffered() != said);
  }
  script::ArgBuffer argv;
  if (argForm_ == ArgForm::Timer) {
    // The interval and the duration are values; the two callbacks stay
    // expressions.
    if (args.size() != 4) {
      if (script::warningsOn()) script::checkBuiltinCall(*this, *argv, false, false, locals);
      return Value();
    }
    argv->push_back(args[0] ? args[0]->evaluate(locals) : nullptr);
    argv->push_back(args[1] ? args[1]->evaluate(locals) : nullptr);
    argv->push_back(args[2]);
    argv->push_back(args[3]);
  } else {
    argv->assign(args.begin(), args.end());
  }
  const bool reported = script::diagnosticsOffered() != said;
  resolve();
  Value result = callWithObjects(*argv);
  if (script::warningsOn() && cachedBuiltin_)
    script::checkBuiltinCall(*this, *argv, static_cast<bool>(result), reported, locals);
  return result;
}

Value DataCallFunction::callBuiltin(script::ValueArgs& values, Scope& locals, bool argumentsReported) {
  if (!cachedBuiltin_) {
    if (script::warningsOn()) script::warnNoFunction(*this);
    return Value();
  }
  script::ArgBuffer argv;
  argv->reserve(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) argv->push_back(values[i].box());
  Value result = callWithObjects(*argv);
  if (script::warningsOn())
    script::checkBuiltinCall(*this, *argv, static_cast<bool>(result), argumentsReported, locals);
  return result;
}

// ---- control flow ----------------------------------------------------------------

DataPtr DataIf::evaluate(Scope& locals) { return eval(locals).box(); }

bool DataIf::isComparison(const IData* condition) {
  if (!condition || condition->tag() != kTagOperation) return false;
  const Op op = static_cast<const DataOperation*>(condition)->op;
  return op == Op::Lt || op == Op::Gt || op == Op::Le || op == Op::Ge || op == Op::Eq || op == Op::Ne;
}

DataPtr DataWhile::evaluate(Scope& locals) { return eval(locals).box(); }

Value DataWhile::eval(Scope& locals) {
  script::DepthGuard guard;
  if (!guard || !condition) return Value();
  for (;;) {
    // A pass of known cost counts it at once when the budgets allow.
    if (wholePassFits(pass_)) {
      script::countSteps(pass_.head.steps);
      const int go = runCondition(condition.get(), locals);
      if (go < 0) return Value();
      if (!go) return Value::boolean(true);
      script::countSteps(pass_.body.steps);
      for (const CountedStatement& s : counted_) s.run(*s.node, locals);
      script::collectIfCrowded();
      continue;
    }
    const int go = loopHead(pass_, condition.get(), locals);
    if (go < 0) return Value();
    if (!go) return Value::boolean(true);
    Value result;
    if (statementLoop(body, locals, result)) return result;
    if (script::aborting) return Value();
    script::collectIfCrowded();
  }
}

DataPtr DataFor::evaluate(Scope& locals) { return eval(locals).box(); }

Value DataFor::eval(Scope& locals) {
  script::DepthGuard guard;
  if (!guard || !condition) return Value();
  if (init) qor::eval(init.get(), locals);
  for (;;) {
    if (wholePassFits(pass_)) {
      script::countSteps(pass_.head.steps);
      const int go = runCondition(condition.get(), locals);
      if (go < 0) return Value();
      if (!go) return Value();
      script::countSteps(pass_.body.steps);
      for (const CountedStatement& s : counted_) s.run(*s.node, locals);
      script::collectIfCrowded();
      continue;
    }
    const int go = loopHead(pass_, condition.get(), locals);
    if (go < 0) return Value();
    if (!go) return Value();
    Value result;
    if (statementLoop(body, locals, result)) return result;
    if (pass_.step.steps > 0 && script::hasBudget(pass_.step.steps, pass_.step.height)) {
      script::countSteps(pass_.step.steps);
      runCounted(step.get(), locals);
    } else if (step) {
      qor::eval(step.get(), locals);
    }
    if (script::aborting) return Value();
    script::collectIfCrowded();
  }
}

DataPtr DataReturn::evaluate(Scope& locals) { return eval(locals).box(); }

}  // namespace qor
