#pragma once
// The warnings a running script gets for the mistakes the language lets
// pass: a name read before anything set it, a method its object lacks, a
// call with an argument list no form takes, a function that does not exist,
// a value of the wrong kind, a script that never sets "scene". Each is
// called on the path the interpreter takes after the mistake, and only when
// warningsOn(): the script's values are the same with or without them.

#include "script/ObjectProtocol.h"
#include "script/SyntaxTree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qor::script {

// A read of `id`, which no table has. The names set so far (the locals,
// the files' variables) are the suggestions.
void warnUnsetName(const DataID& id, Scope& locals);

// `object.call(...)`, before the method runs: a method the object's type
// lacks, or an argument count none of its forms takes. Also a method called
// on a value that has none (a number, a string, null).
void checkMethodCall(const Value& object, const DataCallFunction& call);
// `object.field`, which gave null: no type has fields.
void warnAttribute(const IData& object, const DataID& field);
// A method's argument `index` (from 0) that does not convert to what it
// takes (`wanted`: "a number", "an int", "a bool").
void warnMethodArgument(const MethodSite& site, std::size_t index, std::string_view wanted, const Value& given);

// A built-in's call, after it ran (`argv` as the built-in got it, values or
// expressions; `gaveValue` whether its value is not empty): an argument count no form takes, and
// the calls whose arguments decide what they make ("print" stops at an
// empty value, "Group" takes scene nodes only, "Timer" and the binders take
// calls). The latter are left out when the arguments reported a mistake of
// their own while they were evaluated (`argumentsReported`): that explains
// the outcome.
void checkBuiltinCall(const DataCallFunction& call, const std::vector<DataPtr>& argv, bool gaveValue,
                      bool argumentsReported, Scope& locals);
// A call of a name that is neither a function of that argument count nor a
// built-in.
void warnNoFunction(const DataCallFunction& call);

// After a scene script ran: no file has "scene".
void warnIfNoScene(std::string_view path);

// What the definitions of one user function take, for a warning: "takes 2
// arguments (a, b) or no arguments", fewest parameters first.
std::string describeDefs(const std::vector<const Function*>& defs);

// What a value is, for a warning: "an int", "a string", "a List", "an empty value".
std::string describeValue(const IData* v);
std::string describeValue(const Value& v);

}  // namespace qor::script
