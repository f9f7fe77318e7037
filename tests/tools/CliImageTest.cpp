// glimmerbox-cli info, convert and ops, run as a user would, on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Bmp(const std::string& rel) { return (gbtest::TestData() / "bmp" / rel).string(); }

// Runs the tool; returns the exit code, fills stdout and stderr.
int Cli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
  gbtest::TempDir tmp;
  const std::string errFile = tmp.file("stderr");
  std::string o;
  const int rc = gbtest::Run(gbtest::CliPath() + " " + args + " 2>" + errFile, &o);
  if (out) *out = o;
  if (err) *err = gbtest::ReadFile(errFile);
  return rc;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

uint32_t Rgb(const GbImage& img, long x, long y) {
  const RGBQUAD c = img.ReadPixelColor(x, y, false);
  return (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
}

long Differences(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  long n = 0;
  for (long y = 0; y < long(a.Height()); ++y)
    for (long x = 0; x < long(a.Width()); ++x) n += Rgb(a, x, y) != Rgb(b, x, y);
  return n;
}

}  // namespace

TEST(CliInfo, OneLinePerFileAndGoesOnAfterAnUnreadableOne) {
  std::string out, err;
  EXPECT_EQ(Cli("info " + Q(Bmp("bmpsuite/g/pal8.bmp")) + " " + Q(Bmp("bmpsuite/b/badwidth.bmp")) + " " +
                    Q(Bmp("bmpsuite/g/rgb32.bmp")),
                &out, &err),
            1);
  EXPECT_NE(out.find("pal8.bmp: type=1 width=127 height=64 depth=8 palette=256 dpi=72x72 frames=0 alpha=no "
                     "background=-1\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("rgb32.bmp: type=1 width=127 height=64 depth=24 palette=0 dpi=72x72 frames=0 alpha=yes"),
            std::string::npos)
      << out;
  EXPECT_NE(err.find("badwidth.bmp: Error reading BMP info"), std::string::npos) << err;
  EXPECT_EQ(Cli("info " + Q(Bmp("other/goldenears.bmp")), &out), 0);
  EXPECT_EQ(Cli("info", nullptr, &err), 2);
}

TEST(CliConvert, CopiesPixelsAndDetectsMisnamedInput) {
  gbtest::TempDir dir;
  // A bitmap under a PNG name converts through detection.
  const std::string misnamed = dir.file("pal8.png");
  gbtest::WriteFile(misnamed, gbtest::ReadFile(Bmp("bmpsuite/g/pal8rle.bmp")));
  const std::string out = dir.file("out.bmp");
  std::string err;
  ASSERT_EQ(Cli("convert " + Q(misnamed) + " " + Q(out), nullptr, &err), 0) << err;
  EXPECT_EQ(err, "");  // no progress text when stderr is not a terminal
  GbImage a(Bmp("bmpsuite/g/pal8.bmp").c_str(), GB_TYPE_BMP), b(out.c_str(), GB_TYPE_BMP);
  ASSERT_TRUE(b.HasPixels());
  EXPECT_EQ(b.BitsPerPixel(), 8u);
  EXPECT_EQ(Differences(a, b), 0);

  // --type decides for a file without a known extension.
  const std::string data = dir.file("picture.dat");
  gbtest::WriteFile(data, gbtest::ReadFile(Bmp("bmpsuite/g/rgb24.bmp")));
  ASSERT_EQ(Cli("convert " + Q(data) + " " + Q(out) + " --type 1", nullptr, &err), 0) << err;
}

TEST(CliConvert, OperationsRunInOrderWithTheirArguments) {
  gbtest::TempDir dir;
  const std::string out = dir.file("out.bmp");
  std::string err;
  // Raising a palette picture to 24 bits keeps every colour.
  ASSERT_EQ(Cli("convert " + Q(Bmp("bmpsuite/g/pal8.bmp")) + " " + Q(out) + " --op 'RaiseBpp 24'", nullptr, &err), 0)
      << err;
  GbImage pal(Bmp("bmpsuite/g/pal8.bmp").c_str(), GB_TYPE_BMP), raised(out.c_str(), GB_TYPE_BMP);
  EXPECT_EQ(raised.BitsPerPixel(), 24u);
  EXPECT_EQ(Differences(pal, raised), 0);

  // Grey first, then down to 4 bits with a palette from a file and 12 colours.
  ASSERT_EQ(Cli("convert " + Q(Bmp("other/goldenears.bmp")) + " " + Q(out) +
                    " --op ToGreyScale --op 'DecreaseBpp 4 0 " + Bmp("bmpsuite/g/pal4gs.bmp") + " 12'",
                nullptr, &err),
            0)
      << err;
  GbImage grey(out.c_str(), GB_TYPE_BMP);
  EXPECT_EQ(grey.BitsPerPixel(), 4u);
  for (long y = 0; y < long(grey.Height()); ++y)
    for (long x = 0; x < long(grey.Width()); ++x) ASSERT_LT(grey.ReadPixelIndex(x, y), 12);

  // A 24-bit picture given an alpha plane is written as a 32-bit file.
  ASSERT_EQ(Cli("convert " + Q(Bmp("other/goldenears.bmp")) + " " + Q(out) +
                    " --op CreateAlpha --op 'FillAlpha 100' --op 'WriteAlpha 3 0 7' --op 'SetBackgroundColor #FF8000'",
                nullptr, &err),
            0)
      << err;
  EXPECT_EQ(std::filesystem::file_size(out), 54u + 4u * 128u * 96u);
  GbImage withAlpha(out.c_str(), GB_TYPE_BMP);
  ASSERT_NE(withAlpha.AlphaPlane(), nullptr);
  EXPECT_EQ(withAlpha.AlphaPlane()[500], 100);
  EXPECT_EQ(withAlpha.AlphaPlane()[3], 7);

  // An image argument, and a destination left out: the mask replaces the picture.
  ASSERT_EQ(Cli("convert " + Q(Bmp("other/goldenears.bmp")) + " " + Q(out) + " --op 'PasteFrom " +
                    Bmp("bmpsuite/g/rgb24.bmp") + " 1 0' --op 'SetBackgroundIndex 0' --op MakeTransparencyMask",
                nullptr, &err),
            0)
      << err;
  GbImage mask(out.c_str(), GB_TYPE_BMP);
  EXPECT_EQ(mask.BitsPerPixel(), 1u);
  EXPECT_EQ(mask.Width(), 128u);
}

TEST(CliConvert, BadOperationsExplainThemselvesAndWriteNothing) {
  gbtest::TempDir dir;
  const std::string in = Q(Bmp("bmpsuite/g/pal4.bmp"));
  const std::string out = dir.file("never.bmp");
  std::string err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'Sharpen 3'", nullptr, &err), 1);
  EXPECT_NE(err.find("unknown operation \"Sharpen\""), std::string::npos) << err;
  EXPECT_NE(err.find("DecreaseBpp target errorDiffusion:0|1"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'DecreaseBpp 4'", nullptr, &err), 1);
  EXPECT_NE(err.find("DecreaseBpp takes 2 to 4 arguments, got 1"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'DecreaseBpp 4 0 none 0 9'", nullptr, &err), 1);
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'DecreaseBpp four 0'", nullptr, &err), 1);
  EXPECT_NE(err.find("argument target expects a number"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'FillAlpha 256'", nullptr, &err), 1);
  EXPECT_NE(err.find("argument level is out of range"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'SetBackgroundColor red'", nullptr, &err), 1);
  EXPECT_NE(err.find("expects a colour #RRGGBB"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'PasteFrom /no/such.bmp 0 0'", nullptr, &err), 1);
  EXPECT_NE(err.find("cannot read image /no/such.bmp"), std::string::npos) << err;
  // The operation itself fails: its last error text is shown.
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'DecreaseBpp 8 0'", nullptr, &err), 1);
  EXPECT_NE(err.find("DecreaseBpp failed: DecreaseBpp: target BPP greater than source BPP"), std::string::npos) << err;
  // A later failure also means no output, even after good steps.
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'RaiseBpp 24' --op FlipAlpha", nullptr, &err), 1);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliConvert, RefusesUnusableFilesAndOptions) {
  gbtest::TempDir dir;
  std::string err;
  const std::string in = Q(Bmp("bmpsuite/g/pal8.bmp"));
  EXPECT_EQ(Cli("convert " + in + " " + Q(dir.file("x.unknown")), nullptr, &err), 2);
  EXPECT_NE(err.find("cannot tell the format"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(dir.file("x.bmp")) + " --quality 101", nullptr, &err), 2);
  EXPECT_EQ(Cli("convert " + in, nullptr, &err), 2);
  EXPECT_EQ(Cli("convert " + Q(Bmp("bmpsuite/b/reallybig.bmp")) + " " + Q(dir.file("x.bmp")), nullptr, &err), 1);
  EXPECT_NE(err.find("BMP data too short for the image size"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.bmp")));
}

TEST(CliOps, ListsEveryOperationAndEveryTableLineFits) {
  std::string out, err;
  EXPECT_EQ(Cli("ops", &out, &err), 0) << out;  // non-zero would mean a table line is inconsistent
  EXPECT_EQ(out.find("unavailable"), std::string::npos) << out;
  for (const char* form :
       {"DecreaseBpp target errorDiffusion:0|1 [palette:none|#RRGGBB|FILE=none] [coloursImportant=0]",
        "MixWith source:FILE operation:MixOperation [dx=0] [dy=0] [mixAlpha:0|1=0]",
        "AddRectToSelection rect.left rect.top rect.right rect.bottom [level=255]", "ToGreyScale\n"})
    EXPECT_NE(out.find(form), std::string::npos) << form;
  EXPECT_EQ(Cli("ops RaiseBpp", &out), 0);
  EXPECT_EQ(out, "RaiseBpp target\n");
  EXPECT_EQ(Cli("ops Nothing", &out, &err), 1);
}

// An enumerated argument by name (any case, or as the code writes it) gives
// the very file its number gives; defaults given by name are the old numbers.
TEST(CliOps, EnumeratedArgumentsTakeANameOrItsNumber) {
  gbtest::TempDir dir;
  const std::string in = Q(Bmp("other/goldenears.bmp"));  // 128 x 96
  const std::string source = Q(Bmp("bmpsuite/g/rgb24.bmp"));
  const std::string named = dir.file("named.bmp"), numbered = dir.file("numbered.bmp");
  std::string err;
  const std::pair<std::string, std::string> cases[] = {
      {"ResampleInterpolated 200 77 Power Mirror", "ResampleInterpolated 200 77 18 6"},
      {"ResampleInterpolated 61 150 mitchell WRAP", "ResampleInterpolated 61 150 15 4"},
      {"ResampleInterpolated 50 41", "ResampleInterpolated 50 41 16 5"},
      {"RotateFree 33 kCatmullRom transparent #00FF00", "RotateFree 33 16 3 #00FF00"},
      {"RotateFree -20", "RotateFree -20 2 1"},
      {"ResampleSimple 90 50 BICUBIC", "ResampleSimple 90 50 2"},
      {"ResampleSimple 33 70", "ResampleSimple 33 70 1"},
      {"RadialWarp bathroom 0 1", "RadialWarp 4 0 1"},
      {"RadialWarp Swirl", "RadialWarp 2"},
      {"MixWith " + source + " average 3 -2", "MixWith " + source + " 10 3 -2"},
      {"MixWith " + source + " BlendNearBackground", "MixWith " + source + " 8"},
  };
  for (const auto& [byName, byNumber] : cases) {
    ASSERT_EQ(Cli("convert " + in + " " + Q(named) + " --op \"" + byName + "\"", nullptr, &err), 0) << byName << err;
    ASSERT_EQ(Cli("convert " + in + " " + Q(numbered) + " --op \"" + byNumber + "\"", nullptr, &err), 0)
        << byNumber << err;
    EXPECT_EQ(gbtest::ReadFile(named), gbtest::ReadFile(numbered)) << byName;
  }
  // A name that is no value: refused with the valid names, nothing written.
  const std::string refused = dir.file("refused.bmp");
  EXPECT_EQ(Cli("convert " + in + " " + Q(refused) + " --op 'ResampleInterpolated 50 40 Cubic'", nullptr, &err), 1);
  EXPECT_NE(err.find("ResampleInterpolated: argument method has no value named \"Cubic\"; it takes a number or one "
                     "of NearestNeighbour=1 Bilinear=2 "),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("CatmullRom=16 Hanning=17 Power=18"), std::string::npos) << err;
  EXPECT_EQ(Cli("convert " + in + " " + Q(refused) + " --op 'RadialWarp k'", nullptr, &err), 1);
  EXPECT_NE(err.find("Punch=0 Pinch=1 Swirl=2 Cylinder=3 Bathroom=4"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(refused));
}

TEST(CliOps, ListsTheNamesAndNumbersOfEnumeratedArguments) {
  std::string out;
  ASSERT_EQ(Cli("ops ResampleInterpolated", &out), 0);
  EXPECT_EQ(out,
            "ResampleInterpolated width height [method:InterpolationMethod=CatmullRom] "
            "[overflow:OverflowMethod=Repeat] [disableAveraging:0|1=0]\n"
            "  InterpolationMethod: NearestNeighbour=1 Bilinear=2 BSpline=3 Bicubic=4 Bicubic2=5 Lanczos=6 Box=7 "
            "Hermite=8 Hamming=9 Sinc=10 Blackman=11 Bessel=12 Gaussian=13 Quadratic=14 Mitchell=15 CatmullRom=16 "
            "Hanning=17 Power=18\n"
            "  OverflowMethod: Color=1 Background=2 Transparent=3 Wrap=4 Repeat=5 Mirror=6\n");
  ASSERT_EQ(Cli("ops", &out), 0);
  for (const char* form : {"RotateFree angle [method:InterpolationMethod=Bilinear] [overflow:OverflowMethod=Color]",
                           "ResampleSimple width height [mode:ResampleMode=Nearest]\n", "RadialWarp kind:WarpKind",
                           "\n  ResampleMode: Bilinear=0 Nearest=1 Bicubic=2\n",
                           "\n  WarpKind: Punch=0 Pinch=1 Swirl=2 Cylinder=3 Bathroom=4\n",
                           "\n  MixOperation: Add=0 And=1 Xor=2 Or=3 Mask=4 CopyIntoTransparent=5 CopyOpaqueSource=6 "
                           "Subtract=7 BlendNearBackground=8 AlphaOver=9 Average=10\n"})
    EXPECT_NE(out.find(form), std::string::npos) << form;
  EXPECT_EQ(out.find("InterpolationMethod:"), out.rfind("InterpolationMethod:")) << "each list once";
}

TEST(CliConvert, GeometryOperationsTakeTheirSpecForms) {
  gbtest::TempDir dir;
  const std::string in = Q(Bmp("other/goldenears.bmp"));  // 128 x 96
  const std::string out = dir.file("out.bmp");
  std::string err;
  struct {
    const char* ops;
    uint32_t width, height;
  } cases[] = {
      {"--op 'ResampleInterpolated 320 240 16 5'", 320, 240},
      {"--op 'RotateFree 30'", 159, 147},                  // bounding box of the turned corners
      {"--op 'RotateFree 30 16 1 #00FF00 1 1'", 128, 96},  // keep size
      {"--op RotateQuarterRight --op 'CropTo 10 10 60 80'", 50, 70},
      {"--op 'ExpandCanvas 1 2 3 4 #FF0000'", 132, 102},
      {"--op 'CropToRect 0 0 64 48' --op 'QIShrink 32 24 1'", 32, 24},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Cli("convert " + in + " " + Q(out) + " " + c.ops, nullptr, &err), 0) << c.ops << ": " << err;
    GbImage result(out.c_str(), GB_TYPE_BMP);
    EXPECT_EQ(result.Width(), c.width) << c.ops;
    EXPECT_EQ(result.Height(), c.height) << c.ops;
  }
  // The canvas colour lands in the margins: the top-left pixel.
  ASSERT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'ExpandCanvas 1 2 3 4 #FF0000'", nullptr, &err), 0);
  GbImage expanded(out.c_str(), GB_TYPE_BMP);
  EXPECT_EQ(Rgb(expanded, 0, 101), 0xFF0000u);
  EXPECT_EQ(Cli("convert " + in + " " + Q(out) + " --op 'QIShrink 400 10'", nullptr, &err), 1);
  EXPECT_NE(err.find("QIShrink failed: QIShrink can't enlarge image"), std::string::npos) << err;
}
