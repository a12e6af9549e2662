#pragma once
// The interpreter's process-wide state and its entry points: the file table
// and the scope records (one per loaded file: its variables, its functions,
// its top-level statements), the return flag, the built-in registry, the
// scene value, and the guards that keep a runaway script from overflowing
// the C++ stack.

#include "base/memory/Functor.h"
#include "base/memory/MemoryBudget.h"
#include "script/Scope.h"
#include "script/Symbol.h"
#include "script/Value.h"
#include "script/datatypes/IData.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qor {

class Function;
class SceneDriver;

// Built-ins receive the evaluated argument list by reference: the interpreter
// owns it and nothing needs a copy.
using BuiltinArgs = const std::vector<DataPtr>&;
using Builtin = FunctorGlobal1<DataPtr, BuiltinArgs>;
using BuiltinFn = DataPtr (*)(BuiltinArgs);

namespace script {

struct FunctionEntry {
  Symbol name;
  int32_t paramCount;
  SmartPointer<Function> function;
};

// Where a top-level statement begins in its file (line from 1, column from 0).
struct StatementPlace {
  int line = 0;
  int column = 0;
};

// One per loaded file, in the order of the file table.
struct ScopeRecord {
  std::vector<FunctionEntry> functions;
  std::vector<DataPtr> statements;
  // One per statement, for the notes of runaway statements.
  std::vector<StatementPlace> statementPlaces;
};

// ---- file table and scope list ---------------------------------------------

// Appends a file to the file table and a new, empty record to the scope list.
// Returns its index.
std::size_t addFile(std::string path);
namespace detail {
// The records in file-table order (they live at fixed addresses), read on
// every lookup of a file variable.
extern std::vector<ScopeRecord*> recordTable;
}  // namespace detail
inline std::size_t fileCount() { return detail::recordTable.size(); }
const std::string& filePath(std::size_t index);
inline ScopeRecord& record(std::size_t index) { return *detail::recordTable[index]; }
// The record the parser fills: the last one (made on demand when none exists).
ScopeRecord& lastRecord();
// The index of the file being executed; file-name arguments resolve against it.
std::size_t runningFile();
void setRunningFile(std::size_t index);
// The running file's path ("" when none), for resolving relative names.
const std::string& runningPath();
// True when `path` is already in the file table.
bool hasFile(std::string_view path);

// Registers a function parsed from `def`: replaces the entry of the first
// record that has the same (name, parameter count), else adds it to the last
// record.
void defineFunction(SmartPointer<Function> fn);
// The first function with this name and parameter count, first record first.
Function* findFunction(Symbol name, std::size_t paramCount);

// Empties the file table, the scope list and the built-in registry (the
// scene reset). The scene value stays until the next script takes a scene.
void resetInterpreter();

// What a file of the file table holds, for tools that show it (the
// transcript of kelvo-script): its variables in the order they were made,
// and its functions in the order they were defined. Reading changes
// nothing; the views are valid until the next statement runs.
struct FileVariable {
  std::string_view name;
  const Value* value;
};
std::vector<FileVariable> fileVariables(std::size_t index);
// A file variable: the first file's table that has the name; nullptr when
// none has it.
Value* findFileVariable(Symbol name);
inline bool hasFileVariable(Symbol name) { return findFileVariable(name) != nullptr; }
struct FileFunction {
  std::string_view name;
  int32_t paramCount;
};
std::vector<FileFunction> fileFunctions(std::size_t index);

// ---- budgets and units of work ------------------------------------------------

// The memory budget of script work: what reference-counted objects (script
// values, the syntax tree, the nodes, materials and timers scripts make) and
// the texts and lists of script values may take in all while a unit of
// script work runs (see base/memory/MemoryBudget.h). 512 MiB unless set.
constexpr std::size_t kDefaultMemoryLimit = std::size_t{512} << 20;
void setMemoryLimit(std::size_t bytes);
std::size_t memoryLimit();

// The evaluation budget: how many evaluation steps (an operation, a call, a
// branch, one pass of a loop) all script work from now on may take. Once it
// is spent, every unit of work stops at its first step, so a runaway script
// ends after a fixed amount of work wherever it runs. Unlimited unless set
// (the fuzz targets set it).
constexpr uint64_t kUnlimitedSteps = UINT64_MAX;
void setEvaluationBudget(uint64_t steps);
namespace detail {
extern uint64_t stepsLeft;
[[noreturn]] void budgetSpent();
}  // namespace detail
// Counts one evaluation step: a compare and a decrement.
inline void countStep() {
  if (detail::stepsLeft == 0) detail::budgetSpent();
  --detail::stepsLeft;
}

// Where a unit of script work stands, for its note when it is stopped (line
// 0: no place within the file).
struct UnitPlace {
  std::size_t file = 0;
  int line = 0;
  int column = 0;
};

// Runs one unit of script work: a top-level statement, the call bound to a
// key, a timer's callback. The memory budget is armed while it runs. An
// allocation past the budget (or one that fails), or the end of the
// evaluation budget, stops the unit: the stack unwinds, what it released is
// collected, and the note "out of memory" or "evaluation budget spent" goes
// to the error sink at `place`. Returns false when the unit was stopped.
// Work started inside another unit (an included file's statements) belongs
// to it: an out-of-memory stops the outer unit.
bool runUnitWork(const UnitPlace& place, void (*work)(void*), void* context);
template <class Work>
bool runUnit(const UnitPlace& place, Work&& work) {
  using W = std::remove_reference_t<Work>;
  return runUnitWork(place, [](void* w) { (*static_cast<W*>(w))(); }, &work);
}

// ---- running ---------------------------------------------------------------

// Runs the statements of one record with its own variables as the local
// scope, each as a unit of work (see runUnit); the return flag is cleared
// after every statement. A non-null value of the last statement is printed as
// "print" prints it. Returns that value.
DataPtr runRecord(std::size_t index);

// Parses a file into a new record of the scope list. `driver` carries the
// trace switches and the error sink. Returns false when the parse failed.
bool loadFile(const std::string& path, SceneDriver& driver, std::size_t* indexOut = nullptr);

// Loads the scene script the way the viewer does: adds the file, registers
// the built-ins, parses, runs the first record's statements (the running
// file is 0 while they run), takes the scene and collects garbage. Returns
// whether the parse succeeded. The statements run even after a failed parse:
// whatever was reduced before the error is in effect.
// With `text`, that text is parsed under the name `path` in place of the
// file (the name still places the files the script names).
bool runSceneScript(const std::string& path, SceneDriver& driver, const std::string* text = nullptr);

// "include": resolves `name` against the running file, loads it unless the
// file table holds it already, runs its statements with it as the running
// file, then restores the previous running file. False when nothing was run.
// A file above kMaxScriptBytes is refused with a note at `call`, the place
// of the include; with less than kIncludeStackReserve of stack left the
// include is refused as the nesting limit (see the stack guards below).
bool includeFile(std::string_view name, const UnitPlace& call = {});

// Looks for the variable "scene" in each record, first record first; the first
// one found becomes the scene value when it is a SceneNode, else null. With
// no such variable the scene value is left as it was.
void takeScene();
// The scene value: the SceneNode value the renderer draws (null for none).
DataPtr& sceneValue();
// Called after takeScene changed the scene value; the scene code connects it
// to the global Scene's root.
using SceneHook = void (*)(const DataPtr& sceneNodeValue);
void setSceneHook(SceneHook hook);


// The built-in registry. A built-in gets the values of its arguments, or,
// registered with ArgumentForm::Expressions, the argument expressions
// themselves, unevaluated (as "setKeyFunc" gets the call it binds). A call
// takes its form when it is parsed, so such a built-in must be registered
// before the scripts that call it are parsed (registerBuiltins does that for
// every scene load).
enum class ArgumentForm : uint8_t { Values, Expressions };
void registerBuiltin(std::string_view name, BuiltinFn fn, ArgumentForm form = ArgumentForm::Values);
bool builtinTakesExpressions(Symbol name);
Builtin* findBuiltin(Symbol name);
// Where the built-in now being called was called from (the file it was
// parsed in, the line and column of its name): set just before a built-in
// runs, so valid at its start only (it may run script code that calls
// others).
namespace detail {
extern UnitPlace builtinCallPlace;
}
inline const UnitPlace& builtinCallPlace() { return detail::builtinCallPlace; }

// Bumped whenever a function table or the registry changes; call sites cache
// their resolution under it. Read on every call, so it is a plain global.
namespace detail {
extern uint32_t resolutionGeneration;
}
inline uint32_t resolutionGeneration() { return detail::resolutionGeneration; }

// The return flag: set by `return`, cleared by the function call that
// consumes it and after each top-level statement.
extern bool returnFlag;

// Where syntax errors of included files and the notes of runaway statements
// go (the tools set it through their driver); none by default, so the
// viewer stays silent.
using ErrorSink = std::function<void(const std::string& file, int line, int column, const std::string& message)>;
void setErrorSink(ErrorSink sink);

// ---- stack guards ------------------------------------------------------------

// Nested evaluations (operators, calls, lists, statements inside statements)
// and nested user-function calls are counted. Past either limit the script is
// runaway: `aborting` is set, every evaluation still on the stack gives null
// at once and loops stop, so the stack unwinds quickly instead of
// overflowing (or spinning in a loop whose body can no longer run). It
// unwinds to the operation that began the runaway (see RunawayBoundary),
// which gives null; the rest of the statement runs normally. The limits fit
// the default 8 MiB stack in every build, sanitizers included.
constexpr int kMaxEvalDepth = 4000;
constexpr int kMaxCallDepth = 1000;
// One level of include stacks far more frames than one level of nesting
// (a call, a parse, a file's run), so a chain of included files is not left
// to the counts alone: an include starts only with this much of the
// thread's stack left, measured, else it reaches the nesting limit there.
// The rest covers the included file's parse and statements of ordinary
// nesting.
constexpr std::size_t kIncludeStackReserve = std::size_t{256} << 10;
extern int evalDepth;
extern bool aborting;

// The first limit reached during the current top-level statement; the
// statement's note names it.
enum class RunawayLimit : uint8_t { None, Nesting, CallDepth };
extern RunawayLimit limitReached;

inline void startRunaway(RunawayLimit limit) {
  if (limitReached == RunawayLimit::None) limitReached = limit;
  aborting = true;
}


namespace detail {
extern bool boundaryOpen;
}

// The operation a runaway unwinds to: the outermost user-function call in
// progress, or, outside any call, the outermost comparison or printing of
// Lists (a List may hold itself). A limit reached inside it unwinds to it;
// endRunaway() then clears the runaway state and the operation gives null.
// A runaway with no boundary around it (a deeply nested expression) ends
// with its top-level statement.
class RunawayBoundary {
public:
  RunawayBoundary() : owner_(!detail::boundaryOpen && !aborting) {
    if (owner_) detail::boundaryOpen = true;
  }
  ~RunawayBoundary() {
    if (owner_) detail::boundaryOpen = false;
  }
  RunawayBoundary(const RunawayBoundary&) = delete;
  RunawayBoundary& operator=(const RunawayBoundary&) = delete;

  // True when a runaway ended here: the caller gives null.
  bool endRunaway() {
    if (!owner_ || !aborting) return false;
    aborting = false;
    return true;
  }

private:
  bool owner_;
};

class DepthGuard {
public:
  DepthGuard() {
    countStep();
    if (++evalDepth > kMaxEvalDepth) startRunaway(RunawayLimit::Nesting);
  }
  ~DepthGuard() {
    if (--evalDepth == 0) aborting = false;
  }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  explicit operator bool() const { return !aborting; }
};

namespace detail {
// One vector per nesting level, kept from call to call. The vectors are held
// by pointer so that growing the pool never moves one in use.
template <class T>
struct BufferPool {
  std::vector<std::unique_ptr<std::vector<T>>> buffers;
  std::size_t top = 0;

  std::vector<T>* take() {
    if (top == buffers.size()) buffers.push_back(std::make_unique<std::vector<T>>());
    return buffers[top++].get();
  }
};
extern BufferPool<DataPtr> argPool;
extern BufferPool<Value> valuePool;
}  // namespace detail

// A reusable vector borrowed for one nesting level: evaluation borrows one
// per level, so a call does not allocate a new vector every time. Emptied
// when given back.
template <class T, detail::BufferPool<T>& pool>
class PooledBuffer {
public:
  PooledBuffer() : v_(pool.take()) {}
  ~PooledBuffer() {
    v_->clear();
    --pool.top;
  }
  PooledBuffer(const PooledBuffer&) = delete;
  PooledBuffer& operator=(const PooledBuffer&) = delete;
  std::vector<T>& operator*() const { return *v_; }
  std::vector<T>* operator->() const { return v_; }

private:
  std::vector<T>* v_;
};

// The argument objects of a built-in call.
using ArgBuffer = PooledBuffer<DataPtr, detail::argPool>;

// The argument Values of a user-function call: `count` null Values, in the
// object itself for the common short lists, else in a pooled vector.
class ValueArgs {
public:
  static constexpr std::size_t kInline = 4;
  ValueArgs() = default;
  explicit ValueArgs(std::size_t count) { allocate(count); }
  // Makes room for `count` null values; once, on an empty one.
  void allocate(std::size_t count) {
    count_ = count;
    if (count <= kInline) {
      data_ = reinterpret_cast<Value*>(inline_);
      for (std::size_t i = 0; i < count; ++i) new (data_ + i) Value();
    } else {
      spill_ = detail::valuePool.take();
      spill_->resize(count);
      data_ = spill_->data();
    }
  }
  ~ValueArgs() {
    if (spill_) {
      spill_->clear();
      --detail::valuePool.top;
    } else {
      for (std::size_t i = 0; i < count_; ++i) data_[i].~Value();
    }
  }
  ValueArgs(const ValueArgs&) = delete;
  ValueArgs& operator=(const ValueArgs&) = delete;
  Value& operator[](std::size_t i) { return data_[i]; }
  const Value& operator[](std::size_t i) const { return data_[i]; }
  Value* data() { return data_; }
  const Value* data() const { return data_; }
  std::size_t size() const { return count_; }

private:
  std::size_t count_ = 0;
  Value* data_ = nullptr;
  std::vector<Value>* spill_ = nullptr;
  alignas(Value) unsigned char inline_[kInline * sizeof(Value)];
};

// Long loops and many calls release many temporaries; past this many dead
// objects they are collected between two loop iterations or when a user
// function returns, so memory stays flat. At those points the interpreter
// holds everything it still uses through counted references.
constexpr std::size_t kLoopCollectThreshold = 64;
// A few dead long strings weigh more than many small values: the same
// points also collect once the bytes charged have grown this much since the
// last such collection.
constexpr std::size_t kLoopCollectBytes = std::size_t{4} << 20;
namespace detail {
extern std::size_t collectAtBytes;
void collectCrowd();
}  // namespace detail
inline void collectIfCrowded() {
  if (IMMObject::deadCount() > kLoopCollectThreshold || memory::usedBytes() > detail::collectAtBytes)
    detail::collectCrowd();
}

}  // namespace script
}  // namespace qor
