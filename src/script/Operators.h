#pragma once
// The operator tables: which result an operator gives for which operand
// types. Assignment, member access, indexing and the increment forms that
// store back are the interpreter's business (SyntaxTree.cpp); the arithmetic
// behind them is here.

#include "base/Inline.h"
#include "script/Value.h"

#include <cstdint>
#include <string_view>

namespace qor {

enum class Op : uint8_t {
  Add, Sub, Mul, Div, Mod,
  Assign, AddAssign, SubAssign, MulAssign, DivAssign, ModAssign,
  Inc, Dec, Not,
  Lt, Gt, Le, Ge, Eq, Ne, And, Or,
  Member, Index,
};

// The operator as the script writes it ("+", "+=", "[]" ...).
std::string_view opText(Op op);

// The binary operator behind a compound assignment ("+=" -> "+").
Op compoundBase(Op op);

// 32-bit two's-complement arithmetic without signed overflow.
inline int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

namespace detail {
// The int table's arithmetic and comparisons, the evaluator's most common
// case; false when the operator is another one.
KELVO_ALWAYS_INLINE bool intArithmetic(Op op, int32_t a, int32_t b, Value& out) {
  switch (op) {
    case Op::Add: out = Value::integer(wrapAdd(a, b)); return true;
    case Op::Sub: out = Value::integer(wrapSub(a, b)); return true;
    case Op::Mul: out = Value::integer(wrapMul(a, b)); return true;
    // A zero or negative divisor has its own rules (no value, wrapping).
    case Op::Div:
      if (b <= 0) return false;
      out = Value::integer(a / b);
      return true;
    case Op::Mod:
      if (b <= 0) return false;
      out = Value::integer(a % b);
      return true;
    case Op::Lt: out = Value::boolean(a < b); return true;
    case Op::Gt: out = Value::boolean(a > b); return true;
    case Op::Le: out = Value::boolean(a <= b); return true;
    case Op::Ge: out = Value::boolean(a >= b); return true;
    case Op::Eq: out = Value::boolean(a == b); return true;
    case Op::Ne: out = Value::boolean(a != b); return true;
    default: return false;
  }
}
Value binaryRules(Op op, const Value& a, const Value& b);
Value unaryRules(Op op, const Value& a);
}  // namespace detail

// Combines two evaluated operands by the binary rules: one-element Lists are
// unwrapped, then the type pair picks the float, int, bool, string, List or
// Material table. Null whenever the pair or the operator has no entry. Two
// ints with an arithmetic or comparison operator are done in line.
KELVO_ALWAYS_INLINE Value binaryOp(Op op, const Value& a, const Value& b) {
  Value result;
  if (a.kind() == Value::kInt && b.kind() == Value::kInt && detail::intArithmetic(op, a.intValue(), b.intValue(), result))
    return result;
  return detail::binaryRules(op, a, b);
}
DataPtr binaryOp(Op op, const DataPtr& a, const DataPtr& b);

// The unary table of the operand's own type ("-", "!", "++", "--"); "++"
// and "--" on an int are done in line.
inline Value unaryOp(Op op, const Value& a) {
  if (a.kind() == Value::kInt && op == Op::Inc) return Value::integer(wrapAdd(a.intValue(), 1));
  if (a.kind() == Value::kInt && op == Op::Dec) return Value::integer(wrapSub(a.intValue(), 1));
  return detail::unaryRules(op, a);
}
DataPtr unaryOp(Op op, const DataPtr& a);

// Material equality is supplied by the material code once it exists; without
// it "==" on two Materials gives null.
using MaterialEquals = bool (*)(IData& a, IData& b);
void setMaterialEquals(MaterialEquals fn);

}  // namespace qor
