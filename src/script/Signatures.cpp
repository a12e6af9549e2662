#include "script/Signatures.h"

#include <unordered_map>

namespace qor::script {

namespace {

// The colour components lights and materials share (a material adds its
// emission).
const std::initializer_list<std::string_view> kColourGetters = {
    "getAmbientX", "getAmbientY", "getAmbientZ", "getDiffuseX", "getDiffuseY",
    "getDiffuseZ", "getSpecularX", "getSpecularY", "getSpecularZ"};
const std::initializer_list<std::string_view> kColourSetters = {
    "setAmbientX", "setAmbientY", "setAmbientZ", "setDiffuseX", "setDiffuseY",
    "setDiffuseZ", "setSpecularX", "setSpecularY", "setSpecularZ"};

// The argument lists one per row; rows of one name with several counts
// stand next to each other.
std::vector<Signature> buildTable() {
  std::vector<Signature> t;
  auto add = [&t](std::string_view owner, std::initializer_list<std::string_view> names, std::string_view params,
                  uint8_t count) {
    for (std::string_view n : names) t.push_back({owner, n, params, count});
  };

  // Built-ins.
  add("", {"sin", "cos", "tan", "log", "exp", "abs", "sqrt"}, "number", 1);
  add("", {"rand"}, "base, range", 2);
  add("", {"print"}, "values", kAnyCount);
  add("", {"exit", "stopAllTimers", "pauseAllTimers", "startAllTimers", "getMousePos", "help", "version", "Light",
           "Camera", "InitializeRaster", "IsRasterButtonPressed", "GetRasterPosition", "GetRasterOrientation"},
      "", 0);
  add("", {"include"}, "file name", 1);
  add("", {"Timer"}, "interval, duration, tick call, timeout call", 4);
  add("", {"TYPE", "INT", "BOOL", "FLOAT", "STRING"}, "value", 1);
  add("", {"setKeyFunc"}, "key, call", 2);
  add("", {"SetRasterButtonFunc"}, "call", 1);
  add("", {"reset"}, "anything", kAnyCount);
  add("", {"clone"}, "SceneNode or Material", 1);
  add("", {"collisionDetection"}, "SceneNode, SceneNode", 2);
  add("", {"translate", "scale"}, "x, y, z", 3);
  add("", {"rotate"}, "angle, x, y, z", 4);
  add("", {"Group"}, "SceneNodes", kAnyCount);
  add("", {"Model"}, "file name", 1);
  add("", {"Material"}, "MTL file name", 1);
  add("", {"getMaterial"}, "material name", 1);

  // Lists and timers.
  add("List", {"size"}, "", 0);
  add("List", {"get"}, "index", 1);
  add("List", {"set"}, "index, value", 2);
  add("List", {"add"}, "value", 1);
  add("List", {"remove"}, "index", 1);
  add("Timer", {"start", "stop", "pause"}, "", 0);

  // Cameras. "moveForward" stands beside the historic "moveFordward".
  add("Camera", {"setActive", "getPos", "getView", "getUp"}, "", 0);
  add("Camera", {"moveFordward", "moveForward", "moveBackward", "moveLeft", "moveRight"}, "distance", 1);
  add("Camera", {"rotateX", "rotateY"}, "angle", 1);
  add("Camera", {"setPos", "setView", "setUp"}, "x, y, z", 3);

  // Materials. "getAlpha" stands beside the historic "getAplha".
  add("Material", {"getAplha", "getAlpha", "getShininess"}, "", 0);
  add("Material", kColourGetters, "", 0);
  add("Material", {"getEmissionX", "getEmissionY", "getEmissionZ"}, "", 0);
  add("Material", {"setAlpha"}, "alpha", 1);
  add("Material", {"setShininess"}, "shininess", 1);
  add("Material", kColourSetters, "value", 1);
  add("Material", {"setEmissionX", "setEmissionY", "setEmissionZ"}, "value", 1);

  // Scene nodes, by kind.
  add("Group", {"size"}, "", 0);
  add("Group", {"get"}, "index", 1);
  add("Group", {"add"}, "SceneNode", 1);
  add("Group", {"remove"}, "index", 1);
  for (std::string_view owner : {"translate node", "scale node", "rotate node"}) {
    add(owner, {"getX", "getY", "getZ"}, "", 0);
    add(owner, {"setX"}, "x", 1);
    add(owner, {"setY"}, "y", 1);
    add(owner, {"setZ"}, "z", 1);
  }
  add("rotate node", {"getAngle"}, "", 0);
  add("rotate node", {"setAngle"}, "angle", 1);
  add("geometry node", {"setDefaultMaterial", "isEnable", "getMaterial"}, "", 0);
  add("geometry node", {"draw"}, "visible", 1);
  add("geometry node", {"castShadow"}, "casts", 1);
  add("geometry node", {"setMaterial"}, "Material", 1);
  add("light node", kColourGetters, "", 0);
  add("light node", kColourSetters, "value", 1);
  return t;
}

std::string countText(const Signature& s) {
  if (s.argCount == kAnyCount) return "any number of arguments";
  if (s.argCount == 0) return "no arguments";
  std::string out = std::to_string(s.argCount) + (s.argCount == 1 ? " argument" : " arguments");
  if (!s.params.empty()) out += " (" + std::string(s.params) + ")";
  return out;
}

}  // namespace

const std::vector<Signature>& signatureTable() {
  static const std::vector<Signature> table = buildTable();
  return table;
}

namespace {

// The table's rows by name, in table order; the names are the table's own
// (string literals), so the keys live as long as the program.
const std::unordered_map<std::string_view, std::vector<const Signature*>>& rowsByName() {
  static const auto index = [] {
    std::unordered_map<std::string_view, std::vector<const Signature*>> rows;
    for (const Signature& s : signatureTable()) rows[s.name].push_back(&s);
    return rows;
  }();
  return index;
}

const std::vector<const Signature*>* rowsNamed(std::string_view name) {
  const auto& index = rowsByName();
  const auto it = index.find(name);
  return it == index.end() ? nullptr : &it->second;
}

}  // namespace

std::vector<const Signature*> signaturesOf(std::string_view owner, std::string_view name) {
  std::vector<const Signature*> found;
  if (const auto* rows = rowsNamed(name))
    for (const Signature* s : *rows)
      if (s->owner == owner) found.push_back(s);
  return found;
}

CallFit callFit(std::string_view owner, Symbol name, std::size_t count) {
  // The table's rows by the symbol of their name. Every name of the table is
  // interned when it is made, so a symbol beyond it names no row.
  static const auto bySymbol = [] {
    std::vector<std::vector<const Signature*>> rows;
    for (const Signature& s : signatureTable()) {
      const Symbol symbol = intern(s.name);
      if (symbol >= rows.size()) rows.resize(symbol + 1);
      rows[symbol].push_back(&s);
    }
    return rows;
  }();
  if (name >= bySymbol.size()) return CallFit::NoSuchName;
  CallFit fit = CallFit::NoSuchName;
  for (const Signature* s : bySymbol[name]) {
    if (s->owner != owner) continue;
    if (s->accepts(count)) return CallFit::Fits;
    fit = CallFit::WrongCount;
  }
  return fit;
}

bool anyOwnerAccepts(std::string_view name, std::size_t count) {
  if (const auto* rows = rowsNamed(name))
    for (const Signature* s : *rows)
      if (s->accepts(count)) return true;
  return false;
}

std::vector<std::string_view> namesOf(std::string_view owner) {
  std::vector<std::string_view> names;
  for (const Signature& s : signatureTable())
    if (s.owner == owner && (names.empty() || names.back() != s.name)) names.push_back(s.name);
  return names;
}

std::string describeForms(std::string_view owner, std::string_view name) {
  std::string out;
  for (const Signature* s : signaturesOf(owner, name)) out += (out.empty() ? "takes " : " or ") + countText(*s);
  return out;
}

}  // namespace qor::script
