#include "output/print/PrintSheet.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "compose/model/BatchCompose.h"
#include "compose/model/Composition.h"
#include "platform/printing/Printing.h"

const char* const kPrintNoResource =
    "Not enough resource for the bitmap. Either reduce the bitmap dimension or\nswitch to lower screen setting "
    "(e.g. 256-color mode), and try again.";
const char* const kPrintNoPrinter = "Can not find printer. Please check installed/default printers.";
const char* const kPrintFailed = "Printing error occured. Unable to find printer.";

bool MakePrintPicture(const GbImage& sheet, const std::vector<RECT>* stickers, GbImage& out) {
  if (!sheet.HasPixels()) return false;
  GbImage overlay, base;
  if (!overlay.CopyFrom(sheet) || (overlay.BitsPerPixel() < 24 && !overlay.RaiseBpp(24))) return false;
  if (!MakeEmptySlotPicture(base)) return false;
  if (base.BitsPerPixel() < 24 && !base.RaiseBpp(24)) return false;
  if ((base.Width() != overlay.Width() || base.Height() != overlay.Height()) &&
      !base.ResampleInterpolated(long(overlay.Width()), long(overlay.Height()), GbImage::kCatmullRom, GbImage::kRepeat))
    return false;
  if (!PasteSheetKeyed(base, overlay, stickers)) return false;
  return out.TakeOver(base);
}

int PrintLayout::SourceX(int page) const { return int(page * pageWidth / scaleX); }

int PrintLayout::SourceWidth(int page, int bitmapWidth) const {
  const int strip = int(pageWidth / scaleX);
  // Limited to the picture: nothing beyond its right edge is printed.
  return std::max(0, std::min(strip, bitmapWidth - SourceX(page)));
}

int PrintLayout::PrintedWidth(int page, int bitmapWidth) const {
  const int width = SourceWidth(page, bitmapWidth);
  return width == int(pageWidth / scaleX) ? pageWidth : int(width * scaleX);
}

bool ComputePrintLayout(int bitmapWidth, int pageWidth, int pageHeight, int printerDpiX, int printerDpiY,
                        double screenDpiX, double screenDpiY, PrintLayout& layout) {
  layout = PrintLayout{};
  if (bitmapWidth <= 0 || pageWidth <= 0 || pageHeight <= 0 || printerDpiX <= 0 || printerDpiY <= 0 ||
      !(screenDpiX > 0) || !(screenDpiY > 0))
    return false;
  layout.pageWidth = pageWidth;
  layout.pageHeight = pageHeight;
  layout.scaleX = printerDpiX / screenDpiX;
  layout.scaleY = printerDpiY / screenDpiY;
  // A page narrower than one screen pixel would make empty strips forever.
  if (int(pageWidth / layout.scaleX) <= 0) return false;
  layout.footerX = int(pageWidth * 0.9);
  layout.footerY = int(pageHeight * 0.99);
  layout.pages = int((pageWidth + bitmapWidth * layout.scaleX - 1) / pageWidth);
  return layout.pages > 0;
}

void ScreenResolution(double& dpiX, double& dpiY) {
  dpiX = dpiY = 96;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dpiX = screen->logicalDotsPerInchX();
    dpiY = screen->logicalDotsPerInchY();
  }
}

PrintResult PrintBitmap(const QImage& picture, QWidget* parent, double screenDpiX, double screenDpiY) {
  PrintResult result;
  // 1. The picture in memory.
  const QImage source = picture.convertToFormat(QImage::Format_RGB32);
  if (source.isNull() || source.width() <= 0 || source.height() <= 0) {
    result.outcome = PrintOutcome::NoBitmap;
    result.message = QString::fromUtf8(kPrintNoResource);
    return result;
  }
  // 2, 3. The printer, its page and scale. No printer at all is refused here.
  std::unique_ptr<QPrinter> printer = gbprint::CurrentPrinters().DefaultPrinter();
  PrintLayout layout;
  auto measure = [&] {
    const int dpi = printer->resolution();
    const QRect page = printer->pageLayout().paintRectPixels(dpi);
    return ComputePrintLayout(source.width(), page.width(), page.height(), dpi, dpi, screenDpiX, screenDpiY, layout);
  };
  if (!printer || !measure()) {
    result.outcome = PrintOutcome::NoPrinter;
    result.message = QString::fromUtf8(kPrintNoPrinter);
    return result;
  }
  // 6. The print dialog; the range chosen there is not used: all pages print.
  printer->setDocName(QStringLiteral("Glimmerbox"));
  if (!gbprint::CurrentPrinters().ShowPrintDialog(*printer, parent, layout.pages)) {
    result.outcome = PrintOutcome::Cancelled;
    return result;
  }
  printer->setPrintRange(QPrinter::AllPages);
  // The user may have chosen another printer or paper: measure again.
  if (!measure()) {
    result.outcome = PrintOutcome::NoPrinter;
    result.message = QString::fromUtf8(kPrintNoPrinter);
    return result;
  }
  result.layout = layout;
  // 7. The document.
  QPainter painter;
  if (!painter.begin(printer.get())) {
    result.outcome = PrintOutcome::PrinterLost;
    result.message = QString::fromUtf8(kPrintFailed);
    return result;
  }
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(10);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetrics metrics(font, printer.get());
  // Rows below the page are never printed; leaving them out also keeps a
  // tall picture at a fine printer resolution from needing a huge strip.
  const int fullHeight = int(source.height() * layout.scaleY);
  const int printedHeight = std::min(fullHeight, layout.pageHeight);
  const int sourceHeight =
      printedHeight == fullHeight ? source.height() : std::max(1, int(printedHeight / layout.scaleY));
  // 8. One page-wide strip per page, stretched as the screen-to-printer
  // scale asks (rows and columns repeated, no blending), then the footer.
  for (int i = 0; i < layout.pages; ++i) {
    if (i > 0 && !printer->newPage()) {
      painter.end();
      result.outcome = PrintOutcome::PrinterLost;
      result.message = QString::fromUtf8(kPrintFailed);
      return result;
    }
    const int sourceWidth = layout.SourceWidth(i, source.width());
    const int printedWidth = layout.PrintedWidth(i, source.width());
    if (sourceWidth > 0 && printedWidth > 0 && printedHeight > 0) {
      const QImage strip = source.copy(layout.SourceX(i), 0, sourceWidth, sourceHeight)
                               .scaled(printedWidth, printedHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
      painter.drawImage(QPoint(0, 0), strip);
    }
    const QString footer = QStringLiteral("Page:%1 of %2").arg(i + 1).arg(layout.pages);
    // The footer's baseline sits at the footer position; it is pulled left
    // when it would run off a narrow page.
    const int x = std::max(0, std::min(layout.footerX, layout.pageWidth - metrics.horizontalAdvance(footer)));
    painter.drawText(QPoint(x, layout.footerY), footer);
  }
  // 9.
  painter.end();
  result.outcome = PrintOutcome::Printed;
  return result;
}
