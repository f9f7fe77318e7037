#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTimer>

#include "skin/CIconButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkStatic.h"
#include "tests/skin/SkinTestEnv.h"

TEST(MessageBoxDlg, ShortTextIs180WideAndLaidOut) {
  MessageBoxDlg box(QStringLiteral("Hi"), MB_OK);
  const int lineH = QFontMetrics(box.MessageLabel()->DrawFont()).height();
  EXPECT_EQ(box.width(), 180);
  EXPECT_EQ(box.height(), lineH + 1 + 102);
  const int W = 180, H = box.height();
  EXPECT_EQ(box.Title(), QStringLiteral("Information"));
  EXPECT_EQ(box.IconControl()->geometry(), QRect(4, (H - 32) / 2, 32, 32));
  EXPECT_EQ(box.Button(kCloseControlId)->geometry(), QRect(W - 32, 5, 18, 18));
  EXPECT_EQ(box.TitleLabel()->geometry(), QRect(4, 5, 120, 16));
  // A single OK sits in the middle.
  EXPECT_EQ(box.Button(IDOK)->geometry(), QRect(W / 2 - 35, H - 40, 70, 20));
  EXPECT_FALSE(box.Button(IDCANCEL)->isVisibleTo(&box));
  EXPECT_EQ(box.Button(IDOK)->text(), QStringLiteral("OK"));
}

TEST(MessageBoxDlg, WidthFollowsTheWidestLine) {
  const QString a = QStringLiteral("A fairly long first line of the message");
  MessageBoxDlg box(a + QStringLiteral("\nshort"), MB_OKCANCEL | MB_ICONWARNING);
  const QFontMetrics fm(box.MessageLabel()->DrawFont());
  const int running = fm.horizontalAdvance(a) + 10;
  EXPECT_EQ(box.width(), std::max(180, running + 60));
  EXPECT_EQ(box.height(), 2 * (fm.height() + 1) + 102);
  EXPECT_EQ(box.MessageLabel()->size(), QSize(running + 10, 2 * (fm.height() + 1) + 2));
  EXPECT_EQ(box.Title(), QStringLiteral("Warning"));
  EXPECT_TRUE(box.Button(IDCANCEL)->isVisibleTo(&box));
  EXPECT_EQ(box.Button(IDCANCEL)->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(box.Button(IDCANCEL)->x(), box.width() / 2 + 2);
}

TEST(MessageBoxDlg, QuestionYesNoResults) {
  {
    MessageBoxDlg box(QStringLiteral("Sure?"), 0x24);
    EXPECT_EQ(box.Title(), QStringLiteral("Question"));
    EXPECT_EQ(box.Button(IDOK)->text(), QStringLiteral("Yes"));
    EXPECT_EQ(box.Button(IDCANCEL)->text(), QStringLiteral("No"));
    EXPECT_EQ(box.IconControl()->Icon(), MessageBoxDlg::TypeIcon(MB_ICONQUESTION));
    QTimer::singleShot(0, [&] { box.Button(IDOK)->click(); });
    EXPECT_EQ(box.exec(), IDYES);
    EXPECT_EQ(box.Result(), IDYES);
  }
  {
    MessageBoxDlg box(QStringLiteral("Sure?"), 0x24);
    QTimer::singleShot(0, [&] { box.Button(kCloseControlId)->click(); });
    EXPECT_EQ(box.exec(), IDNO);
  }
  {
    MessageBoxDlg box(QStringLiteral("Sure?"), 0x24);
    QTimer::singleShot(0, [&] {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&box, &esc);
    });
    EXPECT_EQ(box.exec(), IDNO);
  }
}

TEST(MessageBoxDlg, TypeThreeKeepsTheTwoButtonPlace) {
  MessageBoxDlg box(QStringLiteral("Three"), 3);
  EXPECT_EQ(box.Button(IDOK)->text(), QStringLiteral("OK"));
  EXPECT_FALSE(box.Button(IDCANCEL)->isVisibleTo(&box));
  EXPECT_EQ(box.Button(IDOK)->x(), box.width() / 2 - 72);
  QTimer::singleShot(0, [&] { box.Button(IDOK)->click(); });
  EXPECT_EQ(box.exec(), IDOK);
}

TEST(MessageBoxDlg, CaptionReplacesTitleAndEscapeCancels) {
  MessageBoxDlg box(QStringLiteral("  The image saved successed!  "), MB_ICONINFORMATION, QStringLiteral("Save info"));
  EXPECT_EQ(box.Title(), QStringLiteral("Save info"));
  EXPECT_EQ(box.DragStrip(), SkinDialog::kDragWholeWindow);
  QTimer::singleShot(0, [&] { box.reject(); });
  EXPECT_EQ(box.exec(), IDCANCEL);
  EXPECT_EQ(MessageBoxDlg::TypeIcon(0x10).size(), QSize(32, 32));
}

TEST(ShowMessageBox, CentresOnTheOwnerAndReturnsTheResult) {
  skintest::RecordingDialog owner;
  owner.setGeometry(100, 100, 400, 300);
  owner.show();
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<MessageBoxDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    const QPoint centre = owner.mapToGlobal(QPoint(200, 150));
    EXPECT_LE(std::abs(box->geometry().center().x() - centre.x()), 2);
    EXPECT_LE(std::abs(box->geometry().center().y() - centre.y()), 2);
    box->Button(IDCANCEL)->click();
  });
  EXPECT_EQ(ShowMessageBox(QStringLiteral("Go on?"), QString(), MB_OKCANCEL, &owner), IDCANCEL);
}
