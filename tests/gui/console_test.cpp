// The console without GL: its keyboard layout, editing keys, history,
// display lines, and commands run through the script language.

#include "gui/Console.h"
#include "platform/VirtualKeys.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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
  // The scroll-back as "> typed" and "output" lines.
  std::vector<std::string> transcript() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < console.lines.size(); ++i)
      out.push_back((console.isOutput[i] ? "" : "> ") + console.lines[i]);
    return out;
  }

  kelvo::test::TempDir dir;
  uint8_t keys[256] = {};
  Console console;
};

TEST_F(ConsoleTest, KeysTypeTheConsolesOwnLayout) {
  struct Case {
    uint8_t held;
    uint8_t vk;
    const char* typed;
  } cases[] = {
      {kNone, 'A', "a"},          {kShift, 'A', "A"},         {kCaps, 'Z', "Z"},          {kCaps | kShift, 'Q', "Q"},
      {kCtrl, 'A', "a"},          {kNone, '5', "5"},          {kCtrl, '7', "7"},          {kShift, '0', "="},
      {kShift, '1', "!"},         {kShift, '2', "\""},        {kShift, '3', "\xB7"},      {kShift, '7', "/"},
      {kShift, '8', "("},         {kShift, '9', ")"},         {kNone, 0x63, "3"},         {kShift, 0x60, "0"},
      {kNone, 0x6A, "*"},         {kNone, 0x6B, "+"},         {kNone, 0x6C, "-"},         {kNone, 0x6D, "-"},
      {kNone, 0x6E, "."},         {kNone, 0x6F, "/"},         {kNone, 0xBA, ":"},         {kCtrl, 0xBA, ";"},
      {kShift, 0xBA, ":"},        {kNone, 0xBB, "+"},         {kCtrl, 0xBE, ","},         {kNone, 0xBF, "?"},
      {kCtrl, 0xBF, "/"},         {kNone, 0xC0, "~"},         {kCtrl, 0xC0, "`"},         {kNone, 0xDB, "{"},
      {kCtrl, 0xDB, "["},         {kNone, 0xDC, "|"},         {kCtrl, 0xDC, "\\"},        {kCtrl, 0xDD, "]"},
      {kNone, 0xDE, "\""},        {kCtrl, 0xDE, "'"},         {kNone, 0xE2, "<"},         {kShift, 0xE2, ">"},
      {kNone, VK_SPACE, " "},     {kNone, kF5, ""},         {kNone, VK_ESCAPE, ""},
  };
  for (const Case& c : cases) {
    console.clear();
    hold(c.held);
    console.keyPressed(c.vk);
    EXPECT_EQ(console.editLine(), c.typed) << "key 0x" << std::hex << int(c.vk) << " held " << int(c.held);
  }
  // Keys that type nothing are recorded, except Escape, which would end the
  // program.
  EXPECT_EQ(keys[kF5], 1);
  EXPECT_EQ(keys[VK_ESCAPE], 0);
  // Caps Lock toggles; Shift marks itself held.
  hold(kNone);
  press({VK_CAPITAL, 'B', VK_CAPITAL, 'B', VK_SHIFT});
  EXPECT_EQ(console.editLine(), "Bb");
  EXPECT_EQ(keys[VK_SHIFT], 1);
}

TEST_F(ConsoleTest, EditingKeysMoveTheCursorAndSelection) {
  setLine("hello");
  // Shift starts a selection at the cursor; Shift+Left drags its moving end.
  press({VK_SHIFT, VK_LEFT, VK_LEFT});
  EXPECT_EQ(console.selStart, 5);
  EXPECT_EQ(console.selEnd, 3);
  EXPECT_EQ(console.cursor, 3);
  hold(kNone);
  press({VK_BACK});
  EXPECT_EQ(console.editLine(), "hel");
  EXPECT_EQ(console.cursor, 3);
  EXPECT_EQ(console.selStart, console.selEnd);
  press({VK_BACK});
  EXPECT_EQ(console.editLine(), "he");

  press({VK_HOME});
  EXPECT_EQ(console.cursor, 0);
  press({VK_LEFT, VK_BACK});  // nothing before the cursor
  EXPECT_EQ(console.cursor, 0);
  EXPECT_EQ(console.editLine(), "he");
  press({VK_END});
  EXPECT_EQ(console.cursor, 2);
  hold(kShift);
  press({VK_RETURN});  // Shift+Enter: a line feed, no submission
  EXPECT_EQ(console.editLine(), "he\n");
  EXPECT_EQ(console.lines.size(), 1u);
}

TEST_F(ConsoleTest, HistoryStepsOverTypedLinesAndBackToTheDraft) {
  console.lines = {"one", "out", "two", "dr"};
  console.isOutput = {false, true, false, false};
  console.historyIndex = 3;
  console.cursor = 2;
  const char* back[] = {"two", "one", "one"};
  for (const char* expected : back) {
    press({VK_UP});
    EXPECT_EQ(console.editLine(), expected);
    EXPECT_EQ(console.cursor, static_cast<int32_t>(console.editLine().size()));
  }
  const char* forth[] = {"two", "dr", "dr"};
  for (const char* expected : forth) {
    press({VK_DOWN});
    EXPECT_EQ(console.editLine(), expected);
  }
  EXPECT_EQ(console.lines[0], "one");
  EXPECT_EQ(console.lines[2], "two");
}

TEST_F(ConsoleTest, DisplayLinesWrapAt80AndOnlyTheLast20Show) {
  // A typed line of 100 characters: the prompt and 76, then 24.
  console.lines = {std::string(100, 'x'), ""};
  console.isOutput = {false, false};
  Console::Piece pieces[Console::kRows];
  ASSERT_EQ(console.visiblePieces(pieces), 3u);
  EXPECT_EQ(pieces[0].line, 0u);
  EXPECT_EQ(pieces[0].begin, 0u);
  EXPECT_EQ(pieces[0].end, 80u);
  EXPECT_EQ(pieces[1].begin, 80u);
  EXPECT_EQ(pieces[1].end, 104u);
  EXPECT_EQ(pieces[2].line, 1u);
  EXPECT_EQ(pieces[2].end, 4u);  // the empty edit line shows its prompt

  // 24 output lines and the edit line: lines 6 … 25 are shown.
  console.lines.assign(24, "out");
  console.isOutput.assign(24, true);
  console.lines.push_back("");
  console.isOutput.push_back(false);
  ASSERT_EQ(console.visiblePieces(pieces), 20u);
  EXPECT_EQ(pieces[0].line, 5u);
  EXPECT_EQ(pieces[19].line, 24u);

  // The cursor's cell: column cursor + 4, on the display line that holds it.
  setLine(std::string(100, 'y'));
  std::size_t piece = 0, column = 0;
  console.cursor = 80;
  console.cursorCell(piece, column);
  EXPECT_EQ(piece, 1u);
  EXPECT_EQ(column, 4u);
}

// Commands run through the script language.
class ConsoleRunTest : public ConsoleTest {
protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    qor::script::resetInterpreter();
    qor::script::registerBuiltins();
  }
  void TearDown() override {
    qor::script::resetInterpreter();
    qor::collectGarbage();
  }
  void enter(const std::string& command) {
    setLine(command);
    hold(kNone);
    press({VK_RETURN});
  }
  std::string commandFileText() const {
    std::ifstream in(console.commandFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(ConsoleRunTest, EachCommandAnswersBelowItself) {
  enter("print(42);");
  EXPECT_EQ(commandFileText(), "print(42);\n");
  EXPECT_EQ(console.cursor, 0);
  EXPECT_EQ(console.historyIndex, static_cast<int32_t>(console.editIndex()));
  // The same text runs again; variables stay for later commands. A value
  // the last statement leaves is printed, as for any script unit.
  enter("print(42);");
  enter("x = 6;");
  enter("print(x * 7);");
  enter("");
  EXPECT_EQ(commandFileText(), "\n");
  EXPECT_EQ(transcript(), (std::vector<std::string>{"> print(42);", "42", "> print(42);", "42", "> x = 6;", "6",
                                                    "> print(x * 7);", "42", "> ", "> "}));
}

TEST_F(ConsoleRunTest, ErrorsRunawaysAndOutOfMemoryAreOutputLines) {
  enter("x = (1;");
  ASSERT_EQ(console.lines.size(), 3u);
  EXPECT_TRUE(console.isOutput[1]);
  EXPECT_EQ(console.lines[1].rfind("1.6: syntax error", 0), 0u) << console.lines[1];

  enter("def down(n) { return down(n + 1); }");
  enter("down(1); print(\"after\");");
  const std::vector<std::string> lines = transcript();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "1.0: call depth limit (1000) reached");
  EXPECT_EQ(lines[lines.size() - 2], "after");

  // A statement past the memory budget stops; the next one runs.
  qor::script::setMemoryLimit(8 << 20);
  enter("s = \"xx\"; while (true) s = s + s; print(\"after\");");
  qor::script::setMemoryLimit(qor::script::kDefaultMemoryLimit);
  const std::vector<std::string> out = transcript();
  EXPECT_EQ(std::vector<std::string>(out.end() - 3, out.end() - 1),
            (std::vector<std::string>{"1.10: out of memory", "after"}));
}

TEST_F(ConsoleRunTest, CommandThatCannotBeWrittenDoesNotRun) {
  console.commandFile = dir.file("missing/folder/stdin");
  enter("print(1);");
  EXPECT_EQ(transcript(), (std::vector<std::string>{"> print(1);", "> "}));
}

}  // namespace
