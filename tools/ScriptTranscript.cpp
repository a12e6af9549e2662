#include "ScriptTranscript.h"

#include "material/MaterialLibrary.h"
#include "platform/Clock.h"
#include "scene/GroupNode.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Output.h"
#include "script/SceneLoader.h"
#include "script/TimerManager.h"
#include "script/datatypes/DataCamera.h"
#include "script/datatypes/DataMaterial.h"
#include "script/datatypes/DataSceneNode.h"
#include "script/datatypes/DataTime.h"
#include "script/datatypes/DataVector.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kelvo::tool {

using namespace qor;

namespace {

// ---- the clock -------------------------------------------------------------------

int32_t clockNow = 0;
int32_t readClock() { return clockNow; }
void sleepClock(int32_t ms) {
  if (ms > 0) clockNow = platform::clockDiff(clockNow, -ms);
}

// ---- numbers and texts -------------------------------------------------------------

// Floats with every digit they need to read back the same bits.
std::string num(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

std::string triple(const float v[3]) { return "(" + num(v[0]) + " " + num(v[1]) + " " + num(v[2]) + ")"; }
std::string quad(const float v[4]) {
  return "(" + num(v[0]) + " " + num(v[1]) + " " + num(v[2]) + " " + num(v[3]) + ")";
}
const char* onOff(bool b) { return b ? "on" : "off"; }

// FNV-1a, for the summary of a value too long to write out.
uint64_t fnv1a(std::string_view s) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// A variable's value is written out up to this many bytes; a longer one is
// cut there and summed up by its length and hash.
constexpr std::size_t kMaxValueText = 4000;
constexpr int kMaxListDepth = 64;

// ---- the state walker ----------------------------------------------------------------

// One snapshot's numbering of objects and its writers. Every object is
// numbered where first met, in walk order, and written in full only there.
class Walker {
public:
  explicit Walker(std::string& out) : out_(out) {}

  void scene(bool running, bool reloadRequested);

private:
  // The number of `p` and whether it is new.
  std::pair<int, bool> number(const void* p) {
    auto [it, fresh] = ids_.try_emplace(p, static_cast<int>(ids_.size()) + 1);
    return {it->second, fresh};
  }
  static std::string ref(int id) { return "#" + std::to_string(id); }

  void line(int indent, const std::string& text) {
    out_.append(static_cast<std::size_t>(indent), ' ').append(text).push_back('\n');
  }
  // Writes the node at `indent`: its line, then its children's below it
  // (or its number alone when met before).
  void node(const SceneNodePtr& n, int indent, const std::string& prefix);
  // The same for a node already numbered `id`, in full.
  void nodeBody(const ISceneNode& n, int id, int indent, const std::string& prefix);
  std::string material(const SmartPointer<Material>& m);
  std::string camera(const SmartPointer<Camera>& c);
  std::string timer(const SmartPointer<DataTime>& t);
  // A value on one line; nodes met for the first time are written below it,
  // indented, as `pending` trees.
  std::string value(const Value& v, int depth);
  void variables();

  std::string& out_;
  std::unordered_map<const void*, int> ids_;
  // Nodes a value met first, numbered there and written below its line.
  std::vector<std::pair<int, SceneNodePtr>> pending_;
};

void Walker::node(const SceneNodePtr& n, int indent, const std::string& prefix) {
  if (!n) {
    line(indent, prefix + "no node");
    return;
  }
  const auto [id, fresh] = number(n.get());
  if (fresh)
    nodeBody(*n, id, indent, prefix);
  else
    line(indent, prefix + ref(id) + " again");
}

void Walker::nodeBody(const ISceneNode& n, int id, int indent, const std::string& prefix) {
  std::string head = prefix + ref(id) + " ";
  switch (n.kind) {
    case ISceneNode::kTranslate: {
      const auto& t = static_cast<const TranslateNode&>(n);
      line(indent, head + "translate " + num(t.x) + " " + num(t.y) + " " + num(t.z));
      return;
    }
    case ISceneNode::kScale: {
      const auto& s = static_cast<const ScaleNode&>(n);
      line(indent, head + "scale " + num(s.x) + " " + num(s.y) + " " + num(s.z));
      return;
    }
    case ISceneNode::kRotate: {
      const auto& r = static_cast<const RotateNode&>(n);
      line(indent, head + "rotate " + num(r.angle) + " about " + num(r.x) + " " + num(r.y) + " " + num(r.z));
      return;
    }
    case ISceneNode::kLight: {
      const auto& l = static_cast<const LightNode&>(n);
      line(indent, head + "light " + onOff(l.enabled) + ", ambient " + quad(l.ambient) + ", diffuse " +
                       quad(l.diffuse) + ", specular " + quad(l.specular) + ", attenuation " +
                       num(l.constantAttenuation) + " " + num(l.linearAttenuation) + " " +
                       num(l.quadraticAttenuation));
      return;
    }
    case ISceneNode::kGeometry: {
      const auto& g = static_cast<const GeometryNode&>(n);
      head += "geometry " + (g.model ? "\"" + escapeText(g.model->fileName) + "\"" : std::string("without model")) +
              ", " + (g.visible ? "visible" : "hidden") + ", shadow " + onOff(g.castShadow) + ", " +
              (g.useDefaultMaterial ? "its model's materials" : "its own material");
      line(indent, head);
      line(indent + 2, "material " + (g.material ? material(g.material) : std::string("none")));
      if (g.model) {
        std::string parts = "model materials:";
        for (const ModelGroup& group : g.model->groups)
          for (const SmartPointer<Material>& m : group.materials) parts += " " + material(m);
        line(indent + 2, parts);
      }
      return;
    }
    case ISceneNode::kGroup: {
      const auto& g = static_cast<const GroupNode&>(n);
      line(indent, head + "group of " + std::to_string(g.childCount()));
      for (const SceneNodePtr& child : g.children()) node(child, indent + 2, "");
      return;
    }
    default: line(indent, head + "node of kind " + std::to_string(n.kind)); return;
  }
}

std::string Walker::material(const SmartPointer<Material>& m) {
  if (!m) return "none";
  const auto [id, fresh] = number(m.get());
  if (!fresh) return ref(id);
  return ref(id) + " \"" + escapeText(m->name) + "\" ambient " + quad(m->ambient) + " diffuse " + quad(m->diffuse) +
         " specular " + quad(m->specular) + " emission " + quad(m->emission) + " alpha " + num(m->alpha) +
         " shininess " + num(m->shininess) + " illum " + std::to_string(m->illum) + " texture \"" +
         escapeText(m->textureName) + "\" wrap " + std::to_string(m->wrapOption);
}

std::string Walker::camera(const SmartPointer<Camera>& c) {
  if (!c) return "none";
  const auto [id, fresh] = number(c.get());
  if (!fresh) return ref(id);
  return ref(id) + " position " + triple(c->position) + " view " + triple(c->view) + " up " + triple(c->up) +
         " strafe " + triple(c->strafe) + " step " + num(c->step);
}

std::string Walker::timer(const SmartPointer<DataTime>& t) {
  if (!t) return "none";
  const auto [id, fresh] = number(t.get());
  if (!fresh) return ref(id);
  return ref(id) + " every " + std::to_string(t->interval) + " ms, " +
         (t->duration == -1 ? std::string("no timeout") : "timeout after " + std::to_string(t->duration) + " ms") +
         ", " + (t->running ? "running" : "not running") + ", tick " +
         (t->onTick ? escapeText(script::printedText(t->onTick)) : std::string("none")) + ", timeout " +
         (t->onTimeout ? escapeText(script::printedText(t->onTimeout)) : std::string("none")) + ", started " +
         std::to_string(t->startTime) + ", last tick " + std::to_string(t->lastTick) + ", paused after " +
         std::to_string(t->pausedElapsed);
}

std::string Walker::value(const Value& v, int depth) {
  switch (v.kind()) {
    case Value::kNull: return "null";
    case Value::kBool: return v.boolValue() ? "bool true" : "bool false";
    case Value::kInt: return "int " + std::to_string(v.intValue());
    case Value::kFloat: return "float " + num(v.floatValue());
    default: break;
  }
  IData* d = v.object();
  switch (d->tag()) {
    case kTagString: return "string \"" + escapeText(static_cast<DataString*>(d)->value) + "\"";
    case kTagVector: {
      const auto* list = static_cast<const DataVector*>(d);
      // Lists nested deeper than any script writes by hand are not
      // followed, so the walk's own stack stays small.
      if (depth > kMaxListDepth) return "List (nested deeper)";
      // Numbered before its elements: a List that holds itself shows its
      // number there.
      const auto [id, fresh] = number(list);
      if (!fresh) return "List " + ref(id);
      std::string s = "List " + ref(id) + " of " + std::to_string(list->elements.size()) + " (";
      for (std::size_t i = 0; i < list->elements.size(); ++i) {
        if (i) s += ", ";
        // Written whole, even past the cut: the hash sums up all of it.
        s += value(list->elements[i], depth + 1);
      }
      return s + ")";
    }
    case kTagSceneNode: {
      const SceneNodePtr& n = static_cast<DataSceneNode*>(d)->node;
      if (!n) return "SceneNode without node";
      const auto [id, fresh] = number(n.get());
      if (!fresh) return "SceneNode " + ref(id);
      pending_.emplace_back(id, n);
      return "SceneNode " + ref(id) + " (below)";
    }
    case kTagMaterial: return "Material " + material(static_cast<DataMaterial*>(d)->material);
    case kTagCamera: return "Camera " + camera(static_cast<DataCamera*>(d)->camera);
    case kTagTime: {
      SmartPointer<DataTime> t(static_cast<DataTime*>(d));
      return "Timer " + timer(t);
    }
    default: {
      const char* type = script::typeName(d);
      return std::string(type ? type : "expression") + " " + escapeText(script::printedText(DataPtr(d)));
    }
  }
}

void Walker::variables() {
  for (std::size_t f = 0; f < script::fileCount(); ++f) {
    line(2, "\"" + escapeText(script::filePath(f)) + "\"");
    std::string functions = "functions:";
    for (const script::FileFunction& fn : script::fileFunctions(f))
      functions += " " + std::string(fn.name) + "/" + std::to_string(fn.paramCount);
    line(4, functions);
    std::vector<script::FileVariable> vars = script::fileVariables(f);
    std::sort(vars.begin(), vars.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& [name, v] : vars) {
      pending_.clear();
      std::string text = value(*v, 0);
      if (text.size() > kMaxValueText) {
        char sum[64];
        std::snprintf(sum, sizeof sum, " ... [%zu bytes, FNV-1a %016" PRIx64 "]", text.size(), fnv1a(text));
        text = text.substr(0, kMaxValueText) + sum;
      }
      line(4, std::string(name) + " = " + text);
      for (const auto& [id, n] : pending_) nodeBody(*n, id, 6, "");
    }
  }
}

void Walker::scene(bool running, bool reloadRequested) {
  line(0, std::string("shell: ") + (running ? "running" : "exit asked") + ", reload " +
              (reloadRequested ? "asked" : "not asked"));
  line(0, std::string("settings: blend ") + onOff(qor::scene.blend) + ", cast shadows " +
              onOff(qor::scene.castShadows));
  line(0, std::string("camera: ") + camera(qor::scene.camera) + (sceneCameraIsDefault() ? " (the default)" : ""));
  node(qor::scene.root, 0, "scene: ");
  line(0, "material library:");
  for (const auto& [name, m] : materialLibrary.materials) line(2, "\"" + escapeText(name) + "\" " + material(m));
  line(0, "keys:");
  for (int code = 0; code < script::kKeySlots; ++code) {
    const DataPtr& call = script::keyBinding(code);
    if (call) line(2, std::to_string(code) + " " + escapeText(script::printedText(call)));
  }
  line(0, "timers:");
  for (const SmartPointer<DataTime>& t : timerManager.timers) line(2, timer(t));
  line(0, "files:");
  variables();
}

}  // namespace

// ---- the transcript ---------------------------------------------------------------

std::string escapeText(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '\\': s += "\\\\"; break;
      case '"': s += "\\\""; break;
      case '\n': s += "\\n"; break;
      case '\t': s += "\\t"; break;
      case '\r': s += "\\r"; break;
      default:
        if (c < 0x20 || c > 0x7E) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          s += hex;
        } else {
          s += static_cast<char>(c);
        }
    }
  }
  return s;
}

Transcript::Transcript(std::string_view scriptFile) {
  text_ = "kelvo-script transcript of \"" + escapeText(scriptFile) + "\"\n";
  script::setOutputSink(&Transcript::collectOutput, this);
  script::setDiagnosticSink([this](const script::Diagnostic& d) { diagnostic(d); });
}

Transcript::~Transcript() {
  script::setDiagnosticSink(nullptr);
  script::setOutputSink(nullptr);
}

void Transcript::collectOutput(std::string_view text, void* context) {
  auto* t = static_cast<Transcript*>(context);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) {
      t->partial_.append(text.substr(at));
      return;
    }
    t->partial_.append(text.substr(at, end - at));
    t->text_ += "out| " + escapeText(t->partial_) + "\n";
    t->partial_.clear();
    at = end + 1;
  }
}

void Transcript::flushOutput() {
  if (partial_.empty()) return;
  // A line the script has not ended yet.
  text_ += "out~ " + escapeText(partial_) + "\n";
  partial_.clear();
}

void Transcript::diagnostic(const script::Diagnostic& d) {
  flushOutput();
  text_ += "err| " + escapeText(script::formatDiagnostic(d)) + "\n";
}

void Transcript::section(std::string_view title) {
  flushOutput();
  text_ += "== ";
  text_ += title;
  text_ += "\n";
}

void Transcript::snapshot(std::string_view title, bool running, bool reloadRequested) {
  section(title);
  Walker(text_).scene(running, reloadRequested);
}

void Transcript::line(std::string_view text) {
  flushOutput();
  text_ += text;
  text_ += "\n";
}

const std::string& Transcript::text() {
  flushOutput();
  return text_;
}

void Transcript::installClock() {
  clockNow = 0;
  platform::setClockSource(&readClock);
  platform::setSleepSource(&sleepClock);
}

void Transcript::advanceClock(int32_t ms) { sleepClock(ms); }

}  // namespace kelvo::tool
