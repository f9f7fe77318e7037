#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/FacecraftApp.h"
#include "app/ProjectFile.h"
#include "platform/gdi/Gdi.h"
#include "tests/platform/profile/SandboxEnv.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }

// A 3 x 2 DIB section, top-down, of the given depth, pixel (x, y) of colour
// (10x + y, 100 + x, 200 - y) as (red, green, blue), extra bytes 0xAB.
HBITMAP MakeBitmap(int bpp) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = -2;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = WORD(bpp);
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits);
  const size_t stride = ((3 * size_t(bpp) + 31) / 32) * 4;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      uint8_t* p = static_cast<uint8_t*>(bits) + y * stride + x * (bpp / 8);
      p[0] = uint8_t(200 - y);
      p[1] = uint8_t(100 + x);
      p[2] = uint8_t(10 * x + y);
      if (bpp == 32) p[3] = 0xAB;
    }
  return b;
}

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int c : v) s += char(c);
  return s;
}

std::string Member(const std::string& data) {
  const uint32_t n = uint32_t(data.size());
  return Bytes({int(n & 255), int(n >> 8 & 255), int(n >> 16 & 255), int(n >> 24)}) + data;
}

}  // namespace

TEST(WriteBitmapFile, ThirtyTwoBitBottomUpWithTheFixedHeader) {
  gbtest::TempDir dir;
  for (int bpp : {24, 32}) {
    HBITMAP b = MakeBitmap(bpp);
    ASSERT_TRUE(b);
    const std::string path = dir.file("b" + std::to_string(bpp) + ".bmp");
    gbtest::WriteFile(path, std::string(5000, 'x'));  // an older, longer file
    ASSERT_EQ(WriteBitmapFile(b, path), 0);
    DeleteObject(b);
    const std::string f = gbtest::ReadFile(path);
    ASSERT_EQ(f.size(), 54u + 3 * 2 * 4);
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(U32(f, 2), 0u);  // file size field: 0
    EXPECT_EQ(U32(f, 6), 0u);
    EXPECT_EQ(U32(f, 10), 54u);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 3u);
    EXPECT_EQ(U32(f, 22), 2u);
    EXPECT_EQ(U16(f, 26), 1u);
    EXPECT_EQ(U16(f, 28), 32u);
    EXPECT_EQ(f.substr(30, 24), std::string(24, '\0'));
    for (int row = 0; row < 2; ++row)  // the bottom row first
      for (int x = 0; x < 3; ++x) {
        const int y = 1 - row;
        const size_t at = 54 + size_t(row) * 12 + size_t(x) * 4;
        EXPECT_EQ(f.substr(at, 4), Bytes({200 - y, 100 + x, 10 * x + y, 0})) << bpp << ": " << x << "," << y;
      }
  }
}

TEST(WriteBitmapFile, NoBitmapOrNoFileFailsAndLeavesNoOlderFile) {
  gbtest::TempDir dir;
  EXPECT_EQ(WriteBitmapFile(nullptr, dir.file("none.bmp")), 1);
  EXPECT_FALSE(fs::exists(dir.file("none.bmp")));
  HBITMAP b = MakeBitmap(24);
  EXPECT_EQ(WriteBitmapFile(b, dir.file("missing/folder/x.bmp")), 1);
  // A name taken by a folder can't be written; nothing else is left there.
  fs::create_directories(dir.file("taken.bmp/inner"));
  EXPECT_EQ(WriteBitmapFile(b, dir.file("taken.bmp")), 1);
  EXPECT_TRUE(fs::is_directory(dir.file("taken.bmp")));
  // A link planted under the name is replaced, not written through.
  gbtest::WriteFile(dir.file("target"), "keep");
  fs::create_symlink(dir.file("target"), dir.file("link.bmp"));
  EXPECT_EQ(WriteBitmapFile(b, dir.file("link.bmp")), 0);
  EXPECT_EQ(gbtest::ReadFile(dir.file("target")), "keep");
  EXPECT_FALSE(fs::is_symlink(dir.file("link.bmp")));
  DeleteObject(b);
}

TEST(ProjectContainer, PacksLengthPrefixedMembersAndUnpacksThemExactly) {
  gbtest::TempDir dir;
  gbtest::WriteFile(dir.file("a.ini"), "[Configure]\nX=1\n");
  gbtest::WriteFile(dir.file("b"), std::string("\0\1\2\3\4\5\6", 7));  // not a multiple of 4
  gbtest::WriteFile(dir.file("c"), std::string(70000, 'c'));           // more than one copy chunk
  const std::string p = dir.file("p.quorra");
  ASSERT_TRUE(PackProjectFiles({dir.file("a.ini"), dir.file("b"), dir.file("c")}, p));
  const std::string bytes = gbtest::ReadFile(p);
  EXPECT_EQ(bytes,
            Member("[Configure]\nX=1\n") + Member(std::string("\0\1\2\3\4\5\6", 7)) + Member(std::string(70000, 'c')));

  std::vector<std::string> list{"old entry"};
  const std::string stage = dir.file("stage") + "/";
  ASSERT_TRUE(UnpackProjectFiles(p, stage, list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], stage + "Glimmerbox.ini");
  EXPECT_EQ(list[1], stage + "0.bmp");
  EXPECT_EQ(list[2], stage + "1.bmp");
  EXPECT_EQ(gbtest::ReadFile(list[0]), "[Configure]\nX=1\n");
  EXPECT_EQ(gbtest::ReadFile(list[1]), std::string("\0\1\2\3\4\5\6", 7));
  EXPECT_EQ(fs::file_size(list[2]), 70000u);

  // A container that can't be opened keeps the list of the project before.
  EXPECT_FALSE(UnpackProjectFiles(dir.file("nothing.quorra"), stage, list));
  EXPECT_EQ(list.size(), 3u);
  EXPECT_FALSE(UnpackProjectFiles(dir.path().string(), stage, list));  // a folder
  EXPECT_EQ(list.size(), 3u);
}

TEST(ProjectContainer, EmptyOrMissingMemberFailsWithoutTouchingTheOldContainer) {
  gbtest::TempDir dir;
  gbtest::WriteFile(dir.file("a"), "first");
  gbtest::WriteFile(dir.file("empty"), "");
  const std::string p = dir.file("p.quorra");
  ASSERT_TRUE(PackProjectFiles({dir.file("a")}, p));
  const std::string good = gbtest::ReadFile(p);
  std::string error;
  EXPECT_FALSE(PackProjectFiles({dir.file("a"), dir.file("empty")}, p, &error));
  EXPECT_NE(error.find("empty"), std::string::npos);
  EXPECT_FALSE(PackProjectFiles({dir.file("a"), dir.file("gone")}, p, &error));
  EXPECT_FALSE(PackProjectFiles({dir.file("a")}, dir.file("no/such/folder/p.quorra"), &error));
  EXPECT_EQ(gbtest::ReadFile(p), good);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 3u);  // a, empty, p.quorra: no temporary file left
}

TEST(ProjectContainer, ShortOrLyingLengthsEndTheMemberList) {
  gbtest::TempDir dir;
  const std::string p = dir.file("x.quorra");
  struct Case {
    std::string bytes;
    size_t members;
    bool complete;
  } cases[] = {
      {"", 0, true},
      {Bytes({3, 0}), 0, false},
      {Member("abc") + Bytes({1, 0, 0}), 1, false},
      {Member("abc") + Bytes({9, 0, 0, 0}) + "12345678", 1, false},
      {Member("abc") + Bytes({255, 255, 255, 255}) + "12", 1, false},
      {Member("abc") + Member(""), 2, true},
      {Member("abc") + Member("defg"), 2, true},
  };
  for (const Case& c : cases) {
    gbtest::WriteFile(p, c.bytes);
    ProjectContents contents;
    ASSERT_TRUE(ScanProjectContainer(p, contents));
    EXPECT_EQ(contents.members.size(), c.members) << c.bytes.size();
    EXPECT_EQ(contents.complete, c.complete) << c.bytes.size();
    std::vector<std::string> list;
    ASSERT_TRUE(UnpackProjectFiles(p, dir.file("s"), list));
    EXPECT_EQ(list.size(), c.members);
  }
}

TEST(ProjectContainer, UnpackingStopsAfterTheMembersASheetCanUse) {
  gbtest::TempDir dir;
  std::string bytes;
  for (int k = 0; k < 5000; ++k) bytes += Member(k % 2 ? "" : "x");
  gbtest::WriteFile(dir.file("many.quorra"), bytes);
  ProjectContents contents;
  ASSERT_TRUE(ScanProjectContainer(dir.file("many.quorra"), contents));
  EXPECT_EQ(contents.members.size(), 5000u);
  std::vector<std::string> list;
  ASSERT_TRUE(UnpackProjectFiles(dir.file("many.quorra"), dir.file("s"), list));
  EXPECT_EQ(list.size(), GB_PROJECT_MAX_MEMBERS);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.file("s"))) ++files;
  EXPECT_EQ(files, GB_PROJECT_MAX_MEMBERS);
}

TEST(ProjectContainer, StagingNamesAndThePictureList) {
  EXPECT_EQ(ProjectStagingFolder("/tmp/"), "/tmp/Glimmerbox/");
  EXPECT_EQ(ProjectStagingFolder("/tmp"), "/tmp/Glimmerbox/");
  EXPECT_EQ(StagedStickerPath("/s/", 3), "/s/3.bmp");
  EXPECT_EQ(StagedFramePath("/s/", 3), "/s/3Frame.bmp");
  EXPECT_EQ(StagedPlainPath("/s/", 12), "/s/12Bk.bmp");
  EXPECT_EQ(UnpackedMemberPath("/s/", 0), "/s/Glimmerbox.ini");
  EXPECT_EQ(UnpackedMemberPath("/s/", 1), "/s/0.bmp");
  EXPECT_EQ(UnpackedMemberPath("/s/", 7), "/s/6.bmp");

  EXPECT_EQ(FormatComPictureFlag({0, 2, 3}), "0,2,3,");
  EXPECT_EQ(FormatComPictureFlag({}), "");
  EXPECT_TRUE(ComPictureFlagLists("1,11,", 1));
  EXPECT_TRUE(ComPictureFlagLists("1,11,", 11));
  EXPECT_FALSE(ComPictureFlagLists("11,", 1));
  EXPECT_FALSE(ComPictureFlagLists("21,", 1));
  EXPECT_FALSE(ComPictureFlagLists("1", 1));  // no comma: not an entry
  EXPECT_FALSE(ComPictureFlagLists("", 0));
  EXPECT_EQ(ParseComPictureList("255,128,x,,7"), (std::vector<int>{255, 128, -1, -1}));
}

TEST(ProjectContainer, StagingFolderIsEmptiedOnlyWhenEmptyAndMustBeOurs) {
  gbtest::TempDir dir;
  const std::string stage = dir.file("Glimmerbox") + "/";
  ASSERT_TRUE(PrepareStagingFolder(stage));
  gbtest::WriteFile(stage + "0.bmp", "left from before");
  ASSERT_TRUE(PrepareStagingFolder(stage));
  EXPECT_EQ(gbtest::ReadFile(stage + "0.bmp"), "left from before");
  // A link in the place of the folder is refused.
  fs::create_directories(dir.file("elsewhere"));
  fs::create_directory_symlink(dir.file("elsewhere"), dir.file("Linked"));
  EXPECT_FALSE(PrepareStagingFolder(dir.file("Linked") + "/"));
}

TEST(ProjectContainer, ProjectSettingsFillTheStore) {
  SandboxEnv env;
  const std::string ini = env.path("p.ini");
  gbtest::WriteFile(ini,
                    "[Configure]\nShottingDelay=7\nPathCurrent=\nPathSave=/save\nPathFrame=/f\nPathPortrait=\n"
                    "PrintWidth=500\nPrintHeight=300\nAlpha=12\n");
  SettingsStore store;
  store.appDirectory = "/app/";
  store.PathPortrait = "/mine/portraits";
  store.Alpha = 99;
  CSysHelper helper;
  ReadProjectSettings(store, helper, ini);
  EXPECT_EQ(store.ShottingDelay, 7);
  EXPECT_EQ(store.PathCurrent, "/app/");
  EXPECT_EQ(store.PathSave, "/save");
  EXPECT_EQ(store.PathFrame, "/f");
  EXPECT_EQ(store.PathPortrait, "/mine/portraits");
  EXPECT_EQ(store.PrintWidth, 500);
  EXPECT_EQ(store.PrintHeight, 300);
  EXPECT_EQ(store.Alpha, 99);  // not part of what a project sets
}

TEST(ProjectContainer, AProjectOnTheCommandLineIsUnpackedAtStartUp) {
  SandboxEnv env;
  gbtest::WriteFile(env.path("a.ini"), "[Configure]\nCombinationIndex=1\n");
  gbtest::WriteFile(env.path("pic"), "BMxx");
  const std::string p = env.path("work.quorra");
  ASSERT_TRUE(PackProjectFiles({env.path("a.ini"), env.path("pic")}, p));
  SettingsStore store;
  CFacecraftApp app(store);
  app.SetCommandLine({p});
  ASSERT_TRUE(app.StartUp());
  EXPECT_EQ(app.projectPath, p);
  const std::string stage = env.path("tmp") + "/Glimmerbox/";
  EXPECT_EQ(app.unpackedFiles, (std::vector<std::string>{stage + "Glimmerbox.ini", stage + "0.bmp"}));
  EXPECT_EQ(gbtest::ReadFile(stage + "0.bmp"), "BMxx");
}
