#include "script/datatypes/DataVector.h"

#include "script/Interpreter.h"
#include "script/ObjectProtocol.h"
#include "script/Output.h"
#include "script/datatypes/DataValues.h"

#include <algorithm>

namespace qor {

SmartPointer<DataVector> makeList(std::vector<DataPtr> elements) {
  return SmartPointer<DataVector>(new DataVector(std::move(elements)));
}

void DataVector::print() {
  // A List may hold itself; past the nesting limit the inner part is left
  // out, and the outermost print ends the runaway.
  script::RunawayBoundary boundary;
  {
    script::DepthGuard guard;
    if (!guard) return;
    script::writeOutput("(");
    bool first = true;
    for (const DataPtr& e : elements) {
      if (!first) script::writeOutput(", ");
      first = false;
      if (e) e->print();
    }
    script::writeOutput(")");
  }
  boundary.endRunaway();
}

void DataVector::reserveCharged(std::size_t count) {
  if (count <= elements.capacity()) return;
  const std::size_t bytes = (count - elements.capacity()) * sizeof(DataPtr);
  memory::charge(bytes);
  try {
    elements.reserve(count);
  } catch (...) {
    memory::refund(bytes);
    throw;
  }
  chargedBytes_ += bytes;
}

DataPtr DataVector::evaluate(Scope& locals) {
  script::DepthGuard guard;
  if (!guard) return nullptr;
  SmartPointer<DataVector> list(new DataVector);
  list->reserveCharged(elements.size());
  for (const DataPtr& e : elements)
    if (e) list->elements.push_back(e->evaluate(locals));
  return list;
}

DataPtr DataVector::callMethod(const DataPtr& call, Scope& locals) {
  // Interned once, behind a single guard.
  static const struct {
    Symbol size = intern("size"), get = intern("get"), set = intern("set"), add = intern("add"),
           remove = intern("remove");
  } names;
  const Symbol kSize = names.size, kGet = names.get, kSet = names.set, kAdd = names.add, kRemove = names.remove;

  script::MethodCall m;
  if (!m.begin(call, locals)) return nullptr;
  int32_t i;
  std::size_t at;
  if (m.is(kSize, 0)) return makeInt(static_cast<int32_t>(elements.size()));
  if (m.is(kGet, 1)) {
    if (m.argInt(0, i) && script::wrapIndex(i, elements.size(), at)) return elements[at];
    return nullptr;
  }
  if (m.is(kSet, 2)) {
    if (m.argInt(0, i) && script::wrapIndex(i, elements.size(), at)) elements[at] = m.arg(1);
    return nullptr;
  }
  if (m.is(kAdd, 1)) {
    if (!m.arg(0)) return nullptr;
    if (elements.size() == elements.capacity()) reserveCharged(std::max<std::size_t>(4, 2 * elements.size()));
    elements.push_back(m.arg(0));
    return nullptr;
  }
  if (m.is(kRemove, 1)) {
    if (m.argInt(0, i) && script::wrapIndex(i, elements.size(), at))
      elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(at));
    return nullptr;
  }
  return nullptr;
}

}  // namespace qor
