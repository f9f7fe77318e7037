// The print picture, the page arithmetic, and DlgPrint printing into a PDF
// that is rasterised back to check what would reach the paper.
#include <QDir>
#include <QPageSize>
#include <filesystem>

#include "output/window/DlgPrint.h"
#include "platform/printing/Printing.h"
#include "skin/CRectTrackerPic.h"
#include "skin/SkComboBox.h"
#include "tests/output/window/OutputTestEnv.h"

using namespace wintest;
using namespace outtest;

namespace {

class PrintTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    dir = QString::fromStdString((env.root() / "print").string());
    QDir().mkpath(dir);
    pdf = dir + QStringLiteral("/out.pdf");
    ScreenResolution(screenX, screenY);
    ASSERT_TRUE(MakePrintPicture(SheetImage(), &sheet.stickers, picture));
  }
  GbImage SheetImage() {
    GbImage image;
    ImageOfBitmap(sheet.bitmap, image);
    return image;
  }
  std::unique_ptr<DlgPrint> Dialog() {
    auto d = std::make_unique<DlgPrint>(picture, store);
    d->show();
    Settle();
    return d;
  }
  void PressPrint(DlgPrint& d) {
    auto* b = qobject_cast<QAbstractButton*>(d.Item(IDOK));
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() / 2, b->height() / 2));
    Settle();
  }
  std::vector<QImage> Pages(int dpi) {
    bool missing = false;
    std::vector<QImage> pages = PdfPages(pdf, dpi, dir, &missing);
    if (missing) ADD_FAILURE() << "pdftoppm (poppler-utils) is not installed; run scripts/install-deps.sh";
    return pages;
  }
  // Dark pixels in a rectangle of a page.
  static int Dark(const QImage& page, QRect r) {
    r = r.intersected(page.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += qGray(page.pixel(x, y)) < 100;
    return n;
  }
  QString dir, pdf;
  double screenX = 96, screenY = 96;
  HalfBlackSheet sheet;
  GbImage picture;
};

TEST(PrintLayoutTest, PagesStripsAndRefusals) {
  PrintLayout l;
  // A6 at 384 dpi is 1587 pixels wide; four printer pixels per screen pixel.
  ASSERT_TRUE(ComputePrintLayout(1024, 1587, 2245, 384, 384, 96, 96, l));
  EXPECT_EQ(l.pages, 3);
  EXPECT_EQ(l.SourceWidth(0, 1024), 396);
  EXPECT_EQ(l.PrintedWidth(0, 1024), 1587);
  EXPECT_EQ(l.SourceX(2), 793);
  EXPECT_EQ(l.SourceWidth(2, 1024), 231);
  EXPECT_EQ(l.PrintedWidth(2, 1024), 924);
  EXPECT_EQ(l.footerX, 1428);
  EXPECT_EQ(l.footerY, 2222);
  // One printer pixel more than a page makes a second page.
  ASSERT_TRUE(ComputePrintLayout(500, 1000, 100, 192, 192, 96, 96, l));
  EXPECT_EQ(l.pages, 1);
  ASSERT_TRUE(ComputePrintLayout(501, 1000, 100, 192, 192, 96, 96, l));
  EXPECT_EQ(l.pages, 2);
  EXPECT_EQ(l.PrintedWidth(1, 501), 2);
  // No page or no resolution: refused, never a division by zero.
  EXPECT_FALSE(ComputePrintLayout(364, 0, 0, 0, 0, 96, 96, l));
  EXPECT_FALSE(ComputePrintLayout(364, 1000, 1000, 300, 300, 0, 96, l));
  EXPECT_FALSE(ComputePrintLayout(0, 1000, 1000, 300, 300, 96, 96, l));
}

TEST_F(PrintTest, ThePrintPictureIsWhiteInTheGapsAndKeepsBlackInStickers) {
  ASSERT_EQ(picture.Width(), 364u);
  auto top = [&](long x, long y) { return picture.ReadPixelColor(x, 275 - y, false); };
  EXPECT_EQ(top(182, 138).rgbRed, 255);    // centre gap
  EXPECT_EQ(top(300, 200).rgbGreen, 255);  // a slot never filled
  EXPECT_EQ(top(40, 70).rgbRed, 0);        // black half of the sticker
  EXPECT_EQ(top(150, 70).rgbRed, 220);
}

TEST_F(PrintTest, TheSheetPrintsFourTimesWiderOnOnePageAtFourTimesTheScreensResolution) {
  const int dpi = int(screenX * 4 + 0.5);
  gbprint::PdfPrinters printers(pdf, dpi, QPageSize(QPageSize::A4));
  auto d = Dialog();
  EXPECT_EQ(d->PreviewRect(), QRect(206, 140, 364, 274));
  PressPrint(*d);
  ASSERT_EQ(d->LastResult().outcome, PrintOutcome::Printed) << d->LastResult().message.toStdString();
  EXPECT_EQ(d->LastResult().layout.pages, 1);
  EXPECT_EQ(printers.DialogMaxPages().front(), 1);
  EXPECT_TRUE(d->isVisible());  // the dialog stays open
  const std::vector<QImage> pages = Pages(dpi);
  ASSERT_EQ(pages.size(), 1u);
  const QImage& page = pages[0];
  // 364 x 276 at four printer pixels each: 1456 x 1104.
  EXPECT_TRUE(Near(At(page, 40 * 4 + 2, 70 * 4 + 2), 0, 0, 0));
  EXPECT_TRUE(Near(At(page, 150 * 4, 70 * 4), 220, 0, 0));
  EXPECT_TRUE(Near(At(page, 182 * 4, 138 * 4), 255, 255, 255));  // a gap prints white
  // The sticker's right edge is at sheet x 179: printer x 716.
  EXPECT_TRUE(Near(At(page, 714, 300), 0, 0, 0, 40) || Near(At(page, 714, 300), 220, 0, 0, 40));
  EXPECT_TRUE(Near(At(page, 724, 300), 255, 255, 255));
  // Nothing below or right of the picture but the footer.
  EXPECT_EQ(Dark(page, QRect(0, 1110, page.width(), page.height() * 9 / 10 - 1110)), 0);
  EXPECT_EQ(Dark(page, QRect(1460, 0, page.width() - 1460, page.height() * 9 / 10)), 0);
  const PrintLayout& l = d->LastResult().layout;
  EXPECT_GT(Dark(page, QRect(l.pageWidth * 8 / 10, l.footerY - dpi / 5, l.pageWidth / 5, dpi / 5 + 4)), 50);
}

TEST_F(PrintTest, Entry3PrintsFullSizeOnTwoPagesWhileThePreviewShows60Percent) {
  const int dpi = int(screenX * 2 + 0.5);
  gbprint::PdfPrinters printers(pdf, dpi, QPageSize(QPageSize::A4));
  auto d = Dialog();
  auto* size = d->ItemAs<SkComboBox>(DlgPrint::kSize);
  EXPECT_EQ(size->GetLBText(3), QStringLiteral("1024 X 768 (60%)"));
  size->SelectFromList(3);
  Settle();
  EXPECT_EQ(d->PreviewBitmap().Width(), 614u);
  EXPECT_EQ(d->PreviewBitmap().Height(), 460u);
  EXPECT_EQ(d->TrackerRect(), QRect(70, 60, 614, 460));
  EXPECT_EQ(d->WidthText(), QStringLiteral("1024"));
  EXPECT_EQ(d->HeightText(), QStringLiteral("768"));
  PressPrint(*d);
  EXPECT_EQ(d->PrintedPicture().Width(), 1024u);
  EXPECT_EQ(d->PrintedPicture().Height(), 768u);
  EXPECT_EQ(d->PreviewBitmap().Width(), 614u);
  const PrintLayout l = d->LastResult().layout;
  ASSERT_EQ(l.pages, 2);
  const std::vector<QImage> pages = Pages(dpi);
  ASSERT_EQ(pages.size(), 2u);
  // Page 1 is filled across; page 2 holds the remainder and stops there.
  const int rest = l.PrintedWidth(1, 1024);
  EXPECT_EQ(rest, int((1024 - l.SourceX(1)) * 2));
  EXPECT_TRUE(Near(At(pages[0], 40 * 1024 / 364 * 2, 200), 0, 0, 0));
  EXPECT_TRUE(Near(At(pages[0], 182 * 1024 / 364 * 2, 138 * 768 / 276 * 2), 255, 255, 255));
  // Page 2 starts at picture x 793 (sheet x 282): the red half of the second
  // sticker up to sheet x 359, then the white margin, then nothing.
  const int redEnd = (359 * 1024 / 364 - l.SourceX(1)) * 2;
  EXPECT_TRUE(Near(At(pages[1], 10, 200), 220, 0, 0));
  EXPECT_TRUE(Near(At(pages[1], redEnd - 8, 200), 220, 0, 0));
  EXPECT_TRUE(Near(At(pages[1], redEnd + 8, 200), 255, 255, 255));
  EXPECT_LT(redEnd, rest);
  EXPECT_EQ(Dark(pages[1], QRect(redEnd + 4, 0, l.pageWidth - redEnd - 4, l.pageHeight * 9 / 10)), 0);
  // Each footer is numbered: the two differ where "1" and "2" are drawn.
  const QRect footer(l.pageWidth * 7 / 10, l.footerY - dpi / 4, l.pageWidth * 3 / 10, dpi / 4 + 4);
  EXPECT_GT(Dark(pages[0], footer), 20);
  EXPECT_GT(Dark(pages[1], footer), 20);
  EXPECT_NE(pages[0].copy(footer), pages[1].copy(footer));
}

TEST_F(PrintTest, Entry2ThenEntry0PrintsThe528PreviewAndTheTrackerSizesIt) {
  gbprint::PdfPrinters printers(pdf, int(screenX), QPageSize(QPageSize::A4));
  auto d = Dialog();
  auto* size = d->ItemAs<SkComboBox>(DlgPrint::kSize);
  size->SelectFromList(2);
  size->SelectFromList(0);
  Settle();
  PressPrint(*d);
  EXPECT_EQ(d->PrintedPicture().Width(), 528u);
  EXPECT_EQ(d->PrintedPicture().Height(), 400u);

  // A drag on the tracker's bottom-right handle makes a smaller preview.
  auto* tracker = d->ItemAs<CRectTrackerPic>(DlgPrint::kTracker);
  const QRect r = tracker->TrackerRect();
  QPoint handle;
  for (int dx = 0; dx < 12 && handle.isNull(); ++dx)
    for (int dy = 0; dy < 12 && handle.isNull(); ++dy)
      if (tracker->HitTest(r.bottomRight() + QPoint(dx, dy)) == CRectTrackerPic::kBottomRight)
        handle = r.bottomRight() + QPoint(dx, dy);
  ASSERT_FALSE(handle.isNull());
  QTest::mousePress(tracker, Qt::LeftButton, Qt::NoModifier, handle);
  QTest::mouseMove(tracker, handle - QPoint(128, 100));
  QTest::mouseRelease(tracker, Qt::LeftButton, Qt::NoModifier, handle - QPoint(128, 100));
  Settle();
  EXPECT_EQ(d->PreviewBitmap().Width(), 400u);
  EXPECT_EQ(d->PreviewBitmap().Height(), 300u);
  EXPECT_EQ(d->PreviewRect().size(), QSize(400, 300));
  EXPECT_EQ(d->WidthText(), QStringLiteral("400"));
  PressPrint(*d);
  EXPECT_EQ(d->PrintedPicture().Width(), 400u);
}

TEST_F(PrintTest, NoPrinterIsRefusedAndACancelledDialogPrintsNothing) {
  gbprint::PdfPrinters printers(pdf, 300, QPageSize(QPageSize::A4));
  printers.SetNoPrinter(true);
  auto d = Dialog();
  QString said;
  AnswerMessageBox(IDOK, &said);
  PressPrint(*d);
  EXPECT_EQ(said, QStringLiteral("Can not find printer. Please check installed/default printers."));
  EXPECT_TRUE(printers.DialogMaxPages().empty());
  printers.SetNoPrinter(false);
  printers.QueueDialogAnswer(false);
  PressPrint(*d);
  EXPECT_EQ(d->LastResult().outcome, PrintOutcome::Cancelled);
  EXPECT_FALSE(QFile::exists(pdf));
  // A printer that cannot start the document (it went away): said, not printed.
  gbprint::PdfPrinters gone(dir + QStringLiteral("/missing/folder/out.pdf"), 300, QPageSize(QPageSize::A4));
  said.clear();
  AnswerMessageBox(IDOK, &said);
  PressPrint(*d);
  EXPECT_EQ(d->LastResult().outcome, PrintOutcome::PrinterLost);
  EXPECT_EQ(said, QStringLiteral("Printing error occured. Unable to find printer."));
}

TEST_F(PrintTest, TheMainWindowsPrintCommandOpensThePreview) {
  gbprint::PdfPrinters printers(pdf, int(screenX), QPageSize(QPageSize::A4));
  Open();
  Click(DlgFacecraft::kAddToSheet);
  bool printed = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<DlgPrint*>(QApplication::activeModalWidget());
    if (!d) return;
    d->OnPrint();
    printed = d->LastResult().outcome == PrintOutcome::Printed;
    qobject_cast<QAbstractButton*>(d->Item(IDCANCEL))->click();
  });
  Click(DlgFacecraft::kPrint);
  EXPECT_TRUE(printed);
  EXPECT_TRUE(QFile::exists(pdf));
}

}  // namespace
