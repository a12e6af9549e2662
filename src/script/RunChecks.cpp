#include "script/RunChecks.h"

#include "scene/ISceneNode.h"
#include "script/Builtins.h"
#include "script/Diagnostics.h"
#include "script/Signatures.h"
#include "script/datatypes/DataSceneNode.h"
#include "script/datatypes/DataValues.h"

#include <algorithm>
#include <cctype>

namespace qor::script {

namespace {

// The name a method warning gives an object's type, as the signature table
// has it; empty for a type without methods.
std::string_view ownerOf(const IData& o) {
  switch (o.tag()) {
    case kTagVector: return "List";
    case kTagTime: return "Timer";
    case kTagCamera: return "Camera";
    case kTagMaterial: return "Material";
    case kTagSceneNode: {
      const SceneNodePtr& node = static_cast<const DataSceneNode&>(o).node;
      if (!node) return {};
      switch (node->kind) {
        case ISceneNode::kGroup: return "Group";
        case ISceneNode::kTranslate: return "translate node";
        case ISceneNode::kScale: return "scale node";
        case ISceneNode::kRotate: return "rotate node";
        case ISceneNode::kGeometry: return "geometry node";
        case ISceneNode::kLight: return "light node";
        default: return {};
      }
    }
    default: return {};
  }
}

std::string quoted(std::string_view name) { return "'" + std::string(name) + "'"; }
std::string given(std::size_t count) { return ", given " + std::to_string(count); }

// The variables set so far: the locals, then every file's table.
std::vector<std::string_view> namesSetSoFar(Scope& locals) {
  std::vector<std::string_view> names;
  for (Scope::Entry& e : locals) names.push_back(symbolName(e.name));
  for (std::size_t f = 0; f < fileCount(); ++f)
    for (const FileVariable& v : fileVariables(f)) names.push_back(v.name);
  return names;
}

// The user functions of one name, fewest parameters first.
std::vector<const Function*> functionsNamed(Symbol name) {
  std::vector<const Function*> defs;
  for (std::size_t f = 0; f < fileCount(); ++f)
    for (const FunctionEntry& e : record(f).functions)
      if (e.name == name) defs.push_back(e.function.get());
  std::stable_sort(defs.begin(), defs.end(),
                   [](const Function* a, const Function* b) { return a->paramCount < b->paramCount; });
  return defs;
}

// How a call's empty value reads where it stands: "Group(rotate(...))"
// loses the whole Group with it.
std::string emptyValue(Role role) {
  return role == Role::GroupMember ? ": the value is empty, so the Group is empty" : ": the value is empty";
}

// What a missing argument is: "'u' has no value", "'u' is empty", or the
// value an expression gave.
std::string describeMissing(const IData* arg, Scope& locals) {
  if (arg && arg->tag() == kTagID) {
    const auto* id = static_cast<const DataID*>(arg);
    return quoted(id->text()) + (locals.find(id->name) || hasFileVariable(id->name) ? " is empty" : " has no value");
  }
  if (arg && arg->tag() == kTagCallFunction)
    return quoted(std::string(static_cast<const DataCallFunction*>(arg)->text()) + "(...)") + " gives no value";
  return "the value is empty";
}

// What stands where a call such as "tick()" was wanted (a Timer's
// callbacks, a binding), and the call it may have meant.
std::string describeCallback(const IData* e) {
  if (!e) return "nothing";
  if (e->tag() == kTagID) return "the name " + quoted(static_cast<const DataID*>(e)->text());
  return describeValue(e);
}
std::string exampleCall(const IData* e) {
  return "'" + (e && e->tag() == kTagID ? std::string(static_cast<const DataID*>(e)->text()) : std::string("tick")) + "()'";
}

void checkTimer(const DataCallFunction& call, const std::vector<DataPtr>& argv) {
  if (argv.size() != 4) return;
  int32_t ignored;
  if (!asInt(argv[0].get(), ignored)) {
    warnAt(call.place, "Timer takes an int interval as argument 1, given " + describeValue(argv[0].get()) +
                           ": the value is empty, so no timer runs");
    return;
  }
  int32_t duration = 0;
  if (!asInt(argv[1].get(), duration)) {
    warnAt(call.place, "Timer takes an int duration as argument 2, given " + describeValue(argv[1].get()) +
                           ": the value is empty, so no timer runs");
    return;
  }
  const IData* tick = argv[2].get();
  if (!tick || tick->tag() != kTagCallFunction) {
    warnAt(call.place, "Timer takes a call such as " + exampleCall(tick) + " as argument 3, given " +
                           describeCallback(tick) + ": the value is empty, so no timer runs");
    return;
  }
  const IData* timeout = argv[3].get();
  if (duration != -1 && (!timeout || timeout->tag() != kTagCallFunction))
    warnAt(call.place, "Timer takes a call as argument 4 when the duration is not -1, given " +
                           describeCallback(timeout) + ": the value is empty, so no timer runs");
}

// A binding's call stays unevaluated until the key or button comes; any
// other argument unbinds. A literal number, a bool or nothing is taken as
// meant to unbind; a name, a string, a method call or an operation is not.
void checkBinding(const DataCallFunction& call, const std::vector<DataPtr>& argv, std::size_t at) {
  if (at >= argv.size()) return;
  const IData* e = argv[at].get();
  if (!e || e->tag() == kTagCallFunction || e->tag() == kTagInt || e->tag() == kTagFloat || e->tag() == kTagBool)
    return;
  warnAt(call.place, std::string(call.text()) + " takes a call such as " + exampleCall(e) + " as argument " +
                         std::to_string(at + 1) + ", given " + describeCallback(e) + ": nothing is bound");
}

void checkGroup(const DataCallFunction& call, const std::vector<DataPtr>& argv, Scope& locals) {
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const IData* v = argv[i].get();
    if (v && v->tag() == kTagSceneNode) continue;
    const IData* arg = i < call.args.size() ? call.args[i].get() : nullptr;
    const std::string what = v ? describeValue(v) : describeMissing(arg, locals);
    warnAt(call.place, "Group takes scene nodes only; argument " + std::to_string(i + 1) + (v ? " is " : ": ") + what +
                           (v ? ": the value is empty" : ", so the Group is empty"));
    return;
  }
}

}  // namespace

std::string describeValue(const Value& v) { return describeValue(v.box().get()); }

std::string describeValue(const IData* v) {
  if (!v) return "an empty value";
  const std::string_view owner = ownerOf(*v);
  const char* type = typeName(v);
  if (v->tag() == kTagSceneNode && !owner.empty()) return "a " + std::string(owner);
  if (!type) return v->tag() == kTagFunction ? "a function" : "an expression";
  return (type[0] == 'i' ? "an " : "a ") + std::string(type);
}

std::string describeDefs(const std::vector<const Function*>& defs) {
  std::string out = "takes ";
  for (std::size_t i = 0; i < defs.size(); ++i) {
    if (i > 0) out += " or ";
    const std::size_t n = defs[i]->paramCount;
    if (n == 0) {
      out += "no arguments";
      continue;
    }
    out += std::to_string(n) + (n == 1 ? " argument (" : " arguments (");
    for (std::size_t p = 0; p < n; ++p) out += (p ? ", " : "") + std::string(symbolName(defs[i]->params[p]));
    out += ")";
  }
  return out;
}

void warnUnsetName(const DataID& id, Scope& locals) {
  // "print" names an argument that stops it itself.
  if (id.role == Role::Printed) return;
  std::string text = quoted(id.text()) + " has no value" + didYouMean(id.text(), namesSetSoFar(locals));
  if (id.role == Role::GroupMember) text += ", so the Group is empty";
  warnAt(id.place, text);
}

void checkMethodCall(const Value& object, const DataCallFunction& call) {
  IData* o = object.object();
  const std::string_view owner = o ? ownerOf(*o) : std::string_view();
  if (o && o->tag() == kTagSceneNode && !static_cast<const DataSceneNode*>(o)->node) return;
  if (owner.empty()) {
    // Only objects have methods; an empty object was reported where it was read.
    if (object)
      warnAt(call.place, describeValue(object) + " has no methods: '" + std::string(call.text()) + "' gives an empty value");
    return;
  }
  const std::size_t count = call.args.size();
  const CallFit fit = callFit(owner, call.name, count);
  if (fit == CallFit::Fits) return;
  const std::string_view name = call.text();
  switch (fit) {
    case CallFit::Fits:
      return;
    case CallFit::NoSuchName:
      warnAt(call.place, "a " + std::string(owner) + " has no method " + quoted(name) + didYouMean(name, namesOf(owner)));
      return;
    case CallFit::WrongCount:
      warnAt(call.place, std::string(name) + " " + describeForms(owner, name) + given(count) + ": the call does nothing");
      return;
  }
}

void warnAttribute(const IData& object, const DataID& field) {
  const std::string_view name = field.text();
  const std::string_view owner = ownerOf(object);
  std::string text = describeValue(&object) + " has no field " + quoted(name);
  if (!owner.empty() && !name.empty()) {
    std::string getter = "get" + std::string(name);
    getter[3] = static_cast<char>(std::toupper(static_cast<unsigned char>(getter[3])));
    if (!signaturesOf(owner, name).empty()) text += " (did you mean '" + std::string(name) + "()'?)";
    else if (!signaturesOf(owner, getter).empty()) text += " (did you mean '" + getter + "()'?)";
  }
  warnAt(field.place, text);
}

void warnMethodArgument(const MethodSite& site, std::size_t index, std::string_view wanted, const Value& given) {
  warnAt(site.place, std::string(site.name) + " takes " + std::string(wanted) + " as argument " +
                         std::to_string(index + 1) + ", given " + describeValue(given) +
                         ": the call does nothing");
}

void checkBuiltinCall(const DataCallFunction& call, const std::vector<DataPtr>& argv, bool gaveValue,
                      bool argumentsReported, Scope& locals) {
  static const Symbol kPrint = intern("print");
  static const Symbol kGroup = intern("Group");
  static const Symbol kTimer = intern("Timer");
  static const Symbol kSetKeyFunc = intern("setKeyFunc");
  static const Symbol kSetRasterButtonFunc = intern("SetRasterButtonFunc");
  const std::size_t count = call.args.size();
  if (callFit("", call.name, count) == CallFit::WrongCount) {
    const std::string_view name = call.text();
    warnAt(call.place, std::string(name) + " " + describeForms("", name) + given(count) +
                           (gaveValue ? "" : emptyValue(call.role)));
    return;
  }
  if (argumentsReported) return;
  if (call.name == kPrint) {
    for (std::size_t i = 0; i < argv.size(); ++i)
      if (!argv[i]) {
        warnAt(call.place, "print stops at argument " + std::to_string(i + 1) + ": " +
                               describeMissing(call.args[i].get(), locals));
        return;
      }
  } else if (call.name == kGroup && !gaveValue) {
    checkGroup(call, argv, locals);
  } else if (call.name == kTimer && !gaveValue) {
    checkTimer(call, argv);
  } else if (call.name == kSetKeyFunc || call.name == kSetRasterButtonFunc) {
    checkBinding(call, argv, call.name == kSetKeyFunc ? 1 : 0);
  }
}

void warnNoFunction(const DataCallFunction& call) {
  const std::vector<const Function*> defs = functionsNamed(call.name);
  const std::string_view name = call.text();
  if (!defs.empty()) {
    warnAt(call.place, std::string(name) + " " + describeDefs(defs) + given(call.args.size()) + emptyValue(call.role));
    return;
  }
  std::vector<std::string_view> candidates = namesOf("");
  for (std::size_t f = 0; f < fileCount(); ++f)
    for (const FunctionEntry& e : record(f).functions) candidates.push_back(symbolName(e.name));
  warnAt(call.place, "there is no function " + quoted(name) + didYouMean(name, candidates) + emptyValue(call.role));
}

void warnIfNoScene(std::string_view path) {
  static const Symbol kScene = intern("scene");
  std::vector<std::string_view> names;
  if (hasFileVariable(kScene)) return;
  for (std::size_t f = 0; f < fileCount(); ++f)
    for (const FileVariable& v : fileVariables(f)) names.push_back(v.name);
  const std::string_view near = nearestName("scene", names);
  diagnose({path, 0, 0, DiagnosticKind::Warning,
            "nothing assigns 'scene', so nothing is drawn" +
                (near.empty() ? std::string() : " (did you mean 'scene' for '" + std::string(near) + "'?)")});
}

}  // namespace qor::script
