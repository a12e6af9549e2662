// Printing the syntax-tree nodes as the script wrote them, and the roles of
// the arguments of "Group" and "print".

#include "script/SyntaxTree.h"

#include "script/Output.h"

namespace qor {

namespace {

void printOrNothing(const DataPtr& d) {
  if (d) d->print();
}

}  // namespace

void DataID::print() { script::writeOutput(text()); }

void DataOperation::print() {
  switch (op) {
    case Op::Inc:
    case Op::Dec:
      printOrNothing(left);
      script::writeOutput(opText(op));
      return;
    case Op::Member:
      printOrNothing(left);
      script::writeOutput(".");
      printOrNothing(right);
      return;
    case Op::Index:
      printOrNothing(left);
      script::writeOutput("[");
      printOrNothing(right);
      script::writeOutput("]");
      return;
    default:
      if (!right) {
        script::writeOutput(opText(op));
        printOrNothing(left);
        return;
      }
      printOrNothing(left);
      script::writeOutput(" ");
      script::writeOutput(opText(op));
      script::writeOutput(" ");
      printOrNothing(right);
  }
}

void DataCallFunction::print() {
  script::writeOutput(text());
  script::writeOutput("(");
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) script::writeOutput(", ");
    printOrNothing(args[i]);
  }
  script::writeOutput(")");
}

void DataCallFunction::giveArgumentsRoles() {
  static const Symbol kGroup = intern("Group");
  static const Symbol kPrint = intern("print");
  if (name != kGroup && name != kPrint) return;
  const Role role = name == kGroup ? Role::GroupMember : Role::Printed;
  for (const DataPtr& a : args) {
    if (!a) continue;
    if (a->tag() == kTagID) static_cast<DataID*>(a.get())->role = role;
    if (a->tag() == kTagCallFunction && role == Role::GroupMember) static_cast<DataCallFunction*>(a.get())->role = role;
  }
}

}  // namespace qor
