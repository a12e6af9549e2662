#include "script/ObjectProtocol.h"

#include "script/Diagnostics.h"
#include "script/RunChecks.h"
#include "script/datatypes/DataValues.h"

namespace qor::script {

// Ints, the common arguments, convert in place (intArg); everything else by
// the conversions on objects.
bool convertIntArg(const Value& v, int32_t& out) { return asInt(v.box().get(), out); }

bool MethodCall::refuse(std::size_t i, const char* wanted) const {
  if (warningsOn()) warnMethodArgument(*site_, i, wanted, arg(i));
  return false;
}

bool MethodCall::argInt(std::size_t i, int32_t& out) const { return intArg(arg(i), out) || refuse(i, "an int"); }
bool MethodCall::argFloat(std::size_t i, float& out) const {
  const Value& v = arg(i);
  if (v.kind() == Value::kFloat) {
    out = v.floatValue();
    return true;
  }
  return asFloat(v.box().get(), out) || refuse(i, "a number");
}
bool MethodCall::argBool(std::size_t i, bool& out) const { return asBool(arg(i), out) || refuse(i, "a bool"); }
bool MethodCall::argString(std::size_t i, std::string& out) const {
  return asString(arg(i).box().get(), out) || refuse(i, "a string");
}

bool wrapOutOfRange(int32_t i, std::size_t n, std::size_t& out) {
  if (n == 0) return false;
  const int64_t m = static_cast<int64_t>(n);
  int64_t r = static_cast<int64_t>(i) % m;  // keeps the sign of i
  if (r < 0) r += m;
  out = static_cast<std::size_t>(r);
  return true;
}

}  // namespace qor::script
