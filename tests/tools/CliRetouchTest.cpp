// The retouching operations and circle transforms through convert --op.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Pixels.h"

namespace {

using gbtest::SamePixels;

int Cli(const std::string& args, std::string* err = nullptr) {
  gbtest::TempDir tmp;
  const std::string errFile = tmp.file("stderr");
  std::string out;
  const int rc = gbtest::Run(gbtest::CliPath() + " " + args + " 2>" + errFile, &out);
  if (err) *err = gbtest::ReadFile(errFile);
  return rc;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

std::string Portrait() { return (gbtest::SampleArt() / "portraits" / "astronaut.png").string(); }
std::string Pal8() { return (gbtest::TestData() / "bmp" / "bmpsuite" / "g" / "pal8.bmp").string(); }

}  // namespace

TEST(CliRetouch, EveryEditorCommandAndCircleButtonRunsOnAPortrait) {
  if (!std::filesystem::exists(Portrait())) GTEST_SKIP() << "no sample art";
  gbtest::TempDir tmp;
  const std::string small = tmp.file("small.bmp");
  ASSERT_EQ(Cli("convert " + Q(Portrait()) + " " + Q(small) + " --op 'ResampleInterpolated 96 72'"), 0);
  const std::vector<std::string> ops = {"ConvolveKernel 1,1,1,1,1,1,1,1,1 3 9 0",
                                        "ConvolveKernel -1,-1,-1,-1,8,-1,-1,-1,-1 3 -1 255",
                                        "MinimumFilter 3",
                                        "MaximumFilter 3",
                                        "RangeEdge 2",
                                        "MedianFilter 3",
                                        "ContourLines",
                                        "ScatterPixels 2",
                                        "GaussianSmooth 1.0",
                                        "GaussianSmooth 2.0",
                                        "UnsharpSharpen 5.0 0.5 0",
                                        "InvertColours",
                                        "BinarizeAtLevel 128",
                                        "GammaCorrect 1.23",
                                        "RainbowPalette 1.0",
                                        "AddRandomNoise 25",
                                        "ConvolveKernel 1,1,1,1,8,1,1,1,1 3 16 0",
                                        "EdgePreservingBlur 1.0 25",
                                        "RadialWarp 0 0 100",
                                        "RadialWarp 1 0 100",
                                        "RadialWarp 2 0 100",
                                        "RadialWarp 3 0 100",
                                        "RadialWarp 4 0 1"};
  GbImage input;
  ASSERT_TRUE(input.LoadFile(small.c_str()));
  for (const std::string& op : ops) {
    const std::string out = tmp.file("out.png");
    std::string err;
    ASSERT_EQ(Cli("convert " + Q(small) + " " + Q(out) + " --op " + Q(op), &err), 0) << op << ": " << err;
    GbImage result;
    ASSERT_TRUE(result.LoadFile(out.c_str())) << op;
    EXPECT_EQ(result.Width(), 96u) << op;
    EXPECT_EQ(result.Height(), 72u) << op;
    if (op != "RainbowPalette 1.0") {
      EXPECT_FALSE(SamePixels(result, input)) << op << " changed nothing";
    }
    std::filesystem::remove(out);
  }
}

TEST(CliRetouch, SelectionAndKernelReachTheEngineAsGiven) {
  gbtest::TempDir tmp;
  const std::string out = tmp.file("out.bmp");
  ASSERT_EQ(
      Cli("convert " + Q(Pal8()) + " " + Q(out) + " --op 'AddRectToSelection 5 18 25 4 255' --op 'MedianFilter 3'" +
          " --op 'ConvolveKernel 0,2,0,1,3,0,0,0,-1 3 5 7'"),
      0);
  GbImage want, got;
  ASSERT_TRUE(want.LoadFile(Pal8().c_str()));
  ASSERT_TRUE(got.LoadFile(out.c_str()));
  ASSERT_TRUE(want.AddRectToSelection(RECT{5, 18, 25, 4}, 255));
  ASSERT_TRUE(want.MedianFilter(3));
  const int32_t kernel[9] = {0, 2, 0, 1, 3, 0, 0, 0, -1};
  ASSERT_TRUE(want.ConvolveKernel(kernel, 3, 5, 7));
  EXPECT_TRUE(SamePixels(got, want));
}

TEST(CliRetouch, SeedMakesNoiseAndJitterRepeatable) {
  gbtest::TempDir tmp;
  const auto run = [&](const std::string& name, const std::string& seed) {
    const std::string out = tmp.file(name);
    EXPECT_EQ(Cli("convert " + Q(Pal8()) + " " + Q(out) + " --seed " + seed +
                  " --op 'AddRandomNoise 80' --op 'ScatterPixels 3'"),
              0);
    return gbtest::ReadFile(out);
  };
  const std::string a = run("a.bmp", "5"), b = run("b.bmp", "5"), c = run("c.bmp", "6");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST(CliRetouch, BadArgumentsExitNonZeroWithAReasonAndWriteNothing) {
  gbtest::TempDir tmp;
  const std::string out = tmp.file("out.bmp");
  const std::string table255 = [] {
    std::string t = "0";
    for (int i = 1; i < 255; ++i) t += "," + std::to_string(i);
    return t;
  }();
  const std::pair<std::string, std::string> bad[] = {
      {"--op 'ConvolveKernel 1,1,1,1 3 9 0'", "not 3 x 3"},
      {"--op 'ConvolveKernel 1,x,1,1 2 9 0'", "kernel"},
      {"--op 'ConvolveKernel 1 0 1 0'", "window size"},
      {"--op 'MapThroughTable " + table255 + "'", "not 256"},
      {"--op 'MapThroughTable 300'", "0 to 255"},
      {"--op 'MedianFilter 0'", "window size"},
      {"--op 'GaussianSmooth -1'", "radius"},
      {"--op 'GaussianSmooth nan'", "radius"},
      {"--op 'UnsharpSharpen 5 inf 0'", "amount"},
      {"--op 'GammaCorrect 0'", "gamma"},
      {"--op 'EdgePreservingBlur 1 256'", "threshold"},
      {"--op 'RadialWarp 7'", "kind"},
      {"--seed -1 --op 'AddRandomNoise 5'", "seed"},
  };
  for (const auto& [args, why] : bad) {
    std::string err;
    EXPECT_NE(Cli("convert " + Q(Pal8()) + " " + Q(out) + " " + args, &err), 0) << args;
    EXPECT_NE(err.find(why), std::string::npos) << args << ": " << err;
    EXPECT_FALSE(std::filesystem::exists(out)) << args;
  }
}
