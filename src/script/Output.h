#pragma once
// Where the script's "print" output goes: standard output unless a test or a
// tool installs its own sink.

#include <string>
#include <string_view>

namespace qor::script {

using OutputSink = void (*)(std::string_view text, void* context);

// Writes text through the current sink.
void writeOutput(std::string_view text);
// Installs a sink; nullptr restores standard output.
void setOutputSink(OutputSink sink, void* context = nullptr);

// Collects what is written while it lives (a value's printed text, say),
// then puts the sink back as it was.
class CapturedOutput {
public:
  CapturedOutput();
  ~CapturedOutput();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;
  const std::string& text() const { return text_; }

private:
  static void collect(std::string_view text, void* context);
  std::string text_;
  OutputSink savedSink_;
  void* savedContext_;
};

}  // namespace qor::script
