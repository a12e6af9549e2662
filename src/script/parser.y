// The grammar of scene scripts. Reductions build the syntax tree; a function
// definition is registered as soon as it is reduced, and each top-level
// statement is appended to the statement list of the last scope record.

%require "3.2"
%language "c++"
%skeleton "lalr1.cc"
%define api.parser.class {SceneParser}
%define api.value.type variant
%define api.token.prefix {TOK_}
%define parse.error verbose
%define parse.trace
%locations
%param { qor::SceneDriver& driver }

%code requires {
#include <cstdint>
#include <string>
#include "base/memory/SmartPointer.h"
#include "script/datatypes/IData.h"
#include "script/datatypes/DataVector.h"
namespace qor { class SceneDriver; }
}

%code {
#include "script/Interpreter.h"
#include "script/SceneDriver.h"
#include "script/SyntaxTree.h"
#include "script/datatypes/DataValues.h"

int yylex(yy::SceneParser::semantic_type* value, yy::SceneParser::location_type* location, qor::SceneDriver& driver);

namespace {

using qor::DataPtr;
using ListPtr = qor::SmartPointer<qor::DataVector>;

ListPtr listOf(DataPtr first) {
  ListPtr l(new qor::DataVector);
  l->elements.push_back(std::move(first));
  return l;
}

ListPtr append(ListPtr l, DataPtr item) {
  l->elements.push_back(std::move(item));
  return l;
}

// Statement and argument lists are stored in the nodes as plain vectors; an
// empty list is null in the grammar.
std::vector<DataPtr> elementsOf(const ListPtr& l) {
  std::vector<DataPtr> nodes;
  if (!l) return nodes;
  nodes.reserve(l->elements.size());
  for (const qor::Value& e : l->elements) nodes.push_back(e.box());
  return nodes;
}

// Where a token stands in the file being parsed (the last one added).
template <class Location>
qor::script::UnitPlace placeOf(const Location& at) {
  const std::size_t files = qor::script::fileCount();
  return {files ? files - 1 : 0, at.begin.line, at.begin.column};
}

DataPtr op(qor::Op o, DataPtr left, DataPtr right = nullptr) {
  return DataPtr(new qor::DataOperation(o, std::move(left), std::move(right)));
}

}  // namespace
}

%token YYEOF 0 "end of file"
%token <std::string> IDENTIFIER "identifier"
%token EXPRESSION "expression"
%token <int32_t> INT "int"
%token <bool> BOOL "bool"
%token <float> FLOAT "float"
%token <std::string> STRING "string"
%token DOT "."
%token COMMA ","
%token SEMICOLON ";"
%token LBRACKET "["
%token RBRACKET "]"
%token LPAREN "("
%token RPAREN ")"
%token LBRACE "{"
%token RBRACE "}"
%token NOT "!"
%token ASSIGN "="
%token AND "&&"
%token OR "||"
%token EQ "=="
%token NE "!="
%token LT "<"
%token GT ">"
%token LE "<="
%token GE ">="
%token PLUS "+"
%token INC "++"
%token PLUS_ASSIGN "+="
%token MINUS "-"
%token DEC "--"
%token MINUS_ASSIGN "-="
%token STAR "*"
%token STAR_ASSIGN "*="
%token SLASH "/"
%token SLASH_ASSIGN "/="
%token PERCENT "%"
%token PERCENT_ASSIGN "%="
%token RETURN "return"
%token NULL_ "null"
%token IF "if"
%token ELSE "else"
%token FOR "for"
%token WHILE "while"
%token DEF "def"

%code {
// The lookahead symbol of the running parse, for the comparison rules: their
// states also shift the tighter operators, so the token after the right
// operand is always read before they reduce.
#define NEXT_KIND (yyla.empty() ? -1 : static_cast<int>(yyla.kind()))
}

%type <qor::DataPtr> line exp list arithmetic_exp left_exp bool_exp value if while_statement for_statement call_function
%type <qor::SmartPointer<qor::DataVector>> def_params def_param instructions lines list_items list_item action call_params call_param

%right "=" "+=" "-=" "*=" "/=" "%="
%left "&&" "||" "==" "!=" "<" ">" "<=" ">="
%precedence "!"
%left "+" "-"
%left "*" "/" "%"
%left "." "[" "++" "--"
%precedence ")"
%precedence "else"

%start main

%%

main
  : %empty
  | global_defs
  ;

global_defs
  : global_def
  | global_defs global_def
  ;

global_def
  : line {
      qor::script::ScopeRecord& r = qor::script::lastRecord();
      r.statements.push_back($1);
      r.statementPlaces.push_back({@1.begin.line, @1.begin.column});
    }
  | def_function
  ;

def_function
  : "def" "identifier" "(" def_params ")" "{" instructions "}" {
      std::vector<qor::Symbol> params;
      if ($4)
        for (const qor::Value& p : $4->elements) params.push_back(static_cast<qor::DataID*>(p.object())->name);
      qor::script::defineFunction(qor::SmartPointer<qor::Function>(new qor::Function($2, std::move(params), elementsOf($7))));
    }
  ;

def_params
  : %empty { $$ = nullptr; }
  | def_param { $$ = $1; }
  ;

def_param
  : "identifier" { $$ = listOf(DataPtr(new qor::DataID($1))); }
  | def_param "," "identifier" { $$ = append($1, DataPtr(new qor::DataID($3))); }
  ;

instructions
  : %empty { $$ = nullptr; }
  | lines { $$ = $1; }
  ;

lines
  : line { $$ = listOf($1); }
  | lines line { $$ = append($1, $2); }
  | "return" exp ";" { $$ = listOf(DataPtr(new qor::DataReturn($2))); }
  | lines "return" exp ";" { $$ = append($1, DataPtr(new qor::DataReturn($3))); }
  ;

line
  : exp ";" { $$ = $1; }
  | if { $$ = $1; }
  | while_statement { $$ = $1; }
  | for_statement { $$ = $1; }
  ;

exp
  : value { $$ = $1; }
  | list { $$ = $1; }
  | bool_exp { $$ = $1; }
  | arithmetic_exp { $$ = $1; }
  | left_exp { $$ = $1; }
  ;

list
  : "(" list_items ")" { $$ = $2; }
  ;

list_items
  : %empty { $$ = listOf(nullptr); }
  | list_item { $$ = $1; }
  ;

list_item
  : exp { $$ = listOf($1); }
  | list_item "," exp { $$ = append($1, $3); }
  ;

arithmetic_exp
  : "-" exp { $$ = op(qor::Op::Sub, $2); }
  | exp "+" exp { $$ = op(qor::Op::Add, $1, $3); }
  | exp "-" exp { $$ = op(qor::Op::Sub, $1, $3); }
  | exp "*" exp { $$ = op(qor::Op::Mul, $1, $3); }
  | exp "/" exp { $$ = op(qor::Op::Div, $1, $3); }
  | exp "%" exp { $$ = op(qor::Op::Mod, $1, $3); }
  | left_exp "=" exp { $$ = op(qor::Op::Assign, $1, $3); }
  | "++" left_exp { $$ = op(qor::Op::Inc, $2); }
  | left_exp "++" { $$ = op(qor::Op::Inc, $1); }
  | "--" left_exp { $$ = op(qor::Op::Dec, $2); }
  | left_exp "--" { $$ = op(qor::Op::Dec, $1); }
  | left_exp "+=" exp { $$ = op(qor::Op::AddAssign, $1, $3); }
  | left_exp "-=" exp { $$ = op(qor::Op::SubAssign, $1, $3); }
  | left_exp "*=" exp { $$ = op(qor::Op::MulAssign, $1, $3); }
  | left_exp "/=" exp { $$ = op(qor::Op::DivAssign, $1, $3); }
  | left_exp "%=" exp { $$ = op(qor::Op::ModAssign, $1, $3); }
  ;

left_exp
  : "identifier" { $$ = DataPtr(new qor::DataID($1, placeOf(@1))); }
  | call_function { $$ = $1; }
  | left_exp "." "identifier" { $$ = op(qor::Op::Member, $1, DataPtr(new qor::DataID($3, placeOf(@3)))); }
  | left_exp "." call_function { $$ = op(qor::Op::Member, $1, $3); }
  | left_exp "[" exp "]" { $$ = op(qor::Op::Index, $1, $3); }
  ;

// The lookahead tells the driver whether a run of comparisons and '&&'/'||'
// goes on (the precedence trap's warning).
bool_exp
  : "!" exp { $$ = op(qor::Op::Not, $2); }
  | exp "<" exp { $$ = op(qor::Op::Lt, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp ">" exp { $$ = op(qor::Op::Gt, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp "<=" exp { $$ = op(qor::Op::Le, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp ">=" exp { $$ = op(qor::Op::Ge, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp "==" exp { $$ = op(qor::Op::Eq, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp "!=" exp { $$ = op(qor::Op::Ne, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp "&&" exp { $$ = op(qor::Op::And, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  | exp "||" exp { $$ = op(qor::Op::Or, $1, $3); driver.noteLevelTwo(*$$, @1, @2, @3, NEXT_KIND); }
  ;

value
  : "int" { $$ = qor::makeInt($1); }
  | "bool" { $$ = qor::makeBool($1); }
  | "float" { $$ = qor::makeFloat($1); }
  | "string" { $$ = qor::makeString($1); }
  ;

if
  : "if" "(" exp ")" action { $$ = DataPtr(new qor::DataIf($3, elementsOf($5), {}, false)); }
  | "if" "(" exp ")" action "else" action { $$ = DataPtr(new qor::DataIf($3, elementsOf($5), elementsOf($7), true)); }
  ;

while_statement
  : "while" "(" exp ")" action { $$ = DataPtr(new qor::DataWhile($3, elementsOf($5))); }
  ;

for_statement
  : "for" "(" exp ";" exp ";" exp ")" action { $$ = DataPtr(new qor::DataFor($3, $5, $7, elementsOf($9))); }
  ;

action
  : line { $$ = listOf($1); }
  | "return" exp ";" { $$ = listOf(DataPtr(new qor::DataReturn($2))); }
  | "{" instructions "}" { $$ = $2; }
  ;

call_function
  : "identifier" "(" call_params ")" {
      $$ = DataPtr(new qor::DataCallFunction($1, elementsOf($3), placeOf(@1)));
    }
  ;

call_params
  : %empty { $$ = nullptr; }
  | call_param { $$ = $1; }
  ;

call_param
  : exp { $$ = listOf($1); }
  | call_param "," exp { $$ = append($1, $3); }
  ;

%%

void yy::SceneParser::error(const location_type& where, const std::string& message) {
  driver.error(where, message);
}
