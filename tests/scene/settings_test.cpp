// The scene settings file: keywords, "end", first word only, text mode.

#include "scene/Scene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

class SceneSettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("kelvo_scene_settings_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // Writes `text` byte for byte and reads it into a fresh scene.
  qor::Scene load(const std::string& text, bool blend = false, bool shadows = false) {
    {
      std::ofstream out(path_, std::ios::binary);
      out << text;
    }
    qor::Scene s;
    s.blend = blend;
    s.castShadows = shadows;
    qor::loadSceneSettings(s, path_.string());
    return s;
  }

  std::filesystem::path path_;
};

TEST_F(SceneSettingsTest, KeywordLines) {
  const std::string pad(150, ' ');
  const char withNul[] = "junk\0sceneBlend x\nsceneCastShadows\nend\n";
  struct Case {
    std::string text;
    bool blendBefore, shadowsBefore, blend, shadows;
  };
  const Case cases[] = {
      {"sceneCastShadows\nsceneBlend\nend\n", false, false, true, true},
      {"sceneDontBlend\nsceneDontCastShadows\nend\n", true, true, false, false},
      // A later line overrides an earlier one.
      {"sceneBlend\nsceneDontBlend\nend\n", false, false, false, false},
      {"sceneDontCastShadows\nsceneCastShadows\nend\n", false, false, false, true},
      // Nothing after "end" is read.
      {"end\nsceneBlend\nsceneCastShadows\n", false, false, false, false},
      {"sceneBlend\nend\nsceneCastShadows\n", false, false, true, false},
      // Only the exact first word counts; leading blanks and tabs do not hide it.
      {"sceneBlend sceneCastShadows trailing words\nend\n", false, false, true, false},
      {"sceneblend\nSCENECASTSHADOWS\nsceneBlendX\n  unknown sceneBlend\nend\n", false, false, false, false},
      {"   \t sceneCastShadows\nend\n", false, false, false, true},
      // Blank lines change nothing.
      {"\n   \nsceneBlend\n\n\t\nend\n", false, false, true, false},
      // Without "end" the file is read to its end; an empty file keeps the flags.
      {"sceneBlend\nsceneCastShadows", false, false, true, true},
      {"", true, true, true, true},
      // CR LF reads like LF.
      {"sceneBlend\r\nsceneCastShadows\r\nend\r\nsceneDontBlend\r\n", false, false, true, true},
      // Words past the 99th character belong to the same line and are never
      // read as a line of their own.
      {"sceneBlend" + pad + "sceneCastShadows\nend\n", false, false, true, false},
      {pad + "sceneBlend\nsceneCastShadows\nend\n", false, false, false, true},
      {std::string(5000, 'x') + "\nsceneBlend\n" + std::string(300, 'e') + "end\nsceneCastShadows", false, false,
       true, true},
      // A NUL byte ends the line's text but not the line: the next line counts.
      {std::string(withNul, sizeof withNul - 1), false, false, false, true},
      // An over-long last line without a newline.
      {"sceneBlend\n" + std::string(250, 'z'), false, false, true, false},
  };
  for (const Case& c : cases) {
    qor::Scene s = load(c.text, c.blendBefore, c.shadowsBefore);
    EXPECT_EQ(s.blend, c.blend) << c.text.substr(0, 60);
    EXPECT_EQ(s.castShadows, c.shadows) << c.text.substr(0, 60);
  }
}

TEST_F(SceneSettingsTest, MissingFileKeepsTheFlags) {
  qor::Scene s;
  s.blend = true;
  qor::loadSceneSettings(s, (path_.string() + ".does-not-exist"));
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.castShadows);
  EXPECT_EQ(s.scriptPath, "Data/Scenes/initial.txt");
}

}  // namespace
