// The built-ins that need no scene object.

#include "script/Builtins.h"

#include "script/Output.h"
#include "script/SceneBuiltins.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataTime.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"
#include "util/Rand15.h"
#include "script/TimerManager.h"

#include <cmath>
#include <vector>

namespace qor::script {

ShellHooks shellHooks;

namespace {

std::vector<BuiltinRegistrar>& registrars() {
  static std::vector<BuiltinRegistrar> r;
  return r;
}

// ---- maths ---------------------------------------------------------------------

template <float (*F)(float)>
DataPtr mathBuiltin(BuiltinArgs args) {
  float x;
  if (args.size() != 1 || !asFloat(args[0].get(), x)) return nullptr;
  return makeFloat(F(x));
}

float fSin(float x) { return std::sin(x); }
float fCos(float x) { return std::cos(x); }
float fTan(float x) { return std::tan(x); }
float fLog(float x) { return std::log(x); }
float fExp(float x) { return std::exp(x); }
float fAbs(float x) { return std::fabs(x); }
float fSqrt(float x) { return std::sqrt(x); }

DataPtr builtinRand(BuiltinArgs args) {
  float base, range;
  if (args.size() != 2 || !asFloat(args[0].get(), base) || !asFloat(args[1].get(), range)) return nullptr;
  const float r = static_cast<float>(rand15());
  return makeFloat(base + range * r / static_cast<float>(kRand15Max));
}

// ---- output and program control --------------------------------------------------

DataPtr builtinPrint(BuiltinArgs args) {
  for (const DataPtr& a : args) {
    if (!a) break;
    a->print();
  }
  writeOutput("\n");
  return nullptr;
}

DataPtr builtinExit(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  if (shellHooks.running) *shellHooks.running = false;
  return nullptr;
}

DataPtr builtinReset(BuiltinArgs) {
  if (shellHooks.reloadRequested) *shellHooks.reloadRequested = true;
  return nullptr;
}

DataPtr builtinNothing(BuiltinArgs args) {
  (void)args;
  return nullptr;
}

DataPtr builtinInclude(BuiltinArgs args) {
  std::string name;
  if (args.size() != 1 || !asString(args[0].get(), name)) return nullptr;
  includeFile(name, builtinCallPlace());
  return nullptr;
}

DataPtr builtinGetMousePos(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  const int32_t x = shellHooks.mouseX ? *shellHooks.mouseX : 0;
  const int32_t y = shellHooks.mouseY ? *shellHooks.mouseY : 0;
  return makeList({makeInt(x), makeInt(y)});
}

// ---- timers ----------------------------------------------------------------------

DataPtr builtinTimer(BuiltinArgs args) {
  int32_t interval, duration;
  if (args.size() != 4 || !asInt(args[0].get(), interval) || !asInt(args[1].get(), duration)) return nullptr;
  // The tick callback must be a call; a timeout callback is needed only when
  // the timer can time out. A timer never runs without what it will call.
  const DataPtr& tick = args[2];
  const DataPtr& timeout = args[3];
  if (!tick || tick->tag() != kTagCallFunction) return nullptr;
  const bool timeoutIsCall = timeout && timeout->tag() == kTagCallFunction;
  if (duration != -1 && !timeoutIsCall) return nullptr;
  SmartPointer<DataTime> timer(new DataTime(interval, duration, tick, timeoutIsCall ? timeout : nullptr));
  timerManager.add(timer);
  return timer;
}

DataPtr builtinStopAll(BuiltinArgs args) {
  if (args.empty()) timerManager.stopAll();
  return nullptr;
}
DataPtr builtinPauseAll(BuiltinArgs args) {
  if (args.empty()) timerManager.pauseAll();
  return nullptr;
}
DataPtr builtinStartAll(BuiltinArgs args) {
  if (args.empty()) timerManager.startAll();
  return nullptr;
}

// ---- types and conversions ----------------------------------------------------------

DataPtr builtinType(BuiltinArgs args) {
  if (args.size() != 1 || !args[0]) return nullptr;
  const char* name = typeName(args[0].get());
  return name ? makeString(name) : nullptr;
}

template <DataPtr (*Convert)(const DataPtr&)>
DataPtr conversionBuiltin(BuiltinArgs args) {
  if (args.size() != 1) return nullptr;
  return Convert(args[0]);
}

// ---- keys -----------------------------------------------------------------------

DataPtr builtinSetKeyFunc(BuiltinArgs args) {
  if (args.size() != 2) return nullptr;
  const int code = keyCodeOf(args[0]);
  if (code < 0 || code >= kKeySlots) return nullptr;
  const DataPtr& call = args[1];
  bindKey(code, call && call->tag() == kTagCallFunction ? call : nullptr);
  return nullptr;
}

DataPtr& slot(int code) {
  static DataPtr slots[kKeySlots];
  return slots[code];
}

}  // namespace

void addBuiltinRegistrar(BuiltinRegistrar registrar) { registrars().push_back(registrar); }

void registerBuiltins() {
  registerBuiltin("sin", &mathBuiltin<fSin>);
  registerBuiltin("cos", &mathBuiltin<fCos>);
  registerBuiltin("tan", &mathBuiltin<fTan>);
  registerBuiltin("log", &mathBuiltin<fLog>);
  registerBuiltin("exp", &mathBuiltin<fExp>);
  registerBuiltin("abs", &mathBuiltin<fAbs>);
  registerBuiltin("sqrt", &mathBuiltin<fSqrt>);
  registerBuiltin("rand", &builtinRand);
  registerBuiltin("print", &builtinPrint);
  registerBuiltin("exit", &builtinExit);
  registerBuiltin("include", &builtinInclude);
  registerBuiltin("Timer", &builtinTimer);
  registerBuiltin("TYPE", &builtinType);
  registerBuiltin("stopAllTimers", &builtinStopAll);
  registerBuiltin("pauseAllTimers", &builtinPauseAll);
  registerBuiltin("startAllTimers", &builtinStartAll);
  registerBuiltin("setKeyFunc", &builtinSetKeyFunc);
  registerBuiltin("getMousePos", &builtinGetMousePos);
  registerBuiltin("reset", &builtinReset);
  registerBuiltin("help", &builtinNothing);
  registerBuiltin("version", &builtinNothing);
  registerBuiltin("INT", &conversionBuiltin<toInt>);
  registerBuiltin("BOOL", &conversionBuiltin<toBool>);
  registerBuiltin("FLOAT", &conversionBuiltin<toFloat>);
  registerBuiltin("STRING", &conversionBuiltin<toString>);
  // The scene built-ins live with the scene objects; naming them here also
  // links them into every program that runs scripts.
  installSceneBuiltins();
  for (BuiltinRegistrar r : registrars()) r();
}

const char* typeName(const IData* v) {
  switch (v ? v->tag() : -1) {
    case kTagBool: return "bool";
    case kTagInt: return "int";
    case kTagFloat: return "float";
    case kTagString: return "string";
    case kTagVector: return "List";
    case kTagVoid: return "void";
    case kTagSceneNode: return "SceneNode";
    case kTagTime: return "Timer";
    case kTagMaterial: return "Material";
    case kTagCamera: return "Camera";
    default: return nullptr;
  }
}

void printValue(const DataPtr& value) {
  if (value) value->print();
  writeOutput("\n");
}

std::string printedText(const DataPtr& value) {
  CapturedOutput captured;
  if (value) value->print();
  return captured.text();
}

// ---- key bindings ----------------------------------------------------------------

const DataPtr& keyBinding(int code) {
  static const DataPtr none;
  return code >= 0 && code < kKeySlots ? slot(code) : none;
}

void bindKey(int code, DataPtr call) {
  if (code < 0 || code >= kKeySlots) return;
  slot(code) = std::move(call);
}

void clearKeyBindings() {
  for (int i = 0; i < kKeySlots; ++i) slot(i) = nullptr;
}

void dispatchKeyBindings(const unsigned char keys[256]) {
  for (int code = 0; code < kKeySlots; ++code) {
    if (!keys[code] || !slot(code)) continue;
    // Hold the call: it may rebind its own key while it runs.
    DataPtr call = slot(code);
    Scope locals;
    runUnit({runningFile()}, [&] { call->evaluate(locals); });
    returnFlag = false;
  }
}

int keyCodeOf(const DataPtr& keyExpression) {
  if (!keyExpression) return -1;
  if (keyExpression->tag() == kTagString) {
    const std::string& s = static_cast<DataString*>(keyExpression.get())->value;
    if (s == "UP") return 38;
    if (s == "DOWN") return 40;
    if (s == "LEFT") return 37;
    if (s == "RIGHT") return 39;
    if (s.empty()) return -1;
    const int c = static_cast<unsigned char>(s[0]);
    return c >= 'a' && c <= 'z' ? c - 32 : c;
  }
  int32_t code;
  if (!asInt(keyExpression.get(), code)) return -1;
  return code;
}

}  // namespace qor::script
