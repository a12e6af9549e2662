// Script scanning benchmark: parses script files of 1 to 16 MB and prints the
// time per file and per megabyte. Two shapes: one long string literal (a
// token far longer than any read buffer) and ordinary statements. Scanning
// time should grow in step with the file size in both.

#include "script/Interpreter.h"
#include "script/SceneDriver.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string literalScript(std::size_t bytes) { return "s = \"" + std::string(bytes, 'a') + "\";\n"; }

std::string statementScript(std::size_t bytes) {
  const std::string line = "x = 12 + 3.5 * (y - 7); name = \"word\"; // note\n";
  std::string text;
  text.reserve(bytes + line.size());
  while (text.size() < bytes) text += line;
  return text;
}

double parseMs(const std::string& path) {
  qor::SceneDriver driver;
  qor::script::addFile(path);
  const auto start = std::chrono::steady_clock::now();
  driver.parse(path);
  const auto stop = std::chrono::steady_clock::now();
  qor::script::resetInterpreter();
  return std::chrono::duration<double, std::milli>(stop - start).count();
}

}  // namespace

int main() {
  const std::string path = (std::filesystem::temp_directory_path() / "kelvo_scan_bench.ks").string();
  std::printf("%-10s %6s %10s %10s\n", "shape", "MB", "ms", "ms/MB");
  for (const char* shape : {"literal", "statements"}) {
    for (std::size_t mb : {1, 2, 4, 8, 16}) {
      const std::size_t bytes = mb << 20;
      {
        std::ofstream out(path, std::ios::binary);
        out << (shape[0] == 'l' ? literalScript(bytes) : statementScript(bytes));
      }
      double best = 1e30;
      for (int round = 0; round < 3; ++round) best = std::min(best, parseMs(path));
      std::printf("%-10s %6zu %10.1f %10.2f\n", shape, mb, best, best / static_cast<double>(mb));
    }
  }
  std::filesystem::remove(path);
  return 0;
}
