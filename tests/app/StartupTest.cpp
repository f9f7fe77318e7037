#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/AppSettings.h"
#include "app/FacecraftApp.h"
#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/RegistryStore.h"
#include "tests/platform/profile/SandboxEnv.h"

namespace fs = std::filesystem;
using gbprofile::RegRoot;
using namespace std::string_literals;

namespace {

class Startup : public ::testing::Test {
 protected:
  std::string AppDir() const { return env.path("app") + "/"; }
  std::string Ini() const { return AppDir() + "Glimmerbox.ini"; }
  std::string Home() const { return env.path("home") + "/"; }
  std::string Reg(const std::string& name) const {
    std::string v = "<missing>";
    gbprofile::RegQueryString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, name, v);
    return v;
  }
  void SetReg(const std::string& name, const std::string& value) {
    ASSERT_TRUE(gbprofile::RegSetString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, name, value));
  }
  void WriteIni(const std::string& bytes) {
    fs::create_directories(AppDir());
    gbtest::WriteFile(Ini(), bytes);
  }
  std::string IniValue(const std::string& key) const {
    return gbprofile::GetPrivateProfileString("Configure", key, "<missing>", Ini());
  }

  SandboxEnv env;
  SettingsStore store;
};

}  // namespace

TEST_F(Startup, FirstRunFillsBothStoresWithTheDefaults) {
  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  EXPECT_TRUE(app.firstRun);
  EXPECT_EQ(store.appDirectory, AppDir());
  EXPECT_EQ(store.tempDirectory, env.path("tmp") + "/");
  EXPECT_EQ(store.settingsFile, Ini());

  const std::string img = AppDir() + "Image/";
  EXPECT_EQ(store.PathFrame, img + "Frame");
  EXPECT_EQ(store.PathPortrait, img + "Portrait");
  EXPECT_EQ(store.PathBackGround, img + "Background");
  EXPECT_EQ(store.PathMask, img + "Mask");
  EXPECT_EQ(store.PathEmotion, img + "Emotion");
  EXPECT_EQ(store.PathBaseMap, img + "BaseMap");
  EXPECT_EQ(store.PathCurrent, "");
  EXPECT_EQ(store.PathSave, Home() + "Pictures/Glimmerbox");
  EXPECT_TRUE(fs::is_directory(store.PathSave));
  EXPECT_EQ(store.ShottingDelay, 3);
  EXPECT_EQ(store.PrintWidth, 364);
  EXPECT_EQ(store.PrintHeight, 274);
  EXPECT_EQ(store.AutoChangeFrame, 1);
  EXPECT_EQ(store.Alpha, 255);

  // The new settings file holds the Default command's values, in save order.
  EXPECT_EQ(gbtest::ReadFile(Ini()),
            "[Configure]\nShottingDelay=3\nPathCurrent=\nPathFrame=" + img + "Frame\nPathPortrait=" + img +
                "Portrait\nPathBackGround=" + img + "Background\nPathMask=" + img + "Mask\nPathEmotion=" + img +
                "Emotion\nPathBaseMap=" + img + "BaseMap\nPathSave=" + Home() +
                "Pictures/Glimmerbox\nPrintWidth=364\nPrintHeight=274\nAutoChangeFrame=1\nAlpha=255\n");

  // The key store got every default it lacked.
  EXPECT_EQ(app.version, "1.0.5");
  EXPECT_EQ(Reg("Version"), "1.0.5");
  EXPECT_EQ(Reg("SavePath"), Home() + "Pictures/Glimmerbox");
  EXPECT_EQ(Reg("FramePath"), img + "Frame");
  EXPECT_EQ(Reg("PortraitPath"), img + "Portrait");
  EXPECT_EQ(Reg("MaskPath"), img + "Mask");
  EXPECT_EQ(Reg("EmotionPath"), img + "Emotion");
  EXPECT_EQ(Reg("BackGroundPath"), img + "Background");
  EXPECT_EQ(Reg("BaseMapPath"), img + "BaseMap");

  EXPECT_EQ(app.clipboardFormat, "CF_GBIMAGE");
  EXPECT_DOUBLE_EQ(app.processing.gamma, 1.23);
  EXPECT_EQ(app.processing.thresholdLevel, 128);
  EXPECT_EQ(CFacecraftApp::Current(), &app);
}

TEST_F(Startup, ConfigureEmptyFoldersAreReplacedAndWrittenBackMissingAlphaIsZero) {
  SetReg("Version", "0.9");
  SetReg("SavePath", env.path("save"));
  SetReg("FramePath", "/reg/frame");
  SetReg("PortraitPath", "/reg/portrait");
  SetReg("BackGroundPath", "/reg/background");
  SetReg("MaskPath", "/reg/mask");
  SetReg("EmotionPath", "/reg/emotion");
  SetReg("BaseMapPath", "/reg/basemap");
  WriteIni(
      "; keep me\r\n"
      "[Configure]\r\n"
      "ShottingDelay=5\r\n"
      "PathCurrent=\r\n"
      "PathFrame=\r\n"
      "PathPortrait=/file/portrait\r\n"
      "pathmask =   \r\n"
      "PrintWidth=100\r\n"
      "PrintHeight=90x\r\n"
      "AutoChangeFrame=0\r\n"
      "\r\n"
      "[RecentlyFrame]\r\n"
      "0=/reg/frame/a.bmp\r\n");

  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  EXPECT_FALSE(app.firstRun);
  EXPECT_EQ(app.version, "0.9");
  EXPECT_EQ(store.PathFrame, "/reg/frame");
  EXPECT_EQ(store.PathPortrait, "/file/portrait");
  EXPECT_EQ(store.PathMask, "/reg/mask");
  EXPECT_EQ(store.PathBackGround, "/reg/background");
  EXPECT_EQ(store.PathSave, env.path("save"));
  EXPECT_TRUE(fs::is_directory(env.path("save")));
  EXPECT_EQ(store.PathCurrent, "");
  EXPECT_EQ(store.ShottingDelay, 5);
  EXPECT_EQ(store.PrintWidth, 100);
  EXPECT_EQ(store.PrintHeight, 90);
  EXPECT_EQ(store.AutoChangeFrame, 0);
  EXPECT_EQ(store.Alpha, 0);

  // Empty and missing folder keys were written back; nothing else moved.
  EXPECT_EQ(gbtest::ReadFile(Ini()),
            "; keep me\r\n"
            "[Configure]\r\n"
            "ShottingDelay=5\r\n"
            "PathCurrent=\r\n"
            "PathFrame=/reg/frame\r\n"
            "PathPortrait=/file/portrait\r\n"
            "pathmask=/reg/mask\r\n"
            "PrintWidth=100\r\n"
            "PrintHeight=90x\r\n"
            "AutoChangeFrame=0\r\n"
            "PathBackGround=/reg/background\r\n"
            "PathEmotion=/reg/emotion\r\n"
            "PathBaseMap=/reg/basemap\r\n"
            "PathSave=" +
                env.path("save") +
                "\r\n"
                "\r\n"
                "[RecentlyFrame]\r\n"
                "0=/reg/frame/a.bmp\r\n");
  // The key store keeps its own values until the shutdown.
  EXPECT_EQ(Reg("PortraitPath"), "/reg/portrait");
}

TEST_F(Startup, ValuesInTheFileWinOverTheKeyStore) {
  SetReg("FramePath", "/reg/frame");
  SetReg("SavePath", env.path("regsave"));
  WriteIni("[Configure]\nPathFrame=/file/frame/\nPathSave=" + env.path("filesave") + "\nAlpha=128\n");
  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(store.PathFrame, "/file/frame/");
  EXPECT_EQ(store.PathSave, env.path("filesave"));
  EXPECT_EQ(store.Alpha, 128);
  EXPECT_EQ(store.ShottingDelay, 0);  // absent numbers are 0 in an existing file
  // Both save folders exist: the key store's at once, the file's after loading.
  EXPECT_TRUE(fs::is_directory(env.path("regsave")));
  EXPECT_TRUE(fs::is_directory(env.path("filesave")));
}

TEST_F(Startup, EmptyOrOverlongKeyStoreValuesFallBackToDefaults) {
  SetReg("FramePath", "");
  SetReg("SavePath", "");
  ASSERT_TRUE(gbprofile::WritePrivateProfileString(gbprofile::RegSectionName(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY),
                                                   "PortraitPath", std::string(300, 'p'), gbpaths::KeyStoreFile()));
  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(store.PathFrame, AppDir() + "Image/Frame");
  EXPECT_EQ(store.PathPortrait, AppDir() + "Image/Portrait");
  EXPECT_EQ(store.PathSave, Home() + "Pictures/Glimmerbox");
  EXPECT_EQ(Reg("FramePath"), AppDir() + "Image/Frame");
  EXPECT_EQ(Reg("PortraitPath"), AppDir() + "Image/Portrait");
}

TEST_F(Startup, ShutdownWritesTheFoldersAndSaveFolderToTheKeyStoreOnly) {
  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  const std::string iniBefore = gbtest::ReadFile(Ini());
  store.PathSave = "/new/save";
  store.PathFrame = "/picked/frame/";
  store.PathBaseMap = "/picked/basemap/";
  store.Alpha = 17;
  EXPECT_EQ(app.ExitInstance(), 0);
  EXPECT_EQ(app.sysHelper(), nullptr);
  EXPECT_EQ(Reg("SavePath"), "/new/save");
  EXPECT_EQ(Reg("FramePath"), "/picked/frame/");
  EXPECT_EQ(Reg("BaseMapPath"), "/picked/basemap/");
  EXPECT_EQ(Reg("PortraitPath"), AppDir() + "Image/Portrait");
  EXPECT_EQ(gbtest::ReadFile(Ini()), iniBefore);  // the settings file is not written at exit

  // A later start with a new application directory takes the folders from the key store.
  env.Set("GLIMMERBOX_HOME", env.path("app2"));
  SettingsStore second;
  CFacecraftApp again(second);
  ASSERT_TRUE(again.StartUp());
  EXPECT_TRUE(again.firstRun);
  EXPECT_EQ(second.PathFrame, "/picked/frame/");
  EXPECT_EQ(second.PathSave, "/new/save");
  EXPECT_EQ(second.Alpha, 255);
  EXPECT_EQ(gbprofile::GetPrivateProfileString("Configure", "PathFrame", "", env.path("app2/Glimmerbox.ini")),
            "/picked/frame/");
}

TEST_F(Startup, BadSettingsFilesStillStart) {
  struct Case {
    const char* name;
    std::string bytes;
    int alpha;
    int delay;
  };
  const std::string longLine(200000, 'L');
  const Case cases[] = {
      {"empty", "", 255, 3},
      {"binary", "\x00\xFF\xFE[Configure\x00\n\x01\x02=\x03\n"s, 0, 0},
      {"no equals", "[Configure]\nAlpha 200\nShottingDelay\n", 0, 0},
      {"duplicates", "[Configure]\nAlpha=10\nALPHA=20\n[configure]\nAlpha=30\nShottingDelay=4\n", 10, 4},
      {"long line", "[Configure]\n" + longLine + "\nPathFrame=" + longLine + "\nAlpha=99\n", 99, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni(c.bytes);
    SettingsStore s;
    CFacecraftApp app(s);
    ASSERT_TRUE(app.StartUp());
    EXPECT_EQ(s.Alpha, c.alpha);
    EXPECT_EQ(s.ShottingDelay, c.delay);
    EXPECT_FALSE(s.PathFrame.empty());
    EXPECT_LE(s.PathFrame.size(), 259u);
    // Whatever the file held, the folders can be read back from it now.
    EXPECT_EQ(IniValue("PathPortrait"), s.PathPortrait);
  }
  // A long value is cut to 259 characters, like every profile read.
  EXPECT_EQ(store.PathFrame, "");
  SettingsStore s;
  CFacecraftApp app(s);
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(s.PathFrame, std::string(259, 'L'));
}

TEST_F(Startup, UnusableOrReadOnlySettingsFilesAreOnlyRead) {
  // A folder in the file's place: nothing is read, nothing replaces it.
  fs::create_directories(Ini());
  {
    CFacecraftApp app(store);
    ASSERT_TRUE(app.StartUp());
    EXPECT_EQ(store.PathFrame, AppDir() + "Image/Frame");
    EXPECT_EQ(store.Alpha, 0);
    EXPECT_TRUE(fs::is_directory(Ini()));
  }
  fs::remove(Ini());

  const std::string bytes = "[Configure]\nPathFrame=\nAlpha=200\nShottingDelay=7\n";
  WriteIni(bytes);
  ASSERT_EQ(::chmod(Ini().c_str(), 0444), 0);
  SettingsStore s;
  CFacecraftApp app(s);
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(s.Alpha, 200);
  EXPECT_EQ(s.ShottingDelay, 7);
  EXPECT_EQ(s.PathFrame, AppDir() + "Image/Frame");
  EXPECT_EQ(gbtest::ReadFile(Ini()), bytes);

  // A missing file that cannot be created: the first-run numbers hold for this run.
  env.Set("GLIMMERBOX_HOME", env.path("ro-app"));
  fs::create_directories(env.path("ro-app"));
  gbtest::WriteFile(env.path("ro-app/Glimmerbox.ini"), "");
  ASSERT_EQ(::chmod(env.path("ro-app/Glimmerbox.ini").c_str(), 0444), 0);
  SettingsStore t;
  CFacecraftApp third(t);
  ASSERT_TRUE(third.StartUp());
  EXPECT_TRUE(third.firstRun);
  EXPECT_EQ(t.Alpha, 255);
  EXPECT_EQ(t.PrintHeight, 274);
  EXPECT_EQ(gbtest::ReadFile(env.path("ro-app/Glimmerbox.ini")), "");
}

TEST_F(Startup, TextToolAndImageOptionsComeFromTheApplicationProfile) {
  {
    CFacecraftApp app(store);
    ASSERT_TRUE(app.StartUp());
    const TextSettings& t = app.textTool;
    EXPECT_STREQ(t.text, "Glimmerbox");
    EXPECT_STREQ(t.font.lfFaceName, "Times New Roman");
    EXPECT_EQ(t.font.lfHeight, -36);
    EXPECT_EQ(t.font.lfWeight, 0);
    EXPECT_EQ(t.font.lfCharSet, 238);
    EXPECT_EQ(t.font.lfQuality, 2);
    EXPECT_EQ(t.font.lfItalic, 0);
    EXPECT_EQ(t.textColor, 0xA0FFFFu);
    EXPECT_EQ(t.boxColor, 0xA05000u);
    EXPECT_EQ(t.opaque, 1);
    EXPECT_EQ(t.boxOpacity, 0.0f);
    EXPECT_EQ(t.roundRadius, 25);
    EXPECT_EQ(t.smooth, 1);
    EXPECT_EQ(t.alignment, 1);
    EXPECT_FLOAT_EQ(app.jpegQuality, 90.0f);
    EXPECT_EQ(app.jpegOptions, 0u);
    EXPECT_EQ(app.rawOptions, 0u);
    EXPECT_EQ(app.docType, 0);
  }
  fs::create_directories(gbpaths::ConfigDirectory());
  gbtest::WriteFile(gbpaths::AppProfileFile(),
                    "[TextTool]\nlfFaceName=An Extremely Long Font Family Name Here\nlfCharSet=0\nlfWeight=700\n"
                    "lfItalic=1\nlfUnderline=1\nfcolor=255\nbcolor=65280\nopaque=0\nopacity=40\n"
                    "roundradius=10\nantialias=0\n[Options]\nJpegQualityI=75\nJpegQualityF=500\nJpegOptions=3\n"
                    "RawOptions=4\n[General]\nDocType=2\n");
  {
    SettingsStore s;
    CFacecraftApp app(s);
    ASSERT_TRUE(app.StartUp());
    const TextSettings& t = app.textTool;
    EXPECT_STREQ(t.font.lfFaceName, "An Extremely Long Font Family N");  // 31 characters and the NUL
    EXPECT_EQ(t.font.lfCharSet, 0);
    EXPECT_EQ(t.font.lfWeight, 700);
    EXPECT_EQ(t.font.lfItalic, 1);
    EXPECT_EQ(t.font.lfUnderline, 1);
    EXPECT_EQ(t.textColor, 255u);
    EXPECT_EQ(t.boxColor, 65280u);
    EXPECT_EQ(t.opaque, 0);
    EXPECT_FLOAT_EQ(t.boxOpacity, 0.4f);
    EXPECT_EQ(t.roundRadius, 10);
    EXPECT_EQ(t.smooth, 0);
    EXPECT_FLOAT_EQ(app.jpegQuality, 75.5f);
    EXPECT_EQ(app.jpegOptions, 3u);
    EXPECT_EQ(app.rawOptions, 4u);
    EXPECT_EQ(app.docType, 2);
  }
  // Values beyond the record's ranges are held within them.
  gbtest::WriteFile(gbpaths::AppProfileFile(), "[TextTool]\nopacity=250\nroundradius=200\n");
  SettingsStore s;
  CFacecraftApp app(s);
  ASSERT_TRUE(app.StartUp());
  EXPECT_FLOAT_EQ(app.textTool.boxOpacity, 1.0f);
  EXPECT_EQ(app.textTool.roundRadius, 50);
  EXPECT_EQ(gbtest::ReadFile(gbpaths::AppProfileFile()), "[TextTool]\nopacity=250\nroundradius=200\n");
}

TEST_F(Startup, CommandLineNamesTheProjectAndCallsTheUnpacker) {
  int calls = 0;
  std::string seen;
  auto unpacker = [&](CFacecraftApp& a) {
    ++calls;
    seen = a.projectPath;
    EXPECT_TRUE(a.unpackedFiles.empty());
  };
  {
    CFacecraftApp app(store);
    app.projectUnpacker = unpacker;
    app.unpackedFiles = {"stale"};
    app.SetCommandLine({"-platform", "--flag", "sheet.quorra", "second.quorra"});
    ASSERT_TRUE(app.StartUp());
    EXPECT_EQ(app.projectPath, (fs::current_path() / "sheet.quorra").string());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, app.projectPath);
  }
  {
    CFacecraftApp app(store);
    app.projectUnpacker = unpacker;
    app.SetCommandLine({"--", "-dash.quorra"});
    ASSERT_TRUE(app.StartUp());
    EXPECT_EQ(app.projectPath, (fs::current_path() / "-dash.quorra").string());
    EXPECT_EQ(calls, 2);
  }
  CFacecraftApp app(store);
  app.projectUnpacker = unpacker;
  app.unpackedFiles = {"stale"};
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(app.projectPath, "");
  EXPECT_TRUE(app.unpackedFiles.empty());
  EXPECT_EQ(calls, 2);
}

TEST_F(Startup, InitInstanceRunsTheMainWindowAfterLoadingAndReturnsFalse) {
  CFacecraftApp app(store);
  int runs = 0;
  app.mainWindowRunner = [&](CFacecraftApp& a) {
    ++runs;
    EXPECT_EQ(a.settings().Alpha, 255);
    EXPECT_NE(a.sysHelper(), nullptr);
  };
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(runs, 1);
}

TEST_F(Startup, MainWindowReloadAndDefaultCommand) {
  CSysHelper helper;
  store.appDirectory = AppDir();
  store.settingsFile = Ini();
  WriteIni("[Configure]\nPathCurrent=\nPathFrame=\nPathSave=/s\nPrintWidth=10\n");
  ReloadSettings(store, helper);
  EXPECT_EQ(store.PathCurrent, Home());  // stands for "C:\"
  EXPECT_EQ(store.PathFrame, "");        // taken as it is, not written back
  EXPECT_EQ(store.PathSave, "/s");
  EXPECT_EQ(store.PrintWidth, 10);
  EXPECT_EQ(store.Alpha, 0);
  EXPECT_EQ(IniValue("PathFrame"), "");

  store.PathCurrent = "/cur/";
  ApplyDefaultSettings(store);
  EXPECT_EQ(store.PrintHeight, 274);
  EXPECT_EQ(store.PathBackGround, AppDir() + "Image/Background");
  EXPECT_EQ(store.PathCurrent, "/cur/");
  EXPECT_EQ(store.PathSave, "/s");
  ASSERT_TRUE(SaveSettings(store, helper));
  EXPECT_EQ(IniValue("PrintHeight"), "274");
  EXPECT_EQ(IniValue("PathFrame"), AppDir() + "Image/Frame");
  EXPECT_EQ(IniValue("PathCurrent"), "/cur/");
}
