// Enter in the console: the command goes through the file "stdin" to the
// script driver and runs as a unit of its own; what it prints, its syntax
// errors, its warnings and the notes of a runaway come back as output lines.

#include "gui/Console.h"

#include "base/memory/IMMObject.h"
#include "script/Diagnostics.h"
#include "script/Interpreter.h"
#include "script/Output.h"
#include "script/SceneDriver.h"
#include "script/SceneLoader.h"
#include "util/MappedFile.h"

#include <cstdio>
#include <string>

namespace qor::gui {

namespace {

// What a command prints still goes to standard output, and is kept.
void teeOutput(std::string_view text, void* transcript) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  static_cast<std::string*>(transcript)->append(text);
}

}  // namespace

void Console::submit() {
  // 1. A new, empty edit line.
  lines.emplace_back();
  isOutput.push_back(false);
  collapseAt(0);
  historyIndex = static_cast<int32_t>(editIndex());
  draft_.clear();

  // 2. The command is the typed line just above it, written out with a line
  //    feed. When the file cannot be written the command does not run.
  const std::string& command = lines[editIndex() - 1];
  if (!writeRegularFile(commandFile, command + '\n')) return;

  // 3. The script driver parses and runs it.
  runCommand();
}

void Console::runCommand() {
  // Each command is a new entry of the file table, so the same text can run
  // again and its variables and functions stay visible to later commands.
  const std::string unit = "~tmp" + std::to_string(++commandCount_);
  std::string transcript;

  // Errors in the command itself read "LINE.COLUMN: message"; those of a
  // file it includes name that file.
  auto note = [this, &transcript, &unit](const std::string& file, int line, int column, const std::string& message) {
    if (!transcript.empty() && transcript.back() != '\n') transcript += '\n';
    if (line <= 0) transcript += message;
    else if (file == commandFile || file == unit)
      transcript += std::to_string(line) + "." + std::to_string(column) + ": " + message;
    else
      transcript += file + ":" + std::to_string(line) + "." + std::to_string(column) + ": " + message;
    transcript += '\n';
  };

  script::setOutputSink(&teeOutput, &transcript);
  script::setErrorSink(note);
  {
    // The command's warnings join its transcript, placed as its errors are;
    // only while it runs, so the scene's own scripts stay as quiet as before.
    script::ScopedDiagnosticSink warnings([&note](const script::Diagnostic& d) {
      const char* kind = d.kind == script::DiagnosticKind::Warning ? "warning: "
                         : d.kind == script::DiagnosticKind::Note  ? "note: "
                                                                   : "";
      note(std::string(d.file), d.line, d.column, kind + std::string(d.text));
    });
    SceneDriver driver;
    driver.errorSink = note;
    const std::size_t index = script::addFile(unit);
    driver.parse(commandFile);
    // Whatever parsed runs, as in a scene script with an error further on.
    const std::size_t previous = script::runningFile();
    script::setRunningFile(index);
    script::runRecord(index);
    script::setRunningFile(previous);
    // A warning a loop met again and again is summed up below it.
    script::finishDiagnostics();
  }
  std::fflush(stdout);

  // The interpreter's notes go back where the scene loader sends them.
  script::setErrorSink(sceneErrorReporter ? script::ErrorSink(sceneErrorReporter) : script::ErrorSink());
  script::setOutputSink(nullptr);
  collectGarbage();
  addOutput(transcript);
}

void Console::addOutput(std::string_view text) {
  // Output lines go above the edit line, which stays last; the lines before
  // it stay where they are, so a history step in progress stays valid.
  const bool browsing = historyIndex < static_cast<int32_t>(editIndex());
  std::string edit = std::move(editLine());
  lines.pop_back();
  isOutput.pop_back();
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    isOutput.push_back(true);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  lines.push_back(std::move(edit));
  isOutput.push_back(false);
  if (!browsing) historyIndex = static_cast<int32_t>(editIndex());
}

}  // namespace qor::gui
