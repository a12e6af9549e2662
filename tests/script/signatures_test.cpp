// The signature table against the registry it describes: every built-in the
// viewer registers has its argument lists there and every built-in listed is
// registered, so a warning never calls a real built-in unknown; and the
// forms read as the warnings print them.

#include "app/TrackingDevice.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Signatures.h"
#include "script/Symbol.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace qor;

TEST(SignatureTable, MatchesTheRegistryBothWays) {
  script::resetInterpreter();
  installTrackingDevice();
  script::registerBuiltins();

  for (const std::string_view name : script::namesOf("")) {
    EXPECT_NE(script::findBuiltin(intern(name)), nullptr) << "listed but not registered: " << name;
  }
  for (Symbol s = 0; !symbolName(s).empty(); ++s) {
    if (script::findBuiltin(s)) {
      EXPECT_FALSE(script::signaturesOf("", symbolName(s)).empty()) << symbolName(s);
    }
  }
  script::resetInterpreter();
}

TEST(SignatureTable, FormsReadAsTheWarningsPrintThem) {
  const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
      {{"", "rotate"}, "takes 4 arguments (angle, x, y, z)"},
      {{"", "exit"}, "takes no arguments"},
      {{"", "sqrt"}, "takes 1 argument (number)"},
      {{"", "Group"}, "takes any number of arguments"},
      {{"rotate node", "setAngle"}, "takes 1 argument (angle)"},
      {{"Camera", "moveForward"}, "takes 1 argument (distance)"},
      {{"Material", "getAlpha"}, "takes no arguments"},
      {{"Group", "setAngle"}, ""},
  };
  for (const auto& [key, text] : cases) EXPECT_EQ(script::describeForms(key.first, key.second), text) << key.second;

  EXPECT_TRUE(script::anyOwnerAccepts("setX", 1));
  EXPECT_FALSE(script::anyOwnerAccepts("setX", 2));
  EXPECT_TRUE(script::anyOwnerAccepts("print", 7));
  EXPECT_FALSE(script::anyOwnerAccepts("setAngel", 1));
}

}  // namespace
