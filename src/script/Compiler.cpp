// From the parser's syntax tree to compiled code: names resolved to frame
// slots, file variables and function slots, operators to the run function
// of their operand kinds. And the program that holds it all.

#include "script/Compiled.h"
#include "platform/Stack.h"
#include "script/CompiledCode.h"

#include "script/SyntaxTree.h"
#include "script/datatypes/DataValues.h"
#include "script/datatypes/DataVector.h"

#include <unordered_map>
#include <unordered_set>

namespace qor::script {

namespace compiled {

namespace {

std::shared_ptr<Program>& current() {
  static std::shared_ptr<Program> p;
  return p;
}

const DataID* asName(const IData* n) { return n && n->tag() == kTagID ? static_cast<const DataID*>(n) : nullptr; }

bool isAssignment(Op op) {
  return op == Op::Assign || op == Op::AddAssign || op == Op::SubAssign || op == Op::MulAssign ||
         op == Op::DivAssign || op == Op::ModAssign;
}

bool isBinaryOperator(Op op) {
  switch (op) {
    case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Mod:
    case Op::Lt: case Op::Gt: case Op::Le: case Op::Ge: case Op::Eq: case Op::Ne:
    case Op::And: case Op::Or: return true;
    default: return false;
  }
}

// Calls every child node of `n` (operands, arguments, statements, List
// elements) with `visit`.
template <class Visit>
void eachChild(const IData* n, Visit&& visit) {
  if (!n) return;
  switch (n->tag()) {
    case kTagOperation: {
      const auto* o = static_cast<const DataOperation*>(n);
      visit(o->left.get());
      visit(o->right.get());
      return;
    }
    case kTagCallFunction:
      for (const DataPtr& a : static_cast<const DataCallFunction*>(n)->args) visit(a.get());
      return;
    case kTagIf: {
      const auto* i = static_cast<const DataIf*>(n);
      visit(i->condition.get());
      for (const DataPtr& s : i->thenStatements) visit(s.get());
      for (const DataPtr& s : i->elseStatements) visit(s.get());
      return;
    }
    case kTagWhile: {
      const auto* w = static_cast<const DataWhile*>(n);
      visit(w->condition.get());
      for (const DataPtr& s : w->body) visit(s.get());
      return;
    }
    case kTagFor: {
      const auto* f = static_cast<const DataFor*>(n);
      visit(f->init.get());
      visit(f->condition.get());
      visit(f->step.get());
      for (const DataPtr& s : f->body) visit(s.get());
      return;
    }
    case kTagVector:
      for (const Value& e : static_cast<const DataVector*>(n)->elements) visit(e.object());
      return;
    case kTagBool:
      if (n->isReturnNode()) visit(static_cast<const DataReturn*>(n)->expression.get());
      return;
    default: return;
  }
}

// The names a body assigns ("=" and the compound forms): each may become a
// local of the call, so each gets a frame slot.
// Walks with a stack of its own: a script may nest far deeper than the
// machine stack allows recursion.
void collectAssigned(const IData* root, std::vector<Symbol>& out, std::unordered_set<Symbol>& seen) {
  std::vector<const IData*> pending{root};
  std::vector<const IData*> children;
  while (!pending.empty()) {
    const IData* n = pending.back();
    pending.pop_back();
    if (!n) continue;
    if (n->tag() == kTagOperation) {
      const auto* o = static_cast<const DataOperation*>(n);
      if (isAssignment(o->op))
        if (const DataID* id = asName(o->left.get()); id && seen.insert(id->name).second) out.push_back(id->name);
    }
    // Children in reverse onto the stack, so they are visited in order.
    children.clear();
    eachChild(n, [&](const IData* c) { children.push_back(c); });
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
}

// The machine stack the compiler leaves for the run and for the callers.
constexpr std::size_t kCompileStackReserve = std::size_t{64} << 10;

class Compiler {
public:
  // `slots` null: a file's top level, where every name is a file variable.
  Compiler(Program& p, const std::unordered_map<Symbol, int32_t>* slots) : p_(p), slots_(slots) {}

  Block block(const StatementList& statements) {
    Block b;
    for (const DataPtr& s : statements)
      if (s) b.push_back(statement(s.get()));
    return b;
  }

  const Code* statement(const IData* n) { return makeOperandCode(p_, operand(n)); }

  Operand operand(const IData* n) {
    Operand o;
    if (!n) return o;
    // Every construct below a name or a literal takes a nesting level when
    // it runs, so one nested deeper than the limit can only run away: it is
    // compiled as a construct that takes its level and gives null, and what
    // it holds is never compiled (a script may nest far deeper than the
    // machine stack allows recursion).
    // A machine stack too short for the rest (a sanitizer's frames are large)
    // ends the construct the same way.
    if (makesCode(n) && (depth_ >= kMaxEvalDepth || platform::stackLeft() < kCompileStackReserve))
      return code(makeNothing(p_));
    struct Deeper {
      explicit Deeper(int& d) : depth(++d) {}
      ~Deeper() { --depth; }
      int& depth;
    } deeper(depth_);
    switch (n->tag()) {
      case kTagInt:
      case kTagFloat:
      case kTagString:
        o.kind = Operand::kConst;
        o.constant = Value(const_cast<IData*>(n));
        return o;
      case kTagBool:
        if (n->isReturnNode()) return code(makeReturn(p_, operand(static_cast<const DataReturn*>(n)->expression.get())));
        o.kind = Operand::kConst;
        o.constant = Value(const_cast<IData*>(n));
        return o;
      case kTagID:
        o.kind = Operand::kVar;
        o.var = var(static_cast<const DataID*>(n));
        return o;
      case kTagVector: return code(list(static_cast<const DataVector*>(n)));
      case kTagOperation: return code(operation(static_cast<const DataOperation*>(n)));
      case kTagCallFunction: return code(call(static_cast<const DataCallFunction*>(n)));
      case kTagIf: {
        const auto* i = static_cast<const DataIf*>(n);
        return code(makeIf(p_, operand(i->condition.get()), block(i->thenStatements), block(i->elseStatements)));
      }
      case kTagWhile: {
        const auto* w = static_cast<const DataWhile*>(n);
        return code(makeWhile(p_, operand(w->condition.get()), block(w->body)));
      }
      case kTagFor: {
        const auto* f = static_cast<const DataFor*>(n);
        return code(makeFor(p_, operand(f->init.get()), operand(f->condition.get()), operand(f->step.get()), block(f->body)));
      }
      default:
        // Any other value standing in the tree is its own value.
        o.kind = Operand::kConst;
        o.constant = Value(const_cast<IData*>(n));
        return o;
    }
  }

  Var var(const DataID* id) {
    Var v;
    v.global = &p_.global(id->name);
    v.source = id;
    if (slots_) {
      const auto it = slots_->find(id->name);
      if (it != slots_->end()) v.slot = it->second;
    }
    return v;
  }

  // A call compiled to run later on its own, as a body without parameters.
  static std::shared_ptr<const CompiledFunction> detached(Program& p, const DataCallFunction* call) {
    auto fn = std::make_shared<CompiledFunction>();
    std::unordered_map<Symbol, int32_t> slots;
    std::vector<Symbol> assigned;
    std::unordered_set<Symbol> seen;
    collectAssigned(call, assigned, seen);
    for (Symbol s : assigned) slots.emplace(s, static_cast<int32_t>(slots.size()));
    fn->slotCount = static_cast<uint32_t>(slots.size());
    fn->slotNames = assigned;
    Compiler c(p, &slots);
    fn->body.push_back(c.call(call));
    return fn;
  }

private:
  static bool makesCode(const IData* n) {
    switch (n->tag()) {
      case kTagVector:
      case kTagOperation:
      case kTagCallFunction:
      case kTagIf:
      case kTagWhile:
      case kTagFor: return true;
      default: return false;
    }
  }

  static Operand code(const Code* c) {
    Operand o;
    o.kind = Operand::kCode;
    o.code = c;
    return o;
  }

  const Code* list(const DataVector* v) {
    std::vector<ListItem> items;
    for (const Value& e : v->elements) {
      if (!e) continue;
      ListItem item;
      if (e.isPlain()) {
        item.plain = true;
        item.value = e;
      } else {
        item.operand = operand(e.object());
      }
      items.push_back(std::move(item));
    }
    return makeList(p_, std::move(items));
  }

  // An operand of a binary operator: a parenthesised expression (a
  // one-element List literal) is unwrapped by the operator, so it is
  // compiled as its element.
  Operand binaryOperand(const IData* n) {
    if (n && n->tag() == kTagVector) {
      const auto* v = static_cast<const DataVector*>(n);
      if (v->elements.size() == 1 && v->elements[0]) {
        const Value& e = v->elements[0];
        Operand element;
        if (e.isPlain()) {
          element.kind = Operand::kConst;
          element.constant = e;
        } else {
          element = operand(e.object());
        }
        return code(makeParenthesised(p_, std::move(element)));
      }
    }
    return operand(n);
  }

  const Code* operation(const DataOperation* o) {
    const DataID* target = asName(o->left.get());
    switch (o->op) {
      case Op::Assign: return target ? makeAssign(p_, var(target), operand(o->right.get())) : makeNothing(p_);
      case Op::AddAssign:
      case Op::SubAssign:
      case Op::MulAssign:
      case Op::DivAssign:
      case Op::ModAssign:
        return target ? makeCompoundAssign(p_, compoundBase(o->op), var(target), operand(o->right.get())) : makeNothing(p_);
      case Op::Inc:
      case Op::Dec: return target ? makeStep(p_, o->op, var(target)) : makeNothing(p_);
      case Op::Index: return target ? makeIndex(p_, var(target), operand(o->right.get())) : makeNothing(p_);
      case Op::Member: {
        if (!o->left || !o->right) return makeNothing(p_);
        if (const DataID* field = asName(o->right.get())) return makeField(p_, operand(o->left.get()), field);
        if (o->right->tag() != kTagCallFunction) return makeNothing(p_);
        const auto* call = static_cast<const DataCallFunction*>(o->right.get());
        std::vector<Operand> args;
        for (const DataPtr& a : call->args) args.push_back(operand(a.get()));
        return makeMethodCall(p_, operand(o->left.get()), call, std::move(args));
      }
      default: break;
    }
    if (!o->right || !isBinaryOperator(o->op)) return makeUnary(p_, o->op, operand(o->left.get()));
    return makeBinary(p_, o->op, binaryOperand(o->left.get()), binaryOperand(o->right.get()));
  }

  const Code* call(const DataCallFunction* c) {
    static const Symbol kTimer = intern("Timer");
    static const Symbol kPrint = intern("print");
    static const Symbol kGroup = intern("Group");
    static const Symbol kSetKeyFunc = intern("setKeyFunc");
    CallForm form = CallForm::Values;
    if (c->name == kTimer)
      form = CallForm::Timer;
    else if (c->name == kPrint || c->name == kGroup)
      form = CallForm::Checked;
    else if (c->name == kSetKeyFunc || builtinTakesExpressions(c->name))
      form = CallForm::Expressions;
    std::vector<Operand> args;
    std::vector<ExpressionArg> expressions;
    if (form == CallForm::Values || form == CallForm::Checked) {
      for (const DataPtr& a : c->args) args.push_back(operand(a.get()));
    } else {
      for (const DataPtr& a : c->args) {
        ExpressionArg e;
        e.node = a.get();
        if (a && a->tag() == kTagCallFunction) e.stored = detached(p_, static_cast<const DataCallFunction*>(a.get()));
        expressions.push_back(std::move(e));
      }
      // A timer's interval and duration are values.
      if (form == CallForm::Timer && c->args.size() == 4) {
        args.push_back(operand(c->args[0].get()));
        args.push_back(operand(c->args[1].get()));
      }
    }
    return makeCall(p_, c, form, &p_.functionSlot(c->name, c->args.size()), std::move(args), std::move(expressions));
  }

  Program& p_;
  const std::unordered_map<Symbol, int32_t>* slots_;
  // How many constructs that take a nesting level enclose the one compiled.
  int depth_ = 0;
};

std::unique_ptr<CompiledFunction> compileFunction(Program& p, const SmartPointer<Function>& source) {
  auto fn = std::make_unique<CompiledFunction>();
  fn->source = source;
  fn->paramCount = static_cast<uint32_t>(source->params.size());
  std::unordered_map<Symbol, int32_t> slots;
  for (Symbol param : source->params) {
    const auto [it, added] = slots.emplace(param, static_cast<int32_t>(slots.size()));
    fn->paramSlots.push_back(added ? it->second : -1);
  }
  std::vector<Symbol> assigned;
  std::unordered_set<Symbol> seen;
  for (const DataPtr& s : source->body) collectAssigned(s.get(), assigned, seen);
  for (Symbol name : assigned) slots.emplace(name, static_cast<int32_t>(slots.size()));
  fn->slotCount = static_cast<uint32_t>(slots.size());
  fn->slotNames.resize(slots.size());
  for (const auto& [name, slot] : slots) fn->slotNames[static_cast<std::size_t>(slot)] = name;
  Compiler c(p, &slots);
  fn->body = c.block(source->body);
  return fn;
}

}  // namespace

// ---- the program -----------------------------------------------------------------

namespace detail {
Program* currentProgram = nullptr;
}

std::shared_ptr<Program> sharedProgram() {
  std::shared_ptr<Program>& p = current();
  if (!p) p = std::make_shared<Program>();
  detail::currentProgram = p.get();
  return p;
}

Global& Program::global(Symbol name) {
  if (name >= globalBySymbol.size()) globalBySymbol.resize(name + 1, nullptr);
  Global*& g = globalBySymbol[name];
  if (!g) {
    globals.emplace_back();
    g = &globals.back();
    g->name = name;
  }
  return *g;
}

FunctionSlot& Program::functionSlot(Symbol name, std::size_t paramCount) {
  const uint64_t key = (static_cast<uint64_t>(name) << 32) | static_cast<uint32_t>(paramCount);
  FunctionSlot*& slot = functionByKey[key];
  if (!slot) {
    functions.emplace_back();
    slot = &functions.back();
  }
  return *slot;
}

void define(Global& g, uint32_t file, Value value) {
  g.file = static_cast<int32_t>(file);
  g.value = std::move(value);
  program().madeInOrder.push_back(&g);
}

void syncFunctions() {
  Program& p = program();
  p.syncedGeneration = resolutionGeneration();
  for (std::size_t i = 0; i < fileCount(); ++i)
    for (const FunctionEntry& e : record(i).functions) {
      FunctionSlot& slot = p.functionSlot(e.name, static_cast<std::size_t>(e.paramCount));
      if (slot.source == e.function.get()) continue;
      p.bodies.push_back(compileFunction(p, e.function));
      slot.fn = p.bodies.back().get();
      slot.source = e.function.get();
    }
}

DataPtr runStatement(std::size_t file, std::size_t statement) {
  Program& p = program();
  syncFunctionsIfChanged();
  if (p.statements.size() <= file) p.statements.resize(file + 1);
  std::vector<const Code*>& compiledStatements = p.statements[file];
  const ScopeRecord& r = record(file);
  if (compiledStatements.size() < r.statements.size()) compiledStatements.resize(r.statements.size(), nullptr);
  const Code*& code = compiledStatements[statement];
  if (!code) code = Compiler(p, nullptr).statement(r.statements[statement].get());
  Frame f{nullptr, nullptr, static_cast<uint32_t>(file)};
  return code->run(*code, f).box();
}

std::vector<FileVariable> variablesOf(std::size_t file) {
  std::vector<FileVariable> vars;
  for (const Global* g : program().madeInOrder)
    if (g->file == static_cast<int32_t>(file)) vars.push_back({symbolName(g->name), &g->value});
  return vars;
}

Value* fileVariable(Symbol name) {
  Program& p = program();
  Global* g = name < p.globalBySymbol.size() ? p.globalBySymbol[name] : nullptr;
  return g && g->file >= 0 ? &g->value : nullptr;
}

void reset() {
  current() = std::make_shared<Program>();
  detail::currentProgram = current().get();
}

}  // namespace compiled
}  // namespace qor::script
