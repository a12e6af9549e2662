// The scanner (longest match, rule order, literals, comments, locations,
// invalid input) and the grammar's refusals with the texts of its errors.

#include "support/ScriptFixture.h"

namespace {

using scripttest::ScriptTest;

class SyntaxTest : public ScriptTest {
protected:
  // Tokens as "name" or "name:text", separated by blanks; the locations of
  // scanner errors go to `errorAt` as "LINE.COLUMN", separated by blanks.
  std::string scan(const std::string& text) {
    qor::SceneDriver driver;
    errorAt.clear();
    driver.errorSink = [this](const std::string&, int line, int column, const std::string& message) {
      EXPECT_EQ(message, "invalid character");
      if (!errorAt.empty()) errorAt += ' ';
      errorAt += std::to_string(line);
      errorAt += '.';
      errorAt += std::to_string(column);
    };
    tokens = driver.scanText("scan.txt", text);
    EXPECT_EQ(driver.failed, !errorAt.empty());
    std::string s;
    for (const auto& t : tokens) {
      s += (s.empty() ? "" : " ") + t.name;
      if (!t.text.empty()) s += ":" + t.text;
    }
    return s;
  }
  std::vector<qor::ScannedToken> tokens;
  std::string errorAt;
};

TEST_F(SyntaxTest, Tokens) {
  struct Case {
    const char* text;
    const char* tokens;
    const char* errorAt;
  };
  const Case cases[] = {
      // Longest match; the comma's name keeps its quotes, as error messages print it.
      {"a+=b++ - --c", "identifier:a += identifier:b ++ - -- identifier:c", ""},
      {"!==<=>=&&||", "!= = <= >= && ||", ""},
      {". , ; [ ] ( ) { } % %= *= /=", ". \",\" ; [ ] ( ) { } % %= *= /=", ""},
      // Keywords and literals are whole words; "null" is skipped, so f(null) reaches the parser as f().
      {"def if else for while return", "def if else for while return", ""},
      {"iff returned trueish NULLx True If",
       "identifier:iff identifier:returned identifier:trueish identifier:NULLx identifier:True identifier:If", ""},
      {"true TRUE false FALSE", "bool:true bool:true bool:false bool:false", ""},
      {"f(null) NULL", "identifier:f ( )", ""},
      {"_x9 x_1", "identifier:_x9 identifier:x_1", ""},
      // Numbers end where the next rule begins; ints past the range saturate.
      {"9abc", "int:9 identifier:abc", ""},
      {"1e5 0x10", "int:1 identifier:e5 int:0 identifier:x10", ""},
      {"1.2.3", "float:1.2000 float:0.3000", ""},
      {".5 5. .", "float:0.5000 float:5.0000 .", ""},
      {"2147483647 2147483648 99999999999999999999", "int:2147483647 int:2147483647 int:2147483647", ""},
      // Comments do not nest; an unterminated one is "/" then "*".
      {"a/*x*/b", "identifier:a identifier:b", ""},
      {"/* a /* b */ c */", "identifier:c * /", ""},
      {"a // rest ; of line\nb", "identifier:a identifier:b", ""},
      {"/* open", "/ * identifier:open", ""},
      {"/**/x/***/y", "identifier:x identifier:y", ""},
      // Strings take either quote; a backslash-quote stays as written and does
      // not close the literal, unless nothing later closes it.
      {"\"hello world\" 'single'", "string:hello world string:single", ""},
      {"'a\"b' \"a'b\"", "string:a\"b string:a'b", ""},
      {"\"a\\\"b\"", "string:a\\\"b", ""},
      {"\"a\\\"", "string:a\\", ""},
      {"\"\"", "string", ""},
      // Invalid characters are reported and skipped, an unclosed quote too.
      {"x \"abc", "identifier:x identifier:abc", "1.2"},
      {"a & b", "identifier:a identifier:b", "1.2"},
      {"c\n|d", "identifier:c identifier:d", "2.0"},
      {"e # f", "identifier:e identifier:f", "1.2"},
      // A lone carriage return is invalid; CR LF reads like LF.
      {"a\rb", "identifier:a identifier:b", "1.1"},
      {"a\r\nb // c\r\nd", "identifier:a identifier:b identifier:d", ""},
      {"", "", ""},
      {" \t\n\n// only a comment", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(scan(c.text), c.tokens) << c.text;
    EXPECT_EQ(errorAt, c.errorAt) << c.text;
  }
}

TEST_F(SyntaxTest, LocationsCountLinesFromOneAndColumnsFromZero) {
  // Comments and strings spanning lines keep the count; CR LF is one line end.
  scan("ab  cd\n\tx // c\n/* 1\n2 */ y\n\"s\nt\" z\r\nw");
  std::string at;
  for (const auto& t : tokens) at += std::to_string(t.line) + "." + std::to_string(t.column) + " ";
  EXPECT_EQ(at, "1.0 1.4 2.1 4.5 5.0 6.3 7.0 ");
}

TEST_F(SyntaxTest, RefusedFormsAndErrorTexts) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {";", "1.0: syntax error, unexpected ;, expecting end of file"},
      {"x = 1;\nreturn x;", "2.0: syntax error, unexpected return, expecting end of file"},
      {"{ x; }", "1.0: syntax error, unexpected {, expecting end of file"},
      {"def f() {\n  def g() { }\n}", "2.2: syntax error, unexpected def, expecting }"},
      {"x = null;", "1.8: syntax error, unexpected ;"},
      {"x = 1;\ny = ;", "2.4: syntax error, unexpected ;"},
      {"x", "1.1: syntax error, unexpected end of file"},
      {"x = 1", "1.5: syntax error, unexpected end of file"},
      {"(1)[0];", "1.3: syntax error, unexpected ["},
      {"f()();", "1.3: syntax error, unexpected ("},
      {"for (;;) x;", "1.5: syntax error, unexpected ;"},
      {"1 = 2;", "1.2: syntax error, unexpected ="},
      {"if (a) x; else;", "1.14: syntax error, unexpected ;"},
      {"def f(1) { }", "1.6: syntax error, unexpected int, expecting )"},
      {"def f(a b) {}", "1.8: syntax error, unexpected identifier, expecting )"},
      {"def 1", "1.4: syntax error, unexpected int, expecting identifier"},
      {"f(1 2);", "1.4: syntax error, unexpected int, expecting )"},
      {"x = 9abc;", "1.5: syntax error, unexpected identifier"},
      {"x = 1.2.3;", "1.7: syntax error, unexpected float"},
      {"x = 1 &\n2;", "1.6: invalid character; 2.0: syntax error, unexpected int"},
      // Skipped characters still take their columns.
      {"x = ## 1 2;", "1.4: invalid character; 1.5: invalid character; 1.9: syntax error, unexpected int"},
  };
  for (const Case& c : cases) {
    errors.clear();
    EXPECT_FALSE(load(c.text)) << c.text;
    std::string all;
    for (const std::string& e : errors) all += (all.empty() ? "" : "; ") + e;
    EXPECT_EQ(all, c.error) << c.text;
  }
}

TEST_F(SyntaxTest, OneParseShowsAHundredErrorsAndCountsTheRest) {
  // Each parse counts afresh; the errors past the hundredth are summed up
  // in one line without a location. The shown ones keep their text.
  for (const std::size_t bad : {std::size_t{100}, std::size_t{101}, std::size_t{250000}}) {
    for (const char c : {'\0', '#'}) {
      errors.clear();
      // The statement after them still parses and runs.
      EXPECT_EQ(run(std::string(bad, c) + "\nprint(1);"), "1\n") << bad;
      const std::size_t shown = std::min<std::size_t>(bad, qor::kMaxErrorsShown);
      ASSERT_EQ(errors.size(), shown + (bad > shown ? 1 : 0)) << bad;
      EXPECT_EQ(errors[shown - 1], "1." + std::to_string(shown - 1) + ": invalid character");
      const std::string summary = "0.0: " + std::to_string(bad - shown) + " more errors not shown";
      EXPECT_EQ(errors.back(), bad > shown ? summary : errors[shown - 1]);
    }
  }
}

TEST_F(SyntaxTest, AFailedParseKeepsWhatWasReduced) {
  EXPECT_EQ(run("a = 1; def f() { return 2; } print(a, f()); b = ; def c() { return 3; } print(3);"), "12\n");
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(eval("c()"), "null");
}

}  // namespace
