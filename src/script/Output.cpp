#include "script/Output.h"

#include <cstdio>

namespace qor::script {

namespace {
OutputSink currentSink = nullptr;
void* currentContext = nullptr;
}  // namespace

void writeOutput(std::string_view text) {
  if (currentSink) {
    currentSink(text, currentContext);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void setOutputSink(OutputSink sink, void* context) {
  currentSink = sink;
  currentContext = context;
}

CapturedOutput::CapturedOutput() : savedSink_(currentSink), savedContext_(currentContext) {
  setOutputSink(&collect, this);
}

CapturedOutput::~CapturedOutput() { setOutputSink(savedSink_, savedContext_); }

void CapturedOutput::collect(std::string_view text, void* context) {
  static_cast<CapturedOutput*>(context)->text_.append(text);
}

}  // namespace qor::script
