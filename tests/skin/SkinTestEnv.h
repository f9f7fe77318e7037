// The application object and helpers the skin tests share.
#pragma once
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "skin/SkinDialog.h"

namespace skintest {

// Sends a mouse event straight to a widget (buttons held as given).
inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::MouseButtons held = Qt::LeftButton) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// A dialog that records every notification it hears.
class RecordingDialog : public SkinDialog {
 public:
  using SkinDialog::SkinDialog;
  std::vector<SkinEvent> events;
  bool OnSkinEvent(const SkinEvent& e) override {
    events.push_back(e);
    return SkinDialog::OnSkinEvent(e);
  }
  int Count(int code, int id) const {
    int n = 0;
    for (const auto& e : events) n += (e.code == code && e.id == id);
    return n;
  }
};

}  // namespace skintest
