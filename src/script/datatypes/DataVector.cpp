#include "script/datatypes/DataVector.h"

#include "script/Interpreter.h"
#include "script/ObjectProtocol.h"
#include "script/Output.h"
#include "script/datatypes/DataValues.h"

#include <algorithm>

namespace qor {

SmartPointer<DataVector> makeList(const std::vector<DataPtr>& elements) {
  return SmartPointer<DataVector>(new DataVector(elements));
}

namespace {

// An element as "print" shows it; a null element shows nothing.
void printElement(const Value& e) {
  if (IData* o = e.object())
    o->print();
  else if (e)
    e.box()->print();
}

}  // namespace

void DataVector::print() {
  // A List may hold itself; past the nesting limit the inner part is left
  // out, and the outermost print ends the runaway.
  script::RunawayBoundary boundary;
  {
    script::DepthGuard guard;
    if (!guard) return;
    script::writeOutput("(");
    bool first = true;
    for (const Value& e : elements) {
      if (!first) script::writeOutput(", ");
      first = false;
      printElement(e);
    }
    script::writeOutput(")");
  }
  boundary.endRunaway();
}

void DataVector::reserveCharged(std::size_t count) {
  if (count <= elements.capacity()) return;
  const std::size_t bytes = (count - elements.capacity()) * sizeof(Value);
  memory::charge(bytes);
  try {
    elements.reserve(count);
  } catch (...) {
    memory::refund(bytes);
    throw;
  }
  chargedBytes_ += bytes;
}

DataPtr DataVector::callMethod(script::MethodCall& m) { return invoke(m.name(), m.args(), m.count()).box(); }

DataVector::Method DataVector::methodOf(Symbol name) {
  static const Symbol size = intern("size"), get = intern("get"), set = intern("set"), add = intern("add"),
                      remove = intern("remove");
  if (name == size) return Method::Size;
  if (name == get) return Method::Get;
  if (name == set) return Method::Set;
  if (name == add) return Method::Add;
  if (name == remove) return Method::Remove;
  return Method::None;
}

Value DataVector::invoke(Method method, const Value* args, std::size_t count) {
  int32_t i;
  std::size_t at;
  switch (method) {
    case Method::Size:
      if (count == 0) return Value::integer(static_cast<int32_t>(elements.size()));
      break;
    case Method::Get:
      if (count == 1 && script::intArg(args[0], i) && script::wrapIndex(i, elements.size(), at)) return elements[at];
      break;
    case Method::Set:
      if (count == 2 && script::intArg(args[0], i) && script::wrapIndex(i, elements.size(), at)) elements[at] = args[1];
      break;
    case Method::Add:
      if (count != 1 || !args[0]) break;
      if (elements.size() == elements.capacity()) reserveCharged(std::max<std::size_t>(4, 2 * elements.size()));
      elements.push_back(args[0]);
      break;
    case Method::Remove:
      if (count == 1 && script::intArg(args[0], i) && script::wrapIndex(i, elements.size(), at))
        elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(at));
      break;
    case Method::None: break;
  }
  return Value();
}

}  // namespace qor
