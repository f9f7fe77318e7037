// A main window in a private home with the starter templates, and the
// helpers the journeys share: clicking controls, dragging with the mouse,
// answering message boxes and menus.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "app/FacecraftApp.h"
#include "compose/window/DlgFacecraft.h"
#include "compose/window/PictureViews.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "skin/CSkinMenu.h"
#include "skin/GbSkinButton.h"
#include "skin/CIconButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkStatic.h"
#include "tests/platform/profile/SandboxEnv.h"

namespace wintest {

inline void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Sends a mouse event to a widget at a point of its own; the global position
// may lie elsewhere (a release over another window).
inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, QPoint global) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent e(type, QPointF(at), QPointF(global), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// The next message box that opens is answered with the button id; the text
// it showed goes into *seen.
inline void AnswerMessageBox(int button, QString* seen = nullptr) {
  // Owned by the application, so a box that never comes leaks nothing.
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, button, seen] {
    auto* box = qobject_cast<MessageBoxDlg*>(QApplication::activeModalWidget());
    if (!box) return;
    if (seen) *seen = box->MessageLabel()->Text();
    timer->stop();
    timer->deleteLater();
    // Yes and No sit where OK and Cancel do.
    box->Button(button == IDYES ? IDOK : button == IDNO ? IDCANCEL : button)->click();
  });
  timer->start();
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<CFacecraftApp>(store);
    ASSERT_TRUE(app->StartUp());
    dialogs = std::make_unique<gbdlg::ScriptedDialogs>();
  }
  void TearDown() override {
    window.reset();
    dialogs.reset();
    app.reset();
  }
  DlgFacecraft& Open() {
    window = std::make_unique<DlgFacecraft>(*app);
    window->show();
    Settle();
    return *window;
  }
  void Click(int id) {
    auto* b = qobject_cast<QAbstractButton*>(window->Item(id));
    ASSERT_NE(b, nullptr) << id;
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() / 2, b->height() / 2));
    Settle();
  }
  SlotPicture* Slot(int i) { return window->SlotWidget(i); }
  static QPoint Centre(QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }
  // A press on slot `from` and the release over slot `to`.
  void DragSlot(int from, int to) {
    SlotPicture* a = Slot(from);
    SlotPicture* b = Slot(to);
    Mouse(a, QEvent::MouseButtonPress, Centre(a), Qt::LeftButton, a->mapToGlobal(Centre(a)));
    const QPoint global = b->mapToGlobal(Centre(b));
    Mouse(a, QEvent::MouseButtonRelease, a->mapFromGlobal(global), Qt::LeftButton, global);
    Settle();
  }
  // Right-clicks a slot and chooses a menu command with the keyboard.
  void MenuCommand(int slot, int command) {
    SlotPicture* s = Slot(slot);
    QTimer::singleShot(0, [this, command] {
      CSkinMenu* menu = window->OpenMenu();
      if (!menu) return;
      for (int i = 0; i < menu->ItemCount(); ++i) {
        menu->KeyPress(Qt::Key_Down);
        if (menu->ItemAt(menu->HotItem()).id == command) break;
      }
      menu->KeyPress(Qt::Key_Return);
    });
    Mouse(s, QEvent::MouseButtonPress, Centre(s), Qt::RightButton, s->mapToGlobal(Centre(s)));
    Settle();
  }

  SandboxEnv env;
  SettingsStore store;
  std::unique_ptr<CFacecraftApp> app;
  std::unique_ptr<gbdlg::ScriptedDialogs> dialogs;
  std::unique_ptr<DlgFacecraft> window;
};

}  // namespace wintest
