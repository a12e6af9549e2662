#pragma once
// The syntax-tree nodes the parser builds: names, operators, calls and the
// control-flow statements, each holding its parts and its place in the
// script. They are read by the checker and the compiler (Compiler.cpp),
// which turns them into the code that runs; a node prints itself the way
// the script wrote it (a stored call's text, a trace).

#include "script/Interpreter.h"
#include "script/Operators.h"
#include "script/Symbol.h"
#include "script/datatypes/IData.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

using StatementList = std::vector<DataPtr>;

// What an empty value means where a name or a call stands, for its
// warning: an argument of "Group" empties the Group, one of "print" is
// reported by the print.
enum class Role : uint8_t { Plain, GroupMember, Printed };

// A name used as a variable.
class DataID final : public IData {
public:
  explicit DataID(std::string_view name_, script::UnitPlace place_ = {})
      : IData(kTagID), name(intern(name_)), place(place_) {}
  std::size_t size() const override { return sizeof(*this); }
  // Prints the name (used when a call expression is printed).
  void print() override;
  std::string_view text() const { return symbolName(name); }

  const Symbol name;
  // Where the name stands in its script, for its warning.
  const script::UnitPlace place;
  Role role = Role::Plain;
};

// Every operator: a left operand and, for binary forms, a right one.
class DataOperation final : public IData {
public:
  DataOperation(Op op_, DataPtr left_, DataPtr right_)
      : IData(kTagOperation), op(op_), left(std::move(left_)), right(std::move(right_)) {}
  std::size_t size() const override { return sizeof(*this); }
  void print() override;

  const Op op;
  const DataPtr left;
  const DataPtr right;
};

// A call `name(args)`: a user function, else a built-in.
class DataCallFunction final : public IData {
public:
  DataCallFunction(std::string_view name_, std::vector<DataPtr> args_, script::UnitPlace place_ = {})
      : IData(kTagCallFunction), name(intern(name_)), args(std::move(args_)), place(place_) {
    giveArgumentsRoles();
  }
  std::size_t size() const override { return sizeof(*this); }
  // Prints name(arguments).
  void print() override;
  std::string_view text() const { return symbolName(name); }

  const Symbol name;
  const std::vector<DataPtr> args;
  // Where the call stands in its script, for the built-ins' notes.
  const script::UnitPlace place;
  Role role = Role::Plain;

private:
  // Marks the names and calls among the arguments of "Group" and "print",
  // whose warnings know what an empty argument means there.
  void giveArgumentsRoles();
};

class DataIf final : public IData {
public:
  DataIf(DataPtr cond, StatementList thenPart, StatementList elsePart, bool hasElse_)
      : IData(kTagIf), condition(std::move(cond)), thenStatements(std::move(thenPart)),
        elseStatements(std::move(elsePart)), hasElse(hasElse_) {}
  std::size_t size() const override { return sizeof(*this); }

  const DataPtr condition;
  const StatementList thenStatements;
  const StatementList elseStatements;
  const bool hasElse;
};

class DataWhile final : public IData {
public:
  DataWhile(DataPtr cond, StatementList body_) : IData(kTagWhile), condition(std::move(cond)), body(std::move(body_)) {}
  std::size_t size() const override { return sizeof(*this); }

  const DataPtr condition;
  const StatementList body;
};

class DataFor final : public IData {
public:
  DataFor(DataPtr init_, DataPtr cond, DataPtr step_, StatementList body_)
      : IData(kTagFor), init(std::move(init_)), condition(std::move(cond)), step(std::move(step_)),
        body(std::move(body_)) {}
  std::size_t size() const override { return sizeof(*this); }

  const DataPtr init;
  const DataPtr condition;
  const DataPtr step;
  const StatementList body;
};

// `return exp;`. It carries the bool tag, as the type table has it; it only
// ever stands in statement lists, never as a value.
class DataReturn final : public IData {
public:
  explicit DataReturn(DataPtr e) : IData(kTagBool, true), expression(std::move(e)) {}
  std::size_t size() const override { return sizeof(*this); }

  const DataPtr expression;
};

// A user function made by `def`.
class Function final : public IData {
public:
  Function(std::string_view name_, std::vector<Symbol> params_, StatementList body_)
      : IData(kTagFunction), name(intern(name_)), params(std::move(params_)), body(std::move(body_)) {}
  std::size_t size() const override { return sizeof(*this); }

  const Symbol name;
  const std::vector<Symbol> params;
  const StatementList body;
  const std::size_t paramCount = params.size();
};

}  // namespace qor
