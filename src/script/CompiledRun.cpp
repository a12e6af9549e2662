// The interpreter's run functions: one per construct, and for the operators
// one per operator and operand kinds, chosen when the node is built. They
// keep the language's runaway rules exactly: every construct but a name or a
// literal counts one nesting level; past the limit, or once a
// runaway is unwinding, a construct gives null at once, statement lists and
// loops stop, and the outermost user-function call in progress ends the
// runaway with null. The evaluation budget is counted once per loop pass and
// once per call.

#include "script/CompiledCode.h"

#include "base/Inline.h"

#include "script/Diagnostics.h"
#include "script/ObjectProtocol.h"
#include "script/RunChecks.h"
#include "script/Signatures.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

#include <algorithm>
#include <utility>

namespace qor::script::compiled {

namespace {

// One nesting level, as DepthGuard counts it for the run-time pieces (List
// printing and comparison), but without its step: steps are counted by the
// loop or call around it instead.
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

// store() of a worked-out number: in place when the slot holds no object.
KELVO_ALWAYS_INLINE void storeNumber(const Var& v, Frame& f, const Number& n) {
  Value* slot = nullptr;
  if (v.slot >= 0 && f.bound[v.slot])
    slot = &f.slots[v.slot];
  else if (v.global->file >= 0)
    slot = &v.global->value;
  if (slot && !slot->object()) {
    slot->setPlain(n.kind, n.i);
    return;
  }
  store(v, f, n.value());
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

// Runs statements in order, for their effect; true when one set the return
// flag (its value in *f.result). Stops, false, when a runaway is unwinding.
bool execBlock(const Block& block, Frame& f) {
  for (const Code* s : block) {
    if (aborting) return false;
    s->exec(*s, f);
    if (returnFlag) return true;
  }
  return false;
}

// The same for a construct that gives the returned value as its own: true
// with the value in `result`.
bool runBlock(const Block& block, Frame& f, Value& result) {
  Value* const outer = f.result;
  f.result = &result;
  const bool returned = execBlock(block, f);
  f.result = outer;
  return returned;
}

// A statement run for its effect hands on the value its run would give
// when it leaves the return flag set: the block around it stops there and
// that value is what the call returns.
KELVO_ALWAYS_INLINE void give(Frame& f, Value v) {
  if (returnFlag) [[unlikely]]
    *f.result = std::move(v);
}

// True when the pure form of `c` may stand for its run here: nothing is
// unwinding and its nesting levels, counted from `above` levels beneath the
// current one, stay within the limit (so no level of it would stop it).
KELVO_ALWAYS_INLINE bool pureFits(const Code& c, int above) {
  return !aborting && evalDepth + above + static_cast<int>(c.pureHeight) <= kMaxEvalDepth;
}

bool isPlainNumber(const Value& v) { return v.kind() == Value::kInt || v.kind() == Value::kFloat; }

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

// An operand of an operator's pure form, read in place (`tmp` holds a
// worked-out one); null when it has no plain number.
KELVO_ALWAYS_INLINE bool numberOf(const Value& v, Number& out) {
  out.kind = v.kind();
  out.i = v.intValue();
  return out.kind == Value::kInt || out.kind == Value::kFloat;
}

template <Operand::Kind K>
KELVO_ALWAYS_INLINE bool pureOperand(const Operand& o, Frame& f, Number& out) {
  if constexpr (K == Operand::kVar) {
    const Value* v = find(o.var, f);
    return v && numberOf(*v, out);
  } else if constexpr (K == Operand::kConst) {
    return numberOf(o.constant, out);
  } else {
    return o.code->pure(*o.code, f, out) && out.kind != Value::kBool;
  }
}

// A comparison of two ints or two floats as a bool Number; false for an
// operator that is not a comparison.
template <Op kOp, class T>
KELVO_ALWAYS_INLINE bool numberComparison(T x, T y, Number& out) {
  out.kind = Value::kBool;
  switch (kOp) {
    case Op::Lt: out.i = x < y; return true;
    case Op::Gt: out.i = x > y; return true;
    case Op::Le: out.i = x <= y; return true;
    case Op::Ge: out.i = x >= y; return true;
    case Op::Eq: out.i = x == y; return true;
    case Op::Ne: out.i = x != y; return true;
    default: return false;
  }
}

// plainArithmetic on Numbers: the same results, the same refusals.
template <Op kOp>
KELVO_ALWAYS_INLINE bool numberArithmetic(const Number& a, const Number& b, Number& out) {
  if (a.kind == Value::kInt && b.kind == Value::kInt) {
    const int32_t x = a.i, y = b.i;
    out.kind = Value::kInt;
    switch (kOp) {
      case Op::Add: out.i = wrapAdd(x, y); return true;
      case Op::Sub: out.i = wrapSub(x, y); return true;
      case Op::Mul: out.i = wrapMul(x, y); return true;
      case Op::Div:
        if (y <= 0) return false;
        out.i = x / y;
        return true;
      case Op::Mod:
        if (y <= 0) return false;
        out.i = x % y;
        return true;
      default: break;
    }
    return numberComparison<kOp>(x, y, out);
  }
  const float x = a.kind == Value::kFloat ? a.f : static_cast<float>(a.i);
  const float y = b.kind == Value::kFloat ? b.f : static_cast<float>(b.i);
  out.kind = Value::kFloat;
  switch (kOp) {
    case Op::Add: out.f = x + y; return true;
    case Op::Sub: out.f = x - y; return true;
    case Op::Mul: out.f = x * y; return true;
    case Op::Div: out.f = x / y; return true;
    default: break;
  }
  return numberComparison<kOp>(x, y, out);
}

// The value of a condition: its pure form when it has one that fits, else
// its run.
KELVO_ALWAYS_INLINE Value conditionValue(const Operand& o, Frame& f) {
  if (o.kind == Operand::kCode && o.code->pure && pureFits(*o.code, 0)) {
    Number out;
    if (o.code->pure(*o.code, f, out)) return out.value();
  }
  return operandValue(o, f);
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
  ParenthesisedCode(Run r, Operand e) : Code(r), element(std::move(e)) {}
  static Value runIt(const Code& c, Frame& f) {
    Level level;
    if (!level) return Value();
    return operandValue(static_cast<const ParenthesisedCode&>(c).element, f);
  }
  static Value runPureFirst(const Code& c, Frame& f) {
    if (pureFits(c, 0)) {
      Number out;
      if (pureIt(c, f, out)) return out.value();
    }
    return runIt(c, f);
  }
  static bool pureIt(const Code& c, Frame& f, Number& out) {
    const Operand& e = static_cast<const ParenthesisedCode&>(c).element;
    switch (e.kind) {
      case Operand::kVar: {
        const Value* v = find(e.var, f);
        return v && numberOf(*v, out);
      }
      case Operand::kConst: return numberOf(e.constant, out);
      case Operand::kCode: return e.code->pure(*e.code, f, out);
      default: return false;
    }
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

template <Op kOp, Operand::Kind L, Operand::Kind R>
bool pureBinary(const Code& c, Frame& f, Number& out) {
  const auto& n = static_cast<const BinaryCode&>(c);
  Number a, b;
  return pureOperand<L>(n.left, f, a) && pureOperand<R>(n.right, f, b) && numberArithmetic<kOp>(a, b, out);
}

// An operand of "&&" / "||" or "!": any bool, int or float.
KELVO_ALWAYS_INLINE bool plainOf(const Value& v, Number& out) {
  out.kind = v.kind();
  out.i = v.intValue();
  return v.isPlain();
}
template <Operand::Kind K>
KELVO_ALWAYS_INLINE bool pureLogicOperand(const Operand& o, Frame& f, Number& out) {
  if constexpr (K == Operand::kVar) {
    const Value* v = find(o.var, f);
    return v && plainOf(*v, out);
  } else if constexpr (K == Operand::kConst) {
    return plainOf(o.constant, out);
  } else {
    return o.code->pure(*o.code, f, out);
  }
}
// A plain value as "&&", "||" and "!" take it: true when not zero.
KELVO_ALWAYS_INLINE bool truth(const Number& n) { return n.kind == Value::kFloat ? n.f != 0.0f : n.i != 0; }

// "&&" and "||" on plain values (both sides always worked out, as in the
// full run): the plain tables' logic.
template <Op kOp, Operand::Kind L, Operand::Kind R>
bool pureLogic(const Code& c, Frame& f, Number& out) {
  const auto& n = static_cast<const BinaryCode&>(c);
  Number a, b;
  if (!pureLogicOperand<L>(n.left, f, a) || !pureLogicOperand<R>(n.right, f, b)) return false;
  out.kind = Value::kBool;
  out.i = kOp == Op::And ? (truth(a) && truth(b)) : (truth(a) || truth(b));
  return true;
}

template <Op kOp, Operand::Kind L, Operand::Kind R>
bool pureOf(const Code& c, Frame& f, Number& out) {
  if constexpr (kOp == Op::And || kOp == Op::Or)
    return pureLogic<kOp, L, R>(c, f, out);
  else
    return pureBinary<kOp, L, R>(c, f, out);
}

// The pure form first when it fits, else (or when it declines) the full run.
template <Op kOp, Operand::Kind L, Operand::Kind R>
Value runBinaryPureFirst(const Code& c, Frame& f) {
  if (pureFits(c, 0)) {
    Number out;
    if (pureOf<kOp, L, R>(c, f, out)) return out.value();
  }
  return runBinary<kOp, L, R>(c, f);
}

struct BinaryForms {
  Code::Run run = nullptr;
  Code::Pure pure = nullptr;
};

template <Op kOp, Operand::Kind L, Operand::Kind R>
BinaryForms binaryForms(bool pure) {
  if (pure) return {&runBinaryPureFirst<kOp, L, R>, &pureOf<kOp, L, R>};
  return {&runBinary<kOp, L, R>, nullptr};
}

template <Op kOp, Operand::Kind L>
BinaryForms binaryByRight(Operand::Kind r, bool pure) {
  switch (r) {
    case Operand::kVar: return binaryForms<kOp, L, Operand::kVar>(pure);
    case Operand::kConst: return binaryForms<kOp, L, Operand::kConst>(pure);
    default: return binaryForms<kOp, L, Operand::kCode>(pure);
  }
}

template <Op kOp>
BinaryForms binaryRun(Operand::Kind l, Operand::Kind r, bool pure) {
  switch (l) {
    case Operand::kVar: return binaryByRight<kOp, Operand::kVar>(r, pure);
    case Operand::kConst: return binaryByRight<kOp, Operand::kConst>(r, pure);
    default: return binaryByRight<kOp, Operand::kCode>(r, pure);
  }
}

struct UnaryCode final : Code {
  UnaryCode(Run r, Op o, Operand a) : Code(r), op(o), operand(std::move(a)) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const UnaryCode&>(c);
    Level level;
    if (!level) return Value();
    return unaryOp(n.op, operandValue(n.operand, f));
  }
  // "!" and negation on a plain value, as the unary tables give them.
  static bool pureIt(const Code& c, Frame& f, Number& out) {
    const auto& n = static_cast<const UnaryCode&>(c);
    Number a;
    switch (n.operand.kind) {
      case Operand::kVar: {
        const Value* v = find(n.operand.var, f);
        if (!v || !plainOf(*v, a)) return false;
        break;
      }
      case Operand::kConst:
        if (!plainOf(n.operand.constant, a)) return false;
        break;
      case Operand::kCode:
        if (!n.operand.code->pure(*n.operand.code, f, a)) return false;
        break;
      default: return false;
    }
    if (n.op == Op::Not) {
      out.kind = Value::kBool;
      out.i = !truth(a);
      return true;
    }
    // Negation: of an int or a float only.
    out.kind = a.kind;
    if (a.kind == Value::kInt) {
      out.i = wrapSub(0, a.i);
      return true;
    }
    if (a.kind == Value::kFloat) {
      out.f = -a.f;
      return true;
    }
    return false;
  }
  static Value runPureFirst(const Code& c, Frame& f) {
    if (pureFits(c, 0)) {
      Number out;
      if (pureIt(c, f, out)) return out.value();
    }
    return runIt(c, f);
  }
  const Op op;
  const Operand operand;
};

// ---- assignment ------------------------------------------------------------------

struct AssignCode final : Code {
  AssignCode(Run r, Exec e, Op o, Var t, Operand v) : Code(r, e), op(o), target(std::move(t)), value(std::move(v)) {}
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

void execAssign(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  Level level;
  if (!level) return give(f, Value());
  Value v = operandValue(n.value, f);
  if (returnFlag) [[unlikely]] {
    store(n.target, f, v);
    *f.result = std::move(v);
    return;
  }
  store(n.target, f, std::move(v));
}

// "x = e" with e an operator over names and numbers: the number worked out
// in line when it fits.
Value runAssignPure(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  if (pureFits(*n.value.code, 1)) {
    Number out;
    if (n.value.code->pure(*n.value.code, f, out)) {
      Value v = out.value();
      store(n.target, f, v);
      return v;
    }
  }
  return runAssign(c, f);
}

void execAssignPure(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  if (pureFits(*n.value.code, 1)) {
    Number out;
    if (n.value.code->pure(*n.value.code, f, out)) {
      give(f, out.value());
      storeNumber(n.target, f, out);
      return;
    }
  }
  execAssign(c, f);
}

// "x op= e": the variable is read before the right side runs and stored
// after it, into whichever table has the name then.
uint32_t pureHeightOfValue(const AssignCode& n) {
  return n.value.kind == Operand::kCode ? n.value.code->pureHeight : 0;
}

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

// "x op= e" on plain numbers (e a name, a number literal or a pure tree),
// worked out in line when it fits; false, having changed nothing, else.
bool compoundNumber(const AssignCode& n, Frame& f, Number& out) {
  if (aborting || evalDepth + 1 + static_cast<int>(pureHeightOfValue(n)) > kMaxEvalDepth) return false;
  Value* slot = find(n.target, f);
  Number a, b;
  if (!slot || !numberOf(*slot, a)) return false;
  switch (n.value.kind) {
    case Operand::kVar: {
      const Value* v = find(n.value.var, f);
      if (!v || !numberOf(*v, b)) return false;
      break;
    }
    case Operand::kConst:
      if (!numberOf(n.value.constant, b)) return false;
      break;
    case Operand::kCode:
      if (!n.value.code->pure(*n.value.code, f, b) || b.kind == Value::kBool) return false;
      break;
    default: return false;
  }
  bool done = false;
  switch (n.op) {
    case Op::Add: done = numberArithmetic<Op::Add>(a, b, out); break;
    case Op::Sub: done = numberArithmetic<Op::Sub>(a, b, out); break;
    case Op::Mul: done = numberArithmetic<Op::Mul>(a, b, out); break;
    case Op::Div: done = numberArithmetic<Op::Div>(a, b, out); break;
    case Op::Mod: done = numberArithmetic<Op::Mod>(a, b, out); break;
    default: break;
  }
  if (!done) return false;
  slot->setPlain(out.kind, out.i);
  return true;
}

Value runCompoundNumber(const Code& c, Frame& f) {
  Number out;
  if (compoundNumber(static_cast<const AssignCode&>(c), f, out)) return out.value();
  return runCompoundAssign(c, f);
}

void execCompoundNumber(const Code& c, Frame& f) {
  Number out;
  if (compoundNumber(static_cast<const AssignCode&>(c), f, out)) return give(f, out.value());
  give(f, runCompoundAssign(c, f));
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

void execStep(const Code& c, Frame& f) {
  const auto& n = static_cast<const AssignCode&>(c);
  Level level;
  if (!level) return give(f, Value());
  Value* slot = find(n.target, f);
  if (!slot) return give(f, unsetRead(n.target, f));
  if (slot->kind() == Value::kInt && (n.op == Op::Inc || n.op == Op::Dec)) {
    slot->replaceInt(n.op == Op::Inc ? wrapAdd(slot->intValue(), 1) : wrapSub(slot->intValue(), 1));
  } else {
    *slot = unaryOp(n.op, *slot);
  }
  give(f, *slot);
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
  MethodCode(Run r, Operand o, const DataCallFunction* c, std::vector<Operand> a)
      : Code(r), object(std::move(o)), call(c), args(std::move(a)), listMethod(DataVector::methodOf(c->name)),
        site{c->text(), c->place}, fitsList(callFit("List", c->name, c->args.size()) == CallFit::Fits) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const MethodCode&>(c);
    Level level;
    if (!level) return Value();
    // Held for the call: the arguments may change the variable.
    Value object = operandValue(n.object, f);
    IData* o = object.object();
    // A List method called with a count it takes has nothing to report.
    if (warningsOn() && !(n.fitsList && o && o->tag() == kTagVector)) checkMethodCall(object, *n.call);
    if (!o || !isObjectTag(o->tag())) return Value();
    // The object's own check, then the call's nesting level (one more, as
    // every method call counts), then the arguments left to right.
    const bool list = o->tag() == kTagVector;
    if (!list && !o->refersToObject()) return Value();
    Level methodLevel;
    if (!methodLevel) return Value();
    if (list && n.args.size() <= 2) {
      // The short List methods (get, set, add, ...): the arguments in place.
      Value small[2];
      for (std::size_t i = 0; i < n.args.size(); ++i) small[i] = operandValue(n.args[i], f);
      auto* l = static_cast<DataVector*>(o);
      int32_t index;
      std::size_t at;
      if (n.listMethod == DataVector::Method::Get && n.args.size() == 1 && intArg(small[0], index) &&
          wrapIndex(index, l->elements.size(), at))
        return l->elements[at];
      return l->invoke(n.listMethod, small, n.args.size());
    }
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
  const bool fitsList;
};

// An argument of the in-place List forms: a leaf read in place, or a pure
// tree worked out into `tmp`; null when it has no such value.
KELVO_ALWAYS_INLINE const Value* leafOrPure(const Operand& o, Frame& f, Value& tmp) {
  switch (o.kind) {
    case Operand::kVar: return find(o.var, f);
    case Operand::kConst: return &o.constant;
    case Operand::kCode: {
      Number n;
      if (!o.code->pure(*o.code, f, n)) return nullptr;
      tmp = n.value();
      return &tmp;
    }
    default: return nullptr;
  }
}

// The List element `l.get(i)` or `l.set(i, v)` names, for a List variable,
// an int index already in range and operands that run nothing: no nesting
// level can stop the call (both of its levels fit), nothing is reported,
// and it ends as the full run would. Null when the shape is not that.
KELVO_ALWAYS_INLINE Value* listElementInPlace(const MethodCode& n, Frame& f, Value& tmp) {
  if (!n.fitsList || aborting || evalDepth + 2 + static_cast<int>(n.pureHeight) > kMaxEvalDepth) return nullptr;
  const Value* object = find(n.object.var, f);
  IData* o = object ? object->object() : nullptr;
  if (!o || o->tag() != kTagVector) return nullptr;
  const Value* key = leafOrPure(n.args[0], f, tmp);
  if (!key || key->kind() != Value::kInt) return nullptr;
  auto& elements = static_cast<DataVector*>(o)->elements;
  const int32_t i = key->intValue();
  if (i < 0 || static_cast<std::size_t>(i) >= elements.size()) return nullptr;
  return &elements[static_cast<std::size_t>(i)];
}

Value runListGet(const Code& c, Frame& f) {
  const auto& n = static_cast<const MethodCode&>(c);
  Value tmp;
  if (const Value* e = listElementInPlace(n, f, tmp)) return *e;
  return MethodCode::runIt(c, f);
}

Value runListSet(const Code& c, Frame& f) {
  const auto& n = static_cast<const MethodCode&>(c);
  Value tmp, tmp2;
  if (Value* e = listElementInPlace(n, f, tmp)) {
    if (const Value* v = leafOrPure(n.args[1], f, tmp2); v && *v) {
      *e = *v;
      return Value();
    }
  }
  return MethodCode::runIt(c, f);
}

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
  return callCompiled(fn, args, count, static_cast<uint32_t>(runningFile()));
}

Value callCompiled(const CompiledFunction& fn, Value* args, std::size_t count, uint32_t file) {
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
    Frame f{lease.slots(), lease.bound(), file, &fn.slotNames, &result};
    for (std::size_t i = 0; i < count; ++i) {
      const int32_t s = fn.paramSlots[i];
      if (s < 0) continue;
      f.slots[s] = std::move(args[i]);
      f.bound[s] = 1;
    }
    // The call consumes the return flag its body set.
    if (execBlock(fn.body, f)) returnFlag = false;
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
      const uint64_t said = n.form == CallForm::Checked ? diagnosticsOffered() : 0;
      ValueArgs values(n.args.size());
      for (std::size_t i = 0; i < n.args.size(); ++i) values[i] = operandValue(n.args[i], f);
      // The arguments first (an include among them may define the function).
      syncFunctionsIfChanged();
      if (const CompiledFunction* fn = n.slot->fn) {
        // Held: the body may replace the definition while it runs.
        SmartPointer<Function> hold(fn->source);
        // A frame's file is the running file (an include restores it
        // before the statement goes on).
        return callCompiled(*fn, values.data(), values.size(), f.file);
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
  IfCode(Operand c, Block t, Block e)
      : Code(&runIt, &execIt), condition(std::move(c)), thenPart(std::move(t)), elsePart(std::move(e)) {}
  static Value runIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const IfCode&>(c);
    Level level;
    if (!level) return Value();
    const Value test = conditionValue(n.condition, f);
    // Only a real bool chooses a branch: `if (1)` does nothing.
    if (test.kind() != Value::kBool) return Value();
    Value result;
    if (runBlock(test.boolValue() ? n.thenPart : n.elsePart, f, result)) return result;
    return Value();
  }
  static void execIt(const Code& c, Frame& f) {
    const auto& n = static_cast<const IfCode&>(c);
    Level level;
    if (!level) return give(f, Value());
    const Value test = conditionValue(n.condition, f);
    if (test.kind() != Value::kBool) return give(f, Value());
    if (!execBlock(test.boolValue() ? n.thenPart : n.elsePart, f)) give(f, Value());
  }
  const Operand condition;
  const Block thenPart, elsePart;
};

// A loop's condition: 1 or 0 for a value that converts to true or false, -1
// for one that does not.
KELVO_ALWAYS_INLINE int loopTest(const Operand& condition, Frame& f) {
  countStep();
  if (condition.kind == Operand::kCode && condition.code->pure && pureFits(*condition.code, 0)) {
    Number out;
    if (condition.code->pure(*condition.code, f, out)) {
      // A pure condition gives a bool (a comparison) or a number.
      return out.kind == Value::kFloat ? out.f != 0.0f : out.i != 0;
    }
  }
  bool go;
  return asBool(operandValue(condition, f), go) ? go : -1;
}

struct LoopCode final : Code {
  LoopCode(Run r, Exec e, Operand i, Operand c, Operand s, Block b)
      : Code(r, e), init(std::move(i)), condition(std::move(c)), step(std::move(s)), body(std::move(b)) {}
  const Operand init, condition, step;
  const Block body;
};

// How a loop ended: with null, with true (a while whose condition became
// false) or by a `return` in its body (the value in *f.result).
enum class LoopEnd : uint8_t { Null, True, Returned };

LoopEnd whileLoop(const LoopCode& n, Frame& f) {
  Level level;
  if (!level) return LoopEnd::Null;
  for (;;) {
    const int go = loopTest(n.condition, f);
    if (go < 0) return LoopEnd::Null;
    if (!go) return LoopEnd::True;
    if (execBlock(n.body, f)) return LoopEnd::Returned;
    if (aborting) return LoopEnd::Null;
    collectIfCrowded();
  }
}

LoopEnd forLoop(const LoopCode& n, Frame& f) {
  Level level;
  if (!level) return LoopEnd::Null;
  operandValue(n.init, f);
  for (;;) {
    if (loopTest(n.condition, f) <= 0) return LoopEnd::Null;
    if (execBlock(n.body, f)) return LoopEnd::Returned;
    operandValue(n.step, f);
    if (aborting) return LoopEnd::Null;
    collectIfCrowded();
  }
}

template <LoopEnd (*kLoop)(const LoopCode&, Frame&)>
Value runLoop(const Code& c, Frame& f) {
  Value result;
  Value* const outer = f.result;
  f.result = &result;
  const LoopEnd end = kLoop(static_cast<const LoopCode&>(c), f);
  f.result = outer;
  switch (end) {
    case LoopEnd::Returned: return result;
    case LoopEnd::True: return Value::boolean(true);
    default: return Value();
  }
}

template <LoopEnd (*kLoop)(const LoopCode&, Frame&)>
void execLoop(const Code& c, Frame& f) {
  switch (kLoop(static_cast<const LoopCode&>(c), f)) {
    case LoopEnd::Returned: return;
    case LoopEnd::True: return give(f, Value::boolean(true));
    default: return give(f, Value());
  }
}

struct ReturnCode final : Code {
  explicit ReturnCode(Operand v) : Code(&runIt, &execIt), value(std::move(v)) {}
  static Value runIt(const Code& c, Frame& f) {
    Value v = operandValue(static_cast<const ReturnCode&>(c).value, f);
    returnFlag = true;
    return v;
  }
  static void execIt(const Code& c, Frame& f) {
    Value v = operandValue(static_cast<const ReturnCode&>(c).value, f);
    returnFlag = true;
    *f.result = std::move(v);
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

void Code::execByRun(const Code& c, Frame& f) { give(f, c.run(c, f)); }


DataPtr makeStoredCall(const ExpressionArg& arg) {
  return DataPtr(new StoredCall(sharedProgram(), arg.stored, arg.node));
}

const Code* makeOperandCode(Program& p, Operand o) {
  if (o.kind == Operand::kCode) return o.code;
  return p.keep(std::make_unique<OperandCode>(std::move(o)));
}
const Code* makeNothing(Program& p) { return p.keep(std::make_unique<NothingCode>()); }
const Code* makeList(Program& p, std::vector<ListItem> items) { return p.keep(std::make_unique<ListCode>(std::move(items))); }
namespace {
// An operand an operator's pure form can take: a name, a number literal or
// a tree of such operators.
bool pureOperandKind(const Operand& o) {
  switch (o.kind) {
    case Operand::kVar: return true;
    case Operand::kConst: return isPlainNumber(o.constant);
    case Operand::kCode: return o.code->pure != nullptr;
    default: return false;
  }
}
uint32_t pureHeightOf(const Operand& o) { return o.kind == Operand::kCode ? o.code->pureHeight : 0; }
bool hasPureForm(Op op) {
  switch (op) {
    case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Mod:
    case Op::Lt: case Op::Gt: case Op::Le: case Op::Ge: case Op::Eq: case Op::Ne:
    case Op::And: case Op::Or: return true;
    default: return false;
  }
}
}  // namespace

const Code* makeParenthesised(Program& p, Operand element) {
  const bool pure = pureOperandKind(element);
  const uint32_t height = 1 + pureHeightOf(element);
  auto code = std::make_unique<ParenthesisedCode>(pure ? &ParenthesisedCode::runPureFirst : &ParenthesisedCode::runIt,
                                                  std::move(element));
  if (pure) {
    code->pure = &ParenthesisedCode::pureIt;
    code->pureHeight = height;
  }
  return p.keep(std::move(code));
}

const Code* makeBinary(Program& p, Op op, Operand left, Operand right) {
  const Operand::Kind l = left.kind == Operand::kNone ? Operand::kConst : left.kind;
  const Operand::Kind r = right.kind == Operand::kNone ? Operand::kConst : right.kind;
  left.kind = l;
  right.kind = r;
  const bool pure = hasPureForm(op) && pureOperandKind(left) && pureOperandKind(right);
  BinaryForms forms;
  switch (op) {
    case Op::Add: forms = binaryRun<Op::Add>(l, r, pure); break;
    case Op::Sub: forms = binaryRun<Op::Sub>(l, r, pure); break;
    case Op::Mul: forms = binaryRun<Op::Mul>(l, r, pure); break;
    case Op::Div: forms = binaryRun<Op::Div>(l, r, pure); break;
    case Op::Mod: forms = binaryRun<Op::Mod>(l, r, pure); break;
    case Op::Lt: forms = binaryRun<Op::Lt>(l, r, pure); break;
    case Op::Gt: forms = binaryRun<Op::Gt>(l, r, pure); break;
    case Op::Le: forms = binaryRun<Op::Le>(l, r, pure); break;
    case Op::Ge: forms = binaryRun<Op::Ge>(l, r, pure); break;
    case Op::Eq: forms = binaryRun<Op::Eq>(l, r, pure); break;
    case Op::Ne: forms = binaryRun<Op::Ne>(l, r, pure); break;
    case Op::And: forms = binaryRun<Op::And>(l, r, pure); break;
    case Op::Or: forms = binaryRun<Op::Or>(l, r, pure); break;
    default: return makeNothing(p);
  }
  const uint32_t height = 1 + std::max(pureHeightOf(left), pureHeightOf(right));
  auto code = std::make_unique<BinaryCode>(forms.run, op, std::move(left), std::move(right));
  if (forms.pure) {
    code->pure = forms.pure;
    code->pureHeight = height;
  }
  return p.keep(std::move(code));
}

const Code* makeUnary(Program& p, Op op, Operand operand) {
  const bool pure = (op == Op::Not || op == Op::Sub) &&
                    (operand.kind == Operand::kVar ||
                     (operand.kind == Operand::kConst && operand.constant.isPlain()) ||
                     (operand.kind == Operand::kCode && operand.code->pure));
  const uint32_t height = 1 + pureHeightOf(operand);
  auto code = std::make_unique<UnaryCode>(pure ? &UnaryCode::runPureFirst : &UnaryCode::runIt, op, std::move(operand));
  if (pure) {
    code->pure = &UnaryCode::pureIt;
    code->pureHeight = height;
  }
  return p.keep(std::move(code));
}
const Code* makeAssign(Program& p, Var target, Operand value) {
  const bool pure = value.kind == Operand::kCode && value.code->pure;
  return p.keep(std::make_unique<AssignCode>(pure ? &runAssignPure : &runAssign, pure ? &execAssignPure : &execAssign,
                                             Op::Assign, std::move(target), std::move(value)));
}
const Code* makeCompoundAssign(Program& p, Op base, Var target, Operand value) {
  const bool pure = pureOperandKind(value);
  return p.keep(std::make_unique<AssignCode>(pure ? &runCompoundNumber : &runCompoundAssign,
                                             pure ? &execCompoundNumber : nullptr, base, std::move(target),
                                             std::move(value)));
}
const Code* makeStep(Program& p, Op op, Var target) {
  return p.keep(std::make_unique<AssignCode>(&runStep, &execStep, op, std::move(target), Operand{}));
}
const Code* makeField(Program& p, Operand object, const DataID* field) {
  return p.keep(std::make_unique<FieldCode>(std::move(object), field));
}
const Code* makeMethodCall(Program& p, Operand object, const DataCallFunction* call, std::vector<Operand> args) {
  // l.get(i) and l.set(i, v) with operands that run nothing have a form in place.
  const DataVector::Method method = DataVector::methodOf(call->name);
  bool inPlace = object.kind == Operand::kVar && call->args.size() == args.size() &&
                 ((method == DataVector::Method::Get && args.size() == 1) ||
                  (method == DataVector::Method::Set && args.size() == 2));
  uint32_t height = 0;
  for (const Operand& a : args) {
    if (a.kind == Operand::kCode && !a.code->pure) inPlace = false;
    height = std::max(height, pureHeightOf(a));
  }
  Code::Run run = &MethodCode::runIt;
  if (inPlace) run = method == DataVector::Method::Get ? &runListGet : &runListSet;
  auto code = std::make_unique<MethodCode>(run, std::move(object), call, std::move(args));
  code->pureHeight = height;
  return p.keep(std::move(code));
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
  return p.keep(std::make_unique<LoopCode>(&runLoop<&whileLoop>, &execLoop<&whileLoop>, Operand{}, std::move(condition),
                                           Operand{}, std::move(body)));
}
const Code* makeFor(Program& p, Operand init, Operand condition, Operand step, Block body) {
  return p.keep(std::make_unique<LoopCode>(&runLoop<&forLoop>, &execLoop<&forLoop>, std::move(init), std::move(condition),
                                           std::move(step), std::move(body)));
}
const Code* makeReturn(Program& p, Operand value) { return p.keep(std::make_unique<ReturnCode>(std::move(value))); }

}  // namespace qor::script::compiled
