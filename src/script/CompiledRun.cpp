// The compiled interpreter's run functions: one per construct, and for the
// operators one per operator and operand kinds, chosen when the node is
// built. They keep the tree walker's rules exactly: every construct but a
// name or a literal counts one nesting level; past the limit, or once a
// runaway is unwinding, a construct gives null at once, statement lists and
// loops stop, and the outermost user-function call in progress ends the
// runaway with null. The evaluation budget is counted once per loop pass and
// once per call.

#include "script/CompiledCode.h"

#include "base/Inline.h"

#include "script/Diagnostics.h"
#include "script/ObjectProtocol.h"
#include "script/RunChecks.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

#include <utility>

namespace qor::script::compiled {

namespace {

// One nesting level, as the tree walker's DepthGuard counts it (its step is
// counted by the loop or call around it instead).
class Level {
public:
  Level() {
    if (++evalDepth > kMaxEvalDepth) startRunaway(RunawayLimit::Nesting);
  }
  ~Level() {
    if (--evalDepth == 0) aborting = false;
  }
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;
  explicit operator bool() const { return !aborting; }
};

// The frame's locals as a table, for the warnings (which list the names set
// so far): made only when a warning is written.
Scope localsOf(const Frame& f) {
  Scope locals;
  if (f.slotNames)
    for (std::size_t i = 0; i < f.slotNames->size(); ++i)
      if (f.bound[i]) locals.add((*f.slotNames)[i], f.slots[i]);
  return locals;
}

[[gnu::cold]] Value unsetRead(const Var& v, const Frame& f) {
  if (warningsOn() && v.source) {
    Scope locals = localsOf(f);
    warnUnsetName(*v.source, locals);
  }
  return Value();
}

// The slot of a name: the frame's when bound, else its file variable's;
// null when no table has it.
KELVO_ALWAYS_INLINE Value* find(const Var& v, Frame& f) {
  if (v.slot >= 0 && f.bound[v.slot]) return &f.slots[v.slot];
  return v.global->file >= 0 ? &v.global->value : nullptr;
}

// "=": into the table that has the name, else a new local (a new variable
// of the running file at the top level).
KELVO_ALWAYS_INLINE void store(const Var& v, Frame& f, Value value) {
  if (v.slot >= 0 && f.bound[v.slot]) {
    f.slots[v.slot] = std::move(value);
  } else if (v.global->file >= 0) {
    v.global->value = std::move(value);
  } else if (v.slot >= 0) {
    f.slots[v.slot] = std::move(value);
    f.bound[v.slot] = 1;
  } else {
    define(*v.global, f.file, std::move(value));
  }
}

KELVO_ALWAYS_INLINE Value readVar(const Var& v, Frame& f) {
  const Value* slot = find(v, f);
  return slot ? *slot : unsetRead(v, f);
}

// An operand's value where one is wanted.
KELVO_ALWAYS_INLINE Value operandValue(const Operand& o, Frame& f) {
  switch (o.kind) {
    case Operand::kVar: return readVar(o.var, f);
    case Operand::kConst: return o.constant;
    case Operand::kCode: return o.code->run(*o.code, f);
    default: return Value();
  }
}

bool isObjectTag(int32_t tag) {
  return tag == kTagSceneNode || tag == kTagTime || tag == kTagMaterial || tag == kTagCamera || tag == kTagVector;
}

KELVO_ALWAYS_INLINE DataString* soleString(const Value& v) {
  IData* o = v.object();
  return o && o->tag() == kTagString && o->refCount() == 1 ? static_cast<DataString*>(o) : nullptr;
}
KELVO_ALWAYS_INLINE const DataString* stringOf(const Value* v) {
  IData* o = v ? v->object() : nullptr;
  return o && o->tag() == kTagString ? static_cast<const DataString*>(o) : nullptr;
}

// Runs statements in order; true when one set the return flag (its value
// in `result`). Stops, false, when a runaway is unwinding.
bool runBlock(const Block& block, Frame& f, Value& result) {
  for (const Code* s : block) {
    if (aborting) return false;
    Value v = s->run(*s, f);
    if (returnFlag) {
      result = std::move(v);
      return true;
    }
  }
  return false;
}

// ---- operands ----------------------------------------------------------------

template <Operand::Kind K>
KELVO_ALWAYS_INLINE Value eval(const Operand& o, Frame& f) {
  if constexpr (K == Operand::kVar) return readVar(o.var, f);
  if constexpr (K == Operand::kConst) return o.constant;
  if constexpr (K == Operand::kCode) return o.code->run(*o.code, f);
  return Value();
}

// A leaf read in place: the variable's slot or the literal; null for a
// name no table has.
template <Operand::Kind K>
KELVO_ALWAYS_INLINE const Value* leaf(const Operand& o, Frame& f) {
  if constexpr (K == Operand::kVar)
    return find(o.var, f);
  else
    return &o.constant;
}

// The plain-number cases of the int and float tables, in line; false for
// anything else (the tables then decide).
template <Op kOp>
KELVO_ALWAYS_INLINE bool plainArithmetic(const Value& a, const Value& b, Value& out) {
  const Value::Kind ka = a.kind(), kb = b.kind();
  if (ka == Value::kInt && kb == Value::kInt) return qor::detail::intArithmetic(kOp, a.intValue(), b.intValue(), out);
  if ((ka != Value::kFloat && ka != Value::kInt) || (kb != Value::kFloat && kb != Value::kInt)) return false;
  const float x = ka == Value::kFloat ? a.floatValue() : static_cast<float>(a.intValue());
  const float y = kb == Value::kFloat ? b.floatValue() : static_cast<float>(b.intValue());
  switch (kOp) {
    case Op::Add: out = Value::real(x + y); return true;
    case Op::Sub: out = Value::real(x - y); return true;
    case Op::Mul: out = Value::real(x * y); return true;
    case Op::Div: out = Value::real(x / y); return true;
    case Op::Lt: out = Value::boolean(x < y); return true;
    case Op::Gt: out = Value::boolean(x > y); return true;
    case Op::Le: out = Value::boolean(x <= y); return true;
    case Op::Ge: out = Value::boolean(x >= y); return true;
    case Op::Eq: out = Value::boolean(x == y); return true;
    case Op::Ne: out = Value::boolean(x != y); return true;
    default: return false;
  }
}

// ---- literals, names, Lists ----------------------------------------------------

struct OperandCode final : Code {
  explicit OperandCode(Operand o) : Code(&runIt), operand(std::move(o)) {}
  static Value runIt(const Code& c, Frame& f) { return operandValue(static_cast<const OperandCode&>(c).operand, f); }
  const Operand operand;
};

struct NothingCode final : Code {
  NothingCode() : Code(&runIt) {}
  static Value runIt(const Code&, Frame&) {
    Level level;
    return Value();
  }
};

struct ListCode final : Code {
  explicit ListCode(std::vector<ListItem> i) : Code(&runIt), items(std::move(i)) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const ListCode&>(c);
    Level level;
    if (!level) return Value();
    SmartPointer<DataVector> list(new DataVector);
    list->reserveCharged(n.items.size());
    for (const ListItem& item : n.items)
      list->elements.push_back(item.plain ? item.value : operandValue(item.operand, f));
    return Value(list.get());
  }
  const std::vector<ListItem> items;
};

struct ParenthesisedCode final : Code {
  explicit ParenthesisedCode(Operand e) : Code(&runIt), element(std::move(e)) {}
  static Value runIt(const Code& c, Frame& f) {
    Level level;
    if (!level) return Value();
    return operandValue(static_cast<const ParenthesisedCode&>(c).element, f);
  }
  const Operand element;
};

// ---- operators -------------------------------------------------------------------

struct BinaryCode final : Code {
  BinaryCode(Run r, Op o, Operand l, Operand rr) : Code(r), op(o), left(std::move(l)), right(std::move(rr)) {}
  const Op op;
  const Operand left, right;
};

template <Op kOp, Operand::Kind L, Operand::Kind R>
Value runBinary(const Code& c, Frame& f) {
  const auto& n = static_cast<const BinaryCode&>(c);
  Level level;
  if (!level) return Value();
  Value out;
  if constexpr (L != Operand::kCode && R != Operand::kCode) {
    // Two leaves: read in place, nothing runs between the reads.
    const Value* a = leaf<L>(n.left, f);
    const Value* b = leaf<R>(n.right, f);
    if (a && b && plainArithmetic<kOp>(*a, *b, out)) return out;
    if (!a) unsetRead(n.left.var, f);
    if (!b) unsetRead(n.right.var, f);
    if (!a || !b || a->isNull() || b->isNull()) return Value();
    return binaryOp(kOp, *a, *b);
  } else {
    // Both sides always run, left first: there is no short-circuit.
    Value a = eval<L>(n.left, f);
    Value b = eval<R>(n.right, f);
    if (!a || !b) return Value();
    if (plainArithmetic<kOp>(a, b, out)) return out;
    if constexpr (kOp == Op::Add) {
      // A string only the left operand holds takes the right one in place.
      if (DataString* s = soleString(a)) {
        const DataString* t = stringOf(&b);
        if (t && s != t) {
          s->append(t->value);
          return a;
        }
      }
    }
    return binaryOp(kOp, a, b);
  }
}

template <Op kOp, Operand::Kind L>
Code::Run binaryByRight(Operand::Kind r) {
  switch (r) {
    case Operand::kVar: return &runBinary<kOp, L, Operand::kVar>;
    case Operand::kConst: return &runBinary<kOp, L, Operand::kConst>;
    default: return &runBinary<kOp, L, Operand::kCode>;
  }
}

template <Op kOp>
Code::Run binaryRun(Operand::Kind l, Operand::Kind r) {
  switch (l) {
    case Operand::kVar: return binaryByRight<kOp, Operand::kVar>(r);
    case Operand::kConst: return binaryByRight<kOp, Operand::kConst>(r);
    default: return binaryByRight<kOp, Operand::kCode>(r);
  }
}

struct UnaryCode final : Code {
  UnaryCode(Op o, Operand a) : Code(&runIt), op(o), operand(std::move(a)) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const UnaryCode&>(c);
    Level level;
    if (!level) return Value();
    return unaryOp(n.op, operandValue(n.operand, f));
  }
  const Op op;
  const Operand operand;
};

// ---- assignment ------------------------------------------------------------------

struct AssignCode final : Code {
  AssignCode(Run r, Op o, Var t, Operand v) : Code(r), op(o), target(std::move(t)), value(std::move(v)) {}
  const Op op;
  const Var target;
  const Operand value;
};

Value runAssign(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  Level level;
  if (!level) return Value();
  Value v = operandValue(n.value, f);
  store(n.target, f, v);
  return v;
}

// "x op= e": the variable is read before the right side runs and stored
// after it, into whichever table has the name then.
Value runCompoundAssign(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  Level level;
  if (!level) return Value();
  Value* slot = find(n.target, f);
  if (slot && n.op == Op::Add && n.value.kind != Operand::kCode) {
    // A string only this variable holds takes a leaf string in place.
    const Value* tail = n.value.kind == Operand::kVar ? find(n.value.var, f) : &n.value.constant;
    const DataString* t = stringOf(tail);
    if (DataString* s = soleString(*slot); s && t && t != s) {
      s->append(t->value);
      return *slot;
    }
  }
  Value current = slot ? *slot : unsetRead(n.target, f);
  Value operand = operandValue(n.value, f);
  Value value;
  if (current && operand && !(current.kind() == Value::kInt && operand.kind() == Value::kInt &&
                              qor::detail::intArithmetic(n.op, current.intValue(), operand.intValue(), value)))
    value = binaryOp(n.op, current, operand);
  store(n.target, f, value);
  return value;
}

Value runStep(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  Level level;
  if (!level) return Value();
  Value* slot = find(n.target, f);
  if (!slot) return unsetRead(n.target, f);
  *slot = unaryOp(n.op, *slot);
  return *slot;
}

// ---- members and indexing ----------------------------------------------------------

struct FieldCode final : Code {
  FieldCode(Operand o, const DataID* fld) : Code(&runIt), object(std::move(o)), field(fld) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const FieldCode&>(c);
    Level level;
    if (!level) return Value();
    Value object = operandValue(n.object, f);
    IData* o = object.object();
    if (!o || !isObjectTag(o->tag())) return Value();
    DataPtr value = o->getAttribute(n.field->text());
    if (!value && warningsOn()) warnAttribute(*o, *n.field);
    return Value(std::move(value));
  }
  const Operand object;
  const DataID* field;
};

struct MethodCode final : Code {
  MethodCode(Operand o, const DataCallFunction* c, std::vector<Operand> a)
      : Code(&runIt), object(std::move(o)), call(c), args(std::move(a)), listMethod(DataVector::methodOf(c->name)),
        site{c->text(), c->place} {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const MethodCode&>(c);
    Level level;
    if (!level) return Value();
    // Held for the call: the arguments may change the variable.
    Value object = operandValue(n.object, f);
    if (warningsOn()) checkMethodCall(object, *n.call);
    IData* o = object.object();
    if (!o || !isObjectTag(o->tag())) return Value();
    // The object's own check, then the call's nesting level (one more, as
    // every method call counts), then the arguments left to right.
    const bool list = o->tag() == kTagVector;
    if (!list && !o->refersToObject()) return Value();
    Level methodLevel;
    if (!methodLevel) return Value();
    ValueArgs args(n.args.size());
    for (std::size_t i = 0; i < n.args.size(); ++i) args[i] = operandValue(n.args[i], f);
    if (list) return static_cast<DataVector*>(o)->invoke(n.listMethod, args.data(), args.size());
    MethodCall m(n.call->name, args.data(), args.size(), n.site);
    return Value(o->callMethod(m));
  }
  const Operand object;
  const DataCallFunction* call;
  const std::vector<Operand> args;
  const DataVector::Method listMethod;
  const MethodSite site;
};

struct IndexCode final : Code {
  IndexCode(Var t, Operand k) : Code(&runIt), target(std::move(t)), key(std::move(k)) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const IndexCode&>(c);
    Level level;
    if (!level) return Value();
    Value key = operandValue(n.key, f);
    // The variable of the local table, else of the running file's table.
    const Value* slot = nullptr;
    if (n.target.slot >= 0 && f.bound[n.target.slot]) {
      slot = &f.slots[n.target.slot];
    } else {
      const int32_t file = n.target.global->file;
      const bool local = n.target.slot < 0 && file == static_cast<int32_t>(f.file);
      if (file >= 0 && (local || file == static_cast<int32_t>(runningFile()))) slot = &n.target.global->value;
    }
    if (!slot) return unsetRead(n.target, f);
    if (!slot->object()) return Value();
    const Value object = *slot;
    return Value(object.object()->index(key.box()));
  }
  const Var target;
  const Operand key;
};

// ---- calls -------------------------------------------------------------------------

// A frame's slots for each call depth, kept from call to call.
struct FrameStore {
  std::vector<Value> slots;
  std::vector<uint8_t> bound;
};
std::vector<std::unique_ptr<FrameStore>> frameStores;
int callDepth = 0;

class FrameLease {
public:
  explicit FrameLease(std::size_t slots) {
    if (static_cast<std::size_t>(callDepth) == frameStores.size()) frameStores.push_back(std::make_unique<FrameStore>());
    store_ = frameStores[static_cast<std::size_t>(callDepth)].get();
    ++callDepth;
    if (store_->slots.size() < slots) {
      store_->slots.resize(slots);
      store_->bound.resize(slots, 0);
    }
    count_ = slots;
  }
  ~FrameLease() {
    for (std::size_t i = 0; i < count_; ++i) {
      store_->slots[i] = Value();
      store_->bound[i] = 0;
    }
    --callDepth;
  }
  FrameLease(const FrameLease&) = delete;
  FrameLease& operator=(const FrameLease&) = delete;
  Value* slots() { return store_->slots.data(); }
  uint8_t* bound() { return store_->bound.data(); }

private:
  FrameStore* store_;
  std::size_t count_;
};

}  // namespace

Value callCompiled(const CompiledFunction& fn, Value* args, std::size_t count) {
  Value result;
  if (fn.paramCount != count) return result;
  // A runaway recursion ends here with null instead of a stack overflow.
  if (aborting) return result;
  if (callDepth >= kMaxCallDepth) {
    startRunaway(RunawayLimit::CallDepth);
    return result;
  }
  countStep();
  RunawayBoundary boundary;
  {
    FrameLease lease(fn.slotCount);
    Frame f{lease.slots(), lease.bound(), static_cast<uint32_t>(runningFile()), &fn.slotNames};
    for (std::size_t i = 0; i < count; ++i) {
      const int32_t s = fn.paramSlots[i];
      if (s < 0) continue;
      f.slots[s] = std::move(args[i]);
      f.bound[s] = 1;
    }
    // The call consumes the return flag its body set.
    if (runBlock(fn.body, f, result)) returnFlag = false;
  }
  collectIfCrowded();
  if (boundary.endRunaway()) result = Value();
  return result;
}

namespace {

Scope& checkLocals(const Frame& f) {
  static Scope locals;
  locals = localsOf(f);
  return locals;
}

struct CallCode final : Code {
  CallCode(const DataCallFunction* c, CallForm fm, FunctionSlot* s, std::vector<Operand> a, std::vector<ExpressionArg> e)
      : Code(&runIt), call(c), form(fm), slot(s), args(std::move(a)), expressions(std::move(e)) {}

  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const CallCode&>(c);
    Level level;
    if (!level) return Value();
    if (n.form == CallForm::Values || n.form == CallForm::Checked) {
      const uint64_t said = diagnosticsOffered();
      ValueArgs values(n.args.size());
      for (std::size_t i = 0; i < n.args.size(); ++i) values[i] = operandValue(n.args[i], f);
      // The arguments first (an include among them may define the function).
      syncFunctionsIfChanged();
      if (const CompiledFunction* fn = n.slot->fn) {
        // Held: the body may replace the definition while it runs.
        SmartPointer<Function> hold(fn->source);
        return callCompiled(*fn, values.data(), values.size());
      }
      return n.callBuiltin(values, n.form == CallForm::Checked && diagnosticsOffered() != said, f);
    }
    return n.callWithExpressions(f);
  }

  // A built-in's call (or a call of nothing) counts a step as a function's
  // does, so that a spent budget stops a unit at its first call.
  Value callBuiltin(ValueArgs& values, bool argumentsReported, const Frame& f) const {
    countStep();
    Builtin* builtin = findBuiltin(call->name);
    if (!builtin) {
      if (warningsOn()) warnNoFunction(*call);
      return Value();
    }
    ArgBuffer argv;
    argv->reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) argv->push_back(values[i].box());
    Builtin held = *builtin;
    script::detail::builtinCallPlace = call->place;
    Value result(held(*argv));
    if (warningsOn()) checkBuiltinCall(*call, *argv, static_cast<bool>(result), argumentsReported, checkLocals(f));
    return result;
  }

  Value callWithExpressions(Frame& f) const {
    const uint64_t said = diagnosticsOffered();
    ArgBuffer argv;
    if (form == CallForm::Timer) {
      if (expressions.size() != 4) {
        if (warningsOn()) checkBuiltinCall(*call, *argv, false, false, checkLocals(f));
        return Value();
      }
      argv->push_back(operandValue(args[0], f).box());
      argv->push_back(operandValue(args[1], f).box());
      argv->push_back(expressionValue(expressions[2]));
      argv->push_back(expressionValue(expressions[3]));
    } else {
      for (const ExpressionArg& e : expressions) argv->push_back(expressionValue(e));
    }
    const bool reported = diagnosticsOffered() != said;
    syncFunctionsIfChanged();
    Value result;
    if (const CompiledFunction* fn = slot->fn) {
      SmartPointer<Function> hold(fn->source);
      ValueArgs values(argv->size());
      for (std::size_t i = 0; i < argv->size(); ++i) values[i] = Value((*argv)[i]);
      argv->clear();
      return callCompiled(*fn, values.data(), values.size());
    }
    countStep();
    Builtin* builtin = findBuiltin(call->name);
    if (!builtin) {
      if (warningsOn()) warnNoFunction(*call);
      return result;
    }
    Builtin held = *builtin;
    script::detail::builtinCallPlace = call->place;
    result = Value(held(*argv));
    if (warningsOn()) checkBuiltinCall(*call, *argv, static_cast<bool>(result), reported, checkLocals(f));
    return result;
  }

  static DataPtr expressionValue(const ExpressionArg& e) {
    if (e.stored) return makeStoredCall(e);
    return DataPtr(const_cast<IData*>(e.node));
  }

  const DataCallFunction* call;
  const CallForm form;
  FunctionSlot* slot;
  const std::vector<Operand> args;
  const std::vector<ExpressionArg> expressions;
};

// ---- control flow --------------------------------------------------------------------

struct IfCode final : Code {
  IfCode(Operand c, Block t, Block e) : Code(&runIt), condition(std::move(c)), thenPart(std::move(t)), elsePart(std::move(e)) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const IfCode&>(c);
    Level level;
    if (!level) return Value();
    const Value test = operandValue(n.condition, f);
    // Only a real bool chooses a branch: `if (1)` does nothing.
    if (test.kind() != Value::kBool) return Value();
    Value result;
    if (runBlock(test.boolValue() ? n.thenPart : n.elsePart, f, result)) return result;
    return Value();
  }
  const Operand condition;
  const Block thenPart, elsePart;
};

// A loop's condition: 1 or 0 for a value that converts to true or false, -1
// for one that does not.
inline int loopTest(const Operand& condition, Frame& f) {
  countStep();
  bool go;
  return asBool(operandValue(condition, f), go) ? go : -1;
}

struct LoopCode final : Code {
  LoopCode(Run r, Operand i, Operand c, Operand s, Block b)
      : Code(r), init(std::move(i)), condition(std::move(c)), step(std::move(s)), body(std::move(b)) {}
  const Operand init, condition, step;
  const Block body;
};

Value runWhile(const Code& c, Frame& f) {
  const auto& n = static_cast<const LoopCode&>(c);
  Level level;
  if (!level) return Value();
  for (;;) {
    const int go = loopTest(n.condition, f);
    if (go < 0) return Value();
    if (!go) return Value::boolean(true);
    Value result;
    if (runBlock(n.body, f, result)) return result;
    if (aborting) return Value();
    collectIfCrowded();
  }
}

Value runFor(const Code& c, Frame& f) {
  const auto& n = static_cast<const LoopCode&>(c);
  Level level;
  if (!level) return Value();
  operandValue(n.init, f);
  for (;;) {
    if (loopTest(n.condition, f) <= 0) return Value();
    Value result;
    if (runBlock(n.body, f, result)) return result;
    operandValue(n.step, f);
    if (aborting) return Value();
    collectIfCrowded();
  }
}

struct ReturnCode final : Code {
  explicit ReturnCode(Operand v) : Code(&runIt), value(std::move(v)) {}
  static Value runIt(const Code& c, Frame& f) {
    Value v = operandValue(static_cast<const ReturnCode&>(c).value, f);
    returnFlag = true;
    return v;
  }
  const Operand value;
};

// ---- stored calls ------------------------------------------------------------------------

class StoredCall final : public IData {
public:
  StoredCall(std::shared_ptr<Program> program, std::shared_ptr<const CompiledFunction> body, const IData* node)
      : IData(kTagCallFunction), program_(std::move(program)), body_(std::move(body)), node_(const_cast<IData*>(node)) {}
  std::size_t size() const override { return sizeof(*this); }
  void print() override { node_->print(); }
  // Runs the call with a fresh, empty local scope (the scope given is that).
  // Its frame is not a call's: it does not count toward the call depth.
  DataPtr evaluate(Scope&) override {
    std::vector<Value> slots(body_->slotCount);
    std::vector<uint8_t> bound(body_->slotCount, 0);
    Frame f{slots.data(), bound.data(), static_cast<uint32_t>(runningFile()), &body_->slotNames};
    const Code& call = *body_->body.front();
    return call.run(call, f).box();
  }

private:
  std::shared_ptr<Program> program_;
  std::shared_ptr<const CompiledFunction> body_;
  DataPtr node_;
};

}  // namespace

// ---- the factories -----------------------------------------------------------------------

Value evalOperand(const Operand& o, Frame& f) { return operandValue(o, f); }


DataPtr makeStoredCall(const ExpressionArg& arg) {
  return DataPtr(new StoredCall(sharedProgram(), arg.stored, arg.node));
}

const Code* makeOperandCode(Program& p, Operand o) {
  if (o.kind == Operand::kCode) return o.code;
  return p.keep(std::make_unique<OperandCode>(std::move(o)));
}
const Code* makeNothing(Program& p) { return p.keep(std::make_unique<NothingCode>()); }
const Code* makeList(Program& p, std::vector<ListItem> items) { return p.keep(std::make_unique<ListCode>(std::move(items))); }
const Code* makeParenthesised(Program& p, Operand element) {
  return p.keep(std::make_unique<ParenthesisedCode>(std::move(element)));
}

const Code* makeBinary(Program& p, Op op, Operand left, Operand right) {
  const Operand::Kind l = left.kind == Operand::kNone ? Operand::kConst : left.kind;
  const Operand::Kind r = right.kind == Operand::kNone ? Operand::kConst : right.kind;
  Code::Run run = nullptr;
  switch (op) {
    case Op::Add: run = binaryRun<Op::Add>(l, r); break;
    case Op::Sub: run = binaryRun<Op::Sub>(l, r); break;
    case Op::Mul: run = binaryRun<Op::Mul>(l, r); break;
    case Op::Div: run = binaryRun<Op::Div>(l, r); break;
    case Op::Mod: run = binaryRun<Op::Mod>(l, r); break;
    case Op::Lt: run = binaryRun<Op::Lt>(l, r); break;
    case Op::Gt: run = binaryRun<Op::Gt>(l, r); break;
    case Op::Le: run = binaryRun<Op::Le>(l, r); break;
    case Op::Ge: run = binaryRun<Op::Ge>(l, r); break;
    case Op::Eq: run = binaryRun<Op::Eq>(l, r); break;
    case Op::Ne: run = binaryRun<Op::Ne>(l, r); break;
    case Op::And: run = binaryRun<Op::And>(l, r); break;
    case Op::Or: run = binaryRun<Op::Or>(l, r); break;
    default: return makeNothing(p);
  }
  left.kind = l;
  right.kind = r;
  return p.keep(std::make_unique<BinaryCode>(run, op, std::move(left), std::move(right)));
}

const Code* makeUnary(Program& p, Op op, Operand operand) {
  return p.keep(std::make_unique<UnaryCode>(op, std::move(operand)));
}
const Code* makeAssign(Program& p, Var target, Operand value) {
  return p.keep(std::make_unique<AssignCode>(&runAssign, Op::Assign, std::move(target), std::move(value)));
}
const Code* makeCompoundAssign(Program& p, Op base, Var target, Operand value) {
  return p.keep(std::make_unique<AssignCode>(&runCompoundAssign, base, std::move(target), std::move(value)));
}
const Code* makeStep(Program& p, Op op, Var target) {
  return p.keep(std::make_unique<AssignCode>(&runStep, op, std::move(target), Operand{}));
}
const Code* makeField(Program& p, Operand object, const DataID* field) {
  return p.keep(std::make_unique<FieldCode>(std::move(object), field));
}
const Code* makeMethodCall(Program& p, Operand object, const DataCallFunction* call, std::vector<Operand> args) {
  return p.keep(std::make_unique<MethodCode>(std::move(object), call, std::move(args)));
}
const Code* makeIndex(Program& p, Var target, Operand key) {
  return p.keep(std::make_unique<IndexCode>(std::move(target), std::move(key)));
}
const Code* makeCall(Program& p, const DataCallFunction* call, CallForm form, FunctionSlot* slot,
                     std::vector<Operand> args, std::vector<ExpressionArg> expressions) {
  return p.keep(std::make_unique<CallCode>(call, form, slot, std::move(args), std::move(expressions)));
}
const Code* makeIf(Program& p, Operand condition, Block thenPart, Block elsePart) {
  return p.keep(std::make_unique<IfCode>(std::move(condition), std::move(thenPart), std::move(elsePart)));
}
const Code* makeWhile(Program& p, Operand condition, Block body) {
  return p.keep(std::make_unique<LoopCode>(&runWhile, Operand{}, std::move(condition), Operand{}, std::move(body)));
}
const Code* makeFor(Program& p, Operand init, Operand condition, Operand step, Block body) {
  return p.keep(std::make_unique<LoopCode>(&runFor, std::move(init), std::move(condition), std::move(step), std::move(body)));
}
const Code* makeReturn(Program& p, Operand value) { return p.keep(std::make_unique<ReturnCode>(std::move(value))); }

}  // namespace qor::script::compiled
