#include "script/Checker.h"

#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/RunChecks.h"
#include "script/SceneDriver.h"
#include "script/Signatures.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataVector.h"
#include "script/datatypes/DataValues.h"
#include "util/MappedFile.h"
#include "util/Path.h"
#include "util/TextFile.h"

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace qor::script {

namespace {

// What the files say, gathered from their trees.
struct Facts {
  std::unordered_set<Symbol> assigned;  // left of "=", "+=", ..., "++", "--"
  std::unordered_set<Symbol> read;      // evaluated as a variable
  std::vector<const DataCallFunction*> calls;    // `name(...)`, in the order met
  std::vector<const DataCallFunction*> methods;  // `x.name(...)`
};

// Visits a tree in source order without recursion (a long chain of
// operators makes a deep tree).
void gather(const IData* root, Facts& facts) {
  std::vector<const IData*> stack{root};
  // Children are pushed last first, so that they come off in source order.
  auto pushAll = [&stack](const StatementList& nodes) {
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) stack.push_back(it->get());
  };
  while (!stack.empty()) {
    const IData* n = stack.back();
    stack.pop_back();
    if (!n) continue;
    switch (n->tag()) {
      case kTagID:
        facts.read.insert(static_cast<const DataID*>(n)->name);
        break;
      case kTagOperation: {
        const auto* o = static_cast<const DataOperation*>(n);
        const IData* left = o->left.get();
        const IData* right = o->right.get();
        const bool stores = o->op == Op::Assign || o->op == Op::AddAssign || o->op == Op::SubAssign ||
                            o->op == Op::MulAssign || o->op == Op::DivAssign || o->op == Op::ModAssign ||
                            o->op == Op::Inc || o->op == Op::Dec;
        if (o->op == Op::Member && right) {
          // The right of "." names an attribute or a method, not a variable.
          if (right->tag() == kTagCallFunction) {
            const auto* call = static_cast<const DataCallFunction*>(right);
            facts.methods.push_back(call);
            pushAll(call->args);
          }
          stack.push_back(left);
          break;
        }
        if (stores && left && left->tag() == kTagID) {
          facts.assigned.insert(static_cast<const DataID*>(left)->name);
          left = nullptr;
        }
        stack.push_back(right);
        stack.push_back(left);
        break;
      }
      case kTagCallFunction: {
        const auto* call = static_cast<const DataCallFunction*>(n);
        facts.calls.push_back(call);
        pushAll(call->args);
        break;
      }
      case kTagVector: {
        const auto& elements = static_cast<const DataVector*>(n)->elements;
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) stack.push_back(it->object());
        break;
      }
      case kTagIf: {
        const auto* s = static_cast<const DataIf*>(n);
        pushAll(s->elseStatements);
        pushAll(s->thenStatements);
        stack.push_back(s->condition.get());
        break;
      }
      case kTagWhile: {
        const auto* s = static_cast<const DataWhile*>(n);
        pushAll(s->body);
        stack.push_back(s->condition.get());
        break;
      }
      case kTagFor: {
        const auto* s = static_cast<const DataFor*>(n);
        pushAll(s->body);
        stack.push_back(s->step.get());
        stack.push_back(s->condition.get());
        stack.push_back(s->init.get());
        break;
      }
      case kTagBool:
        // `return e;` carries the bool tag.
        if (const auto* r = dynamic_cast<const DataReturn*>(n)) stack.push_back(r->expression.get());
        break;
      default:
        break;
    }
  }
}

// The statements and function bodies of one record.
void gatherRecord(std::size_t index, Facts& facts) {
  const ScopeRecord& r = record(index);
  for (const DataPtr& s : r.statements) gather(s.get(), facts);
  for (const FunctionEntry& f : r.functions)
    for (const DataPtr& s : f.function->body) gather(s.get(), facts);
}

// The file an `include("name")` with a string literal names, resolved
// against the including file; empty for any other call.
std::string includedPath(const DataCallFunction& call) {
  static const Symbol kInclude = intern("include");
  if (call.name != kInclude || call.args.size() != 1) return {};
  const IData* arg = call.args[0].get();
  if (!arg || arg->tag() != kTagString) return {};
  return path::join(filePath(call.place.file), static_cast<const DataString*>(arg)->value);
}

std::string given(std::size_t count) { return ", given " + std::to_string(count); }

// The checks' warnings, written in the order of their places once all are found.
struct Finding {
  std::size_t file;
  int line, column;
  std::string text;
};
using Findings = std::vector<Finding>;
void add(Findings& out, const UnitPlace& p, std::string text) { out.push_back({p.file, p.line, p.column, std::move(text)}); }

// A call of a built-in or a user function with a count that none of its
// forms takes.
void checkCall(const DataCallFunction& call, const std::unordered_map<Symbol, std::vector<const Function*>>& defs,
               Findings& out) {
  const std::size_t count = call.args.size();
  const auto own = defs.find(call.name);
  if (own != defs.end())
    for (const Function* f : own->second)
      if (f->paramCount == count) return;
  const std::string_view name = symbolName(call.name);
  const std::vector<const Signature*> forms = signaturesOf("", name);
  if (!forms.empty()) {
    if (std::none_of(forms.begin(), forms.end(), [count](const Signature* s) { return s->accepts(count); }))
      add(out, call.place, std::string(name) + " " + describeForms("", name) + given(count));
  } else if (own != defs.end()) {
    add(out, call.place, std::string(name) + " " + describeDefs(own->second) + given(count));
  }
}

// A method call whose count no object type's method of that name takes.
void checkMethod(const DataCallFunction& call, Findings& out) {
  const std::string_view name = symbolName(call.name);
  const std::size_t count = call.args.size();
  if (anyOwnerAccepts(name, count)) return;
  for (const Signature& s : signatureTable())
    if (!s.owner.empty() && s.name == name) {
      add(out, call.place, std::string(name) + " " + describeForms(s.owner, name) + given(count));
      return;
    }
}

// The first place of each wanted name in the files' tokens, in file order:
// for a read, an identifier not after "." or "def" and not before "(".
struct TokenPlace {
  std::size_t file;
  int line, column;
};
std::unordered_map<std::string, TokenPlace> firstPlaces(const std::set<std::string>& wanted, bool readsOnly) {
  std::unordered_map<std::string, TokenPlace> places;
  if (wanted.empty()) return places;
  SceneDriver scanner;  // no error sink: the parse has reported them
  for (std::size_t f = 0; f < fileCount() && places.size() < wanted.size(); ++f) {
    const std::optional<std::string> text = readTextFile(filePath(f), kMaxScriptBytes);
    if (!text) continue;
    const std::vector<ScannedToken> tokens = scanner.scanText(filePath(f), *text);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const ScannedToken& t = tokens[i];
      if (t.name != "identifier" || !wanted.count(t.text) || places.count(t.text)) continue;
      if (readsOnly && ((i > 0 && (tokens[i - 1].name == "." || tokens[i - 1].name == "def")) ||
                        (i + 1 < tokens.size() && tokens[i + 1].name == "(")))
        continue;
      places.emplace(t.text, TokenPlace{f, t.line, t.column});
    }
  }
  return places;
}


}  // namespace

bool checkScript(const std::string& path, SceneDriver& driver) {
  // The files: the script, then every file an include names, each once.
  bool parsed = true;
  // A script that cannot be read gets the parse's error and nothing more.
  if (!canReadRegularFile(path)) return loadFile(path, driver);
  std::vector<std::string> pending{path};
  while (!pending.empty()) {
    const std::string file = std::move(pending.front());
    pending.erase(pending.begin());
    if (hasFile(file)) continue;
    std::size_t index = 0;
    parsed = loadFile(file, driver, &index) && parsed;
    Facts found;
    gatherRecord(index, found);
    for (const DataCallFunction* call : found.calls) {
      const std::string included = includedPath(*call);
      if (!included.empty() && !hasFile(included) && canReadRegularFile(included)) pending.push_back(included);
    }
  }

  Facts facts;
  std::unordered_map<Symbol, std::vector<const Function*>> defs;
  std::unordered_set<Symbol> params;
  for (std::size_t f = 0; f < fileCount(); ++f) {
    gatherRecord(f, facts);
    for (const FunctionEntry& e : record(f).functions) {
      defs[e.name].push_back(e.function.get());
      params.insert(e.function->params.begin(), e.function->params.end());
    }
  }
  for (auto& [name, list] : defs)
    std::sort(list.begin(), list.end(), [](const Function* a, const Function* b) { return a->paramCount < b->paramCount; });

  Findings findings;
  for (const DataCallFunction* call : facts.calls) checkCall(*call, defs, findings);
  for (const DataCallFunction* call : facts.methods) checkMethod(*call, findings);

  // Names only ever read: nothing gives them a value. After a syntax error
  // the files are known only in part, so these and the scene's check wait
  // for a clean parse.
  std::set<std::string> readOnly;
  std::vector<std::string_view> valued;
  for (Symbol s : facts.assigned) valued.push_back(symbolName(s));
  for (Symbol s : params) valued.push_back(symbolName(s));
  std::sort(valued.begin(), valued.end());
  for (Symbol s : facts.read) {
    if (!parsed) break;
    if (facts.assigned.count(s) || params.count(s) || defs.count(s)) continue;
    const std::string_view name = symbolName(s);
    if (!signaturesOf("", name).empty()) continue;
    readOnly.emplace(name);
  }
  const auto reads = firstPlaces(readOnly, true);
  for (const std::string& name : readOnly)
    if (const auto it = reads.find(name); it != reads.end())
      add(findings, {it->second.file, it->second.line, it->second.column},
          "'" + name + "' is read but never assigned" + didYouMean(name, valued));
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.file, a.line, a.column) < std::tie(b.file, b.line, b.column);
  });
  for (const Finding& f : findings) diagnose({filePath(f.file), f.line, f.column, DiagnosticKind::Warning, f.text});

  // The scene is what the files assign to "scene".
  if (parsed && !facts.assigned.count(intern("scene"))) {
    const std::string_view near = nearestName("scene", valued);
    const std::string text = "nothing assigns 'scene', so nothing is drawn";
    const auto places = near.empty() ? decltype(reads){} : firstPlaces({std::string(near)}, false);
    if (const auto it = places.find(std::string(near)); it != places.end())
      diagnose({filePath(it->second.file), it->second.line, it->second.column, DiagnosticKind::Warning,
                text + " (did you mean 'scene' for '" + std::string(near) + "'?)"});
    else
      diagnose({path, 0, 0, DiagnosticKind::Warning, text});
  }
  return parsed;
}

}  // namespace qor::script
