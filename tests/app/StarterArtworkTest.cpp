#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/AppSettings.h"
#include "app/FacecraftApp.h"
#include "app/StarterArtwork.h"
#include "tests/platform/profile/SandboxEnv.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Files(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A starter folder with a frame, two portraits and a nested folder that is not copied.
std::string MakeStarter(const SandboxEnv& env) {
  const std::string s = env.path("starter");
  fs::create_directories(s + "/Frame");
  fs::create_directories(s + "/Portrait/nested");
  fs::create_directories(s + "/Emotion");
  gbtest::WriteFile(s + "/Frame/hearts.png", "frame");
  gbtest::WriteFile(s + "/Portrait/a.png", "a");
  gbtest::WriteFile(s + "/Portrait/b.jpg", "b");
  gbtest::WriteFile(s + "/Emotion/star.png", "star");
  return s + "/";
}

}  // namespace

TEST(StarterArtwork, FillsOnlyMissingDefaultFolders) {
  SandboxEnv env;
  const std::string starter = MakeStarter(env);
  SettingsStore store;
  store.appDirectory = env.path("app") + "/";
  ApplyDefaultSettings(store);
  store.PathBackGround = env.path("mine/backgrounds");       // chosen by the user, missing: not created
  fs::create_directories(store.PathPortrait);                // exists, empty: left alone
  EXPECT_EQ(FillMissingTemplateFolders(store, starter), 4);  // Frame, Mask, Emotion, BaseMap
  EXPECT_EQ(Files(store.PathFrame), (std::vector<std::string>{"hearts.png"}));
  EXPECT_EQ(gbtest::ReadFile(store.PathFrame + "/hearts.png"), "frame");
  EXPECT_TRUE(Files(store.PathPortrait).empty());
  EXPECT_EQ(Files(store.PathEmotion), (std::vector<std::string>{"star.png"}));
  EXPECT_TRUE(fs::is_directory(store.PathMask));  // no starter files: made, empty
  EXPECT_FALSE(fs::exists(store.PathBackGround));
  // Nothing is left beside the folders, and a second run does nothing.
  EXPECT_EQ(Files(env.path("app") + "/Image"),
            (std::vector<std::string>{"BaseMap", "Emotion", "Frame", "Mask", "Portrait"}));
  gbtest::WriteFile(store.PathFrame + "/mine.png", "x");
  fs::remove(store.PathFrame + "/hearts.png");
  EXPECT_EQ(FillMissingTemplateFolders(store, starter), 0);
  EXPECT_EQ(Files(store.PathFrame), (std::vector<std::string>{"mine.png"}));

  // A deleted default folder comes back with the nested folder left out.
  fs::remove_all(store.PathPortrait);
  EXPECT_EQ(FillMissingTemplateFolders(store, starter), 1);
  EXPECT_EQ(Files(store.PathPortrait), (std::vector<std::string>{"a.png", "b.jpg"}));
  EXPECT_EQ(FillMissingTemplateFolders(store, ""), 0);
}

TEST(StarterArtwork, StartUpFillsTheTemplateFoldersOfANewInstallation) {
  SandboxEnv env;
  env.Set("GLIMMERBOX_STARTER", MakeStarter(env));
  EXPECT_EQ(StarterArtworkDirectory(), env.path("starter") + "/");
  SettingsStore store;
  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(Files(store.PathFrame), (std::vector<std::string>{"hearts.png"}));
  EXPECT_EQ(Files(store.PathPortrait), (std::vector<std::string>{"a.png", "b.jpg"}));
  env.Set("GLIMMERBOX_STARTER", env.path("nowhere"));
  EXPECT_EQ(StarterArtworkDirectory(), "");
}

TEST(StarterArtwork, TheShippedStarterFoldersExist) {
  SandboxEnv env;
  env.Unset("GLIMMERBOX_STARTER");
  const std::string dir = StarterArtworkDirectory();
  ASSERT_FALSE(dir.empty());
  for (const auto& k : kTemplateFolderKeys) EXPECT_FALSE(Files(dir + k.defaultFolder).empty()) << k.defaultFolder;
}
