// The printer the print routine draws on and the print dialog it shows. The
// windows ask Printers(); tests and the command line install a PdfPrinters,
// which prints into a PDF file and answers the dialog from a script.
#pragma once
#include <QPageSize>
#include <QString>
#include <deque>
#include <memory>

class QPrinter;
class QWidget;

namespace gbprint {

class Printers {
 public:
  virtual ~Printers() = default;
  // The default printer ready to print, or null when there is none at all.
  virtual std::unique_ptr<QPrinter> DefaultPrinter() = 0;
  // The system print dialog with page numbers allowed from 1 to maxPage;
  // false when the user cancelled. The printer may be changed by the user.
  virtual bool ShowPrintDialog(QPrinter& printer, QWidget* parent, int maxPage) = 0;
};

// The printers in use: the system's unless a test installed others.
Printers& CurrentPrinters();
// Installs printers (not owned); nullptr goes back to the system's.
void SetPrinters(Printers* printers);

// Prints into a PDF file at a given resolution and page size, with no margins.
// Installs itself for its lifetime when asked to.
class PdfPrinters : public Printers {
 public:
  PdfPrinters(const QString& path, int dpi, const QPageSize& page, bool install = true);
  ~PdfPrinters() override;
  // No printer at all: DefaultPrinter answers null.
  void SetNoPrinter(bool none) { noPrinter_ = none; }
  // Answers for the coming print dialogs (true prints, false cancels); with
  // none queued the dialog is accepted.
  void QueueDialogAnswer(bool print) { answers_.push_back(print); }
  // The page maximum each dialog offered, in order.
  const std::deque<int>& DialogMaxPages() const { return asked_; }

  std::unique_ptr<QPrinter> DefaultPrinter() override;
  bool ShowPrintDialog(QPrinter& printer, QWidget* parent, int maxPage) override;

 private:
  QString path_;
  int dpi_;
  QPageSize page_;
  bool installed_;
  bool noPrinter_ = false;
  std::deque<bool> answers_;
  std::deque<int> asked_;
  Printers* previous_ = nullptr;
};

}  // namespace gbprint
