// glimmerbox-skinart: writes every skin picture of the built-in artwork into
// a folder (default: the source tree's assets/skin), so the files can be
// regenerated after the drawing code changes.
//   glimmerbox-skinart [FOLDER]          the skin pictures
//   glimmerbox-skinart --icons FOLDER    the program and project-file icons
//                                        as an icon theme tree (hicolor/NxN/...)
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include <cstring>

#include "skin/SkinArt.h"
#include "skin/SkinResources.h"

namespace {

// The sizes desktops look for in the hicolor theme.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

int WriteIcons(const QString& root) {
  int failed = 0;
  for (int size : kIconSizes) {
    const QString dir = QStringLiteral("%1/hicolor/%2x%2").arg(root).arg(size);
    const struct {
      QString path;
      QImage img;
    } icons[] = {{dir + "/apps/glimmerbox.png", SkinArt::AppIcon(size)},
                 {dir + "/mimetypes/application-x-glimmerbox-project.png", SkinArt::ProjectFileIcon(size)}};
    for (const auto& icon : icons) {
      if (!QDir().mkpath(QFileInfo(icon.path).path()) || !icon.img.save(icon.path)) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(icon.path));
        ++failed;
      } else {
        std::printf("%s\n", qPrintable(icon.path));
      }
    }
  }
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // drawing needs no display
  QGuiApplication app(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--icons") == 0) {
    if (argc != 3) {
      std::fprintf(stderr, "usage: glimmerbox-skinart --icons FOLDER\n");
      return 2;
    }
    return WriteIcons(QString::fromLocal8Bit(argv[2]));
  }
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
