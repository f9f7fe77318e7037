#include "skin/SkComboBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "skin/ComboWindow.h"
#include "skin/RegionFromBitmap.h"
#include "skin/SharedSkin.h"
#include "skin/SkinArt.h"
#include "skin/SkinEvent.h"
#include "skin/SkinTypes.h"

SkComboBox::SkComboBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setFont(SkinFont(QStringLiteral("Tahoma"), 12, 400));
}

SkComboBox::~SkComboBox() { ShowDropDown(false); }

int SkComboBox::AddString(const QString& text) {
  items_.append(text);
  update();
  return int(items_.size()) - 1;
}

int SkComboBox::InsertString(int index, const QString& text) {
  if (index < 0 || index > items_.size()) index = int(items_.size());
  items_.insert(index, text);
  if (cur_ >= index) ++cur_;
  update();
  return index;
}

int SkComboBox::DeleteString(int index) {
  if (index < 0 || index >= items_.size()) return -1;
  items_.removeAt(index);
  if (cur_ == index)
    cur_ = -1;
  else if (cur_ > index)
    --cur_;
  update();
  return int(items_.size());
}

void SkComboBox::ResetContent() {
  ShowDropDown(false);
  items_.clear();
  cur_ = -1;
  update();
}

QString SkComboBox::GetLBText(int index) const {
  return index >= 0 && index < items_.size() ? items_[index] : QString();
}

int SkComboBox::SetCurSel(int index) {
  cur_ = (index >= 0 && index < items_.size()) ? index : -1;
  update();
  return cur_;
}

void SkComboBox::SelectFromList(int index) {
  if (index < 0 || index >= items_.size()) return;
  SetCurSel(index);
  emit selectionChanged(index);
  SendSkinEvent(this, kNotifySelChange, index);
}

void SkComboBox::ShowDropDown(bool show) {
  if (show == IsDroppedDown()) return;
  if (show) {
    drop_ = new ComboWindow(this);
    connect(drop_, &ComboWindow::closed, this, [this] {
      if (drop_) drop_->deleteLater();
      drop_ = nullptr;
      qApp->removeEventFilter(this);
      update();
    });
    qApp->installEventFilter(this);
    drop_->Open();
  } else {
    ComboWindow* d = drop_;
    drop_ = nullptr;
    qApp->removeEventFilter(this);
    if (d) {
      d->hide();
      d->deleteLater();
    }
  }
  update();
}

void SkComboBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  ShowDropDown(!IsDroppedDown());
}

void SkComboBox::keyPressEvent(QKeyEvent* event) {
  if (drop_ && drop_->HandleKey(event->key())) return;
  switch (event->key()) {
    case Qt::Key_F4:
    case Qt::Key_Space: ShowDropDown(true); return;
    case Qt::Key_Down:
      if (event->modifiers() & Qt::AltModifier)
        ShowDropDown(true);
      else if (cur_ + 1 < items_.size())
        SelectFromList(cur_ + 1);
      return;
    case Qt::Key_Up:
      if (cur_ > 0) SelectFromList(cur_ - 1);
      return;
    default: QWidget::keyPressEvent(event);
  }
}

void SkComboBox::focusOutEvent(QFocusEvent* event) {
  // The list never takes the focus, so losing it means going elsewhere
  // (unless the platform activated the list itself).
  if (drop_ && QApplication::activeWindow() == drop_) return;
  ShowDropDown(false);
  QWidget::focusOutEvent(event);
}

bool SkComboBox::eventFilter(QObject* watched, QEvent* event) {
  // A press anywhere outside the box and its list closes the list.
  if (drop_ && event->type() == QEvent::MouseButtonPress) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w != this && w->window() != drop_) ShowDropDown(false);
  }
  return QWidget::eventFilter(watched, event);
}

void SkComboBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const SharedSkin& skin = GetSharedSkin();
  const QImage& face = skin.comboFace;
  const QImage& button = skin.comboButton;
  // The caps round off both ends of the box, so their corners are see-through.
  const QImage cap = skin.comboCap.isNull() ? QImage() : CursorImageFromBitmap(skin.comboCap, kSkinKey);
  const int h = height();
  const int bw = button.isNull() ? h : button.width() * h / std::max(1, button.height());
  const int cw = cap.isNull() ? 0 : cap.width();
  // Left cap, face, drop button, right cap.
  const QRect body(cw, 0, std::max(0, width() - bw - 2 * cw), h);
  const QRect buttonRect(body.right() + 1, 0, bw, h);
  if (!cap.isNull()) {
    p.drawImage(QRect(0, 0, cw, h), cap);
    p.drawImage(QRect(width() - cw, 0, cw, h), cap.mirrored(true, false));
  }
  if (!face.isNull())
    p.drawImage(body, face);
  else
    p.fillRect(body, Qt::white);
  if (!button.isNull()) p.drawImage(buttonRect, button);
  if (hasFocus() || IsDroppedDown()) {
    QColor focus = SkinArt::kAccent;
    focus.setAlpha(IsDroppedDown() ? 56 : 32);
    p.fillRect(body.adjusted(0, 2, 0, -1), focus);
    if (IsDroppedDown()) p.fillRect(buttonRect.adjusted(2, 2, 0, -1), focus);
  }
  if (cur_ >= 0) {
    p.setFont(font());
    p.setPen(isEnabled() ? SkinArt::kText : QColorFromRef(skin.comboColours[1]));
    p.drawText(QRect(cw + 2, 0, body.width() - 2, h), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               items_[cur_]);
  }
}
