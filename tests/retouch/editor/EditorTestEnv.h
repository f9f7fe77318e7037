// An editor on a made-up picture in a private home, and the helpers the
// journeys share: clicking the editor's buttons, answering the dialogs it
// opens, comparing pictures.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "image/core/GbImage.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "retouch/editor/DlgEffect.h"
#include "retouch/editor/DlgFilter.h"
#include "skin/CIconButton.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkStatic.h"
#include "tests/platform/profile/SandboxEnv.h"

namespace editortest {

inline void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A 24-bit picture with no two neighbours alike and a different top and bottom.
inline GbImage Gradient(uint32_t w, uint32_t h) {
  GbImage image(w, h, 24);
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* row = image.RowBits(y);
    for (uint32_t x = 0; x < w; ++x) {
      row[3 * x] = uint8_t(x * 7 + y);
      row[3 * x + 1] = uint8_t(y * 5);
      row[3 * x + 2] = uint8_t((x * y) ^ 0x5A);
    }
  }
  return image;
}

inline bool SamePixels(const GbImage& a, const GbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitsPerPixel() != b.BitsPerPixel()) return false;
  const size_t row = size_t(a.Width()) * a.BitsPerPixel() / 8;
  for (uint32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.RowBits(y), b.RowBits(y), row) != 0) return false;
  return true;
}

// Runs action once the next modal window of type T is open.
template <class T>
void WhenOpen(std::function<void(T*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!w) return;
    timer->stop();
    timer->deleteLater();
    action(w);
  });
  timer->start();
}

inline void ClickButton(QWidget* b) {
  ASSERT_NE(b, nullptr);
  QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() / 2, b->height() / 2));
  Settle();
}

// The next message box is closed with OK; its text goes into *seen.
inline void AnswerMessageBox(QString* seen) {
  WhenOpen<MessageBoxDlg>([seen](MessageBoxDlg* box) {
    if (seen) *seen = box->MessageLabel()->Text();
    box->Button(IDOK)->click();
  });
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override { dialogs = std::make_unique<gbdlg::ScriptedDialogs>(); }
  void TearDown() override {
    editor.reset();
    dialogs.reset();
  }
  DlgFilter& Open(const GbImage& picture) {
    editor = std::make_unique<DlgFilter>(picture.HasPixels() ? picture.MakeDibSection() : nullptr);
    editor->show();
    Settle();
    return *editor;
  }
  void Click(int id) { ClickButton(editor->Item(id)); }
  GbImage& Working() { return *editor->WorkingImage(); }
  GbImage Snapshot() { return GbImage(Working()); }

  SandboxEnv env;
  std::unique_ptr<gbdlg::ScriptedDialogs> dialogs;
  std::unique_ptr<DlgFilter> editor;
};

}  // namespace editortest
