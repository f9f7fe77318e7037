#include "app/SysHelper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "platform/profile/PlatformPaths.h"
#include "tests/platform/profile/SandboxEnv.h"

namespace fs = std::filesystem;

TEST(SysHelperPaths, SplitPathAndExtension) {
  const std::string p = "/home/u/Image/Frame/Heart.Frame.BMP";
  EXPECT_EQ(CSysHelper::SplitPath(p, CSysHelper::Drive), "");
  EXPECT_EQ(CSysHelper::SplitPath(p, CSysHelper::Directory), "/home/u/Image/Frame/");
  EXPECT_EQ(CSysHelper::SplitPath(p, CSysHelper::FileName), "Heart.Frame");
  EXPECT_EQ(CSysHelper::SplitPath(p, CSysHelper::Extension), ".BMP");
  EXPECT_EQ(CSysHelper::SplitPath(p, CSysHelper::DriveDirectory), "/home/u/Image/Frame/");
  EXPECT_EQ(CSysHelper::SplitPath(p, CSysHelper::NameExtension), "Heart.Frame.BMP");
  EXPECT_EQ(CSysHelper::SplitPath(p, 6), "");
  EXPECT_EQ(CSysHelper::SplitPath("plain", CSysHelper::FileName), "plain");
  EXPECT_EQ(CSysHelper::SplitPath("plain", CSysHelper::Directory), "");
  EXPECT_EQ(CSysHelper::SplitPath("/a.b/c", CSysHelper::Extension), "");

  EXPECT_EQ(CSysHelper::ExtensionOf("/x/a.JPG"), "JPG");
  EXPECT_EQ(CSysHelper::ExtensionOf("/x/a.tar.gz"), "gz");
  EXPECT_EQ(CSysHelper::ExtensionOf("/x/noext"), "/x/noext");
  EXPECT_EQ(CSysHelper::ExtensionOf("/x/a."), "");
}

TEST(SysHelperFolders, EnsureFolderAndFileExists) {
  gbtest::TempDir dir;
  const std::string deep = dir.file("a/b/c");
  EXPECT_FALSE(CSysHelper::FileExists(deep));
  EXPECT_TRUE(CSysHelper::EnsureFolder(deep));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(CSysHelper::EnsureFolder(deep + "/"));  // already there
  EXPECT_TRUE(CSysHelper::FileExists(deep));
  // A file in the way: the folder cannot be made, and that is reported.
  gbtest::WriteFile(dir.file("file"), "x");
  EXPECT_FALSE(CSysHelper::EnsureFolder(dir.file("file/sub")));
  EXPECT_FALSE(CSysHelper::EnsureFolder(""));
  EXPECT_FALSE(CSysHelper::FileExists(""));
}

TEST(SysHelperFolders, ScanListsFilesInLowerCaseAndOpensThemByStoredName) {
  gbtest::TempDir dir;
  const std::string folder = dir.file("Frame");
  fs::create_directories(folder + "/Sub.BMP");
  gbtest::WriteFile(folder + "/A.BMP", "a");
  gbtest::WriteFile(folder + "/b.jpg", "b");
  gbtest::WriteFile(folder + "/ReadMe.TXT", "t");
  fs::create_symlink(folder + "/gone.png", folder + "/Dangling.png");

  std::vector<FolderEntry> list{{"stale", "stale"}};
  CSysHelper::ScanFolder(folder, list);
  std::vector<std::string> listed, opened;
  for (const auto& e : list) {
    listed.push_back(e.listed);
    // Every listed file opens by its stored name.
    opened.push_back(gbtest::ReadFile(e.path));
  }
  std::sort(listed.begin(), listed.end());
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(listed, (std::vector<std::string>{folder + "/a.bmp", folder + "/b.jpg", folder + "/readme.txt"}));
  EXPECT_EQ(opened, (std::vector<std::string>{"a", "b", "t"}));
  for (const auto& e : list) {
    std::string name = e.path.substr(folder.size() + 1);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(e.listed, folder + "/" + name);
  }

  // A folder chosen with the picker ends in "/": the joined path doubles it.
  CSysHelper::ScanFolder(folder + "/", list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].listed.substr(0, folder.size() + 2), folder + "//");

  CSysHelper::ScanFolder(dir.file("missing"), list);
  EXPECT_TRUE(list.empty());
  CSysHelper::ScanFolder(folder + "/A.BMP", list);  // a file, not a folder
  EXPECT_TRUE(list.empty());
  CSysHelper::ScanFolder("", list);
  EXPECT_TRUE(list.empty());
}

TEST(SysHelperPicker, AnswersThroughTheInstalledPicker) {
  CSysHelper helper;
  EXPECT_EQ(helper.BrowseForFolder("Select frame folder", "/start"), "");
  std::string seenTitle, seenStart;
  helper.SetFolderPicker([&](const std::string& title, const std::string& start) {
    seenTitle = title;
    seenStart = start;
    return std::string("/chosen/folder");
  });
  EXPECT_EQ(helper.BrowseForFolder("Select frame folder", "/start"), "/chosen/folder/");
  EXPECT_EQ(seenTitle, "Select frame folder");
  EXPECT_EQ(seenStart, "/start");
  helper.SetFolderPicker([](const std::string&, const std::string&) { return std::string(); });
  EXPECT_EQ(helper.BrowseForFolder("t", "/s"), "");
}

TEST(SysHelperProfile, ReadsWritesAndFallsBackToTheSystemProfile) {
  SandboxEnv env;
  CSysHelper helper;
  const std::string f = env.path("a.ini");
  EXPECT_EQ(helper.ReadProfileString(f, "Configure", "PathFrame"), "");
  EXPECT_EQ(helper.ReadProfileInt(f, "Configure", "Alpha"), 0);
  EXPECT_TRUE(helper.WriteProfileInt(f, "Configure", "Alpha", -12));
  EXPECT_TRUE(helper.WriteProfileString(f, "Configure", "PathFrame", std::string(300, 'p')));
  EXPECT_EQ(helper.ReadProfileInt(f, "configure", "alpha"), -12);
  EXPECT_EQ(helper.ReadProfileString(f, "Configure", "PathFrame"), std::string(259, 'p'));
  EXPECT_EQ(gbtest::ReadFile(f), "[Configure]\nAlpha=-12\nPathFrame=" + std::string(300, 'p') + "\n");

  // No file named: the system-wide profile under the configuration folder.
  EXPECT_TRUE(helper.WriteProfileString("", "Windows", "k", "v"));
  EXPECT_EQ(helper.ReadProfileString("", "windows", "K"), "v");
  EXPECT_TRUE(fs::exists(gbpaths::SystemProfileFile()));

  std::string v;
  EXPECT_FALSE(helper.ReadRegString(gbprofile::RegRoot::CurrentUser, "Software\\Glimmerbox\\General", "x", v));
  EXPECT_TRUE(helper.WriteRegString(gbprofile::RegRoot::CurrentUser, "Software\\Glimmerbox\\General", "x", "y"));
  EXPECT_TRUE(helper.ReadRegString(gbprofile::RegRoot::CurrentUser, "Software\\Glimmerbox\\General", "X", v));
  EXPECT_EQ(v, "y");

  std::string name, ext;
  EXPECT_EQ(helper.GetAppDirectory(&name, &ext), env.path("app") + "/");
  EXPECT_EQ(name, "test_app");
  EXPECT_EQ(ext, "");
  EXPECT_EQ(helper.GetTempDirectory(), env.path("tmp") + "/");

  EXPECT_STREQ(CSysHelper::SupportedTypesFilter(),
               "BMP|*.bmp|JPG|*.jpg|GIF|*.gif|ICO|*.ico|PCX|*.pcx|JP2|*.jp2|JPC|*.jpc|PNG|*.png|TIF|*.tif|"
               "TGA|*.tga|WMF|*.wmf|RAW|*.raw|WBMP|*.wbmp|RAS|*.ras|PNM|*.pnm|PGX|*.pgx|MNG|*.mng|SKA|*.ska|");
}
