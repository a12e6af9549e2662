// kelvo-scene's text over the scene without GL: the colours' contrast, how
// messages are fitted to a window, what a load leaves in the panel, the
// help box's bindings, the frame rate and the statistics' lines.

#include "support/ScriptFixture.h"

#include "authoring/MessagePanel.h"
#include "authoring/Overlay.h"
#include "authoring/SceneOverlays.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kelvo::authoring;
using qor::script::Diagnostic;
using qor::script::DiagnosticKind;

std::vector<TextLine> linesOf(std::vector<std::string> texts) {
  std::vector<TextLine> lines;
  for (std::string& t : texts) lines.push_back({std::move(t), kNoteText});
  return lines;
}

std::vector<std::string> textsOf(const std::vector<TextLine>& lines) {
  std::vector<std::string> texts;
  for (const TextLine& l : lines) texts.push_back(l.text);
  return texts;
}

TEST(OverlayTest, TextColoursReadAtLeastFourAndAHalfToOneOnTheirBoxes) {
  // The formula first, at its known ends and one textbook value.
  EXPECT_DOUBLE_EQ(contrastRatio({0, 0, 0}, {255, 255, 255}), 21.0);
  EXPECT_DOUBLE_EQ(contrastRatio({90, 90, 90}, {90, 90, 90}), 1.0);
  EXPECT_NEAR(contrastRatio({118, 118, 118}, {255, 255, 255}), 4.54, 0.01);
  for (auto [text, box] : {std::pair{kErrorText, kPanelBackground}, {kWarningText, kPanelBackground},
                           {kNoteText, kPanelBackground}, {kMoreText, kPanelBackground},
                           {kHeadingText, kBoxBackground}, {kBodyText, kBoxBackground}})
    EXPECT_GE(contrastRatio(text, box), 4.5) << int(text.r) << "," << int(text.g) << "," << int(text.b);
}

TEST(OverlayTest, LinesAreCutToTheColumnsAndTheRowsFirstOnesFirst) {
  struct Case {
    std::vector<std::string> lines;
    std::size_t columns, rows, hiddenBefore;
    std::vector<std::string> shown;
  };
  const std::vector<std::string> three{"first", "second line", "third"};
  for (const Case& c : std::vector<Case>{
           {three, 20, 3, 0, three},
           {three, 20, 5, 0, three},
           // Too long: "..." in the last three columns; very narrow: plain cut.
           {three, 8, 3, 0, {"first", "secon...", "third"}},
           {three, 3, 3, 0, {"fir", "sec", "thi"}},
           // More lines than rows: the last row counts the rest.
           {three, 20, 2, 0, {"first", "... and 2 more"}},
           {three, 20, 1, 0, {"... and 3 more"}},
           {three, 10, 2, 0, {"first", "... and..."}},
           // Lines not kept count among the rest.
           {three, 20, 3, 4, {"first", "second line", "... and 5 more"}},
           {three, 20, 9, 4, {"first", "second line", "third", "... and 4 more"}},
           {{}, 20, 3, 0, {}},
           {three, 0, 3, 0, {}},
           {three, 20, 0, 0, {}},
       }) {
    const std::vector<TextLine> out = fitLines(linesOf(c.lines), c.columns, c.rows, kMoreText, c.hiddenBefore);
    EXPECT_EQ(textsOf(out), c.shown) << c.columns << " columns, " << c.rows << " rows";
    if (!out.empty() && out.size() < c.lines.size() + c.hiddenBefore) {
      EXPECT_EQ(out.back().colour.r, kMoreText.r);
    }
  }
}

TEST(OverlayTest, LongLinesWrapAtABlankOrTheColumn) {
  struct Case {
    std::string text;
    std::size_t columns;
    std::vector<std::string> rows;
  };
  for (const Case& c : std::vector<Case>{
           {"short", 20, {"short"}},
           {"", 20, {""}},
           // At the last blank that leaves the row half full; the blank goes.
           {"a.ks:1.2: warning: 'x' has no value", 20, {"a.ks:1.2: warning:", "  'x' has no value"}},
           {"one two three four", 9, {"one two", "  three", "  four"}},
           // No blank far enough along: cut at the column.
           {"ab " + std::string(30, 'x'), 12, {"ab xxxxxxxxx", "  xxxxxxxxxx", "  xxxxxxxxxx", "  x"}},
           {"exactly ten", 11, {"exactly ten"}},
           // A narrow box keeps every column for the text.
           {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
           {"abc", 0, {}},
       }) {
    EXPECT_EQ(textsOf(wrapLine({c.text, kWarningText}, c.columns)), c.rows) << c.text << " in " << c.columns;
  }
}

TEST(OverlayTest, ThePanelWrapsItsMessagesInTheLowerHalfAndCountsTheRest) {
  MessagePanel panel;
  panel.startLoad();
  // The first message is 224 characters with no blank after its 24th.
  for (int i = 1; i <= 40; ++i)
    panel.add({"scene.txt", i, 2, DiagnosticKind::Warning, i == 1 ? std::string(200, 'x') : "no value"});
  struct Case {
    int width, height;
    std::size_t rows, messages;  // rows shown, and the messages among them
  };
  // 640 x 480 at twice the font size: 12 pixels a column, 22 a line (51
  // columns, 10 rows: the first message takes 5); 320 x 240 at the plain
  // size: 6 and 11; 1280 x 960: 104 columns, 20 rows (3 for the first).
  // 640 x 100 has room for 3 rows: the first message as far as 2 go.
  for (const Case& c : {Case{640, 480, 10, 5}, Case{1280, 960, 20, 17}, Case{320, 240, 10, 5}, Case{640, 100, 3, 1},
                        Case{30, 20, 0, 0}}) {
    const std::vector<TextLine> shown = panelLines(panel, c.width, c.height);
    ASSERT_EQ(shown.size(), c.rows) << c.width << "x" << c.height;
    if (c.rows == 0) continue;
    const TextMetrics m = metricsFor(c.width, c.height);
    const std::size_t columns = columnsFitting(m, c.width);
    EXPECT_EQ(shown.back().text, "... and " + std::to_string(40 - c.messages) + " more");
    EXPECT_EQ(shown[0].text, ("scene.txt:1.2: warning: " + std::string(200, 'x')).substr(0, columns));
    EXPECT_EQ(shown[1].text.substr(0, 3), "  x");
    if (c.messages > 1) {
      EXPECT_EQ(shown[shown.size() - c.messages].text, "scene.txt:2.2: warning: no value");
    } else {
      EXPECT_EQ(shown[shown.size() - 2].text.substr(columns - 3), "...");
    }
    for (const TextLine& row : shown) EXPECT_LE(row.text.size(), columns);
    EXPECT_LE(boxSize(m, shown).height + m.margin(), c.height / 2 + m.margin());
    EXPECT_LE(boxSize(m, shown).width + 2 * m.margin(), c.width);
  }
}

TEST(OverlayTest, ALoadsMessagesOnceEachInOrderTheNextLoadClears) {
  MessagePanel panel;
  panel.startLoad();
  const uint64_t empty = panel.generation();
  panel.add({"a.txt", 3, 4, DiagnosticKind::Error, "syntax error"});
  panel.add({"a.txt", 1, 2, DiagnosticKind::Warning, "cannot open\tmodel\n"});
  panel.add({"a.txt", 3, 4, DiagnosticKind::Error, "syntax error"});
  panel.add({"a.txt", 1, 2, DiagnosticKind::Note, "this warning came 2 more times"});
  ASSERT_EQ(textsOf(panel.messages()), (std::vector<std::string>{"a.txt:3.4: syntax error",
                                                                  "a.txt:1.2: warning: cannot open model ",
                                                                  "a.txt:1.2: note: this warning came 2 more times"}));
  EXPECT_EQ(panel.messages()[0].colour.g, kErrorText.g);
  EXPECT_EQ(panel.messages()[1].colour.g, kWarningText.g);
  EXPECT_EQ(panel.messages()[2].colour.g, kNoteText.g);
  EXPECT_GT(panel.generation(), empty);
  panel.startLoad();
  EXPECT_TRUE(panel.messages().empty());
  // Past the messages kept, distinct ones are counted once each.
  for (int round = 0; round < 2; ++round)
    for (std::size_t i = 0; i < MessagePanel::kKeptMessages + 7; ++i)
      panel.add({"b.txt", static_cast<int>(i) + 1, 1, DiagnosticKind::Warning, "w"});
  EXPECT_EQ(panel.messages().size(), MessagePanel::kKeptMessages);
  EXPECT_EQ(panel.dropped(), 7u);
}

class LoadMessagesTest : public scripttest::ScriptTest {};

TEST_F(LoadMessagesTest, EachLoadShowsItsWarningsOnceAndCommandsStayOut) {
  // The sink kelvo-scene installs: stderr's text (here a list) and the panel.
  std::vector<std::string> told;
  qor::script::setDiagnosticSink([&](const Diagnostic& d) {
    told.push_back(qor::script::formatDiagnostic(d));
    showLoadMessage(d);
  });
  const std::string script = "def f() {\n  y = nothing + 1;\n}\nf();\nf();\n";
  const std::string warning = "test.txt:2.6: warning: 'nothing' has no value";
  for (int load = 0; load < 2; ++load) {
    // As a reload does: the panel and the channel start again.
    qor::script::restartDiagnostics();
    sceneOverlays.messages.startLoad();
    run(script);
    EXPECT_EQ(textsOf(sceneOverlays.messages.messages()), std::vector<std::string>{warning}) << "load " << load;
  }
  // Between the loads the channel summed up the first load's repeat.
  EXPECT_EQ(told, (std::vector<std::string>{warning, "test.txt:2.6: note: this warning came 1 more time: "
                                                     "'nothing' has no value", warning}));
  // A console command reports to its own sink only.
  {
    std::vector<std::string> command;
    qor::script::ScopedDiagnosticSink scoped([&](const Diagnostic& d) { command.push_back(std::string(d.text)); });
    run("z = alsoNothing;");
    EXPECT_EQ(command.size(), 1u);
  }
  EXPECT_EQ(sceneOverlays.messages.messages().size(), 1u);
  // After the command the scene's own mistakes (a timer's, a key's) show again.
  run("w = stillNothing;");
  EXPECT_EQ(sceneOverlays.messages.messages().size(), 2u);
  sceneOverlays.messages.startLoad();
}

TEST_F(LoadMessagesTest, TheHelpListsEveryKeyAndTheScriptsBindingsAsWritten) {
  run("setKeyFunc(\"m\", move(1, 2.5));\nsetKeyFunc(\"UP\", print(\"up\"));\nsetKeyFunc(32, reset());\n");
  SceneOverlays overlays;
  EXPECT_TRUE(overlays.handleKey(qor::platform::VK_F1, false));
  EXPECT_TRUE(overlays.helpShown);
  EXPECT_TRUE(overlays.handleKey(qor::platform::VK_F1, true));  // a held key's repeat
  EXPECT_TRUE(overlays.helpShown);
  EXPECT_FALSE(overlays.handleKey('M', false));

  std::vector<KeyBindingText> bindings;
  for (int code = 0; code < qor::script::kKeySlots; ++code)
    if (const auto& call = qor::script::keyBinding(code))
      bindings.push_back({keyName(code), qor::script::printedText(call)});
  const std::vector<std::string> help = textsOf(helpLines(bindings));
  ASSERT_EQ(help.size(), 1 + 12 + 1 + 3u);
  const std::vector<std::string> scripts(help.end() - 3, help.end());
  EXPECT_EQ(scripts, (std::vector<std::string>{"  SPACE        reset()", "  UP           print(up)",
                                               "  M            move(1, 2.5000)"}));
  EXPECT_EQ(textsOf(helpLines({})).back(), "  none");
  // Output goes where it went before the bindings were written out.
  EXPECT_EQ(run("print(7);"), "7\n");
}

TEST(OverlayTest, FrameRateAveragesTheLastSecondOfFrames) {
  struct Case {
    std::vector<int32_t> frameTimes;
    bool known;
    double fps, ms;
  };
  for (const Case& c : std::vector<Case>{
           {{}, false, 0, 0},
           {{100}, false, 0, 0},
           {{100, 100}, false, 0, 0},             // no time between them
           {{0, 20, 40, 60}, true, 50, 20},       // the frames so far, before a second is over
           {{0, 250, 500, 750, 1000}, true, 4, 250},
           // After the first second, the figure holds until the next one ends.
           {{0, 500, 1000, 1010, 1020}, true, 2, 500},
           {{0, 500, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000}, true, 10, 100},
           // The 32-bit clock wraps.
           {{2147483600, -2147483596}, true, 1000.0 / 100, 100},
       }) {
    FrameRate rate;
    for (int32_t t : c.frameTimes) rate.frame(t);
    ASSERT_EQ(rate.known(), c.known) << c.frameTimes.size() << " frames";
    if (!c.known) continue;
    EXPECT_NEAR(rate.fps(), c.fps, 1e-9);
    EXPECT_NEAR(rate.msPerFrame(), c.ms, 1e-9);
  }
}

}  // namespace
