#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>

#include "platform/profile/AppProfile.h"
#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/RegistryStore.h"
#include "tests/platform/profile/SandboxEnv.h"

using namespace gbprofile;

namespace {
const char* const kSub = "Software\\Glimmerbox\\General";
}

TEST(KeyStore, CreatesItselfAndRoundTripsValuesExactly) {
  SandboxEnv env;
  std::string v = "unchanged";
  EXPECT_FALSE(RegQueryString(RegRoot::CurrentUser, kSub, "SavePath", v));
  EXPECT_EQ(v, "unchanged");
  EXPECT_FALSE(std::filesystem::exists(env.path("config/Glimmerbox")));

  ASSERT_TRUE(RegSetString(RegRoot::CurrentUser, kSub, "SavePath", "/home/u/Pictures/Glimmerbox"));
  EXPECT_EQ(gbpaths::KeyStoreFile(), env.path("config/Glimmerbox/registry.ini"));
  EXPECT_TRUE(std::filesystem::exists(gbpaths::KeyStoreFile()));
  ASSERT_TRUE(RegQueryString(RegRoot::CurrentUser, "software\\glimmerbox\\GENERAL\\", "savepath", v));
  EXPECT_EQ(v, "/home/u/Pictures/Glimmerbox");

  // Blanks, quotes, "=", ";" and backslashes come back as they went in.
  for (const std::string value : {"  lead and trail  ", "\"quoted\"", "a=b;c", "C:\\", "", "'"}) {
    ASSERT_TRUE(RegSetString(RegRoot::CurrentUser, kSub, "V", value)) << value;
    ASSERT_TRUE(RegQueryString(RegRoot::CurrentUser, kSub, "V", v));
    EXPECT_EQ(v, value);
  }
  // Other roots and keys are separate.
  EXPECT_FALSE(RegQueryString(RegRoot::LocalMachine, kSub, "SavePath", v));
  EXPECT_FALSE(RegQueryString(RegRoot::CurrentUser, "Software\\Glimmerbox", "SavePath", v));
  EXPECT_EQ(RegSectionName(RegRoot::ClassesRoot, "\\.quorra\\"), "HKEY_CLASSES_ROOT\\.quorra");
  // Line breaks would corrupt the store.
  EXPECT_FALSE(RegSetString(RegRoot::CurrentUser, kSub, "V", "a\nb"));
  EXPECT_TRUE(RegDeleteValue(RegRoot::CurrentUser, kSub, "V"));
  EXPECT_FALSE(RegQueryString(RegRoot::CurrentUser, kSub, "V", v));
}

TEST(KeyStore, ValuesAreLimitedTo260BytesWithTheTerminator) {
  SandboxEnv env;
  std::string v;
  ASSERT_TRUE(RegSetString(RegRoot::CurrentUser, kSub, "Max", std::string(259, 'm')));
  ASSERT_TRUE(RegQueryString(RegRoot::CurrentUser, kSub, "Max", v));
  EXPECT_EQ(v, std::string(259, 'm'));
  EXPECT_FALSE(RegSetString(RegRoot::CurrentUser, kSub, "Max", std::string(260, 'x')));
  ASSERT_TRUE(RegQueryString(RegRoot::CurrentUser, kSub, "Max", v));
  EXPECT_EQ(v, std::string(259, 'm'));
  // An over-long value put there by hand reads as missing, not cut short.
  ASSERT_TRUE(WritePrivateProfileString(RegSectionName(RegRoot::CurrentUser, kSub), "Long", std::string(400, 'l'),
                                        gbpaths::KeyStoreFile()));
  EXPECT_FALSE(RegQueryString(RegRoot::CurrentUser, kSub, "Long", v));
}

TEST(KeyStore, ReadOnlyStoreReadsButRefusesWrites) {
  SandboxEnv env;
  ASSERT_TRUE(RegSetString(RegRoot::CurrentUser, kSub, "Version", "1.0.5"));
  const std::string before = gbtest::ReadFile(gbpaths::KeyStoreFile());
  ASSERT_EQ(::chmod(gbpaths::KeyStoreFile().c_str(), 0444), 0);
  std::string v;
  EXPECT_TRUE(RegQueryString(RegRoot::CurrentUser, kSub, "Version", v));
  EXPECT_EQ(v, "1.0.5");
  EXPECT_FALSE(RegSetString(RegRoot::CurrentUser, kSub, "Version", "2"));
  EXPECT_EQ(gbtest::ReadFile(gbpaths::KeyStoreFile()), before);
}

TEST(AppProfile, ReadsUnsignedValuesAndDefaults) {
  SandboxEnv env;
  EXPECT_EQ(AppProfileGetString("TextTool", "lfFaceName", "Times New Roman"), "Times New Roman");
  EXPECT_EQ(AppProfileGetInt("TextTool", "lfCharSet", 238), 238u);
  std::filesystem::create_directories(gbpaths::ConfigDirectory());
  gbtest::WriteFile(gbpaths::AppProfileFile(),
                    "[texttool]\nlfFaceName = DejaVu Sans\nlfcharset=0\nfcolor=10551295\n"
                    "neg=-5\nhuge=99999999999\nword=abc\nplus=+12\n");
  EXPECT_EQ(gbpaths::AppProfileFile(), env.path("config/Glimmerbox/profile.ini"));
  EXPECT_EQ(AppProfileGetString("TextTool", "lfFaceName", "x"), "DejaVu Sans");
  EXPECT_EQ(AppProfileGetInt("TextTool", "lfCharSet", 238), 0u);
  EXPECT_EQ(AppProfileGetInt("TextTool", "fcolor", 0), 0xA0FFFFu);
  EXPECT_EQ(AppProfileGetInt("TextTool", "neg", 9), 0u);
  EXPECT_EQ(AppProfileGetInt("TextTool", "huge", 9), UINT_MAX);
  EXPECT_EQ(AppProfileGetInt("TextTool", "word", 9), 0u);
  EXPECT_EQ(AppProfileGetInt("TextTool", "plus", 9), 12u);
}

TEST(PlatformPaths, EveryLocationFollowsTheEnvironment) {
  SandboxEnv env;
  EXPECT_EQ(gbpaths::HomeDirectory(), env.path("home") + "/");
  EXPECT_EQ(gbpaths::ConfigDirectory(), env.path("config") + "/Glimmerbox/");
  EXPECT_EQ(gbpaths::DataDirectory(), env.path("data") + "/Glimmerbox/");
  EXPECT_EQ(gbpaths::TempDirectory(), env.path("tmp") + "/");
  EXPECT_EQ(gbpaths::ApplicationDirectory(), env.path("app") + "/");
  EXPECT_EQ(gbpaths::DefaultSaveFolder(), env.path("home") + "/Pictures/Glimmerbox");

  // Trailing slashes are not doubled.
  env.Set("TMPDIR", env.path("tmp") + "/");
  EXPECT_EQ(gbpaths::TempDirectory(), env.path("tmp") + "/");
  env.Set("GLIMMERBOX_HOME", env.path("app") + "/");
  EXPECT_EQ(gbpaths::ApplicationDirectory(), env.path("app") + "/");

  // Relative or empty XDG values are ignored, as the XDG rules ask.
  env.Set("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(gbpaths::ConfigDirectory(), env.path("home") + "/.config/Glimmerbox/");
  env.Set("XDG_DATA_HOME", "");
  EXPECT_EQ(gbpaths::DataDirectory(), env.path("home") + "/.local/share/Glimmerbox/");
  env.Unset("TMPDIR");
  EXPECT_EQ(gbpaths::TempDirectory(), "/tmp/");

  // Without GLIMMERBOX_HOME the (writable) folder of the executable is used.
  env.Unset("GLIMMERBOX_HOME");
  const std::string exe = gbpaths::ExecutablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(gbpaths::ApplicationDirectory(), exe.substr(0, exe.rfind('/') + 1));
}
