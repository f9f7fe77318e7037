#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>

#include "skin/gallery/Screenshots.h"
#include "tests/support/TestSupport.h"

TEST(SkinScreenshots, GalleryMenuAndMessageBoxesAreWritten) {
  gbtest::TempDir dir;
  const QStringList files = WriteSkinScreenshots(QString::fromStdString(dir.path().string()));
  EXPECT_EQ(files.size(), 9);
  for (const QString& f : files) {
    QImage img(f);
    ASSERT_FALSE(img.isNull()) << f.toStdString();
    EXPECT_GT(img.width(), 100);
  }
  QImage gallery(QString::fromStdString(dir.file("gallery.png")));
  ASSERT_EQ(gallery.size(), QSize(760, 560));
  EXPECT_EQ(qAlpha(gallery.pixel(0, 0)), 0);  // outside the rounded outline
  EXPECT_EQ(qAlpha(gallery.pixel(380, 280)), 255);
  EXPECT_EQ(QImage(QString::fromStdString(dir.file("msgbox_hi.png"))).width(), 180);
}
