// glimmerbox-gallery: the control gallery window.
//   glimmerbox-gallery                  shows the gallery
//   glimmerbox-gallery --screenshots D  writes PNG screenshots into D and exits
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "skin/SharedSkin.h"
#include "skin/gallery/Screenshots.h"
#include "skin/gallery/SkinGallery.h"

int main(int argc, char** argv) {
  // Screenshots need no display.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--screenshots") == 0) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  LoadSharedSkin();
  const QStringList args = app.arguments();
  const int at = args.indexOf(QStringLiteral("--screenshots"));
  if (at >= 0) {
    if (at + 1 >= args.size()) {
      std::fprintf(stderr, "usage: glimmerbox-gallery --screenshots FOLDER\n");
      return 2;
    }
    const QStringList files = WriteSkinScreenshots(args[at + 1]);
    for (const QString& f : files) std::printf("%s\n", qPrintable(f));
    return files.isEmpty() ? 1 : 0;
  }
  SkinGallery gallery;
  gallery.exec();
  return 0;
}
