// Evaluation of the syntax-tree nodes: variables, operators, calls and
// control flow.

#include "script/SyntaxTree.h"

#include "script/Output.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

namespace qor {

namespace {

// The slot of a variable: locals first, then each record, first record first.
DataPtr* findVariable(Symbol name, Scope& locals) {
  if (DataPtr* slot = locals.find(name)) return slot;
  const std::size_t n = script::fileCount();
  for (std::size_t i = 0; i < n; ++i)
    if (DataPtr* slot = script::record(i).variables.find(name)) return slot;
  return nullptr;
}

// Stores a value the way "=" does: into the table that already has the name,
// else as a new local.
void storeVariable(Symbol name, Scope& locals, const DataPtr& value) {
  if (DataPtr* slot = findVariable(name, locals))
    *slot = value;
  else
    locals.add(name, value);
}

// An expression's value. Most operands are a variable or a literal: those are
// read here directly rather than through the virtual evaluate(), which gives
// the same result (a literal evaluates to itself).
inline DataPtr valueOf(const DataPtr& e, Scope& locals) {
  switch (e->tag()) {
    case kTagID: {
      DataPtr* slot = findVariable(static_cast<const DataID*>(e.get())->name, locals);
      return slot ? *slot : nullptr;
    }
    case kTagInt:
    case kTagFloat:
    case kTagString: return e;
    default: return e->evaluate(locals);
  }
}

// The same for an expression that may be missing: null gives null.
inline DataPtr valueOrNull(const DataPtr& e, Scope& locals) { return e ? valueOf(e, locals) : nullptr; }

bool isObjectTag(int32_t tag) {
  return tag == kTagSceneNode || tag == kTagTime || tag == kTagMaterial || tag == kTagCamera || tag == kTagVector;
}

void printOrNothing(const DataPtr& d) {
  if (d) d->print();
}

}  // namespace

bool runStatements(const StatementList& statements, Scope& locals, DataPtr& result) {
  for (const DataPtr& s : statements) {
    if (script::aborting) return false;
    if (!s) continue;
    DataPtr v = valueOf(s, locals);
    if (script::returnFlag) {
      result = std::move(v);
      return true;
    }
  }
  return false;
}

// ---- names -------------------------------------------------------------------

void DataID::print() { script::writeOutput(text()); }

DataPtr DataID::evaluate(Scope& locals) {
  if (DataPtr* slot = findVariable(name, locals)) return *slot;
  return nullptr;
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

DataPtr DataOperation::evaluate(Scope& locals) {
  script::DepthGuard guard;
  if (!guard) return nullptr;
  switch (op) {
    case Op::Assign: return assign(locals);
    case Op::AddAssign:
    case Op::SubAssign:
    case Op::MulAssign:
    case Op::DivAssign:
    case Op::ModAssign: return compoundAssign(locals);
    case Op::Inc:
    case Op::Dec: return increment(locals);
    case Op::Member: return member(locals);
    case Op::Index: return indexed(locals);
    default: break;
  }
  if (!left) return nullptr;
  DataPtr a = valueOf(left, locals);
  if (!right) return unaryOp(op, a);
  // Both sides are always evaluated: there is no short-circuit.
  DataPtr b = valueOf(right, locals);
  // A missing right value makes the whole operation null (the unary form is
  // chosen by the shape of the node, not by the value).
  if (!a || !b) return nullptr;
  return binaryOp(op, a, b);
}

DataPtr DataOperation::assign(Scope& locals) {
  if (!left || left->tag() != kTagID) return nullptr;
  DataPtr value = valueOrNull(right, locals);
  storeVariable(static_cast<DataID*>(left.get())->name, locals, value);
  return value;
}

DataPtr DataOperation::compoundAssign(Scope& locals) {
  if (!left || left->tag() != kTagID) return nullptr;
  const Symbol name = static_cast<DataID*>(left.get())->name;
  DataPtr current = valueOf(left, locals);
  DataPtr operand = valueOrNull(right, locals);
  DataPtr value = (current && operand) ? binaryOp(compoundBase(op), current, operand) : nullptr;
  storeVariable(name, locals, value);
  return value;
}

DataPtr DataOperation::increment(Scope& locals) {
  if (!left || left->tag() != kTagID) return nullptr;
  DataPtr* slot = findVariable(static_cast<DataID*>(left.get())->name, locals);
  if (!slot) return nullptr;
  DataPtr value = unaryOp(op, *slot);
  *slot = value;
  return value;
}

DataPtr DataOperation::member(Scope& locals) {
  if (!left || !right) return nullptr;
  DataPtr object = valueOf(left, locals);
  if (!object || !isObjectTag(object->tag())) return nullptr;
  if (right->tag() == kTagID) return object->getAttribute(static_cast<DataID*>(right.get())->text());
  if (right->tag() == kTagCallFunction) return object->callMethod(right, locals);
  return nullptr;
}

DataPtr DataOperation::indexed(Scope& locals) {
  if (!left || left->tag() != kTagID) return nullptr;
  DataPtr key = valueOrNull(right, locals);
  const Symbol name = static_cast<DataID*>(left.get())->name;
  DataPtr* slot = locals.find(name);
  if (!slot && script::runningFile() < script::fileCount())
    slot = script::record(script::runningFile()).variables.find(name);
  if (!slot || !*slot) return nullptr;
  return (*slot)->index(key);
}

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

void DataCallFunction::evaluateArgs(Scope& locals, std::vector<DataPtr>& out) const {
  out.reserve(args.size());
  for (const DataPtr& a : args) out.push_back(valueOrNull(a, locals));
}

DataCallFunction::ArgForm DataCallFunction::argFormOf(Symbol name) {
  static const Symbol kTimer = intern("Timer");
  static const Symbol kSetKeyFunc = intern("setKeyFunc");
  static const Symbol kSetRasterButtonFunc = intern("SetRasterButtonFunc");
  if (name == kTimer) return ArgForm::Timer;
  if (name == kSetKeyFunc || name == kSetRasterButtonFunc) return ArgForm::Expressions;
  return ArgForm::Values;
}

DataPtr DataCallFunction::evaluate(Scope& locals) {
  script::DepthGuard guard;
  if (!guard) return nullptr;

  script::ArgBuffer argv;
  if (argForm_ == ArgForm::Timer) {
    // The interval and the duration are values; the two callbacks stay
    // expressions.
    if (args.size() != 4) return nullptr;
    argv->push_back(args[0] ? args[0]->evaluate(locals) : nullptr);
    argv->push_back(args[1] ? args[1]->evaluate(locals) : nullptr);
    argv->push_back(args[2]);
    argv->push_back(args[3]);
  } else if (argForm_ == ArgForm::Expressions) {
    argv->assign(args.begin(), args.end());
  } else {
    evaluateArgs(locals, *argv);
  }

  if (cacheGeneration_ != script::resolutionGeneration()) {
    cachedFunction_ = script::findFunction(name, args.size());
    cachedBuiltin_ = cachedFunction_ ? nullptr : script::findBuiltin(name);
    cacheGeneration_ = script::resolutionGeneration();
  }
  if (cachedFunction_) {
    // Hold the function: its body may replace it (include) while it runs.
    SmartPointer<Function> fn(cachedFunction_);
    return script::callFunction(*fn, *argv);
  }
  if (cachedBuiltin_) {
    Builtin builtin = *cachedBuiltin_;
    return builtin(*argv);
  }
  return nullptr;
}

// ---- control flow ----------------------------------------------------------------

DataPtr DataIf::evaluate(Scope& locals) {
  script::DepthGuard guard;
  if (!guard || !condition) return nullptr;
  DataPtr c = valueOf(condition, locals);
  // Only a real bool chooses a branch: `if (1)` does nothing.
  if (!c || c->tag() != kTagBool) return nullptr;
  DataPtr result;
  if (static_cast<DataBool*>(c.get())->value) {
    if (runStatements(thenStatements, locals, result)) return result;
  } else if (hasElse) {
    if (runStatements(elseStatements, locals, result)) return result;
  }
  return nullptr;
}

DataPtr DataWhile::evaluate(Scope& locals) {
  script::DepthGuard guard;
  if (!guard || !condition) return nullptr;
  for (;;) {
    script::countStep();
    bool go;
    {
      DataPtr c = valueOf(condition, locals);
      if (!asBool(c.get(), go)) return nullptr;
    }
    if (!go) return makeBool(true);
    DataPtr result;
    if (runStatements(body, locals, result)) return result;
    if (script::aborting) return nullptr;
    script::collectIfCrowded();
  }
}

DataPtr DataFor::evaluate(Scope& locals) {
  script::DepthGuard guard;
  if (!guard || !condition) return nullptr;
  if (init) init->evaluate(locals);
  for (;;) {
    script::countStep();
    bool go;
    {
      DataPtr c = valueOf(condition, locals);
      if (!asBool(c.get(), go)) return nullptr;
    }
    if (!go) return nullptr;
    DataPtr result;
    if (runStatements(body, locals, result)) return result;
    if (step) step->evaluate(locals);
    if (script::aborting) return nullptr;
    script::collectIfCrowded();
  }
}

DataPtr DataReturn::evaluate(Scope& locals) {
  DataPtr v = valueOrNull(expression, locals);
  script::returnFlag = true;
  return v;
}

}  // namespace qor
