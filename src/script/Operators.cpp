#include "script/Operators.h"

#include "script/Interpreter.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

namespace qor {

namespace {

MaterialEquals materialEquals = nullptr;

// 32-bit two's-complement arithmetic without signed overflow.
int32_t wrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t wrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
int32_t wrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// The six comparisons and "&&" / "||" (each side true when not zero), shared
// by the int, float and bool tables; null for any other operator.
template <class T>
DataPtr comparisonOrLogic(Op op, T a, T b) {
  switch (op) {
    case Op::Lt: return makeBool(a < b);
    case Op::Gt: return makeBool(a > b);
    case Op::Le: return makeBool(a <= b);
    case Op::Ge: return makeBool(a >= b);
    case Op::Eq: return makeBool(a == b);
    case Op::Ne: return makeBool(a != b);
    case Op::And: return makeBool(a != T(0) && b != T(0));
    case Op::Or: return makeBool(a != T(0) || b != T(0));
    default: return nullptr;
  }
}

DataPtr intTable(Op op, int32_t a, int32_t b) {
  switch (op) {
    case Op::Add: return makeInt(wrapAdd(a, b));
    case Op::Sub: return makeInt(wrapSub(a, b));
    case Op::Mul: return makeInt(wrapMul(a, b));
    case Op::Div:
      // Division by zero has no value. The most negative integer divided by
      // -1 wraps to itself, as two's-complement hardware gives it.
      if (b == 0) return nullptr;
      if (b == -1) return makeInt(wrapSub(0, a));
      return makeInt(a / b);
    case Op::Mod:
      if (b == 0 || (b == -1 && a == INT32_MIN)) return nullptr;
      return makeInt(a % b);
    default: return comparisonOrLogic(op, a, b);
  }
}

DataPtr floatTable(Op op, float a, float b) {
  switch (op) {
    case Op::Add: return makeFloat(a + b);
    case Op::Sub: return makeFloat(a - b);
    case Op::Mul: return makeFloat(a * b);
    case Op::Div: return makeFloat(a / b);
    default: return comparisonOrLogic(op, a, b);
  }
}

// Bools have no arithmetic: only the comparisons (false before true) and
// the logical operators.
DataPtr boolTable(Op op, bool a, bool b) { return comparisonOrLogic(op, a, b); }

DataPtr simpleOp(Op op, const IData* a, const IData* b) {
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
  if (op != Op::Add) return nullptr;
  const std::string& x = static_cast<const DataString*>(a)->value;
  const std::string& y = static_cast<const DataString*>(b)->value;
  // Checked before the text is made: doubling a long string must not first
  // allocate past the memory budget.
  memory::require(x.size() + y.size());
  std::string s;
  s.reserve(x.size() + y.size());
  s += x;
  s += y;
  return makeString(std::move(s));
}

bool listsEqual(DataVector& a, DataVector& b);

DataPtr combine(Op op, const DataPtr& left, const DataPtr& right) {
  const IData* a = left.get();
  const IData* b = right.get();
  // A one-element List stands for its element (a parenthesised expression).
  while (a && a->tag() == kTagVector && static_cast<const DataVector*>(a)->elements.size() == 1)
    a = static_cast<const DataVector*>(a)->elements[0].get();
  while (b && b->tag() == kTagVector && static_cast<const DataVector*>(b)->elements.size() == 1)
    b = static_cast<const DataVector*>(b)->elements[0].get();
  if (!a || !b) return nullptr;
  if (isSimple(a) && isSimple(b)) return simpleOp(op, a, b);
  if (a->tag() <= kTagVector && b->tag() <= kTagVector) {
    if (op != Op::Eq || a->tag() != kTagVector || b->tag() != kTagVector) return nullptr;
    script::DepthGuard guard;
    script::RunawayBoundary boundary;
    if (!guard) return nullptr;
    const bool equal = listsEqual(*const_cast<DataVector*>(static_cast<const DataVector*>(a)),
                                  *const_cast<DataVector*>(static_cast<const DataVector*>(b)));
    // Lists that hold themselves compare to the nesting limit and give null.
    if (boundary.endRunaway() || script::aborting) return nullptr;
    return makeBool(equal);
  }
  if (a->tag() <= kTagMaterial && b->tag() <= kTagMaterial) {
    if (op != Op::Eq || a->tag() != kTagMaterial || b->tag() != kTagMaterial || !materialEquals) return nullptr;
    return makeBool(materialEquals(*const_cast<IData*>(a), *const_cast<IData*>(b)));
  }
  return nullptr;
}

bool listsEqual(DataVector& a, DataVector& b) {
  if (a.elements.size() != b.elements.size()) return false;
  for (std::size_t i = 0; i < a.elements.size(); ++i) {
    DataPtr r = combine(Op::Eq, a.elements[i], b.elements[i]);
    if (!r || r->tag() != kTagBool || !static_cast<DataBool*>(r.get())->value) return false;
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

DataPtr binaryOp(Op op, const DataPtr& a, const DataPtr& b) {
  // Two ints are by far the most common pair (loop counters, sums): straight
  // to the int table, skipping the List unwrapping and the type dispatch.
  if (a && b && a->tag() == kTagInt && b->tag() == kTagInt)
    return intTable(op, static_cast<const DataInt*>(a.get())->value, static_cast<const DataInt*>(b.get())->value);
  return combine(op, a, b);
}

DataPtr unaryOp(Op op, const DataPtr& a) {
  if (!a) return nullptr;
  switch (a->tag()) {
    case kTagInt: {
      const int32_t v = static_cast<DataInt*>(a.get())->value;
      switch (op) {
        case Op::Sub: return makeInt(wrapSub(0, v));
        case Op::Not: return makeBool(v == 0);
        case Op::Inc: return makeInt(wrapAdd(v, 1));
        case Op::Dec: return makeInt(wrapSub(v, 1));
        default: return nullptr;
      }
    }
    case kTagFloat: {
      const float v = static_cast<DataFloat*>(a.get())->value;
      switch (op) {
        case Op::Sub: return makeFloat(-v);
        case Op::Not: return makeBool(v == 0.0f);
        case Op::Inc: return makeFloat(v + 1.0f);
        case Op::Dec: return makeFloat(v - 1.0f);
        default: return nullptr;
      }
    }
    case kTagBool:
      if (op == Op::Not) return makeBool(!static_cast<DataBool*>(a.get())->value);
      return nullptr;
    default: return nullptr;
  }
}

void setMaterialEquals(MaterialEquals fn) { materialEquals = fn; }

}  // namespace qor
