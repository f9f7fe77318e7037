// The codec dispatch: type ids from extensions, detection, the fall-back of
// LoadFile, saving, resources and the messages of each failure.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>


#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "image/codecs/CodecRegistry.h"
#include "image/codecs/GbImageTIF.h"
#include "image/io/GbMemFile.h"
#include "image/io/GbSafeFile.h"
#include "image/io/GbResource.h"
#include "tests/image/codecs/BmpBytes.h"
#include "tests/support/TestSupport.h"

using namespace bmptest;

namespace {

std::string GoodBmp() { return (gbtest::TestData() / "bmp/bmpsuite/g/pal8.bmp").string(); }

Bytes Tiny24(uint8_t blue) {
  Info info;
  info.width = 1;
  info.height = 1;
  Bytes px;
  px.raw({blue, 2, 3, 0});
  return File(info, {}, px);
}

// A 2 x 1 BMP compiled into the test program.
const uint8_t kCompiledIn[] = {'B', 'M', 62, 0,  0,  0,  0, 0, 0, 0, 54, 0, 0, 0,  // file header
                               40,  0,   0,  0,  2,  0,  0, 0, 1, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
                               8,   0,   0,  0,  0,  0,  0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,  // info header
                               10,  20,  30, 40, 50, 60, 0, 0};
GB_RESOURCE(testPicture, "test/two-pixels.bmp", kCompiledIn);

}  // namespace

TEST(TypeFromExtension, FirstThreeLettersAnyCase) {
  EXPECT_EQ(GbImage::TypeFromExtension("JPEG"), uint32_t(GB_TYPE_JPG));
  EXPECT_EQ(GbImage::TypeFromExtension("Tiff"), uint32_t(GB_TYPE_TIF));
  EXPECT_EQ(GbImage::TypeFromExtension("cr2"), uint32_t(GB_TYPE_RAW));
  EXPECT_EQ(GbImage::TypeFromExtension("jbg"), uint32_t(GB_TYPE_UNKNOWN));
  const struct {
    const char* ext;
    uint32_t type;
  } cases[] = {{"bmp", 1},  {"GIF", 2},  {"jpg", 3},  {"jfif", 3}, {"png", 4},  {"ico", 5},  {"CUR", 5},  {"tif", 6},
               {"tga", 7},  {"pcx", 8},  {"wbmp", 9}, {"wmf", 10}, {"emf", 10}, {"jp2", 11}, {"j2k", 11}, {"jpc", 12},
               {"j2c", 12}, {"pgx", 13}, {"pnm", 14}, {"pgm", 14}, {"ppm", 14}, {"ras", 15}, {"mng", 17}, {"jng", 17},
               {"ska", 18}, {"nef", 19}, {"3fr", 19}, {"orf", 19}, {"x3f", 19}, {"dng", 19}, {"raw", 19}};
  for (const auto& c : cases) EXPECT_EQ(GbImage::TypeFromExtension(c.ext), c.type) << c.ext;
  EXPECT_EQ(GbImage::TypeFromExtension(".bmp"), 0u);  // given without the dot
  EXPECT_EQ(GbImage::TypeFromExtension("bm"), 0u);
  EXPECT_EQ(GbImage::TypeFromExtension(""), 0u);
  EXPECT_EQ(GbImage::TypeFromExtension(nullptr), 0u);
}

TEST(Dispatch, EncodeRefusesUnknownTypes) {
  GbImage img(2, 2, 24, 0);
  img.Fill(0);
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  for (uint32_t type : {0u, 16u, uint32_t(GB_TYPE_COUNT), 1000u}) {
    img.ClearLastError();
    EXPECT_FALSE(img.Encode(&out, type)) << type;
    EXPECT_STREQ(img.LastError(), "Encode: Unknown format") << type;
  }
  EXPECT_EQ(out.Size(), 0);
}

TEST(Dispatch, CheckEncodableMessages) {
  GbImage img;
  GbMemFile out;
  ASSERT_TRUE(out.Open());
  EXPECT_TRUE(img.CheckEncodable(&out));
  EXPECT_STREQ(img.LastError(), "null image!!!");
  img.Create(1, 1, 8, 0);
  EXPECT_TRUE(img.CheckEncodable(nullptr));
  EXPECT_STREQ(img.LastError(), "null file handler");
  EXPECT_FALSE(img.CheckEncodable(&out));
}

TEST(Dispatch, DecodeFailuresLeaveTheImageAsItWas) {
  GbImage img(3, 2, 8, GB_TYPE_BMP);
  img.Fill(5);
  EXPECT_FALSE(img.Decode(static_cast<GbFile*>(nullptr), 0));
  EXPECT_STREQ(img.LastError(), "null file handler");

  Bytes junk;
  junk.raw({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', 0, 0, 0, 0});
  EXPECT_FALSE(Decode(img, junk, GB_TYPE_UNKNOWN));
  EXPECT_STREQ(img.LastError(), "Decode: Unknown or wrong format");
  EXPECT_FALSE(Decode(img, junk, GB_TYPE_BMP));
  EXPECT_STREQ(img.LastError(), "Error reading BMP info");  // the decoder's own message
  for (uint32_t type : {16u, uint32_t(GB_TYPE_COUNT), 77u}) {
    EXPECT_FALSE(Decode(img, Tiny24(1), type)) << type;
    EXPECT_STREQ(img.LastError(), "Decode: Unknown or wrong format");
  }
  ASSERT_TRUE(img.HasPixels());
  EXPECT_EQ(img.Width(), 3u);
  EXPECT_EQ(img.BitsPerPixel(), 8u);
  EXPECT_EQ(img.ReadPixelIndex(2, 1), 5);
}

TEST(Dispatch, DetectionFindsABitmapAndReadsFromTheCurrentPosition) {
  Bytes prefixed;
  prefixed.raw({'x', 'y', 'z'});
  const Bytes bmp = Tiny24(77);
  prefixed.data.insert(prefixed.data.end(), bmp.data.begin(), bmp.data.end());
  GbMemFile f(prefixed.data.data(), int32_t(prefixed.size()));
  ASSERT_TRUE(f.Seek(3, 0));
  GbImage img;
  ASSERT_TRUE(img.Decode(&f, GB_TYPE_UNKNOWN)) << img.LastError();
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_BMP));
  EXPECT_EQ(img.ReadPixelColor(0, 0).rgbBlue, 77);
}

TEST(Dispatch, DecoderSettingsTravelWithTheRecord) {
  // The dimension probe reaches the decoder through the dispatch.
  GbImage img;
  ASSERT_TRUE(Probe(img, Tiny24(1), GB_TYPE_UNKNOWN));
  EXPECT_STREQ(img.LastError(), "output dimensions returned");
  EXPECT_EQ(img.Width(), 1u);
  EXPECT_FALSE(img.HasPixels());
  // Settings the decoder does not set survive the take-over.
  GbImage settings;
  settings.SetJpegQuality(42);
  settings.SetCodecOption(7, GB_TYPE_PNG);
  ASSERT_TRUE(Decode(settings, Tiny24(1), GB_TYPE_BMP));
  EXPECT_EQ(settings.JpegQuality(), 42);
  EXPECT_EQ(settings.CodecOption(GB_TYPE_PNG), 7u);
}

TEST(Dispatch, LoadFileFallsBackToDetectionAndKeepsTheSpecificMessage) {
  gbtest::TempDir dir;
  // A bitmap under a PNG name, asked for as PNG, still loads.
  const std::string misnamed = dir.file("picture.png");
  gbtest::WriteFile(misnamed, gbtest::ReadFile(GoodBmp()));
  GbImage img;
  ASSERT_TRUE(img.LoadFile(misnamed.c_str(), GB_TYPE_PNG)) << img.LastError();
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_BMP));
  EXPECT_EQ(img.Width(), 127u);
  // And a PNG under a bitmap name, asked for as BMP.
  const std::string png = dir.file("picture.bmp");
  gbtest::WriteFile(png, gbtest::ReadFile((gbtest::TestData() / "png/pngsuite/basn2c08.png").string()));
  ASSERT_TRUE(img.LoadFile(png.c_str(), GB_TYPE_BMP)) << img.LastError();
  EXPECT_EQ(img.FileType(), uint32_t(GB_TYPE_PNG));
  EXPECT_EQ(img.Width(), 32u);
  EXPECT_EQ(img.BitsPerPixel(), 24u);

  // A corrupt bitmap asked for as BMP fails with the BMP decoder's message.
  const std::string corrupt = dir.file("corrupt.bmp");
  std::string bytes = gbtest::ReadFile(GoodBmp());
  bytes[28] = 3;  // 3 bits per pixel
  gbtest::WriteFile(corrupt, bytes);
  GbImage bad;
  EXPECT_FALSE(bad.LoadFile(corrupt.c_str(), GB_TYPE_BMP));
  EXPECT_STREQ(bad.LastError(), "Error reading BMP info");
  // Without a specific type, detection's own message stands.
  EXPECT_FALSE(bad.LoadFile(corrupt.c_str(), GB_TYPE_UNKNOWN));
  EXPECT_STREQ(bad.LastError(), "Decode: Unknown or wrong format");
  // Type 16 is no specific type: detection alone.
  ASSERT_TRUE(img.LoadFile(GoodBmp().c_str(), GB_TYPE_JBG));

  // What is wrong with the file itself is said before any decoder guesses.
  EXPECT_FALSE(bad.LoadFile(dir.file("missing.bmp").c_str(), GB_TYPE_BMP));
  EXPECT_STREQ(bad.LastError(), "LoadFile: no such file");
  gbtest::WriteFile(dir.file("empty.png"), "");
  EXPECT_FALSE(bad.LoadFile(dir.file("empty.png").c_str(), GB_TYPE_PNG));
  EXPECT_STREQ(bad.LastError(), "LoadFile: the file is empty");
  std::filesystem::create_directory(dir.file("folder.png"));
  EXPECT_FALSE(bad.LoadFile(dir.file("folder.png").c_str(), GB_TYPE_UNKNOWN));
  EXPECT_STREQ(bad.LastError(), "LoadFile: a folder, not a picture file");
  EXPECT_FALSE(bad.LoadFile(nullptr, GB_TYPE_BMP));
  EXPECT_FALSE(bad.HasPixels());

  // The path constructor loads.
  GbImage constructed(GoodBmp().c_str(), GB_TYPE_BMP);
  EXPECT_TRUE(constructed.HasPixels());
  EXPECT_EQ(constructed.Height(), 64u);
}

TEST(Dispatch, SaveFileNeverDamagesAnExistingFileWhenEncodingFails) {
  gbtest::TempDir dir;
  const std::string path = dir.file("keep.bmp");
  gbtest::WriteFile(path, "precious");
  GbImage empty;
  EXPECT_FALSE(empty.SaveFile(path.c_str(), GB_TYPE_BMP));
  EXPECT_STREQ(empty.LastError(), "null image!!!");
  GbImage img(4, 4, 24, 0);
  img.Fill(9);
  EXPECT_FALSE(img.SaveFile(path.c_str(), GB_TYPE_JBG));
  EXPECT_STREQ(img.LastError(), "Encode: Unknown format");
  EXPECT_EQ(gbtest::ReadFile(path), "precious");
  EXPECT_FALSE(img.SaveFile(dir.file("no/such/folder.bmp").c_str(), GB_TYPE_BMP));
  EXPECT_STREQ(img.LastError(), "SaveFile: the folder does not exist");

  ASSERT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_BMP)) << img.LastError();
  EXPECT_EQ(std::filesystem::file_size(path), img.PackedSize() + 14);
}

TEST(Dispatch, LoadFromResourceFindsCompiledInBlocksAndAssetFiles) {
  GbImage img;
  ASSERT_TRUE(img.LoadFromResource("test/two-pixels.bmp", GB_TYPE_BMP)) << img.LastError();
  EXPECT_EQ(img.Width(), 2u);
  EXPECT_EQ(bmptest::Rgb(img, 1, 0), 0x3C3228u);

  EXPECT_FALSE(img.LoadFromResource("test/none.bmp", GB_TYPE_BMP));
  EXPECT_STREQ(img.LastError(), "Unable to load resource!");
  EXPECT_TRUE(img.HasPixels());  // the previous picture stays

  gbtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "skin");
  gbtest::WriteFile(dir.path() / "skin/button.bmp", gbtest::ReadFile(GoodBmp()));
  // A module names the folder to search.
  ASSERT_TRUE(img.LoadFromResource("skin/button.bmp", GB_TYPE_UNKNOWN, dir.path().c_str())) << img.LastError();
  EXPECT_EQ(img.Width(), 127u);
  // Compiled-in blocks are not searched when a module folder is given.
  EXPECT_FALSE(img.LoadFromResource("test/two-pixels.bmp", GB_TYPE_BMP, dir.path().c_str()));
  // Names may not climb out of the asset folders.
  EXPECT_FALSE(img.LoadFromResource("../x/skin/button.bmp", GB_TYPE_BMP, dir.path().c_str()));
  EXPECT_FALSE(img.LoadFromResource("/etc/passwd", GB_TYPE_BMP));

  // The environment's asset folders, and folders the program adds.
  GbImage fromEnv;
  ::setenv("GLIMMERBOX_ASSETS", ("/nonexistent:" + dir.path().string()).c_str(), 1);
  EXPECT_TRUE(fromEnv.LoadFromResource("skin/button.bmp", GB_TYPE_BMP)) << fromEnv.LastError();
  ::unsetenv("GLIMMERBOX_ASSETS");
  GbImage fromFolder;
  EXPECT_FALSE(fromFolder.LoadFromResource("skin/button.bmp", GB_TYPE_BMP));
  GbAddResourceFolder(dir.path().string());
  EXPECT_TRUE(fromFolder.LoadFromResource("skin/button.bmp", GB_TYPE_BMP));

  // A resource that is not a picture fails like any decode.
  gbtest::WriteFile(dir.path() / "skin/text.bmp", "hello");
  EXPECT_FALSE(fromFolder.LoadFromResource("skin/text.bmp", GB_TYPE_BMP));
  EXPECT_STREQ(fromFolder.LastError(), "Not a BMP");
}

TEST(Dispatch, RegistryKnowsTheBitmapCodec) {
  EXPECT_TRUE(GbHasCodec(GB_TYPE_BMP));
  EXPECT_FALSE(GbHasCodec(GB_TYPE_UNKNOWN));
  EXPECT_FALSE(GbHasCodec(GB_TYPE_JBG));
  auto codec = GbMakeCodec(GB_TYPE_BMP);
  ASSERT_NE(codec, nullptr);
  EXPECT_EQ(codec->FileType(), uint32_t(GB_TYPE_BMP));
}

// A file-size limit (or a full disk) met while the encoder is still writing:
// the save fails with the system's reason, the old file stays, and no
// temporary is left.
TEST(Dispatch, SaveFileStoppedByTheDiskKeepsTheOldFile) {
  gbtest::TempDir dir;
  const std::string path = dir.file("photo.bmp");
  gbtest::WriteFile(path, "precious");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit limit{3u << 20, 3u << 20};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    GbImage big(1501, 1000, 24, GB_TYPE_BMP);  // 4.5 MB of pixels
    big.Fill(77);
    const bool saved = big.SaveFile(path.c_str(), GB_TYPE_BMP);
    ::_exit(saved ? 10 : std::string(big.LastError()) == "SaveFile: File too large" ? 0 : 11);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(gbtest::ReadFile(path), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Saving writes straight into the file; the bytes are those every encoder
// writes into memory, for every format and for multi-page TIFF, whose writer
// reads back what it wrote to link the pages.
TEST(Dispatch, SaveFileWritesWhatEachEncoderWritesIntoMemory) {
  gbtest::TempDir dir;
  GbImage colour(37, 23, 24, 0), palette(23, 37, 8, 0);
  for (uint32_t y = 0; y < 23; ++y)
    for (uint32_t x = 0; x < 37; ++x) {
      colour.WritePixelColor(long(x), long(y), RGBQUAD{uint8_t(x * 7), uint8_t(y * 11), uint8_t(x ^ y), 0});
      palette.WritePixelIndex(long(y), long(x), uint8_t(x * 3 + y));
    }
  int saved = 0;
  for (const GbCodecEntry& codec : GbCodecTable())
    for (const uint32_t* type = codec.types; *type; ++type)
      for (GbImage* picture : {&colour, &palette}) {
        SCOPED_TRACE(std::string(codec.className) + " type " + std::to_string(*type));
        GbMemFile memory;
        ASSERT_TRUE(memory.Open());
        GbImage copy(*picture);
        if (!copy.Encode(&memory, *type)) continue;  // a format this picture can't go into
        const std::string path = dir.file("out" + std::to_string(saved++));
        ASSERT_TRUE(copy.SaveFile(path.c_str(), *type)) << copy.LastError();
        EXPECT_TRUE(gbtest::ReadFile(path) ==
                    std::string(reinterpret_cast<const char*>(memory.GetBuffer()), size_t(memory.Size())));
      }
  EXPECT_GE(saved, 20);

  GbImage* pages[] = {&colour, &palette, &colour};
  GbMemFile memory;
  ASSERT_TRUE(memory.Open());
  ASSERT_TRUE(GbImageTIF().Encode(&memory, pages, 3));
  const std::string path = dir.file("pages.tif");
  GbSafeFile file(path);
  ASSERT_TRUE(GbImageTIF().Encode(&file, pages, 3));
  ASSERT_TRUE(file.Commit()) << file.WriteError();
  EXPECT_TRUE(gbtest::ReadFile(path) ==
              std::string(reinterpret_cast<const char*>(memory.GetBuffer()), size_t(memory.Size())));
}
