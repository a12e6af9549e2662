// The grammar: what it builds, how operators group, what it refuses, and the
// texts of its syntax errors.

#include "support/ScriptFixture.h"

namespace {

using qor::DataPtr;
using scripttest::ScriptTest;

// The tree of an expression as a parenthesised prefix form.
std::string tree(const DataPtr& d);

std::string treeList(const std::vector<DataPtr>& v) {
  std::string s;
  for (const DataPtr& e : v) s.append(" ").append(tree(e));
  return s;
}

std::string tree(const DataPtr& d) {
  if (!d) return "null";
  switch (d->tag()) {
    case qor::kTagID: return std::string(static_cast<qor::DataID*>(d.get())->text());
    case qor::kTagOperation: {
      auto* o = static_cast<qor::DataOperation*>(d.get());
      std::string s = "(" + std::string(qor::opText(o->op)) + " " + tree(o->left);
      if (o->right) s += " " + tree(o->right);
      return s + ")";
    }
    case qor::kTagCallFunction: {
      auto* c = static_cast<qor::DataCallFunction*>(d.get());
      return "(call " + std::string(c->text()) + treeList(c->args) + ")";
    }
    case qor::kTagVector: return "(list" + treeList(static_cast<qor::DataVector*>(d.get())->elements) + ")";
    case qor::kTagIf: {
      auto* i = static_cast<qor::DataIf*>(d.get());
      std::string s = "(if " + tree(i->condition) + " (then" + treeList(i->thenStatements) + ")";
      if (i->hasElse) s += " (else" + treeList(i->elseStatements) + ")";
      return s + ")";
    }
    case qor::kTagWhile: {
      auto* w = static_cast<qor::DataWhile*>(d.get());
      return "(while " + tree(w->condition) + treeList(w->body) + ")";
    }
    case qor::kTagFor: {
      auto* f = static_cast<qor::DataFor*>(d.get());
      return "(for " + tree(f->init) + " " + tree(f->condition) + " " + tree(f->step) + treeList(f->body) + ")";
    }
    default: {
      if (auto* r = dynamic_cast<qor::DataReturn*>(d.get())) return "(return " + tree(r->expression) + ")";
      return scripttest::show(d);
    }
  }
}

class ParserTest : public ScriptTest {
protected:
  // The trees of the top-level statements of the text.
  std::string parse(const std::string& text) {
    ok = load(text);
    return treeList(qor::script::record(index).statements);
  }
  std::string expr(const std::string& e) {
    parse(e + ";");
    EXPECT_TRUE(ok) << e;
    const auto& st = qor::script::record(index).statements;
    return st.empty() ? "" : tree(st.back());
  }
  bool ok = false;
};

TEST_F(ParserTest, StatementsAreAppendedInOrder) {
  parse("x = 1; y = x + 2;");
  EXPECT_TRUE(ok);
  const auto& st = qor::script::record(index).statements;
  ASSERT_EQ(st.size(), 2u);
  EXPECT_EQ(tree(st[0]), "(= x int 1)");
  EXPECT_EQ(tree(st[1]), "(= y (+ x int 2))");
}

TEST_F(ParserTest, PrecedenceAndAssociativity) {
  EXPECT_EQ(expr("a || b && c"), "(&& (|| a b) c)");
  EXPECT_EQ(expr("a < b == c"), "(== (< a b) c)");
  EXPECT_EQ(expr("a && b < c"), "(< (&& a b) c)");
  EXPECT_EQ(expr("a == b && c"), "(&& (== a b) c)");
  EXPECT_EQ(expr("a = b = c"), "(= a (= b c))");
  EXPECT_EQ(expr("a = b += 1"), "(= a (+= b int 1))");
  EXPECT_EQ(expr("!a + b"), "(! (+ a b))");
  EXPECT_EQ(expr("!a < b"), "(< (! a) b)");
  EXPECT_EQ(expr("-a + b"), "(+ (- a) b)");
  EXPECT_EQ(expr("-a * b"), "(- (* a b))");
  EXPECT_EQ(expr("a - b - c"), "(- (- a b) c)");
  EXPECT_EQ(expr("a + b * c % d"), "(+ a (% (* b c) d))");
  EXPECT_EQ(expr("a.b.f(1)[2]"), "([] (. (. a b) (call f int 1)) int 2)");
  EXPECT_EQ(expr("(a + b) * c"), "(* (list (+ a b)) c)");
}

TEST_F(ParserTest, IncrementFormsBuildTheSameNode) {
  EXPECT_EQ(expr("x++"), "(++ x)");
  EXPECT_EQ(expr("++x"), "(++ x)");
  EXPECT_EQ(expr("--x.y"), "(-- (. x y))");
}

TEST_F(ParserTest, ListLiterals) {
  EXPECT_EQ(expr("(1, 2)"), "(list int 1 int 2)");
  EXPECT_EQ(expr("(1)"), "(list int 1)");
  EXPECT_EQ(expr("()"), "(list null)");
  EXPECT_EQ(expr("f()"), "(call f)");
}

TEST_F(ParserTest, DanglingElseBelongsToTheInnerIf) {
  EXPECT_EQ(parse("if (a) if (b) x; else y;"), " (if a (then (if b (then x) (else y))))");
  EXPECT_EQ(parse("if (a) { x; } else { y; z; }"), " (if a (then x) (else y z))");
  EXPECT_EQ(parse("while (a) { x; } for (i = 0; i < 3; i++) y;"),
            " (while a x) (for (= i int 0) (< i int 3) (++ i) y)");
}

TEST_F(ParserTest, FunctionsRegisterAndReplace) {
  parse("def f(a, b) { return a + b; } def g() { } def f(x, y) { return x; } def f(x) { return x; }");
  EXPECT_TRUE(ok);
  EXPECT_TRUE(qor::script::record(index).statements.empty());
  const auto& fns = qor::script::record(index).functions;
  ASSERT_EQ(fns.size(), 3u);
  qor::Function* f2 = qor::script::findFunction(qor::intern("f"), 2);
  ASSERT_NE(f2, nullptr);
  EXPECT_EQ(qor::symbolName(f2->params[0]), "x");  // the later definition replaced the first
  EXPECT_EQ(treeList(f2->body), " (return x)");
  ASSERT_NE(qor::script::findFunction(qor::intern("g"), 0), nullptr);
  EXPECT_TRUE(qor::script::findFunction(qor::intern("g"), 0)->body.empty());
  EXPECT_NE(qor::script::findFunction(qor::intern("f"), 1), nullptr);
}

TEST_F(ParserTest, ForbiddenForms) {
  for (const char* bad : {";", "return 1;", "{ x; }", "def f() { def g() { } }", "x", "(1)[0];", "f()();",
                          "for (;;) x;", "1 = 2;", "x = null;", "def f(1) { }", "if (a) x; else;"}) {
    errors.clear();
    parse(bad);
    EXPECT_FALSE(ok) << bad;
    EXPECT_EQ(errors.size(), 1u) << bad;
  }
}

TEST_F(ParserTest, SyntaxErrorTexts) {
  parse("x = 1;\ny = ;");
  EXPECT_FALSE(ok);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "2.4: syntax error, unexpected ;");

  errors.clear();
  parse("f(1 2);");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].substr(0, 38), "1.4: syntax error, unexpected int, exp");

  errors.clear();
  parse("def f(a b) {}");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "1.8: syntax error, unexpected identifier, expecting )");

  errors.clear();
  parse("def 1");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "1.4: syntax error, unexpected int, expecting identifier");

  errors.clear();
  parse("x = 1");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("unexpected end of file"), std::string::npos);
}

TEST_F(ParserTest, AFailedParseKeepsWhatWasReduced) {
  parse("a = 1; def f() { return 2; } b = ; c = 3;");
  EXPECT_FALSE(ok);
  EXPECT_EQ(qor::script::record(index).statements.size(), 1u);
  EXPECT_NE(qor::script::findFunction(qor::intern("f"), 0), nullptr);
  EXPECT_EQ(qor::script::findFunction(qor::intern("c"), 0), nullptr);
}

TEST_F(ParserTest, MissingFileFailsTheParse) {
  qor::SceneDriver driver;
  std::string message;
  driver.errorSink = [&](const std::string&, int, int, const std::string& m) { message = m; };
  qor::script::addFile("/nonexistent/scene.txt");
  EXPECT_FALSE(driver.parse("/nonexistent/scene.txt"));
  EXPECT_TRUE(driver.failed);
  EXPECT_EQ(message, "cannot open /nonexistent/scene.txt");
}

}  // namespace
