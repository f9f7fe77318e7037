// glimmerbox-skinart: writes every skin picture of the built-in artwork into
// a folder (default: the source tree's assets/skin), so the files can be
// regenerated after the drawing code changes.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "skin/SkinResources.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // drawing needs no display
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(GB_SOURCE_SKIN_DIR);
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
    return 1;
  }
  int failed = 0;
  for (const SkinResource& res : SkinResourceTable()) {
    const QImage img = DrawSkinResource(res.id);
    const QString path = QDir(dir).filePath(QString::fromLatin1(res.file));
    if (img.isNull() || !img.save(path)) {
      std::fprintf(stderr, "failed: %s\n", qPrintable(path));
      ++failed;
    } else {
      std::printf("%5d  %-28s %dx%d\n", res.id, res.file, img.width(), img.height());
    }
  }
  return failed ? 1 : 0;
}
