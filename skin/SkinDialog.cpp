#include "skin/SkinDialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "skin/RegionFromBitmap.h"
#include "skin/SkinResources.h"

SkinDialog::SkinDialog(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

SkinDialog::~SkinDialog() = default;

bool SkinDialog::SetSkin(int backgroundId, int width, int height, int dragStrip) {
  return SetSkinImage(LoadSkinBitmap(backgroundId), width, height, dragStrip);
}

bool SkinDialog::SetSkinImage(const QImage& background, int width, int height, int dragStrip) {
  background_ = background;
  dragStrip_ = dragStrip;
  setFixedSize(width, height);
  ApplyShape();
  CentreOnScreen();
  update();
  return !background_.isNull();
}

void SkinDialog::SetShapeImage(const QImage& shape) {
  shape_ = shape;
  shapeFromBackground_ = false;
  ApplyShape();
}

void SkinDialog::ApplyShape() {
  const QImage& source = shapeFromBackground_ ? background_ : shape_;
  std::optional<QRegion> region = RegionFromBitmap(source, kSkinKey, 0);
  if (region)
    setMask(*region);
  else
    clearMask();  // no bitmap: keep the rectangular shape
}

void SkinDialog::Place(QWidget* control, int id, const QRect& rect) {
  if (!control) return;
  if (control->parentWidget() != this) control->setParent(this);
  SetControlId(control, id);
  control->setGeometry(rect);
  control->show();
}

QWidget* SkinDialog::Item(int id) const {
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (ControlId(w) == id) return w;
  for (QWidget* w : findChildren<QWidget*>())
    if (ControlId(w) == id) return w;
  return nullptr;
}

void SkinDialog::MoveItem(int id, int x, int y, int w, int h) {
  if (QWidget* c = Item(id)) c->setGeometry(x, y, w, h);
}

void SkinDialog::ShowItem(int id, bool show) {
  if (QWidget* c = Item(id)) c->setVisible(show);
}

void SkinDialog::EnableItem(int id, bool enable) {
  if (QWidget* c = Item(id)) c->setEnabled(enable);
}

void SkinDialog::CentreOn(const QRect& globalRect) { move(globalRect.center() - QPoint(width() / 2, height() / 2)); }

void SkinDialog::CentreOnScreen() {
  QScreen* screen = nullptr;
  if (parentWidget() && parentWidget()->screen()) screen = parentWidget()->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) CentreOn(screen->availableGeometry());
}

bool SkinDialog::OnSkinEvent(const SkinEvent& event) {
  if (dispatch_ && dispatch_(event)) return true;
  if (event.code != kNotifyClicked) return false;
  switch (event.id) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    case kCloseControlId: OnCloseButton(); return true;
    default: return false;
  }
}

void SkinDialog::BeginMove(QPoint globalPos) {
  emit dragStarted(globalPos);
  QWindow* handle = windowHandle();
  if (handle && handle->startSystemMove()) return;
  // The platform cannot move it: follow the mouse ourselves.
  manualMove_ = true;
  moveOffset_ = globalPos - frameGeometry().topLeft();
  grabMouse();
  qApp->installEventFilter(this);
}

bool SkinDialog::event(QEvent* e) {
  if (e->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(e);
    const int y = int(me->position().y());
    if (me->button() == Qt::LeftButton && y >= 0 && y < dragStrip_) BeginMove(me->globalPosition().toPoint());
    // Handled as usual as well, so a window with its own press handling sees it.
  }
  return QDialog::event(e);
}

bool SkinDialog::eventFilter(QObject* watched, QEvent* e) {
  if (manualMove_) {
    if (e->type() == QEvent::MouseMove) {
      move(static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - moveOffset_);
      return true;
    }
    if (e->type() == QEvent::MouseButtonRelease) {
      manualMove_ = false;
      releaseMouse();
      qApp->removeEventFilter(this);
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void SkinDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (background_.isNull()) {
    p.fillRect(rect(), palette().window());
    return;
  }
  p.drawImage(rect(), background_);
}

void SkinDialog::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() & ~(Qt::KeypadModifier)) {
    QDialog::keyPressEvent(e);
    return;
  }
  switch (e->key()) {
    case Qt::Key_Escape: {
      SkinEvent ev{kNotifyClicked, IDCANCEL, 0, this};
      OnSkinEvent(ev);
      return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      SkinEvent ev{kNotifyClicked, defaultId_, 0, this};
      OnSkinEvent(ev);
      return;
    }
    default: QDialog::keyPressEvent(e);
  }
}
