#include "script/SceneDriver.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include <sys/stat.h>

#include "parser.hpp"
#include "script/Diagnostics.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataValues.h"

int yylex(yy::SceneParser::semantic_type* value, yy::SceneParser::location_type* location, qor::SceneDriver& driver);

namespace qor {

void printErrorToStderr(const std::string& file, int line, int column, const std::string& message) {
  if (line > 0)
    std::fprintf(stderr, "%s:%d.%d: %s\n", file.c_str(), line, column, message.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", file.c_str(), message.c_str());
}

std::string scriptTooLargeMessage(uint64_t bytes) {
  return "script too large: " + std::to_string(bytes) + " bytes, more than " + std::to_string(kMaxScriptBytes);
}

uint64_t oversizeScript(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  const uint64_t bytes = static_cast<uint64_t>(info.st_size);
  return bytes > kMaxScriptBytes ? bytes : 0;
}

bool SceneDriver::parse(const std::string& fileName) {
  file = fileName;
  text_ = nullptr;
  return run();
}

bool SceneDriver::parseText(const std::string& name, const std::string& text) {
  file = name;
  text_ = &text;
  const bool ok = run();
  text_ = nullptr;
  return ok;
}

bool SceneDriver::run() {
  failed = false;
  beginErrors();
  // A syntax tree past the memory budget (or an allocation that fails), and
  // a fault of the scanner, end the parse like an error; what was reduced
  // before stays.
  try {
    scanBegin();
    if (!failed) {
      yy::SceneParser parser(*this);
      parser.set_debug_level(traceParsing ? 1 : 0);
      parser.parse();
    }
  } catch (const std::bad_alloc&) {
    error("out of memory");
  } catch (const ScannerFault& fault) {
    scannerFault(fault.message);
  }
  scanEnd();
  endErrors();
  return !failed;
}

std::vector<ScannedToken> SceneDriver::scanText(const std::string& name, const std::string& text) {
  std::vector<ScannedToken> tokens;
  file = name;
  text_ = &text;
  failed = false;
  beginErrors();
  try {
    scanBegin();
    scanTokens(tokens);
  } catch (const ScannerFault& fault) {
    scannerFault(fault.message);
  }
  scanEnd();
  endErrors();
  text_ = nullptr;
  return tokens;
}

void SceneDriver::scanTokens(std::vector<ScannedToken>& tokens) {
  using Token = yy::SceneParser::token;
  using Parser = yy::SceneParser;
  if (failed) return;
  for (;;) {
    Parser::semantic_type value;
    Parser::location_type where;
    const int kind = yylex(&value, &where, *this);
    if (kind == Token::TOK_YYEOF) break;
    ScannedToken t;
    // Token numbers start at 258 for "identifier", whose symbol number is 3.
    t.name = Parser::symbol_name(static_cast<Parser::symbol_kind_type>(kind - 255));
    t.line = where.begin.line;
    t.column = where.begin.column;
    switch (kind) {
      case Token::TOK_IDENTIFIER:
      case Token::TOK_STRING:
        t.text = value.as<std::string>();
        value.destroy<std::string>();
        break;
      case Token::TOK_INT:
        t.text = std::to_string(value.as<int32_t>());
        value.destroy<int32_t>();
        break;
      case Token::TOK_FLOAT:
        t.text = formatFloat(value.as<float>());
        value.destroy<float>();
        break;
      case Token::TOK_BOOL:
        t.text = value.as<bool>() ? "true" : "false";
        value.destroy<bool>();
        break;
      default: break;
    }
    tokens.push_back(std::move(t));
  }
}

void SceneDriver::error(const yy::location& where, const std::string& message) {
  report(where.begin.line, where.begin.column, message);
}

void SceneDriver::error(const std::string& message) { report(0, 0, message); }

void SceneDriver::beginErrors() {
  errorsShown_ = 0;
  errorsHidden_ = 0;
  runCount_ = 0;
  lineStarts_.clear();
}

void SceneDriver::report(int line, int column, const std::string& message) {
  failed = true;
  if (errorsShown_ == kMaxErrorsShown) {
    ++errorsHidden_;
    return;
  }
  ++errorsShown_;
  if (errorSink) errorSink(file, line, column, message);
}

void SceneDriver::endErrors() {
  if (errorsHidden_ > 0 && errorSink)
    errorSink(file, 0, 0, std::to_string(errorsHidden_) + " more errors not shown");
  errorsHidden_ = 0;
}

// ---- the precedence trap ---------------------------------------------------------

namespace {

bool isComparison(Op op) { return op >= Op::Lt && op <= Op::Ne; }
bool isLevelTwo(Op op) { return op >= Op::Lt && op <= Op::Or; }
bool isOrdering(Op op) { return op >= Op::Lt && op <= Op::Ge; }

bool isLevelTwoSymbol(int kind) {
  using K = yy::SceneParser::symbol_kind;
  switch (kind) {
    case K::S_AND: case K::S_OR: case K::S_EQ: case K::S_NE:
    case K::S_LT: case K::S_GT: case K::S_LE: case K::S_GE:
      return true;
    default:
      return false;
  }
}

// An operation of the comparison level standing bare (a parenthesised one
// is a List).
const DataOperation* levelTwo(const IData* n) {
  if (!n || n->tag() != kTagOperation) return nullptr;
  const auto* o = static_cast<const DataOperation*>(n);
  return isLevelTwo(o->op) ? o : nullptr;
}

}  // namespace

void SceneDriver::noteLevelTwo(const IData& node, const yy::location& left, const yy::location& at,
                               const yy::location& right, int nextKind) {
  if (!script::warningsOn()) return;
  const auto& operation = static_cast<const DataOperation&>(node);
  // The run this operator extends is the innermost live one, when its top is
  // the left operand; otherwise the operator starts a run of its own.
  if (!(runCount_ > 0 && levelTwo(operation.left.get()) && runs_[runCount_ - 1].top == operation.left.get())) {
    if (runCount_ == runs_.size()) runs_.emplace_back();
    LevelTwoRun& fresh = runs_[runCount_++];
    fresh.firstBegin = offsetOf(left.begin.line, left.begin.column);
    fresh.firstEnd = offsetOf(left.end.line, left.end.column);
    fresh.links.clear();
  }
  LevelTwoRun& run = runs_[runCount_ - 1];
  run.top = &node;
  run.links.push_back({static_cast<uint8_t>(operation.op), at.begin.line, at.begin.column,
                       offsetOf(right.begin.line, right.begin.column), offsetOf(right.end.line, right.end.column)});
  // Another operator of the level next takes this operation as its left
  // operand; anything else ends the run.
  if (isLevelTwoSymbol(nextKind)) return;
  --runCount_;
  if (run.links.size() > 1) warnLevelTwo(run);
}

std::size_t SceneDriver::offsetOf(int line, int column) {
  if (lineStarts_.empty()) {
    lineStarts_.push_back(0);
    for (std::size_t i = 0; i < input_.size(); ++i)
      if (input_[i] == '\n') lineStarts_.push_back(i + 1);
  }
  if (line < 1 || column < 0) return 0;
  const std::size_t start = static_cast<std::size_t>(line) <= lineStarts_.size() ? lineStarts_[line - 1] : input_.size();
  return std::min(start + static_cast<std::size_t>(column), input_.size());
}

std::string SceneDriver::quote(std::size_t begin, std::size_t end) const {
  std::string out;
  end = std::min(end, input_.size());
  bool gap = false;
  for (std::size_t i = begin; i < end;) {
    const char c = input_[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      gap = true;
      ++i;
    } else if (c == '/' && i + 1 < end && input_[i + 1] == '/') {
      while (i < end && input_[i] != '\n') ++i;
      gap = true;
    } else if (c == '/' && i + 1 < end && input_[i + 1] == '*') {
      const std::size_t close = input_.find("*/", i + 2);
      i = close == std::string::npos || close + 2 > end ? end : close + 2;
      gap = true;
    } else {
      if (gap && !out.empty()) out += ' ';
      gap = false;
      if (c == '"' || c == '\'') {
        // A string literal as written, escaped quotes and line feeds included.
        std::size_t j = i + 1;
        while (j < end && input_[j] != c) j += input_[j] == '\\' && j + 1 < end ? 2 : 1;
        j = std::min(j + 1, end);
        out.append(input_, i, j - i);
        i = j;
      } else {
        out += c;
        ++i;
      }
    }
  }
  return out;
}

// The warning of one run: o1 .. on between the operands c0 .. cn, grouped
// left to right. In order of what surprises most: a comparison taking the
// result of '&&'/'||' (the meaning differs from the usual one), a chain of
// comparisons, a bare comparison as the left operand of '&&'/'||'. The
// suggestion rewrites the whole run with comparisons grouped first.
void SceneDriver::warnLevelTwo(const LevelTwoRun& run) {
  const std::vector<LevelTwoLink>& links = run.links;
  const std::size_t n = links.size();
  auto opOf = [&](std::size_t k) { return static_cast<Op>(links[k].op); };
  // Operand i spans [beginOf(i), endOf(i)).
  auto beginOf = [&](std::size_t i) { return i == 0 ? run.firstBegin : links[i - 1].rightBegin; };
  auto endOf = [&](std::size_t i) { return i == 0 ? run.firstEnd : links[i - 1].rightEnd; };
  auto text = [&](std::size_t from, std::size_t to) { return quote(beginOf(from), endOf(to)); };
  auto opText_ = [&](std::size_t k) { return std::string(opText(opOf(k))); };

  std::size_t at = n;
  enum class Trap { ComparedResult, Chain, BareOperand } trap = Trap::BareOperand;
  for (std::size_t k = 0; k + 1 < n && at == n; ++k)
    if (!isComparison(opOf(k)) && isComparison(opOf(k + 1))) at = k, trap = Trap::ComparedResult;
  for (std::size_t k = 1; k < n && at == n; ++k)
    if (isComparison(opOf(k - 1)) && isComparison(opOf(k))) at = k, trap = Trap::Chain;
  for (std::size_t k = 1; k < n && at == n; ++k)
    if (isComparison(opOf(k - 1)) && !isComparison(opOf(k))) at = k, trap = Trap::BareOperand;
  if (at == n) return;  // only '&&' and '||': the grouping is the usual one

  // The rewrite: the comparisons of each stretch between '&&'/'||' in
  // parentheses, a chain a < b < c as (a < b) && (b < c).
  std::string rewrite;
  const bool severalStretches = std::any_of(links.begin(), links.end(), [](const LevelTwoLink& l) { return !isComparison(static_cast<Op>(l.op)); });
  for (std::size_t first = 0; first <= n;) {
    std::size_t last = first;  // the stretch's operands: first .. last
    while (last < n && isComparison(opOf(last))) ++last;
    std::string part;
    if (last == first) {
      part = text(first, first);
    } else if (std::all_of(links.begin() + first, links.begin() + last, [](const LevelTwoLink& l) { return isOrdering(static_cast<Op>(l.op)); })) {
      // a < b <= c means a range: (a < b) && (b <= c).
      for (std::size_t i = first; i < last; ++i) {
        if (i > first) part += " && ";
        part += "(" + text(i, i) + " " + opText_(i) + " " + text(i + 1, i + 1) + ")";
      }
      if (last - first > 1 && severalStretches) part = "(" + part + ")";
    } else {
      // With '==' or '!=' the author most likely compares a comparison's
      // result: the grouping as it is, in parentheses.
      part = "(" + text(first, first + 1 == last ? last : first + 1) + ")";
      for (std::size_t i = first + 1; i < last; ++i) {
        if (i + 1 < last) part = "(" + part + " " + opText_(i) + " " + text(i + 1, i + 1) + ")";
        else part += " " + opText_(i) + " " + text(i + 1, i + 1);
      }
      if (last - first > 1 && severalStretches) part = "(" + part + ")";
    }
    rewrite += part;
    if (last == n) break;
    rewrite += " " + opText_(last) + " ";
    first = last + 1;
  }

  const std::string op = "'" + opText_(at) + "'";
  std::string message;
  if (trap == Trap::ComparedResult) {
    const bool leftIsComparison = at > 0 && isComparison(opOf(at - 1));
    message = op + " takes " + (leftIsComparison ? "the comparison '" : "'") + text(0, at) +
              "' and then compares its result with '" + text(at + 1, at + 2) +
              "' left to right (comparisons and '&&'/'||' bind alike); write " + rewrite;
  } else if (trap == Trap::Chain) {
    message = op + " compares the result of the comparison '" + text(0, at) + "' with '" + text(at + 1, at + 1) +
              "' left to right (comparisons and '&&'/'||' bind alike); write " + rewrite;
  } else {
    message = op + " takes the comparison '" + text(0, at) +
              "' without parentheses (comparisons and '&&'/'||' bind alike, left to right); write " + rewrite;
  }
  script::diagnose({file, links[at].line, links[at].column, script::DiagnosticKind::Warning, message});
}

}  // namespace qor
