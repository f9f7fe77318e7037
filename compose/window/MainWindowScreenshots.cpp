#include "compose/window/MainWindowScreenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <cstdio>

#include "compose/window/DlgConfigure.h"
#include "compose/window/DlgFacecraft.h"
#include "compose/window/DlgThumNail.h"
#include <QElapsedTimer>
#include "compose/model/BatchCompose.h"
#include "output/capture/CCaptureVideo.h"
#include "output/window/DlgPrint.h"
#include "output/window/DlgSavePicture.h"
#include "output/print/PrintSheet.h"
#include "platform/printing/Printing.h"
#include "skin/CSkinMenu.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"
#include "skin/GbSkinButton.h"
#include "skin/WindowShot.h"

namespace {

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void Click(DlgFacecraft& w, int id) {
  if (auto* b = qobject_cast<QAbstractButton*>(w.Item(id))) b->click();
  Settle();
}

bool Save(const QImage& image, const QString& dir, const QString& name, QStringList& written) {
  const QString path = QDir(dir).filePath(name);
  if (!image.save(path)) return false;
  written << path;
  return true;
}

// Fills every free slot, stepping through frames and photos as a user would.
void FillSheet(DlgFacecraft& w) {
  for (int n = 0; n < w.Sheet().SlotCount(); ++n) {
    if (w.Sheet().UsedSlots().size() == size_t(w.Sheet().SlotCount())) break;
    if (n % 2 == 1 && !w.StepPhoto(1)) w.StepPhoto(-1);
    Click(w, DlgFacecraft::kAddToSheet);
  }
}

class FirstPaintFilter : public QObject {
 public:
  FirstPaintFilter(QWidget& window, std::function<void()> done) : QObject(&window), done_(std::move(done)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && done_) {
      auto done = std::move(done_);
      done_ = nullptr;
      QTimer::singleShot(0, parent(), std::move(done));
    }
    return false;
  }

 private:
  std::function<void()> done_;
};

// Waits until the preview has drawn a few frames (false: no camera picture).
bool WaitForLivePicture(DlgFacecraft& w, uint64_t frames) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 10000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (w.Capture() && w.Capture()->Preview() && w.Capture()->Preview()->FramesShown() >= frames) return true;
  }
  return false;
}

// The live picture with the frame over it, the countdown running, and the
// snapshot in the first slot.
void WriteLiveScreenshots(DlgFacecraft& w, const QString& dir, QStringList& written) {
  Click(w, DlgFacecraft::kWebcam);
  if (!w.Live() || !WaitForLivePicture(w, 5)) {
    if (w.Live()) Click(w, DlgFacecraft::kWebcam);
    return;
  }
  Save(GrabShaped(&w), dir, QStringLiteral("main-live.png"), written);
  SettingsStore& settings = w.App().settings();
  const int delay = settings.ShottingDelay, autoChange = settings.AutoChangeFrame;
  settings.ShottingDelay = 3;
  settings.AutoChangeFrame = 0;
  QImage counting;
  QTimer watch;
  watch.setInterval(15);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* label = w.ItemAs<SkStatic>(DlgFacecraft::kCountdown);
    if (counting.isNull() && label && label->Text() == QStringLiteral("count down 2 seconds")) {
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      counting = GrabShaped(&w);
    }
  });
  watch.start();
  Click(w, DlgFacecraft::kSnapshot);
  watch.stop();
  if (!counting.isNull()) Save(counting, dir, QStringLiteral("main-live-countdown.png"), written);
  WaitForLivePicture(w, w.Capture()->Preview()->FramesShown() + 3);
  Save(GrabShaped(&w), dir, QStringLiteral("main-live-snapshot.png"), written);
  settings.ShottingDelay = delay;
  settings.AutoChangeFrame = autoChange;
  Click(w, DlgFacecraft::kWebcam);
}

}  // namespace

bool TimeWebcam(DlgFacecraft& w) {
  w.show();
  Settle();
  Click(w, DlgFacecraft::kWebcam);
  if (!w.Live()) {
    std::printf("no camera: the webcam box unchecked itself\n");
    return false;
  }
  if (!WaitForLivePicture(w, 5)) {
    std::printf("no picture from the camera\n");
    Click(w, DlgFacecraft::kWebcam);
    return false;
  }
  // The preview's rate over three seconds.
  const uint64_t shown0 = w.Capture()->Preview()->FramesShown(), read0 = w.Capture()->FramesRead();
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 5);
  const double seconds = t.elapsed() / 1000.0;
  std::printf("preview: %.1f frames/s drawn, %.1f frames/s from the camera\n",
              (w.Capture()->Preview()->FramesShown() - shown0) / seconds,
              (w.Capture()->FramesRead() - read0) / seconds);
  // Snapshots with the shortest countdown, frame overlay on.
  SettingsStore& settings = w.App().settings();
  settings.ShottingDelay = 0;
  settings.AutoChangeFrame = 0;
  long long least = -1, most = -1, total = 0;
  int taken = 0;
  for (int i = 0; i < 5; ++i) {
    Click(w, DlgFacecraft::kSnapshot);
    const long long ms = w.LastSnapshotMilliseconds();
    if (w.Sheet().UsedSlots().size() != size_t(i + 1) || ms < 0) break;
    least = least < 0 || ms < least ? ms : least;
    most = ms > most ? ms : most;
    total += ms;
    ++taken;
  }
  if (taken > 0)
    std::printf("countdown's end to sticker in its slot: %d snapshots, %lld..%lld ms, mean %lld ms\n", taken, least,
                most, total / taken);
  Click(w, DlgFacecraft::kWebcam);
  w.hide();
  return taken > 0;
}

QStringList WriteMainWindowScreenshots(DlgFacecraft& w, const QString& dir) {
  QDir().mkpath(dir);
  QStringList written;
  w.show();
  Settle();
  Save(GrabShaped(&w), dir, QStringLiteral("main-start.png"), written);

  // The photo made smaller and moved right and down, with the tracker round it.
  w.PlacePhoto(QRect(29 + 70, 59 + 40, 200, 150));
  Settle();
  Save(GrabShaped(&w), dir, QStringLiteral("main-photo-resized.png"), written);
  w.PlacePhoto(QRect(29, 59, 320, 240));
  w.StepPhoto(1);

  WriteLiveScreenshots(w, dir, written);
  // The snapshot (in the sheet and as the photo) holds whatever frame the
  // camera was at: the sheets below start empty and from a photo file, so
  // that they come out the same on every run.
  w.Sheet().ClearAll();
  w.StepPhoto(1);

  // A full sheet in each layout.
  for (int k = 0; k < 5; ++k) {
    Click(w, DlgFacecraft::kLayout0 + k);
    FillSheet(w);
    Settle();
    Save(GrabShaped(&w), dir, QStringLiteral("main-layout-%1.png").arg(k), written);
  }

  // The menu of a slot, drawn over the window where it opened.
  QImage withMenu;
  QTimer::singleShot(50, &w, [&] {
    CSkinMenu* menu = w.OpenMenu();
    if (!menu) return;
    menu->KeyPress(Qt::Key_Down);
    Settle();
    QImage base = GrabShaped(&w);
    if (QWidget* popup = menu->Window()) {
      QPainter p(&base);
      const QPoint at = popup->pos() - w.pos();
      p.fillRect(QRect(at + QPoint(3, 3), popup->size()), QColor(0, 0, 0, 40));
      p.drawImage(at, GrabShaped(popup));
    }
    withMenu = base;
    menu->KeyPress(Qt::Key_Escape);
  });
  if (QWidget* slot = w.Item(65520 + 1)) {
    const QPoint at(slot->width() / 2, slot->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(slot->mapToGlobal(at)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(slot, &press);
  }
  if (!withMenu.isNull()) Save(withMenu, dir, QStringLiteral("main-menu.png"), written);

  // The configuration window and a page of the starter frames, one cell under the mouse.
  if (CSysHelper* helper = w.App().sysHelper()) {
    SettingsStore& settings = w.App().settings();
    DlgConfigure configure(settings, *helper, &w);
    configure.show();
    Settle();
    Save(GrabShaped(&configure), dir, QStringLiteral("configure.png"), written);
    configure.hide();
    DlgThumNail browser(settings.PathFrame + "/", &w, false, settings, *helper);
    if (browser.Prepare()) {
      browser.show();
      QElapsedTimer t;
      t.start();
      while (browser.Filling() && t.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
      Settle();
      if (browser.Cells().size() > 2) browser.Cells()[2]->SetHover(true);
      Settle();
      Save(GrabShaped(&browser), dir, QStringLiteral("browser.png"), written);
      browser.hide();
    }
  }

  // The save-picture window with the second background chosen, and the print
  // preview at 1024 x 768 (60%), both over the full sheet of the last layout.
  const SharedBitmap sheet = w.Sheet().BuildSheet();
  const std::vector<RECT> stickers = StickerRectangles(w.Sheet());
  {
    DlgSavePicture save(sheet, stickers, w.App().settings(), {}, &w);
    save.show();
    Settle();
    if (auto* thumb = qobject_cast<QAbstractButton*>(save.Item(DlgSavePicture::kThumb1))) thumb->click();
    Settle();
    Save(GrabShaped(&save), dir, QStringLiteral("save-picture.png"), written);
    save.hide();
  }
  GbImage sheetImage, printPicture;
  if (ImageOfBitmap(sheet, sheetImage) && MakePrintPicture(sheetImage, &stickers, printPicture)) {
    DlgPrint print(printPicture, w.App().settings(), &w);
    print.show();
    Settle();
    Save(GrabShaped(&print), dir, QStringLiteral("print-start.png"), written);
    if (auto* size = print.ItemAs<SkComboBox>(DlgPrint::kSize)) size->SelectFromList(3);
    Settle();
    Save(GrabShaped(&print), dir, QStringLiteral("print-1024.png"), written);
    // What reaches the paper: A4 at twice the screen's resolution, two pages.
    double dpiX = 96, dpiY = 96;
    ScreenResolution(dpiX, dpiY);
    const QString pdf = dir + QStringLiteral("/print-1024.pdf");
    gbprint::PdfPrinters printers(pdf, int(dpiX * 2 + 0.5), QPageSize(QPageSize::A4));
    print.OnPrint();
    if (print.LastResult().outcome == PrintOutcome::Printed) written << pdf;
    print.hide();
  }
  w.hide();
  return written;
}

bool RunDemoSession(DlgFacecraft& w, const QString& path) {
  w.show();
  Settle();
  Click(w, DlgFacecraft::kNextFrame);
  for (int i = 0; i < 3; ++i) {
    Click(w, DlgFacecraft::kAddToSheet);
    w.StepPhoto(1);
  }
  Click(w, DlgFacecraft::kLayout0 + 1);
  const QImage shot = GrabShaped(&w);
  w.hide();
  const QFileInfo info(path);
  QDir().mkpath(info.absolutePath());
  return shot.save(path);
}

void WhenFirstPainted(QWidget& window, std::function<void()> done) {
  window.installEventFilter(new FirstPaintFilter(window, std::move(done)));
}

int TimeBrowserPage(DlgFacecraft& w, const std::string& folder) {
  CSysHelper* helper = w.App().sysHelper();
  if (!helper) return -1;
  QElapsedTimer t;
  t.start();
  DlgThumNail browser(folder, &w, false, w.App().settings(), *helper);
  if (!browser.Prepare()) return -1;
  browser.show();
  while (browser.Filling()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  QApplication::processEvents();
  int made = 0;
  for (const CThumbCell* c : browser.Cells()) made += !c->Thumbnail().isNull();
  std::printf("%d thumbnails of %zu files in %lld ms\n", made, browser.Entries().size(), (long long)t.elapsed());
  return made;
}
