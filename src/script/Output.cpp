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

}  // namespace qor::script
