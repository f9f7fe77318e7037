#include "skin/CSkinMenu.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "skin/SkinArt.h"
#include "skin/SkinEvent.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

// One open level of a menu: a frameless top-most tool window that hands its
// input and painting to its menu.
class SkinMenuWindow : public QWidget {
 public:
  explicit SkinMenuWindow(CSkinMenu* menu)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
        menu_(menu) {
    setObjectName(QStringLiteral("SKINMENU_POPUP_WINDOW"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
  }
  CSkinMenu* menu() const { return menu_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    // Composed off-screen and copied in one block.
    QPixmap buffer(size() * devicePixelRatio());
    buffer.setDevicePixelRatio(devicePixelRatio());
    {
      QPainter p(&buffer);
      menu_->Paint(p);
    }
    QPainter screen(this);
    screen.drawPixmap(0, 0, buffer);
  }
  void mouseMoveEvent(QMouseEvent* e) override { menu_->Root()->MouseMove(e->globalPosition().toPoint()); }
  void mousePressEvent(QMouseEvent* e) override {
    menu_->Root()->MousePress(e->globalPosition().toPoint(), e->button());
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    menu_->Root()->MouseRelease(e->globalPosition().toPoint(), e->button());
  }
  void keyPressEvent(QKeyEvent* e) override { menu_->Root()->Deepest()->KeyPress(e->key(), e->modifiers()); }

 private:
  CSkinMenu* menu_;
};

namespace {

UINT g_style = 0;
COLORREF g_colours[12] = {
    RGB(0xDC, 0xEB, 0xFB),  // 0 hot fill
    RGB(0xFF, 0xFF, 0xFF),  // 1 background
    RGB(0x9C, 0xAD, 0xC6),  // 2 frame
    RGB(0x3C, 0x7E, 0xD6),  // 3 hot frame
    RGB(0xDD, 0xE3, 0xEC),  // 4 separator
    RGB(0x1E, 0x3A, 0x66),  // 5 hot text
    RGB(0x31, 0x42, 0x61),  // 6 text
    RGB(0xFF, 0xFF, 0xFF),  // 7 spare
    0xFDFDFD,               // 8 icon column
    0xAEAEFF,               // 9 gradient start
    0xE0AA96,               // 10 gradient end
    0xC0C0C0,               // 11 icon shadow
};
QFont g_font;
bool g_fontSet = false;
QRect g_workArea;

QColor C(int i) { return QColorFromRef(g_colours[i]); }

}  // namespace

CSkinMenu::CSkinMenu() {
  openTimer_.setSingleShot(true);
  closeTimer_.setSingleShot(true);
  QObject::connect(&openTimer_, &QTimer::timeout, [this] { OpenHotSubmenu(); });
  QObject::connect(&closeTimer_, &QTimer::timeout, [this] {
    // Still off the item whose submenu is open: close it.
    if (openSub_ && hot_ != openSubIndex_) CloseSub();
  });
}

CSkinMenu::~CSkinMenu() {
  if (loop_) loop_->quit();
}

bool CSkinMenu::Build(const MenuDesc& items) {
  items_.clear();
  for (const MenuItemDesc& d : items) {
    Item item;
    item.text = d.text;
    item.id = d.id;
    item.state = d.state;
    if (d.state & MF_POPUP) {
      item.sub = NewSubmenu();
      item.sub->Build(d.children);
      item.sub->parent_ = this;
    }
    items_.push_back(std::move(item));
  }
  hot_ = -1;
  return true;
}

bool CSkinMenu::BuildFromResource(int resourceId, int pos) {
  MenuDesc desc = LoadMenuResource(resourceId);
  if (pos < 0 || pos >= int(desc.size()) || !(desc[size_t(pos)].state & MF_POPUP)) return false;
  return Build(desc[size_t(pos)].children);
}

void CSkinMenu::SetStyleBit(UINT bit, bool on) {
  if (on)
    g_style |= bit;
  else
    g_style &= ~bit;
}
UINT CSkinMenu::Style() { return g_style; }

void CSkinMenu::SetColour(int index, COLORREF colour) {
  if (index >= 0 && index < 12) g_colours[index] = colour;
}
COLORREF CSkinMenu::Colour(int index) { return index >= 0 && index < 12 ? g_colours[index] : 0; }

void CSkinMenu::SetMenuFont(const QFont& font) {
  g_font = font;
  g_fontSet = true;
}
QFont CSkinMenu::MenuFont() { return g_fontSet ? g_font : SkinMenuFont(); }

void CSkinMenu::SetWorkArea(const QRect& area) { g_workArea = area; }

QRect CSkinMenu::WorkArea(QPoint near) {
  if (!g_workArea.isNull()) return g_workArea;
  QScreen* screen = QGuiApplication::screenAt(near);
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
}

int CSkinMenu::IconSize() const { return 16; }

QRegion CSkinMenu::Shape(const QSize& size) const { return QRegion(QRect(QPoint(0, 0), size)); }

void CSkinMenu::DrawIcon(QPainter&, const Item&, const QRect&, bool) const {}

QWidget* CSkinMenu::Window() const { return window_.get(); }
bool CSkinMenu::IsShown() const { return window_ && window_->isVisible(); }

CSkinMenu* CSkinMenu::Root() {
  CSkinMenu* m = this;
  while (m->parent_ && m->parent_->openSub_ == m) m = m->parent_;
  return m;
}

CSkinMenu* CSkinMenu::Deepest() {
  CSkinMenu* m = this;
  while (m->openSub_) m = m->openSub_;
  return m;
}

int CSkinMenu::TextIndent() const { return IconSize() + 2 + ((g_style & kIconColumn) ? 10 : 6); }

void CSkinMenu::Measure() {
  const QFontMetrics fm(MenuFont());
  int width = 2 * kBorder, height = 2 * kBorder;
  int y = kBorder;
  for (Item& item : items_) {
    if (item.text.isEmpty() && !item.IsSeparator()) item.text = QStringLiteral("( Empty )");
    if (item.IsSeparator()) {
      item.height = kSeparatorHeight;
    } else {
      const QRect text = fm.boundingRect(item.text);
      item.height = std::max(kMinItemHeight, fm.height() + 2);
      // Room for the indent and, on popups, the arrow.
      const int textWidth = text.width() + TextIndent() + (item.IsPopup() ? 16 : 0);
      if (textWidth + 10 > width - 2 * kBorder) width = textWidth + 2 * kBorder + 10;
    }
    item.top = y;
    y += item.height;
    height += item.height;
  }
  size_ = QSize(width, height);
}

QPoint CSkinMenu::Placement(QPoint wanted) const {
  const QRect area = WorkArea(wanted);
  QPoint at = wanted;
  if (at.x() + size_.width() > area.right() + 1) {
    if (parent_) {
      at.setX(at.x() + 2 * kBorder - parent_->size_.width() - size_.width());
    } else {
      at.setX(at.x() - size_.width());
    }
  }
  if (at.y() + size_.height() > area.bottom() + 1) {
    if (parent_ && parent_->openSubIndex_ >= 0) {
      const QRect item = parent_->ItemRect(parent_->openSubIndex_);
      const QPoint parentPos = parent_->window_ ? parent_->window_->pos() : QPoint();
      at.setY(parentPos.y() + item.bottom() + 1 + kBorder - size_.height());
    } else {
      at.setY(at.y() - size_.height());
    }
  }
  at.setX(std::max(0, at.x()));
  at.setY(std::max(0, at.y()));
  return at;
}

QRect CSkinMenu::ItemRect(int i) const {
  if (i < 0 || i >= int(items_.size())) return {};
  const Item& item = items_[size_t(i)];
  return QRect(kBorder, item.top, size_.width() - 2 * kBorder, item.height);
}

int CSkinMenu::ItemAtLocal(QPoint local) const {
  for (int i = 0; i < int(items_.size()); ++i)
    if (ItemRect(i).contains(local)) return i;
  return -1;
}

void CSkinMenu::ShowAt(QPoint pos) {
  Measure();
  if (!window_) window_ = std::make_unique<SkinMenuWindow>(this);
  window_->resize(size_);
  window_->move(Placement(pos));
  window_->setMask(Shape(size_));
  hot_ = -1;
  pressed_ = false;
  window_->show();
  window_->raise();
  // The top level holds the mouse and keys for the whole chain.
  if (!parent_ || parent_->openSub_ != this) {
    window_->grabMouse();
    window_->grabKeyboard();
  }
}

void CSkinMenu::HideLevel() {
  CloseSub();
  openTimer_.stop();
  closeTimer_.stop();
  if (window_) {
    if (QWidget::mouseGrabber() == window_.get()) window_->releaseMouse();
    if (QWidget::keyboardGrabber() == window_.get()) window_->releaseKeyboard();
    window_->hide();
  }
  hot_ = -1;
}

void CSkinMenu::CloseSub() {
  if (!openSub_) return;
  CSkinMenu* sub = openSub_;
  sub->HideLevel();
  openSub_ = nullptr;
  openSubIndex_ = -1;
  if (window_) window_->update();
}

void CSkinMenu::OpenHotSubmenu() {
  if (hot_ < 0 || !IsShown()) return;
  Item& item = items_[size_t(hot_)];
  if (!item.sub || item.IsDisabled()) return;
  if (openSub_ == item.sub.get()) return;
  CloseSub();
  openSub_ = item.sub.get();
  openSubIndex_ = hot_;
  openSub_->parent_ = this;
  const QPoint origin = window_->pos();
  openSub_->ShowAt(origin + QPoint(size_.width() - kBorder, item.top - kBorder));
}

void CSkinMenu::CloseChain(int command) {
  CSkinMenu* root = Root();
  if (root->closing_) return;  // hiding the windows may report activation changes
  root->closing_ = true;
  root->result_ = command;
  root->HideLevel();
  if (root->loop_) root->loop_->quit();
}

void CSkinMenu::SetHot(int index) {
  if (index == hot_) return;
  hot_ = index;
  pressed_ = false;
  if (window_) window_->update();
  openTimer_.stop();
  if (hot_ >= 0 && items_[size_t(hot_)].sub && !items_[size_t(hot_)].IsDisabled()) {
    openTimer_.start(kSubmenuDelayMs);
  }
  if (openSub_ && hot_ != openSubIndex_) closeTimer_.start(kSubmenuDelayMs);
}

void CSkinMenu::Choose(int index) {
  if (index < 0 || index >= int(items_.size())) return;
  const Item& item = items_[size_t(index)];
  if (item.IsSeparator() || item.IsDisabled() || item.sub) return;
  CloseChain(item.id);
}

void CSkinMenu::MoveHot(int step) {
  const int n = int(items_.size());
  if (n == 0) return;
  int i = hot_;
  for (int tries = 0; tries < n; ++tries) {
    i += step;
    if (i < 0) i = n - 1;
    if (i >= n) i = 0;
    if (!items_[size_t(i)].IsSeparator()) {
      SetHot(i);
      openTimer_.stop();  // the keyboard opens submenus with Right only
      return;
    }
  }
  // Only separators: nothing becomes hot.
}

void CSkinMenu::KeyPress(int key, Qt::KeyboardModifiers mods) {
  if (mods & Qt::AltModifier || key == Qt::Key_Alt) {
    CloseChain(0);
    return;
  }
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: Choose(hot_); break;
    case Qt::Key_Escape:
    case Qt::Key_Left:
      if (parent_ && parent_->openSub_ == this) {
        // Back to the parent, which keeps the capture.
        parent_->CloseSub();
      } else if (key == Qt::Key_Escape) {
        CloseChain(0);
      }
      break;
    case Qt::Key_Right:
      if (hot_ >= 0 && items_[size_t(hot_)].sub && !items_[size_t(hot_)].IsDisabled()) {
        OpenHotSubmenu();
        if (openSub_) openSub_->MoveHot(1);
      }
      break;
    case Qt::Key_Up: MoveHot(-1); break;
    case Qt::Key_Down: MoveHot(1); break;
    default: break;
  }
}

CSkinMenu* CSkinMenu::MenuAt(QPoint global) {
  // Deepest first: submenus lie over their parents.
  std::vector<CSkinMenu*> chain;
  for (CSkinMenu* m = this; m; m = m->openSub_) chain.push_back(m);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    CSkinMenu* m = *it;
    if (m->window_ && m->window_->isVisible() && m->window_->geometry().contains(global)) return m;
  }
  return nullptr;
}

void CSkinMenu::MouseMove(QPoint global) {
  CSkinMenu* m = MenuAt(global);
  if (!m) return;
  const int item = m->ItemAtLocal(global - m->window_->pos());
  if (item >= 0 && m->items_[size_t(item)].IsSeparator()) return;
  if (item >= 0) m->SetHot(item);
  // Over a submenu, its parent keeps the item that opened it hot.
}

void CSkinMenu::MousePress(QPoint global, Qt::MouseButton) {
  CSkinMenu* m = MenuAt(global);
  if (!m) {
    CloseChain(0);  // a press outside every open menu
    return;
  }
  if ((g_style & kPressAtOnce) && m->hot_ >= 0) {
    m->pressed_ = true;
    m->window_->repaint();
  }
}

void CSkinMenu::MouseRelease(QPoint global, Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  CSkinMenu* m = MenuAt(global);
  if (!m) return;
  const int item = m->ItemAtLocal(global - m->window_->pos());
  if (item >= 0 && m->items_[size_t(item)].sub) {
    m->SetHot(item);
    m->OpenHotSubmenu();
    return;
  }
  m->Choose(item);
}

int CSkinMenu::Track(QPoint globalPos, QWidget* owner) {
  if (loop_ || items_.empty()) return 0;
  owner_ = owner;
  result_ = 0;
  closing_ = false;
  parent_ = nullptr;
  ShowAt(globalPos);
  if (!window_) return 0;

  // Another window taking the activation closes the menu. The menu windows
  // themselves, and the window that was active when it opened, do not count:
  // platforms may pass the activation among them as levels open and close.
  QPointer<QWindow> startFocus = QGuiApplication::focusWindow();
  auto conn = QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, [this, startFocus](QWindow* w) {
    if (!w || w == startFocus) return;
    for (CSkinMenu* m = this; m; m = m->openSub_)
      if (m->window_ && m->window_->windowHandle() == w) return;
    CloseChain(0);
  });

  QEventLoop loop;
  loop_ = &loop;
  if (IsShown()) loop.exec();
  loop_ = nullptr;
  QObject::disconnect(conn);
  HideLevel();

  const int command = result_;
  if (command != 0 && owner_) {
    SkinEvent event{kNotifyClicked, command, 0, owner_};
    for (QWidget* w = owner_; w; w = w->parentWidget()) {
      if (auto* target = dynamic_cast<SkinEventTarget*>(w)) {
        target->OnSkinEvent(event);
        break;
      }
    }
  }
  return command;
}

void CSkinMenu::DrawItem(QPainter& p, int index, bool hot) const {
  const Item& item = items_[size_t(index)];
  const QRect r = ItemRect(index);
  const bool column = g_style & kIconColumn;
  const int columnRight = kBorder + IconSize() + 8;

  if (item.IsSeparator()) {
    const int y = r.top() + r.height() / 2;
    const int left = column ? columnRight + 2 : r.left();
    if (g_style & kSeparatorEtched) {
      p.fillRect(QRect(left, y - 1, r.right() - left + 1, 1), SysColour::Shadow());
      p.fillRect(QRect(left, y, r.right() - left + 1, 1), SysColour::Highlight());
    } else if (g_style & kSeparatorRaised) {
      p.fillRect(QRect(left, y - 1, r.right() - left + 1, 1), SysColour::Highlight());
      p.fillRect(QRect(left, y, r.right() - left + 1, 1), SysColour::Shadow());
    } else {
      p.fillRect(QRect(left, y, r.right() - left + 1, 1), C(4));
    }
    return;
  }

  if (hot) {
    const QRect fill = r.adjusted(1, 1, -1, -1);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QBrush brush = C(0);
    if (g_style & (kHotGradientH | kHotGradientV)) {
      QLinearGradient g = (g_style & kHotGradientH) ? QLinearGradient(fill.topLeft(), fill.topRight())
                                                    : QLinearGradient(fill.topLeft(), fill.bottomLeft());
      g.setColorAt(0, C(9));
      g.setColorAt(1, C(10));
      brush = g;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRoundedRect(QRectF(fill), 3, 3);
    p.restore();
    if (g_style & kHotFrame3d) {
      if (pressed_)
        DrawEdge(p, fill, true);
      else
        Draw3dRect(p, fill, SysColour::Highlight(), SysColour::Shadow());
    } else if (g_style & kHotFrameLine) {
      p.save();
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(C(3), 1));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(fill).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
      p.restore();
    }
  }

  DrawIcon(p, item, r, hot);

  p.setFont(MenuFont());
  const QRect textRect(r.left() + TextIndent(), r.top(), r.width() - TextIndent() - 4, r.height());
  const QPoint press = (hot && pressed_) ? QPoint(1, 1) : QPoint(0, 0);
  if (item.IsDisabled()) {
    p.setPen(SysColour::Highlight());
    p.drawText(textRect.translated(1, 1), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, item.text);
    p.setPen(SysColour::GrayText());
  } else {
    p.setPen(hot ? C(5) : C(6));
  }
  p.drawText(textRect.translated(press), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, item.text);

  if (item.sub) {
    const int mid = r.top() + r.height() / 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (g_style & kRoundPopupMark) {
      QColor fill = hot ? C(6) : C(5), line = hot ? C(5) : C(6);
      if (item.IsDisabled()) fill = line = SysColour::GrayText();
      p.setBrush(fill);
      p.setPen(QPen(line, 1));
      p.drawEllipse(QRectF(r.right() - 16 + 0.5, mid - 3 + 0.5, 5, 5));
    } else {
      p.setPen(Qt::NoPen);
      p.setBrush(item.IsDisabled() ? SysColour::GrayText() : (hot ? C(5) : C(6)));
      const qreal x = r.right() - 12;
      p.drawPolygon(QPolygonF({QPointF(x, mid - 4), QPointF(x + 4, mid), QPointF(x, mid + 4)}));
    }
    p.restore();
  }
}

void CSkinMenu::Paint(QPainter& p) {
  const QRect all(QPoint(0, 0), size_);
  p.fillRect(all, C(1));
  if (g_style & kIconColumn) p.fillRect(QRect(kBorder, kBorder, IconSize() + 8, size_.height() - 2 * kBorder), C(8));
  if (g_style & kFrame3d) {
    DrawEdge(p, all, false);
  } else {
    p.setPen(C(2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0, 0, -1, -1));
  }
  for (int i = 0; i < int(items_.size()); ++i) DrawItem(p, i, false);
  const int hot = openSub_ ? openSubIndex_ : hot_;
  if (hot >= 0 && hot < int(items_.size()) && !items_[size_t(hot)].IsSeparator()) {
    p.fillRect(ItemRect(hot), (g_style & kIconColumn) ? C(1) : C(1));
    if (g_style & kIconColumn) {
      const QRect r = ItemRect(hot);
      p.fillRect(QRect(r.left(), r.top(), IconSize() + 8, r.height()), C(8));
    }
    DrawItem(p, hot, true);
  }
}

bool CSkinMenuPro::BuildFromResource(int resourceId, int itemsPos, int iconsPos) {
  MenuDesc desc = LoadMenuResource(resourceId);
  if (itemsPos < 0 || itemsPos >= int(desc.size()) || !(desc[size_t(itemsPos)].state & MF_POPUP)) return false;
  std::vector<int> icons;
  if (iconsPos != itemsPos && iconsPos >= 0 && iconsPos < int(desc.size())) {
    for (const MenuItemDesc& d : desc[size_t(iconsPos)].children) icons.push_back(d.id);
  }
  return BuildWithIcons(desc[size_t(itemsPos)].children, icons);
}

bool CSkinMenuPro::BuildWithIcons(const MenuDesc& items, const std::vector<int>& iconIds) {
  Build(items);
  for (size_t i = 0; i < iconIds.size() && i < items_.size(); ++i)
    if (iconIds[i] > 0) items_[i].icon = LoadSkinIcon(iconIds[i]);
  return true;
}

void CSkinMenuPro::SetItemIcon(int i, const QImage& icon) {
  if (i >= 0 && i < int(items_.size())) items_[size_t(i)].icon = icon;
}

int CSkinMenuPro::IconSize() const { return 16; }

void CSkinMenuPro::DrawIcon(QPainter& p, const Item& item, const QRect& r, bool hot) const {
  if (item.icon.isNull()) return;
  const int s = IconSize();
  const QImage icon = item.icon.scaled(s, s, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  const QPoint at(r.left() + 5, r.top() + (r.height() - icon.height()) / 2);
  if (item.IsDisabled()) {
    // A grey silhouette.
    QImage grey = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(grey.scanLine(y));
      for (int x = 0; x < grey.width(); ++x) row[x] = qRgba(0x9A, 0xA3, 0xB0, qAlpha(row[x]));
    }
    p.drawImage(at, grey);
  } else if (hot) {
    QImage shadow = icon.convertToFormat(QImage::Format_ARGB32);
    const QColor sc = QColorFromRef(Colour(11));
    for (int y = 0; y < shadow.height(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
      for (int x = 0; x < shadow.width(); ++x) row[x] = qRgba(sc.red(), sc.green(), sc.blue(), qAlpha(row[x]));
    }
    p.drawImage(at + QPoint(1, 1), shadow);
    p.drawImage(at - QPoint(1, 1), icon);
  } else {
    p.drawImage(at, icon);
  }
}
