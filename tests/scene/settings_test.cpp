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

TEST_F(SceneSettingsTest, KeywordsSwitchBothFeatures) {
  qor::Scene s = load("sceneCastShadows\nsceneBlend\nend\n");
  EXPECT_TRUE(s.blend);
  EXPECT_TRUE(s.castShadows);

  s = load("sceneDontBlend\nsceneDontCastShadows\nend\n", true, true);
  EXPECT_FALSE(s.blend);
  EXPECT_FALSE(s.castShadows);
}

TEST_F(SceneSettingsTest, LaterLineOverridesEarlier) {
  qor::Scene s = load("sceneBlend\nsceneDontBlend\nend\n");
  EXPECT_FALSE(s.blend);
  s = load("sceneDontCastShadows\nsceneCastShadows\nend\n");
  EXPECT_TRUE(s.castShadows);
}

TEST_F(SceneSettingsTest, NothingAfterEndIsRead) {
  qor::Scene s = load("end\nsceneBlend\nsceneCastShadows\n");
  EXPECT_FALSE(s.blend);
  EXPECT_FALSE(s.castShadows);
  s = load("sceneBlend\nend\nsceneCastShadows\n");
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.castShadows);
}

TEST_F(SceneSettingsTest, OnlyTheExactFirstWordCounts) {
  qor::Scene s = load("sceneBlend sceneCastShadows trailing words\nend\n");
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.castShadows);

  s = load("sceneblend\nSCENECASTSHADOWS\nsceneBlendX\n  unknown sceneBlend\nend\n");
  EXPECT_FALSE(s.blend);
  EXPECT_FALSE(s.castShadows);

  // Leading white space and tabs do not hide the word.
  s = load("   \t sceneCastShadows\nend\n");
  EXPECT_TRUE(s.castShadows);
}

TEST_F(SceneSettingsTest, BlankLinesChangeNothing) {
  qor::Scene s = load("\n   \nsceneBlend\n\n\t\nend\n");
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.castShadows);
  s = load("sceneBlend\n\nsceneDontBlend\n\n\nend\n");
  EXPECT_FALSE(s.blend);
}

TEST_F(SceneSettingsTest, FileWithoutEndStopsAtEndOfFile) {
  qor::Scene s = load("sceneBlend\nsceneCastShadows");
  EXPECT_TRUE(s.blend);
  EXPECT_TRUE(s.castShadows);
  s = load("", true, true);
  EXPECT_TRUE(s.blend);
  EXPECT_TRUE(s.castShadows);
}

TEST_F(SceneSettingsTest, CrLfLinesReadLikeLf) {
  qor::Scene s = load("sceneBlend\r\nsceneCastShadows\r\nend\r\nsceneDontBlend\r\n");
  EXPECT_TRUE(s.blend);
  EXPECT_TRUE(s.castShadows);
}

TEST_F(SceneSettingsTest, MissingFileKeepsTheFlags) {
  qor::Scene s;
  s.blend = true;
  qor::loadSceneSettings(s, (path_.string() + ".does-not-exist"));
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.castShadows);
  EXPECT_EQ(s.scriptPath, "Data/Scenes/initial.txt");
}

TEST_F(SceneSettingsTest, OverlongLinesAreCutNotSplit) {
  // The words past the 99th character belong to the same line and are
  // never read as a line of their own.
  const std::string pad(150, ' ');
  qor::Scene s = load("sceneBlend" + pad + "sceneCastShadows\nend\n");
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.castShadows);

  s = load(pad + "sceneBlend\nsceneCastShadows\nend\n");
  EXPECT_FALSE(s.blend);
  EXPECT_TRUE(s.castShadows);

  // A single word of thousands of characters, then a real keyword.
  s = load(std::string(5000, 'x') + "\nsceneBlend\n" + std::string(300, 'e') + "end\nsceneCastShadows");
  EXPECT_TRUE(s.blend);
  EXPECT_TRUE(s.castShadows);

  // A NUL byte ends the line's text but not the line: the next line counts.
  const char withNul[] = "junk\0sceneBlend x\nsceneCastShadows\nend\n";
  s = load(std::string(withNul, sizeof withNul - 1));
  EXPECT_FALSE(s.blend);
  EXPECT_TRUE(s.castShadows);

  // An over-long last line without a newline.
  s = load("sceneBlend\n" + std::string(250, 'z'));
  EXPECT_TRUE(s.blend);
}

}  // namespace
