#pragma once
// Collects what the script diagnostics channel passes, as the tools print it
// ("FILE:LINE.COLUMN: warning: TEXT"), for the length of a test. A prefix
// such as a temporary folder's path is cut from the file names.

#include "script/Diagnostics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvo::test {

class DiagnosticCapture {
public:
  explicit DiagnosticCapture(std::string cutPrefix = "") : cut_(std::move(cutPrefix)) {
    qor::script::setDiagnosticSink([this](const qor::script::Diagnostic& d) {
      std::string line = qor::script::formatDiagnostic(d);
      if (!cut_.empty() && line.compare(0, cut_.size(), cut_) == 0) line.erase(0, cut_.size());
      lines.push_back(std::move(line));
    });
  }
  ~DiagnosticCapture() { qor::script::setDiagnosticSink(nullptr); }
  DiagnosticCapture(const DiagnosticCapture&) = delete;
  DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

  // The lines joined, one per line, for readable comparisons.
  std::string text() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
  }

  std::vector<std::string> lines;

private:
  std::string cut_;
};

}  // namespace kelvo::test
