#include "script/Operators.h"

#include "script/Interpreter.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

namespace qor {

namespace {

MaterialEquals materialEquals = nullptr;

// The six comparisons and "&&" / "||" (each side true when not zero), shared
// by the int, float and bool tables; null for any other operator.
template <class T>
Value comparisonOrLogic(Op op, T a, T b) {
  switch (op) {
    case Op::Lt: return Value::boolean(a < b);
    case Op::Gt: return Value::boolean(a > b);
    case Op::Le: return Value::boolean(a <= b);
    case Op::Ge: return Value::boolean(a >= b);
    case Op::Eq: return Value::boolean(a == b);
    case Op::Ne: return Value::boolean(a != b);
    case Op::And: return Value::boolean(a != T(0) && b != T(0));
    case Op::Or: return Value::boolean(a != T(0) || b != T(0));
    default: return Value();
  }
}

Value intTable(Op op, int32_t a, int32_t b) {
  switch (op) {
    case Op::Add: return Value::integer(wrapAdd(a, b));
    case Op::Sub: return Value::integer(wrapSub(a, b));
    case Op::Mul: return Value::integer(wrapMul(a, b));
    case Op::Div:
      // Division by zero has no value. The most negative integer divided by
      // -1 wraps to itself, as two's-complement hardware gives it.
      if (b == 0) return Value();
      if (b == -1) return Value::integer(wrapSub(0, a));
      return Value::integer(a / b);
    case Op::Mod:
      if (b == 0 || (b == -1 && a == INT32_MIN)) return Value();
      return Value::integer(a % b);
    default: return comparisonOrLogic(op, a, b);
  }
}

Value floatTable(Op op, float a, float b) {
  switch (op) {
    case Op::Add: return Value::real(a + b);
    case Op::Sub: return Value::real(a - b);
    case Op::Mul: return Value::real(a * b);
    case Op::Div: return Value::real(a / b);
    default: return comparisonOrLogic(op, a, b);
  }
}

// Bools have no arithmetic: only the comparisons (false before true) and
// the logical operators.
Value boolTable(Op op, bool a, bool b) { return comparisonOrLogic(op, a, b); }

// Two plain values (bools, ints, floats): a float makes it the float table,
// else an int the int table (bools count as 1 and 0), else the bool table.
inline float plainFloat(const Value& v) {
  return v.kind() == Value::kFloat ? v.floatValue() : static_cast<float>(v.intValue());
}
inline Value plainOp(Op op, const Value& a, const Value& b) {
  if (a.kind() == Value::kFloat || b.kind() == Value::kFloat) return floatTable(op, plainFloat(a), plainFloat(b));
  if (a.kind() == Value::kInt || b.kind() == Value::kInt) return intTable(op, a.intValue(), b.intValue());
  return boolTable(op, a.boolValue(), b.boolValue());
}

Value simpleOp(Op op, const IData* a, const IData* b) {
  const int32_t ta = a->tag(), tb = b->tag();
  if (ta == kTagFloat || tb == kTagFloat) {
    float x = 0, y = 0;
    asFloat(a, x);
    asFloat(b, y);
    return floatTable(op, x, y);
  }
  if (ta == kTagInt || tb == kTagInt) {
    int32_t x = 0, y = 0;
    asInt(a, x);
    asInt(b, y);
    return intTable(op, x, y);
  }
  if (ta == kTagBool || tb == kTagBool) {
    bool x = false, y = false;
    asBool(a, x);
    asBool(b, y);
    return boolTable(op, x, y);
  }
  if (op != Op::Add) return Value();
  const std::string& x = static_cast<const DataString*>(a)->value;
  const std::string& y = static_cast<const DataString*>(b)->value;
  // Checked before the text is made: doubling a long string must not first
  // allocate past the memory budget.
  memory::require(x.size() + y.size());
  // A little room past the text: a chain of "+" appends its next short
  // operand to this new string in place (SyntaxTree.cpp).
  constexpr std::size_t kRoom = 16;
  std::string s;
  s.reserve(x.size() + y.size() + kRoom);
  s += x;
  s += y;
  return Value(makeString(std::move(s)));
}

bool listsEqual(DataVector& a, DataVector& b);

// A one-element List stands for its element (a parenthesised expression);
// a number or a bool element is boxed into `held` for the time of the
// operation. A List may hold itself, directly or through other one-element
// Lists: such a chain never reaches an element that is not a List, and a
// List of the cycle then stands for itself (found by Brent's test: a mark
// moved ahead at every power of two steps is met again).
const IData* unwrapped(const IData* d, DataPtr& held) {
  const IData* mark = d;
  std::size_t steps = 0, span = 1;
  while (d && d->tag() == kTagVector && static_cast<const DataVector*>(d)->elements.size() == 1) {
    const Value& e = static_cast<const DataVector*>(d)->elements[0];
    if (IData* o = e.object()) {
      d = o;
      if (d == mark) return d;
      if (++steps == span) {
        mark = d;
        steps = 0;
        span *= 2;
      }
    } else {
      held = e.box();
      d = held.get();
    }
  }
  return d;
}

Value combine(Op op, const IData* a, const IData* b) {
  DataPtr heldA, heldB;
  a = unwrapped(a, heldA);
  b = unwrapped(b, heldB);
  if (!a || !b) return Value();
  if (isSimple(a) && isSimple(b)) return simpleOp(op, a, b);
  if (a->tag() <= kTagVector && b->tag() <= kTagVector) {
    if (op != Op::Eq || a->tag() != kTagVector || b->tag() != kTagVector) return Value();
    script::DepthGuard guard;
    script::RunawayBoundary boundary;
    if (!guard) return Value();
    const bool equal = listsEqual(*const_cast<DataVector*>(static_cast<const DataVector*>(a)),
                                  *const_cast<DataVector*>(static_cast<const DataVector*>(b)));
    // Lists that hold themselves compare to the nesting limit and give null.
    if (boundary.endRunaway() || script::aborting) return Value();
    return Value::boolean(equal);
  }
  if (a->tag() <= kTagMaterial && b->tag() <= kTagMaterial) {
    if (op != Op::Eq || a->tag() != kTagMaterial || b->tag() != kTagMaterial || !materialEquals) return Value();
    return Value::boolean(materialEquals(*const_cast<IData*>(a), *const_cast<IData*>(b)));
  }
  return Value();
}

bool listsEqual(DataVector& a, DataVector& b) {
  if (a.elements.size() != b.elements.size()) return false;
  for (std::size_t i = 0; i < a.elements.size(); ++i) {
    const DataPtr x = a.elements[i].box(), y = b.elements[i].box();
    const Value r = combine(Op::Eq, x.get(), y.get());
    if (r.kind() != Value::kBool || !r.boolValue()) return false;
  }
  return true;
}

}  // namespace

std::string_view opText(Op op) {
  switch (op) {
    case Op::Add: return "+";
    case Op::Sub: return "-";
    case Op::Mul: return "*";
    case Op::Div: return "/";
    case Op::Mod: return "%";
    case Op::Assign: return "=";
    case Op::AddAssign: return "+=";
    case Op::SubAssign: return "-=";
    case Op::MulAssign: return "*=";
    case Op::DivAssign: return "/=";
    case Op::ModAssign: return "%=";
    case Op::Inc: return "++";
    case Op::Dec: return "--";
    case Op::Not: return "!";
    case Op::Lt: return "<";
    case Op::Gt: return ">";
    case Op::Le: return "<=";
    case Op::Ge: return ">=";
    case Op::Eq: return "==";
    case Op::Ne: return "!=";
    case Op::And: return "&&";
    case Op::Or: return "||";
    case Op::Member: return ".";
    case Op::Index: return "[]";
  }
  return "";
}

Op compoundBase(Op op) {
  switch (op) {
    case Op::AddAssign: return Op::Add;
    case Op::SubAssign: return Op::Sub;
    case Op::MulAssign: return Op::Mul;
    case Op::DivAssign: return Op::Div;
    case Op::ModAssign: return Op::Mod;
    default: return op;
  }
}

Value detail::binaryRules(Op op, const Value& a, const Value& b) {
  // Plain pairs (loop counters, sums, comparisons) go straight to their
  // table; everything else through the type rules on objects.
  if (a.isPlain() && b.isPlain()) return plainOp(op, a, b);
  if (a.isNull() || b.isNull()) return Value();
  return combine(op, a.box().get(), b.box().get());
}

DataPtr binaryOp(Op op, const DataPtr& a, const DataPtr& b) { return binaryOp(op, Value(a), Value(b)).box(); }

Value detail::unaryRules(Op op, const Value& a) {
  switch (a.kind()) {
    case Value::kInt: {
      const int32_t v = a.intValue();
      switch (op) {
        case Op::Sub: return Value::integer(wrapSub(0, v));
        case Op::Not: return Value::boolean(v == 0);
        case Op::Inc: return Value::integer(wrapAdd(v, 1));
        case Op::Dec: return Value::integer(wrapSub(v, 1));
        default: return Value();
      }
    }
    case Value::kFloat: {
      const float v = a.floatValue();
      switch (op) {
        case Op::Sub: return Value::real(-v);
        case Op::Not: return Value::boolean(v == 0.0f);
        case Op::Inc: return Value::real(v + 1.0f);
        case Op::Dec: return Value::real(v - 1.0f);
        default: return Value();
      }
    }
    case Value::kBool:
      if (op == Op::Not) return Value::boolean(!a.boolValue());
      return Value();
    default: return Value();
  }
}

DataPtr unaryOp(Op op, const DataPtr& a) { return unaryOp(op, Value(a)).box(); }

void setMaterialEquals(MaterialEquals fn) { materialEquals = fn; }

}  // namespace qor
