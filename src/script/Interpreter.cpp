// The interpreter's global tables and the runs of whole files.

#include "script/Interpreter.h"

#include "script/Builtins.h"
#include "script/Compiled.h"
#include "script/Diagnostics.h"
#include "script/SceneDriver.h"
#include "platform/Stack.h"
#include "script/SyntaxTree.h"
#include "util/MappedFile.h"
#include "util/Path.h"
#include "util/ReadRecord.h"
#include "util/Warnings.h"

#include <map>
#include <new>

namespace qor::script {

bool returnFlag = false;
int evalDepth = 0;
bool aborting = false;
RunawayLimit limitReached = RunawayLimit::None;

namespace detail {
bool boundaryOpen = false;
uint32_t resolutionGeneration = 0;
BufferPool<DataPtr> argPool;
BufferPool<Value> valuePool;
std::vector<ScopeRecord*> recordTable;
UnitPlace builtinCallPlace;
std::size_t collectAtBytes = kLoopCollectBytes;

void collectCrowd() {
  collectGarbage();
  collectAtBytes = memory::usedBytes() + kLoopCollectBytes;
}
}  // namespace detail

namespace {

struct State {
  std::vector<std::string> files;
  // Records stay at fixed addresses while the list grows (an include appends
  // one while statements of another run).
  std::deque<ScopeRecord> records;
  std::size_t running = 0;
  // Name -> built-in, by symbol: a flat array indexed by the name's symbol.
  std::vector<Builtin> builtinBySymbol;
  std::vector<bool> builtinPresent;
  // Set for a built-in registered to take its argument expressions.
  std::vector<bool> builtinTakesExpressions;
  DataPtr scene;
  SceneHook sceneHook = nullptr;
  ErrorSink errorSink;
};


State& state() {
  static State s;
  return s;
}

const std::string kNoPath;

}  // namespace

// ---- file table --------------------------------------------------------------

std::size_t addFile(std::string path) {
  State& s = state();
  s.files.push_back(std::move(path));
  s.records.emplace_back();
  detail::recordTable.push_back(&s.records.back());
  return s.files.size() - 1;
}

const std::string& filePath(std::size_t index) {
  State& s = state();
  return index < s.files.size() ? s.files[index] : kNoPath;
}


ScopeRecord& lastRecord() {
  State& s = state();
  if (s.records.empty()) addFile("");
  return s.records.back();
}

std::size_t runningFile() { return state().running; }
void setRunningFile(std::size_t index) { state().running = index; }
const std::string& runningPath() { return filePath(state().running); }

bool hasFile(std::string_view path) {
  for (const std::string& f : state().files)
    if (f == path) return true;
  return false;
}

std::vector<FileVariable> fileVariables(std::size_t index) {
  std::vector<FileVariable> vars;
  if (index >= fileCount()) return vars;
  return compiled::variablesOf(index);
}

Value* findFileVariable(Symbol name) { return compiled::fileVariable(name); }

std::vector<FileFunction> fileFunctions(std::size_t index) {
  std::vector<FileFunction> functions;
  if (index >= fileCount()) return functions;
  for (const FunctionEntry& e : record(index).functions) functions.push_back({symbolName(e.name), e.paramCount});
  return functions;
}

// ---- functions and built-ins -------------------------------------------------

void defineFunction(SmartPointer<Function> fn) {
  State& s = state();
  const int32_t count = static_cast<int32_t>(fn->params.size());
  ++detail::resolutionGeneration;
  for (ScopeRecord& r : s.records)
    for (FunctionEntry& e : r.functions)
      if (e.name == fn->name && e.paramCount == count) {
        e.function = std::move(fn);
        return;
      }
  const Symbol name = fn->name;
  lastRecord().functions.push_back(FunctionEntry{name, count, std::move(fn)});
}

Function* findFunction(Symbol name, std::size_t paramCount) {
  const int32_t count = static_cast<int32_t>(paramCount);
  for (ScopeRecord& r : state().records)
    for (FunctionEntry& e : r.functions)
      if (e.name == name && e.paramCount == count) return e.function.get();
  return nullptr;
}

void registerBuiltin(std::string_view name, BuiltinFn fn, ArgumentForm form) {
  State& s = state();
  const Symbol sym = intern(name);
  if (sym >= s.builtinBySymbol.size()) {
    s.builtinBySymbol.resize(sym + 1);
    s.builtinPresent.resize(sym + 1, false);
    s.builtinTakesExpressions.resize(sym + 1, false);
  }
  s.builtinBySymbol[sym] = Builtin(fn);
  s.builtinPresent[sym] = true;
  s.builtinTakesExpressions[sym] = form == ArgumentForm::Expressions;
  ++detail::resolutionGeneration;
}

bool builtinTakesExpressions(Symbol name) {
  const State& s = state();
  return name < s.builtinTakesExpressions.size() && s.builtinTakesExpressions[name];
}

Builtin* findBuiltin(Symbol name) {
  State& s = state();
  if (name >= s.builtinBySymbol.size() || !s.builtinPresent[name]) return nullptr;
  return &s.builtinBySymbol[name];
}

void resetInterpreter() {
  State& s = state();
  s.files.clear();
  s.records.clear();
  detail::recordTable.clear();
  s.running = 0;
  s.builtinBySymbol.clear();
  s.builtinPresent.clear();
  s.builtinTakesExpressions.clear();
  s.errorSink = nullptr;
  returnFlag = false;
  compiled::reset();
  ++detail::resolutionGeneration;
}

// ---- budgets and units of work -------------------------------------------------

namespace detail {
uint64_t stepsLeft = kUnlimitedSteps;
}  // namespace detail

namespace {

std::size_t memoryLimitBytes = kDefaultMemoryLimit;

// Thrown when the evaluation budget is spent; caught where the unit began.
struct BudgetSpent {};

// Units of work in progress: the outermost one owns the stop.
int unitDepth = 0;

struct UnitDepth {
  UnitDepth() { ++unitDepth; }
  ~UnitDepth() { --unitDepth; }
};

}  // namespace

void setMemoryLimit(std::size_t bytes) { memoryLimitBytes = bytes; }
std::size_t memoryLimit() { return memoryLimitBytes; }
void setEvaluationBudget(uint64_t steps) { detail::stepsLeft = steps; }
void detail::budgetSpent() { throw BudgetSpent{}; }

bool runUnitWork(const UnitPlace& place, void (*work)(void*), void* context) {
  if (unitDepth > 0) {
    work(context);
    return true;
  }
  State& s = state();
  const std::size_t running = s.running;
  const char* note = nullptr;
  try {
    UnitDepth depth;
    memory::BudgetScope budget(memoryLimitBytes);
    work(context);
    return true;
  } catch (const std::bad_alloc&) {
    note = "out of memory";
  } catch (const BudgetSpent&) {
    note = "evaluation budget spent";
  }
  // The stack has unwound (the guards on it have restored the nesting count,
  // the call frames and the argument pool); what the unit left behind is
  // reset here, and whatever it alone held is freed.
  s.running = running;
  aborting = false;
  returnFlag = false;
  limitReached = RunawayLimit::None;
  collectGarbage();
  if (s.errorSink) s.errorSink(filePath(place.file), place.line, place.column, note);
  return false;
}

// ---- running files -------------------------------------------------------------

namespace {

// The tools' note of a statement that reached a limit, at the statement.
void reportRunaway(std::size_t index, std::size_t statement) {
  const ErrorSink& sink = state().errorSink;
  if (!sink) return;
  const ScopeRecord& r = record(index);
  const StatementPlace place = statement < r.statementPlaces.size() ? r.statementPlaces[statement] : StatementPlace{};
  const std::string message = limitReached == RunawayLimit::CallDepth
                                  ? "call depth limit (" + std::to_string(kMaxCallDepth) + ") reached"
                                  : "nesting limit (" + std::to_string(kMaxEvalDepth) + ") reached";
  sink(filePath(index), place.line, place.column, message);
}

}  // namespace

DataPtr runRecord(std::size_t index) {
  if (index >= fileCount()) return nullptr;
  DataPtr last;
  // The statement list may grow while it runs (a console line, say), so walk
  // it by index; the record itself stays put.
  ScopeRecord& r = record(index);
  UnitPlace place{index};
  for (std::size_t i = 0; i < r.statements.size(); ++i) {
    DataPtr statement = r.statements[i];
    if (i < r.statementPlaces.size()) place = {index, r.statementPlaces[i].line, r.statementPlaces[i].column};
    // An outer unit's note is written when it ends (an include runs the
    // included file's statements inside it).
    const RunawayLimit outer = unitDepth > 0 ? limitReached : RunawayLimit::None;
    limitReached = RunawayLimit::None;
    last = nullptr;
    runUnit(place, [&] {
      if (statement) last = compiled::runStatement(index, i);
    });
    // A `return` outside any function must not leak into later statements,
    // nor a runaway state into the next statement.
    returnFlag = false;
    if (evalDepth == 0) aborting = false;
    if (limitReached != RunawayLimit::None) reportRunaway(index, i);
    limitReached = outer;
  }
  if (last) runUnit(place, [&] { printValue(last); });
  return last;
}

bool loadFile(const std::string& path, SceneDriver& driver, std::size_t* indexOut) {
  const std::size_t index = addFile(path);
  if (indexOut) *indexOut = index;
  return driver.parse(path);
}

bool runSceneScript(const std::string& path, SceneDriver& driver, const std::string* text) {
  noteFileRead(path);
  const std::size_t index = addFile(path);
  registerBuiltins();
  setErrorSink(driver.errorSink);
  const bool ok = text ? driver.parseText(path, *text) : driver.parse(path);
  setRunningFile(index);
  runRecord(index);
  takeScene();
  collectGarbage();
  return ok;
}

bool includeFile(std::string_view name, const UnitPlace& call) {
  const std::string path = path::join(runningPath(), name);
  if (hasFile(path)) return false;
  noteFileRead(path);
  if (const uint64_t bytes = oversizeScript(path)) {
    const ErrorSink& sink = state().errorSink;
    if (sink) sink(filePath(call.file), call.line, call.column, "cannot include " + path + ": " + scriptTooLargeMessage(bytes));
    return false;
  }
  if (!canReadRegularFile(path)) {
    if (warningsOn()) warnAt(call, "cannot include \"" + path + "\": " + describeUnreadableFile(path));
    return false;
  }
  if (platform::stackLeft() < kIncludeStackReserve) {
    // Unwinds like any runaway; the note names the nesting limit.
    startRunaway(RunawayLimit::Nesting);
    return false;
  }
  SceneDriver driver;
  driver.errorSink = state().errorSink;
  std::size_t index = 0;
  loadFile(path, driver, &index);
  const std::size_t previous = runningFile();
  setRunningFile(index);
  runRecord(index);
  setRunningFile(previous);
  return true;
}

void setErrorSink(ErrorSink sink) { state().errorSink = std::move(sink); }

void takeScene() {
  static const Symbol kScene = intern("scene");
  State& s = state();
  const Value* v = compiled::fileVariable(kScene);
  if (!v) return;
  s.scene = v->tag() == kTagSceneNode ? v->box() : nullptr;
  if (s.sceneHook) s.sceneHook(s.scene);
}

DataPtr& sceneValue() { return state().scene; }

void setSceneHook(SceneHook hook) { state().sceneHook = hook; }

}  // namespace qor::script
