#pragma once
// One parse of a script file: names the file, switches the scanner and parser
// traces, opens the input, runs yy::SceneParser and records whether anything
// went wrong. Errors are silent unless an error sink is installed (the tools
// and the console show them; the viewer does not).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace yy {
class location;
}

namespace qor {

class IData;

// One token as the scanner gives it, for tests and diagnostics.
struct ScannedToken {
  std::string name;  // display name, as syntax errors print it ("identifier", "+=")
  std::string text;  // the value of literals and identifiers, as text; else empty
  int line = 0;      // where the token begins
  int column = 0;
};

// The largest script the scanner takes, in bytes. A bigger file is refused
// before it is read, so that neither the read nor the scanner's int-sized
// buffer counts can run away.
constexpr uint64_t kMaxScriptBytes = uint64_t{64} << 20;

// The message that refuses a script of `bytes` bytes.
std::string scriptTooLargeMessage(uint64_t bytes);

// The size of `path` when it is a regular file larger than kMaxScriptBytes;
// 0 otherwise (small, missing, or not a regular file: the reader decides).
uint64_t oversizeScript(const std::string& path);

// Thrown by the scanner's fatal conditions instead of ending the process;
// the parse that was running catches it and fails with the message.
struct ScannerFault {
  const char* message;
};

// At most this many errors of one parse reach the error sink; the rest are
// counted and summed up in one line at the end, "N more errors not shown".
constexpr int kMaxErrorsShown = 100;

// Writes one error to standard error the way the tools show them:
// "FILE:LINE.COLUMN: message", or "FILE: message" when there is no location
// (a file that cannot be opened). Usable as an error sink.
void printErrorToStderr(const std::string& file, int line, int column, const std::string& message);

class SceneDriver {
public:
  using ErrorSink = std::function<void(const std::string& file, int line, int column, const std::string& message)>;

  SceneDriver() = default;

  // Parses a file, appending its statements and functions to the last scope
  // record. Returns true when the parse succeeded.
  bool parse(const std::string& fileName);
  // Parses text held in memory (the console's input) under the given name.
  bool parseText(const std::string& name, const std::string& text);

  // Runs only the scanner over text and lists its tokens up to the end of
  // the input (not included). Errors go to the sink as usual.
  std::vector<ScannedToken> scanText(const std::string& name, const std::string& text);

  // Records a failure; the message goes to the error sink, if any, unless
  // this parse has shown kMaxErrorsShown errors already.
  void error(const yy::location& where, const std::string& message);
  void error(const std::string& message);
  // A fault inside the scanner (the generated code's fatal conditions),
  // at the scanner's current location.
  void scannerFault(const char* message);

  // The parser's side of the precedence trap: comparisons and '&&'/'||'
  // bind alike, left to right, so `1 < 2 && 5 < 3` is ((1 < 2) && 5) < 3.
  // Called for each such operator reduced: `node` is the operation, the
  // locations those of its left operand, the operator and its right operand;
  // `nextKind` is the parser's lookahead symbol (-1 for none), which tells
  // whether the operation becomes the left operand of another of its level.
  // Once a run of them ends, a run that mixes comparisons with other
  // operators of the level gets one warning, with the operands quoted as
  // written. Nothing is kept or built while warnings are off.
  void noteLevelTwo(const IData& node, const yy::location& left, const yy::location& at, const yy::location& right,
                    int nextKind);

  // The scanner's side: open and close the input named by `file`.
  void scanBegin();
  void scanEnd();

  bool traceScanning = false;
  std::string file;
  bool traceParsing = false;
  bool failed = false;
  ErrorSink errorSink;

private:
  bool run();
  // The tokens of the input opened by scanBegin, up to its end.
  void scanTokens(std::vector<ScannedToken>& tokens);
  // Starts the error count of a parse; ends it with the line that counts
  // the errors not shown.
  void beginErrors();
  void endErrors();
  // Passes one error to the sink, or counts it once enough were shown.
  void report(int line, int column, const std::string& message);
  // One run of operators of the comparison level, grouped left to right:
  // its first operand's extent and, per operator, where it stands and its
  // right operand's extent (byte offsets into input_).
  struct LevelTwoLink {
    uint8_t op;
    int line, column;
    std::size_t rightBegin, rightEnd;
  };
  struct LevelTwoRun {
    const IData* top;  // the operation the run has reached
    std::size_t firstBegin, firstEnd;
    std::vector<LevelTwoLink> links;
  };
  // The offset of a position of the input; line starts are found on demand.
  std::size_t offsetOf(int line, int column);
  // The author's text between two offsets, on one line: blanks and
  // comments between tokens become one space.
  std::string quote(std::size_t begin, std::size_t end) const;
  void warnLevelTwo(const LevelTwoRun& run);
  // Runs still growing (nested in one another's operands), innermost last;
  // `runCount_` of them are live, the rest keep their room for the next.
  std::vector<LevelTwoRun> runs_;
  std::size_t runCount_ = 0;
  std::vector<std::size_t> lineStarts_;
  int errorsShown_ = 0;
  uint64_t errorsHidden_ = 0;
  const std::string* text_ = nullptr;
  // The bytes the scanner works on, for the length of one scan.
  std::string input_;
};

}  // namespace qor
