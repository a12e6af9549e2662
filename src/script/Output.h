#pragma once
// Where the script's "print" output goes: standard output unless a test or a
// tool installs its own sink.

#include <string_view>

namespace qor::script {

using OutputSink = void (*)(std::string_view text, void* context);

// Writes text through the current sink.
void writeOutput(std::string_view text);
// Installs a sink; nullptr restores standard output.
void setOutputSink(OutputSink sink, void* context = nullptr);

}  // namespace qor::script
