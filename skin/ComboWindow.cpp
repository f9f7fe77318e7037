#include "skin/ComboWindow.h"

#include <QGuiApplication>
#include <algorithm>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "skin/SharedSkin.h"
#include "skin/SkComboBox.h"
#include "skin/SkScrollBar.h"
#include "skin/SkinArt.h"
#include "skin/SkinTypes.h"

ComboWindow::Layout ComboWindow::Measure(const std::vector<int>& textHeights, const std::vector<int>& textWidths,
                                         int comboWidth, int droppedHeight) {
  Layout l;
  const size_t n = textHeights.size();
  int y = 3, total = 0, widest = 0;
  for (size_t i = 0; i < n; ++i) {
    l.items.emplace_back(5, y, 0, textHeights[i] + 3);
    y += textHeights[i] + 4;
    total += textHeights[i] + 4;
    if (i < textWidths.size()) widest = std::max(widest, textWidths[i]);
  }
  int height = total + 5;
  l.visible = int(n);
  if (height > droppedHeight) {
    // Only the items that fit are shown, with a scroll bar.
    l.scrollBar = true;
    int used = 0;
    l.visible = 0;
    for (size_t i = 0; i < n; ++i) {
      if (used + textHeights[i] + 4 + 5 > droppedHeight) break;
      used += textHeights[i] + 4;
      ++l.visible;
    }
    height = used + 5;
  }
  if (l.visible == 0) height = 24;
  int width = widest + 3 + 10 + (l.scrollBar ? 10 : 0);
  width = std::max(width, comboWidth);
  const int right = l.scrollBar ? width - 15 : width - 5;
  for (QRect& r : l.items) r.setRight(right - 1);
  l.width = width;
  l.height = height;
  return l;
}

QPoint ComboWindow::Place(QPoint comboTopLeft, int comboWidth, int listWidth) {
  // 17 below the box's top. A list wider than the box reaches out to the
  // left, so its right edge stays over the box's arrow.
  const int x = comboTopLeft.x() - std::max(0, listWidth - comboWidth);
  return {x, comboTopLeft.y() + 17};
}

ComboWindow::ComboWindow(SkComboBox* combo)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      combo_(combo) {
  setObjectName(QStringLiteral("SkComboWindowClass"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  setCursor(Qt::ArrowCursor);
  setFont(combo->font());
  connect(&fade_, &QTimer::timeout, this, &ComboWindow::FadeStep);
}

ComboWindow::~ComboWindow() = default;

void ComboWindow::Open() {
  const QFontMetrics fm(font());
  std::vector<int> heights, widths;
  for (int i = 0; i < combo_->GetCount(); ++i) {
    const QRect r = fm.boundingRect(combo_->GetLBText(i));
    heights.push_back(fm.height());
    widths.push_back(r.width());
  }
  layout_ = Measure(heights, widths, combo_->width(), combo_->DroppedHeight());
  resize(layout_.width, layout_.height);

  if (layout_.scrollBar) {
    scroll_ = new SkScrollBar(this);
    scroll_->setGeometry(width() - 13, 3, 10, height() - 6);
    scroll_->SetColours(0xC8C8C8, 0x141414);
    scroll_->SetRange(combo_->GetCount() * 100, layout_.visible * 100);
    scroll_->SetListener([this](int pos) { ScrollTo(pos / 100); });
  }

  move(Place(combo_->mapToGlobal(QPoint(0, 0)), combo_->width(), width()));

  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()), 5, 5);
  setMask(QRegion(outline.toFillPolygon().toPolygon()));

  hot_ = combo_->GetCurSel();
  if (hot_ >= layout_.visible) ScrollTo(hot_ - layout_.visible + 1);
  movesSeen_ = 0;

  if (GetSharedSkin().translucency) {
    alpha_ = 0;
    setWindowOpacity(0.0);
    fade_.start(20);
  } else {
    alpha_ = 255;
  }
  show();
}

void ComboWindow::FadeStep() {
  if (alpha_ + 20 > 255) {
    alpha_ = 255;
    fade_.stop();
  } else {
    alpha_ += 20;
  }
  setWindowOpacity(alpha_ / 255.0);
}

QRect ComboWindow::ItemRect(int index) const {
  if (index < 0 || index >= int(layout_.items.size())) return {};
  if (index < first_ || index >= first_ + layout_.visible) return {};
  const int shift = layout_.items[first_].top() - 3;
  return layout_.items[index].translated(0, -shift);
}

int ComboWindow::ItemAt(const QPoint& pos) const {
  for (int i = first_; i < first_ + layout_.visible && i < int(layout_.items.size()); ++i)
    if (ItemRect(i).contains(pos)) return i;
  return -1;
}

void ComboWindow::SetHot(int index) {
  if (index == hot_) return;
  hot_ = index;
  update();
}

void ComboWindow::ScrollTo(int first) {
  const int maxFirst = std::max(0, int(layout_.items.size()) - layout_.visible);
  first = std::clamp(first, 0, maxFirst);
  if (first != first_) {
    first_ = first;
    update();
  }
  if (scroll_ && scroll_->GetPos() / 100 != first_) scroll_->SetPos(first_ * 100);
}

bool ComboWindow::HandleKey(int key) {
  const int count = int(layout_.items.size());
  switch (key) {
    case Qt::Key_Escape: hide(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (hot_ >= 0)
        Choose(hot_);
      else
        hide();
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down: {
      if (count == 0) return true;
      int next = hot_ + (key == Qt::Key_Down ? 1 : -1);
      if (next < 0) next = count - 1;
      if (next >= count) next = 0;
      hot_ = next;
      if (hot_ < first_)
        ScrollTo(hot_);
      else if (hot_ >= first_ + layout_.visible)
        ScrollTo(hot_ - layout_.visible + 1);
      update();
      return true;
    }
    default: return false;
  }
}

void ComboWindow::Choose(int index) {
  QPointer<SkComboBox> combo = combo_;
  hide();  // closes (and schedules deletion) before the owner hears of it
  if (combo) combo->SelectFromList(index);
}

void ComboWindow::mouseMoveEvent(QMouseEvent* event) {
  // The first moves come from the list appearing under a resting mouse.
  if (++movesSeen_ <= 3) return;
  const int item = ItemAt(event->position().toPoint());
  if (item >= 0) SetHot(item);
}

void ComboWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int item = ItemAt(event->position().toPoint());
  if (item >= 0) Choose(item);
}

void ComboWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int item = ItemAt(event->position().toPoint());
  if (item >= 0) Choose(item);
}

void ComboWindow::hideEvent(QHideEvent* event) {
  fade_.stop();
  QWidget::hideEvent(event);
  emit closed();
}

void ComboWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const SharedSkin& skin = GetSharedSkin();
  p.setPen(QPen(QColorFromRef(skin.comboColours[1]), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
  p.setFont(font());
  for (int i = first_; i < first_ + layout_.visible && i < int(layout_.items.size()); ++i) {
    QRect r = ItemRect(i);
    const bool hot = i == hot_;
    if (hot) {
      p.setPen(Qt::NoPen);
      p.setBrush(SkinArt::kAccent);
      p.drawRoundedRect(QRectF(r).adjusted(-2, 0, 2, 0), 3, 3);
    }
    p.setPen(hot ? QColor(Qt::white) : SkinArt::kText);
    p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, combo_->GetLBText(i));
  }
}
