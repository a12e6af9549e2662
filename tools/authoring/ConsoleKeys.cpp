#include "authoring/ConsoleKeys.h"

#include "gui/GuiManager.h"
#include "platform/Window.h"

#include <cstring>

namespace kelvo::authoring {

using qor::gui::Console;

bool parseConsoleKeys(const char* name, Console::Layout& layout) {
  if (std::strcmp(name, "typed") == 0) layout = Console::Layout::Typed;
  else if (std::strcmp(name, "fixed") == 0) layout = Console::Layout::Fixed;
  else return false;
  return true;
}

void setUpConsole(Console::Layout layout) {
  Console& console = qor::gui::guiManager.console;
  console.layout = layout;
  console.opaqueBacking = true;
  qor::platform::setTextInput(layout == Console::Layout::Typed);
}

void addLoadMessageToConsole(const qor::script::Diagnostic& d) {
  qor::gui::guiManager.console.addOutput(qor::script::formatDiagnostic(d));
}

}  // namespace kelvo::authoring
