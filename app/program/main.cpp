// glimmerbox: start-up, the main window, shutdown.
//   glimmerbox [project.quorra]        the program
//   glimmerbox --screenshots FOLDER    pictures of the main window in its main states
//   glimmerbox --demo PICTURE          a short scripted session, then a picture of it
//   glimmerbox --first-paint           ends as soon as the window has been drawn
//   glimmerbox --webcam-timing         the live preview's frame rate and the snapshot's
//                                      time into the sheet (the test-pattern camera
//                                      unless GLIMMERBOX_CAMERA says otherwise)
//   glimmerbox --thumbnails FOLDER     the asset browser's first page of FOLDER; ends when
//                                      its thumbnails are made and says how long that took
// --screenshots, --demo and --thumbnails need no display.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/FacecraftApp.h"
#include "compose/window/DlgFacecraft.h"
#include "compose/window/MainWindowScreenshots.h"
#include "layers/window/DlgMix.h"
#include "layers/window/LayerScreenshots.h"
#include "retouch/editor/EditorScreenshots.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SharedSkin.h"
#include "skin/SkinResources.h"

namespace {

struct Options {
  std::string screenshots;
  std::string demo;
  std::string thumbnails;
  bool firstPaint = false;
  bool webcamTiming = false;
  std::vector<std::string> rest;
};

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--screenshots") == 0 || std::strcmp(a, "--demo") == 0 || std::strcmp(a, "--thumbnails") == 0) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "glimmerbox: %s needs a file or folder name\n", a);
        return false;
      }
      (a[2] == 's' ? o.screenshots : a[2] == 'd' ? o.demo : o.thumbnails) = argv[++i];
    } else if (std::strcmp(a, "--webcam-timing") == 0) {
      o.webcamTiming = true;
    } else if (std::strcmp(a, "--first-paint") == 0) {
      o.firstPaint = true;
    } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::printf(
          "usage: glimmerbox [PROJECT.quorra]\n"
          "       glimmerbox --screenshots FOLDER | --demo PICTURE.png | --first-paint |"
          " --thumbnails FOLDER | --webcam-timing\n");
      std::exit(0);
    } else if (std::strcmp(a, "--") == 0) {
      for (++i; i < argc; ++i) o.rest.push_back(argv[i]);
    } else if (a[0] == '-') {
      std::fprintf(stderr, "glimmerbox: unknown option %s (glimmerbox --help lists them)\n", a);
      return false;
    } else {
      o.rest.push_back(a);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) return 2;
  const bool scripted =
      !options.screenshots.empty() || !options.demo.empty() || !options.thumbnails.empty() || options.webcamTiming;
  if (scripted) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Scripted runs show the live state with the synthetic camera, the same on every machine.
  if (scripted) setenv("GLIMMERBOX_CAMERA", "test-pattern", 0);
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Glimmerbox"));
  // Desktops match the windows to the installed desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.glimmerbox.Glimmerbox"));
  LoadSharedSkin();
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(LoadSkinIcon(128))));

  CFacecraftApp app;
  app.SetCommandLine(options.rest);
  bool closedByButton = false;
  int status = 0;
  app.mainWindowRunner = [&](CFacecraftApp& a) {
    InstallLayerEditor(a);
    DlgFacecraft window(a);
    a.mainWindow = &window;
    SetMainWindow(&window);
    if (!options.screenshots.empty()) {
      QStringList written = WriteMainWindowScreenshots(window, QString::fromStdString(options.screenshots));
      written << WriteEditorScreenshots(window.PhotoImage(), QString::fromStdString(options.screenshots));
      written << WriteLayerScreenshots(a, window.PhotoImage(), QString::fromStdString(options.screenshots));
      for (const QString& f : written) std::printf("%s\n", qPrintable(f));
      if (written.isEmpty()) status = 1;
    } else if (options.webcamTiming) {
      if (!TimeWebcam(window)) status = 1;
    } else if (!options.thumbnails.empty()) {
      const int made = TimeBrowserPage(window, options.thumbnails);
      if (made < 0) status = 1;
    } else if (!options.demo.empty()) {
      if (!RunDemoSession(window, QString::fromStdString(options.demo)))
        status = 1;
      else
        std::printf("%s\n", options.demo.c_str());
    } else {
      if (options.firstPaint) WhenFirstPainted(window, [&window] { window.done(IDCANCEL); });
      window.exec();
      closedByButton = window.ClosedByButton();
    }
    SetMainWindow(nullptr);
    a.mainWindow = nullptr;
  };
  if (!app.StartUp()) {
    std::fprintf(stderr, "glimmerbox: cannot start (out of memory)\n");
    return 1;
  }
  if (app.mainWindowRunner) app.mainWindowRunner(app);
  // The window's own close button ends the program without the shutdown;
  // scripted runs leave the user's key store alone as well.
  if (!closedByButton && !scripted && !options.firstPaint) app.ExitInstance();
  return status;
}
