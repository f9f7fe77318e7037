#include "platform/printing/Printing.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace gbprint {
namespace {

class SystemPrinters : public Printers {
 public:
  std::unique_ptr<QPrinter> DefaultPrinter() override {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
      // No default set: any installed printer will do; none at all means refuse.
      const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
      if (all.isEmpty()) return nullptr;
      info = all.front();
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) return nullptr;
    return printer;
  }
  bool ShowPrintDialog(QPrinter& printer, QWidget* parent, int maxPage) override {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, maxPage);
    dialog.setFromTo(1, maxPage);
    return dialog.exec() == QDialog::Accepted;
  }
};

Printers* g_installed = nullptr;

}  // namespace

Printers& CurrentPrinters() {
  static SystemPrinters system;
  return g_installed ? *g_installed : system;
}

void SetPrinters(Printers* printers) { g_installed = printers; }

PdfPrinters::PdfPrinters(const QString& path, int dpi, const QPageSize& page, bool install)
    : path_(path), dpi_(dpi), page_(page), installed_(install) {
  if (installed_) {
    previous_ = g_installed;
    SetPrinters(this);
  }
}

PdfPrinters::~PdfPrinters() {
  if (installed_ && g_installed == this) SetPrinters(previous_);
}

std::unique_ptr<QPrinter> PdfPrinters::DefaultPrinter() {
  if (noPrinter_) return nullptr;
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(path_);
  printer->setResolution(dpi_);
  printer->setPageSize(page_);
  printer->setPageOrientation(QPageLayout::Portrait);
  printer->setFullPage(true);
  printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  return printer;
}

bool PdfPrinters::ShowPrintDialog(QPrinter&, QWidget*, int maxPage) {
  asked_.push_back(maxPage);
  if (answers_.empty()) return true;
  const bool print = answers_.front();
  answers_.pop_front();
  return print;
}

}  // namespace gbprint
