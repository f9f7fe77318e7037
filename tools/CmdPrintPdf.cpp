// "print-pdf": a picture (a sheet, or a print picture) printed into a PDF by
// the same routine the print preview uses: page-wide strips at the picture's
// physical size on a 96-dpi screen, each page numbered in its footer.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <cstdio>
#include <cstdlib>

#include "output/print/PrintSheet.h"
#include "platform/printing/Printing.h"
#include "tools/Cli.h"
#include "tools/CliCompose.h"
#include "tools/CliPrint.h"

namespace {

constexpr const char* kCmd = "print-pdf";
constexpr const char* kUsage =
    "SHEET OUT.pdf [--printer-dpi N] [--page a4|letter|WxHmm]\n"
    "  Prints the picture as the print preview does: at its size on a 96-dpi screen (a 364-pixel\n"
    "  sheet is 96 mm wide), cut into page-wide strips, \"Page:i of n\" in each footer. The page has\n"
    "  no margins; the printer's resolution is N dots per inch (default 300, 72 to 2400).";
constexpr double kScreenDpi = 96;

// Fonts and the PDF engine need a GUI application; a tool without a display
// gets one on the offscreen platform.
bool EnsureGui() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
  if (QCoreApplication::instance()) return false;
  static int argc = 3;
  static char arg0[] = "glimmerbox-cli";
  static char arg1[] = "-platform";
  static char arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  return app != nullptr;
}

QImage QImageOf(const GbImage& picture) {
  QImage out(int(picture.Width()), int(picture.Height()), QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const RGBQUAD c = picture.ReadPixelColor(x, long(picture.Height()) - 1 - y, false);
      row[x] = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
  }
  return out;
}

int RunPrintPdf(const CliArgs& args) {
  const std::vector<std::string>& files = args.positional();
  if (files.size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli %s %s\n", kCmd, kUsage);
    return 2;
  }
  long dpi = 300;
  double w = 0, h = 0;
  if (!CliPrintOptions(args.valueOr("printer-dpi", "300"), args.valueOr("page", "a4"), dpi, w, h, kCmd)) return 2;
  if (!CliCheckOutputPaths({files[1]}, {files[0]}, kCmd)) return 2;
  GbImage picture;
  std::string error;
  if (!CliLoadPicture(files[0], picture, error)) {
    std::fprintf(stderr, "glimmerbox-cli %s: %s\n", kCmd, error.c_str());
    return 1;
  }
  return CliPrintPdf(picture, files[1], dpi, w, h, kCmd) ? 0 : 1;
}

}  // namespace

bool CliPrintOptions(const std::string& dpiText, const std::string& page, long& dpi, double& widthMm, double& heightMm,
                     const char* command) {
  if (!CliParseDecimal(dpiText, dpi) || dpi < 72 || dpi > 2400) {
    std::fprintf(stderr, "glimmerbox-cli %s: --printer-dpi is a whole number from 72 to 2400\n", command);
    return false;
  }
  if (page == "a4") {
    widthMm = 210, heightMm = 297;
  } else if (page == "letter") {
    widthMm = 215.9, heightMm = 279.4;
  } else {
    char* end = nullptr;
    widthMm = std::strtod(page.c_str(), &end);
    if (!end || *end != 'x') widthMm = 0;
    heightMm = end && *end == 'x' ? std::strtod(end + 1, &end) : 0;
    const bool mm = end && std::string(end) == "mm";
    if (!mm || !(widthMm >= 10 && widthMm <= 2000) || !(heightMm >= 10 && heightMm <= 2000)) {
      std::fprintf(stderr, "glimmerbox-cli %s: --page is a4, letter or WxHmm (10 to 2000 mm each, e.g. 100x150mm)\n",
                   command);
      return false;
    }
  }
  return true;
}

bool CliPrintPdf(const GbImage& picture, const std::string& pdf, long dpi, double widthMm, double heightMm,
                 const char* command) {
  if (!EnsureGui()) {
    std::fprintf(stderr, "glimmerbox-cli %s: printing needs a GUI application\n", command);
    return false;
  }
  gbprint::PdfPrinters printers(QString::fromStdString(pdf), int(dpi),
                                QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter));
  const PrintResult result = PrintBitmap(QImageOf(picture), nullptr, kScreenDpi, kScreenDpi);
  if (result.outcome != PrintOutcome::Printed) {
    std::fprintf(stderr, "glimmerbox-cli %s: %s\n", command,
                 result.message.isEmpty() ? "nothing was printed" : result.message.toUtf8().constData());
    return false;
  }
  std::printf("%s: %d page(s), %u x %u pixels printed %d printer pixels wide at %ld dpi, written to %s\n", command,
              result.layout.pages, picture.Width(), picture.Height(), int(picture.Width() * result.layout.scaleX), dpi,
              pdf.c_str());
  return true;
}

GB_CLI_COMMAND(kCmd, "print a picture into a PDF the way the print preview prints it", kUsage,
               std::vector<std::string>{"printer-dpi=", "page="}, RunPrintPdf);
