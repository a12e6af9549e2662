// The console without GL: its keyboard layout, editing keys, history, display lines, and commands run
// through the script language.

#include "gui/Console.h"
#include "platform/VirtualKeys.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qor::gui::Console;
using namespace qor::platform;

enum Held : uint8_t { kNone = 0, kShift = 1, kCtrl = 2, kCaps = 4 };
constexpr uint8_t kF5 = 0x74;

class ConsoleTest : public ::testing::Test {
protected:
  void SetUp() override {
    console.keys = keys;
    console.commandFile = dir.file("stdin");
    qor::script::resetInterpreter();
    qor::script::registerBuiltins();
  }
  void TearDown() override {
    qor::script::resetInterpreter();
    qor::collectGarbage();
  }
  void hold(uint8_t held) {
    keys[VK_SHIFT] = held & kShift ? 1 : 0;
    keys[VK_CONTROL] = held & kCtrl ? 1 : 0;
    keys[VK_CAPITAL] = held & kCaps ? 1 : 0;
  }
  void press(std::initializer_list<uint8_t> codes) {
    for (uint8_t vk : codes) console.keyPressed(vk);
  }
  // Puts text in the edit line with the cursor at its end.
  void setLine(const std::string& text) {
    console.editLine() = text;
    console.cursor = console.selStart = console.selEnd = static_cast<int32_t>(text.size());
  }
  void enter(const std::string& command) {
    setLine(command);
    hold(kNone);
    press({VK_RETURN});
  }

  kelvo::test::TempDir dir;
  uint8_t keys[256] = {};
  Console console;
};

TEST_F(ConsoleTest, KeysTypeTheConsolesOwnLayout) {
  const struct {
    uint8_t held;
    uint8_t vk;
    const char* typed;
  } cases[] = {
      {kNone, 'A', "a"},   {kShift, 'A', "A"},   {kCaps, 'Z', "Z"},   {kCaps | kShift, 'Q', "Q"}, {kCtrl, 'A', "a"},
      {kCtrl, '7', "7"},   {kShift, '0', "="},   {kShift, '2', "\""}, {kShift, '3', "\xB7"},      {kShift, '8', "("},
      {kNone, 0x63, "3"},  {kShift, 0x60, "0"},  {kNone, 0x6A, "*"},  {kNone, 0x6C, "-"},        {kNone, 0x6F, "/"},
      {kNone, 0xBA, ":"},  {kCtrl, 0xBA, ";"},   {kShift, 0xBA, ":"}, {kCtrl, 0xBE, ","},        {kNone, 0xBF, "?"},
      {kCtrl, 0xC0, "`"},  {kNone, 0xDB, "{"},   {kCtrl, 0xDC, "\\"}, {kNone, 0xDE, "\""},       {kCtrl, 0xDE, "'"},
      {kNone, 0xE2, "<"},  {kShift, 0xE2, ">"},  {kNone, VK_SPACE, " "}, {kNone, kF5, ""},       {kNone, VK_ESCAPE, ""},
  };
  for (const auto& c : cases) {
    console.clear();
    hold(c.held);
    console.keyPressed(c.vk);
    EXPECT_EQ(console.editLine(), c.typed) << "key 0x" << std::hex << int(c.vk) << " held " << int(c.held);
  }
  // Keys that type nothing are recorded, except Escape, which would end the program.
  EXPECT_TRUE(keys[kF5] == 1 && keys[VK_ESCAPE] == 0);
  // Caps Lock toggles; Shift marks itself held.
  hold(kNone);
  press({VK_CAPITAL, 'B', VK_CAPITAL, 'B', VK_SHIFT});
  EXPECT_TRUE(console.editLine() == "Bb" && keys[VK_SHIFT] == 1);
}

TEST_F(ConsoleTest, EditingKeysMoveTheCursorAndSelectionAndHistoryStepsOverTypedLines) {
  setLine("hello");
  press({VK_SHIFT, VK_LEFT, VK_LEFT});  // Shift starts a selection at the cursor; Left drags its moving end
  EXPECT_TRUE(console.selStart == 5 && console.selEnd == 3 && console.cursor == 3);
  hold(kNone);
  press({VK_BACK});
  EXPECT_TRUE(console.editLine() == "hel" && console.cursor == 3 && console.selStart == console.selEnd);
  press({VK_BACK});
  EXPECT_EQ(console.editLine(), "he");
  press({VK_HOME});
  EXPECT_EQ(console.cursor, 0);
  press({VK_LEFT, VK_BACK});  // nothing before the cursor
  EXPECT_TRUE(console.cursor == 0 && console.editLine() == "he");
  press({VK_END});
  EXPECT_EQ(console.cursor, 2);
  hold(kShift);
  press({VK_RETURN});  // Shift+Enter: a line feed, no submission
  EXPECT_TRUE(console.editLine() == "he\n" && console.lines.size() == 1u);

  // Up steps over output lines to earlier typed lines, Down back to the draft; the cursor goes to the end.
  console.lines = {"one", "out", "two", "dr"};
  console.isOutput = {false, true, false, false};
  console.historyIndex = 3;
  hold(kNone);
  std::string seen;
  for (uint8_t key : {VK_UP, VK_UP, VK_UP, VK_DOWN, VK_DOWN, VK_DOWN}) {
    press({key});
    seen += console.editLine() + (console.cursor == static_cast<int32_t>(console.editLine().size()) ? " " : "? ");
  }
  EXPECT_EQ(seen, "two one one two dr dr ");
  EXPECT_TRUE(console.lines[0] == "one" && console.lines[2] == "two");
}

TEST_F(ConsoleTest, DisplayLinesWrapAt80AndOnlyTheLast20Show) {
  // A typed line of 100 characters: the prompt and 76, then 24; the empty edit line shows its prompt.
  console.lines = {std::string(100, 'x'), ""};
  console.isOutput = {false, false};
  Console::Piece pieces[Console::kRows];
  ASSERT_EQ(console.visiblePieces(pieces), 3u);
  EXPECT_TRUE(pieces[0].line == 0 && pieces[0].begin == 0 && pieces[0].end == 80);
  EXPECT_TRUE(pieces[1].line == 0 && pieces[1].begin == 80 && pieces[1].end == 104);
  EXPECT_TRUE(pieces[2].line == 1 && pieces[2].begin == 0 && pieces[2].end == 4);

  // 24 output lines and the edit line: lines 6 … 25 are shown.
  console.lines.assign(24, "out");
  console.isOutput.assign(24, true);
  console.lines.push_back("");
  console.isOutput.push_back(false);
  ASSERT_EQ(console.visiblePieces(pieces), 20u);
  EXPECT_TRUE(pieces[0].line == 5 && pieces[19].line == 24);
}

// Enter writes the command to the command file and runs it: what it prints comes below it, and so does a
// value its last statement leaves; the same text runs again, and variables stay for later commands.
// Errors, a runaway recursion too, are output lines; a command that cannot be written does not run.
TEST_F(ConsoleTest, CommandsRunAndAnswerBelowThemselves) {
  enter("print(42);");
  EXPECT_EQ(kelvo::test::readFile(console.commandFile), "print(42);\n");
  EXPECT_TRUE(console.cursor == 0 && console.historyIndex == static_cast<int32_t>(console.editIndex()));
  enter("print(42);");
  enter("x = 6;");
  enter("print(x * 7);");
  enter("");
  EXPECT_EQ(kelvo::test::readFile(console.commandFile), "\n");
  enter("x = (1;");
  enter("def down(n) { return down(n + 1); }");
  enter("down(1); print(\"after\");");
  console.commandFile = dir.file("missing/folder/stdin");
  enter("print(1);");

  std::vector<std::string> transcript;  // "> " before a typed line
  for (std::size_t i = 0; i < console.lines.size(); ++i)
    transcript.push_back((console.isOutput[i] ? "" : "> ") + console.lines[i]);
  EXPECT_EQ(transcript, (std::vector<std::string>{
                            "> print(42);", "42", "> print(42);", "42", "> x = 6;", "6", "> print(x * 7);", "42", "> ",
                            "> x = (1;", "1.6: syntax error, unexpected ;, expecting )",
                            "> def down(n) { return down(n + 1); }", "> down(1); print(\"after\");",
                            "1.0: call depth limit (1000) reached", "after", "> print(1);", "> "}));
}

}  // namespace
