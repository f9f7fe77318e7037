// The print picture and the print routine: the sheet with its gaps turned
// white, printed at the physical size it has on the screen and cut into
// page-wide strips, each page numbered in its footer.
#pragma once
#include <QImage>
#include <QString>
#include <vector>

#include "image/core/GbImage.h"
#include "platform/WinTypes.h"

class QWidget;

// The sheet over white, its centre colour (the black of the gaps) keyed out:
// everywhere, or with the sticker rectangles (sheet pixels, top-down) only
// outside them, so black in a photo prints black.
bool MakePrintPicture(const GbImage& sheet, const std::vector<RECT>* stickers, GbImage& out);

// Where the strips go. Sizes in printer pixels.
struct PrintLayout {
  int pageWidth = 0, pageHeight = 0;
  double scaleX = 0, scaleY = 0;  // printer pixels per screen pixel
  int pages = 0;
  int footerX = 0, footerY = 0;
  // Source column, source width and printed width of page i.
  int SourceX(int page) const;
  int SourceWidth(int page, int bitmapWidth) const;
  int PrintedWidth(int page, int bitmapWidth) const;
};
// false when there is no page to print on (no size or resolution) or nothing
// to print: a page width of 0 would divide by zero.
bool ComputePrintLayout(int bitmapWidth, int pageWidth, int pageHeight, int printerDpiX, int printerDpiY,
                        double screenDpiX, double screenDpiY, PrintLayout& layout);

enum class PrintOutcome { Printed, Cancelled, NoBitmap, NoPrinter, PrinterLost };
struct PrintResult {
  PrintOutcome outcome = PrintOutcome::NoPrinter;
  QString message;  // for the user; empty when printed or cancelled
  PrintLayout layout;
};

extern const char* const kPrintNoResource;
extern const char* const kPrintNoPrinter;
extern const char* const kPrintFailed;

// Prints the picture on the default printer of gbprint::CurrentPrinters()
// after its print dialog. The caller shows the message.
PrintResult PrintBitmap(const QImage& picture, QWidget* parent, double screenDpiX, double screenDpiY);
// The screen's resolution the picture is measured against.
void ScreenResolution(double& dpiX, double& dpiY);
