// The scanner: longest match, rule order, literals, comments and locations.

#include "support/ScriptFixture.h"

namespace {

using scripttest::ScriptTest;

class ScannerTest : public ScriptTest {
protected:
  // Tokens as "name" or "name:text", separated by blanks.
  std::string scan(const std::string& text) {
    qor::SceneDriver driver;
    driver.errorSink = [this](const std::string&, int line, int column, const std::string& message) {
      errors.push_back(std::to_string(line) + "." + std::to_string(column) + ": " + message);
    };
    tokens = driver.scanText("scan.txt", text);
    failed = driver.failed;
    std::string s;
    for (const auto& t : tokens) {
      if (!s.empty()) s += ' ';
      s += t.name;
      if (!t.text.empty()) s += ":" + t.text;
    }
    return s;
  }
  std::vector<qor::ScannedToken> tokens;
  bool failed = false;
};

TEST_F(ScannerTest, LongestMatchAndOperators) {
  EXPECT_EQ(scan("a+=b++ - --c"), "identifier:a += identifier:b ++ - -- identifier:c");
  EXPECT_EQ(scan("!==<=>=&&||"), "!= = <= >= && ||");
  // The comma's name keeps its quotes, as error messages print it.
  EXPECT_EQ(scan(". , ; [ ] ( ) { } % %= *= /="), ". \",\" ; [ ] ( ) { } % %= *= /=");
  EXPECT_FALSE(failed);
}

TEST_F(ScannerTest, KeywordsAndWordsAreWholeWords) {
  EXPECT_EQ(scan("def if else for while return"), "def if else for while return");
  EXPECT_EQ(scan("iff returned trueish NULLx True If"),
            "identifier:iff identifier:returned identifier:trueish identifier:NULLx identifier:True identifier:If");
  EXPECT_EQ(scan("true TRUE false FALSE"), "bool:true bool:true bool:false bool:false");
  // "null" is skipped: f(null) reaches the parser as f().
  EXPECT_EQ(scan("f(null) NULL"), "identifier:f ( )");
  EXPECT_EQ(scan("_x9 x_1"), "identifier:_x9 identifier:x_1");
}

TEST_F(ScannerTest, NumbersSplit) {
  EXPECT_EQ(scan("9abc"), "int:9 identifier:abc");
  EXPECT_EQ(scan("1e5"), "int:1 identifier:e5");
  EXPECT_EQ(scan("0x10"), "int:0 identifier:x10");
  EXPECT_EQ(scan("1.2.3"), "float:1.2000 float:0.3000");
  EXPECT_EQ(scan(".5 5. ."), "float:0.5000 float:5.0000 .");
  EXPECT_EQ(scan("2147483647 2147483648"), "int:2147483647 int:-2147483648");
}

TEST_F(ScannerTest, Comments) {
  EXPECT_EQ(scan("a/*x*/b"), "identifier:a identifier:b");
  EXPECT_EQ(scan("/* a /* b */ c */"), "identifier:c * /");
  EXPECT_EQ(scan("a // rest ; of line\nb"), "identifier:a identifier:b");
  // An unterminated block comment is "/" then "*".
  EXPECT_EQ(scan("/* open"), "/ * identifier:open");
  EXPECT_EQ(scan("/**/x/***/y"), "identifier:x identifier:y");
}

TEST_F(ScannerTest, StringLiterals) {
  EXPECT_EQ(scan("\"hello world\" 'single'"), "string:hello world string:single");
  EXPECT_EQ(scan("'a\"b'"), "string:a\"b");
  EXPECT_EQ(scan("\"a'b\""), "string:a'b");
  // Backslash-quote stays as written and does not close the literal.
  EXPECT_EQ(scan("\"a\\\"b\""), "string:a\\\"b");
  // With nothing later to close it, the backslash is an ordinary character.
  EXPECT_EQ(scan("\"a\\\""), "string:a\\");
  EXPECT_EQ(scan("\"\""), "string");  // an empty literal has no text to show
  EXPECT_FALSE(failed);
}

TEST_F(ScannerTest, UnclosedQuoteIsInvalidAndScanningGoesOn) {
  EXPECT_EQ(scan("x \"abc"), "identifier:x identifier:abc");
  EXPECT_TRUE(failed);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "1.2: invalid character");
}

TEST_F(ScannerTest, InvalidCharacters) {
  EXPECT_EQ(scan("a & b | c # d"), "identifier:a identifier:b identifier:c identifier:d");
  EXPECT_EQ(errors.size(), 3u);
  errors.clear();
  // A lone carriage return is invalid; CR LF reads like LF.
  EXPECT_EQ(scan("a\rb"), "identifier:a identifier:b");
  EXPECT_EQ(errors.size(), 1u);
  errors.clear();
  EXPECT_EQ(scan("a\r\nb // c\r\nd"), "identifier:a identifier:b identifier:d");
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(tokens[2].line, 3);
}

TEST_F(ScannerTest, LocationsCountLinesFromOneAndColumnsFromZero) {
  scan("ab  cd\n\tx // c\n/* 1\n2 */ y\n\"s\nt\" z");
  ASSERT_EQ(tokens.size(), 6u);
  EXPECT_EQ(tokens[0].line, 1);
  EXPECT_EQ(tokens[0].column, 0);
  EXPECT_EQ(tokens[1].column, 4);
  EXPECT_EQ(tokens[2].line, 2);
  EXPECT_EQ(tokens[2].column, 1);
  EXPECT_EQ(tokens[3].line, 4);  // after a comment spanning two lines
  EXPECT_EQ(tokens[4].line, 5);
  EXPECT_EQ(tokens[5].line, 6);  // a string spanning lines keeps the count
  EXPECT_EQ(tokens[5].column, 3);
}

TEST_F(ScannerTest, EmptyInput) {
  EXPECT_EQ(scan(""), "");
  EXPECT_EQ(scan(" \t\n\n// only a comment"), "");
  EXPECT_FALSE(failed);
}

}  // namespace
