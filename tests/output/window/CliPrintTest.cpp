// glimmerbox-cli print-pdf and sheet --print-pdf: the same print routine from
// the command line, checked from outside on the rasterised pages.
#include <QDir>
#include <QProcess>

#include "tests/output/window/OutputTestEnv.h"

using namespace outtest;

namespace {

class CliPrintTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = QString::fromStdString(env.root().string()); }
  int Run(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QString::fromStdString(gbtest::CliPath()), args);
    p.waitForFinished(120000);
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  std::vector<QImage> Pages(const QString& pdf, int dpi) {
    bool missing = false;
    std::vector<QImage> pages = PdfPages(pdf, dpi, dir, &missing);
    if (missing) ADD_FAILURE() << "pdftoppm (poppler-utils) is not installed; run scripts/install-deps.sh";
    return pages;
  }
  SandboxEnv env;
  QString dir;
};

TEST_F(CliPrintTest, AWidePictureSplitsIntoNumberedPagesWithTheRestOnTheLast) {
  // 1000 x 60, left half blue, right half green: four printer pixels per pixel.
  GbImage wide;
  ASSERT_TRUE(wide.Create(1000, 60, 24));
  for (long y = 0; y < 60; ++y)
    for (long x = 0; x < 1000; ++x) wide.WritePixelColor(x, y, x < 500 ? RGBQUAD{200, 0, 0, 0} : RGBQUAD{0, 160, 0, 0});
  const std::string png = (env.root() / "wide.png").string();
  ASSERT_TRUE(wide.SaveFile(png.c_str(), GB_TYPE_PNG));
  const QString pdf = dir + "/wide.pdf";
  QString said;
  ASSERT_EQ(Run({"print-pdf", QString::fromStdString(png), pdf, "--printer-dpi", "384", "--page", "100x150mm"}, &said),
            0)
      << said.toStdString();
  // 100 mm at 384 dpi: 1511 pixels; 4000 printed pixels make three pages.
  const std::vector<QImage> pages = Pages(pdf, 96);
  ASSERT_EQ(pages.size(), 3u);
  // At 96 dpi each printed pixel of 384 dpi is a quarter: page 3 holds
  // 4000 - 2 x 1511 = 978 printer pixels, about 244 here.
  EXPECT_TRUE(Near(At(pages[0], 100, 7), 0, 0, 200, 30));
  EXPECT_TRUE(Near(At(pages[2], 230, 7), 0, 160, 0, 30));
  EXPECT_TRUE(Near(At(pages[2], 252, 7), 255, 255, 255, 10));
  EXPECT_NE(pages[0].copy(300, 540, 78, 26), pages[2].copy(300, 540, 78, 26));  // "Page:1 of 3" against "Page:3 of 3"

  // Bad options are refused before anything is written.
  EXPECT_EQ(Run({"print-pdf", QString::fromStdString(png), dir + "/bad.pdf", "--page", "0x150mm"}), 2);
  EXPECT_EQ(Run({"print-pdf", QString::fromStdString(png), dir + "/bad.pdf", "--printer-dpi", "0"}), 2);
  EXPECT_FALSE(QFile::exists(dir + "/bad.pdf"));
}

TEST_F(CliPrintTest, ATallPictureAtAFineResolutionPrintsOnlyWhatFitsThePage) {
  // 2000 rows at 25 printer pixels each would be 50,000 rows; the page holds 14,173.
  GbImage tall;
  ASSERT_TRUE(tall.Create(40, 2000, 24));
  for (long y = 0; y < 2000; ++y)
    for (long x = 0; x < 40; ++x) tall.WritePixelColor(x, y, RGBQUAD{0, 0, BYTE(y < 1000 ? 200 : 0), 0});
  const std::string png = (env.root() / "tall.png").string();
  ASSERT_TRUE(tall.SaveFile(png.c_str(), GB_TYPE_PNG));
  const QString pdf = dir + "/tall.pdf";
  ASSERT_EQ(Run({"print-pdf", QString::fromStdString(png), pdf, "--printer-dpi", "2400", "--page", "100x150mm"}), 0);
  const std::vector<QImage> pages = Pages(pdf, 24);
  ASSERT_EQ(pages.size(), 1u);
  // The top rows are the picture's top (black); its red bottom lies below the page.
  EXPECT_TRUE(Near(At(pages[0], 5, 20), 0, 0, 0, 30));
  EXPECT_TRUE(Near(At(pages[0], 5, 130), 0, 0, 0, 30));
}

TEST_F(CliPrintTest, SheetPrintPdfChainsTheSheetWithItsGapsWhite) {
  GbImage photo;
  ASSERT_TRUE(photo.Create(320, 240, 24));
  for (long y = 0; y < 240; ++y)
    for (long x = 0; x < 320; ++x) photo.WritePixelColor(x, y, x < 160 ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{0, 0, 220, 0});
  const std::string png = (env.root() / "photo.png").string();
  ASSERT_TRUE(photo.SaveFile(png.c_str(), GB_TYPE_PNG));
  const QString pdf = dir + "/sheet.pdf";
  QString said;
  ASSERT_EQ(Run({"sheet", "--layout", "1", QString::fromStdString(png), "-o", dir + "/sheet.png", "--print-pdf", pdf,
                 "--printer-dpi", "384"},
                &said),
            0)
      << said.toStdString();
  const std::vector<QImage> pages = Pages(pdf, 384);
  ASSERT_EQ(pages.size(), 1u);
  // 364 screen pixels at four printer pixels each.
  EXPECT_TRUE(Near(At(pages[0], 40 * 4, 70 * 4), 0, 0, 0));
  EXPECT_TRUE(Near(At(pages[0], 150 * 4, 70 * 4), 220, 0, 0));
  EXPECT_TRUE(Near(At(pages[0], 182 * 4, 138 * 4), 255, 255, 255));
  EXPECT_TRUE(Near(At(pages[0], 1452, 1100), 255, 255, 255));
}

}  // namespace
