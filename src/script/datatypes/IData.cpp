#include "script/datatypes/IData.h"

namespace qor {

void IData::print() {}

SmartPointer<IData> IData::evaluate(Scope&) { return SmartPointer<IData>(this); }

SmartPointer<IData> IData::getAttribute(std::string_view) { return nullptr; }

SmartPointer<IData> IData::index(const SmartPointer<IData>&) { return nullptr; }

SmartPointer<IData> IData::callMethod(script::MethodCall&) { return nullptr; }

}  // namespace qor
