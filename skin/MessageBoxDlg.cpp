#include "skin/MessageBoxDlg.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

#include "skin/CIconButton.h"
#include "skin/SharedSkin.h"
#include "skin/SkStatic.h"
#include "skin/SkinResources.h"

namespace {
QPointer<QWidget> g_mainWindow;

struct TypeIcons {
  QImage error, warning, question, information;
  bool loaded = false;
};
TypeIcons g_icons;

int IconKind(UINT type) { return int(type & 0xF0); }
}  // namespace

const SkinCommandTable<MessageBoxDlg> MessageBoxDlg::kCommands = {
    {IDOK, &MessageBoxDlg::OnFirst},
    {IDCANCEL, &MessageBoxDlg::OnSecond},
    {kCloseControlId, &MessageBoxDlg::OnSecond},
};

const QImage& MessageBoxDlg::TypeIcon(UINT type) {
  if (!g_icons.loaded) {
    g_icons.error = LoadSkinIcon(257);
    g_icons.warning = LoadSkinIcon(258);
    g_icons.question = LoadSkinIcon(259);
    g_icons.information = LoadSkinIcon(260);
    g_icons.loaded = true;
  }
  switch (IconKind(type)) {
    case MB_ICONERROR: return g_icons.error;
    case MB_ICONQUESTION: return g_icons.question;
    case MB_ICONWARNING: return g_icons.warning;
    default: return g_icons.information;
  }
}

MessageBoxDlg::MessageBoxDlg(const QString& text, UINT type, const QString& caption, QWidget* parent)
    : SkinDialog(parent), text_(text), type_(type), caption_(caption) {
  UseCommands(kCommands);
  setModal(true);
  title_ = Add<SkStatic>(1172, 4, 5, 120, 16);
  message_ = Add<SkStatic>(1173, 36, 0, 10, 10);
  icon_ = Add<SkIcon>(1174, 4, 0, 32, 32);
  first_ = Add<CIconButton>(IDOK, 0, 0, 70, 20);
  second_ = Add<CIconButton>(IDCANCEL, 0, 0, 70, 20);
  close_ = Add<CIconButton>(kCloseControlId, 0, 5, 18, 18);
  Layout();
}

CIconButton* MessageBoxDlg::Button(int id) const {
  switch (id) {
    case IDOK: return first_;
    case IDCANCEL: return second_;
    case kCloseControlId: return close_;
    default: return nullptr;
  }
}

QString MessageBoxDlg::Title() const { return title_->Text(); }

void MessageBoxDlg::Layout() {
  // Buttons: the answers drawn over the skin, the close button as an icon.
  for (CIconButton* b : {first_, second_}) {
    b->DrawTransparent(true);
    b->SetFlat(true);
    b->DrawBorder(false);  // the pill painted under it is the frame
    b->setCursor(Qt::PointingHandCursor);
  }
  close_->SetIcons(261, 262);
  close_->DrawTransparent(true);
  close_->DrawBorder(false);
  close_->SetAlign(CIconButton::kAbove);
  close_->SetColour(CIconButton::kFgOut, 0x614231);
  close_->SetColour(CIconButton::kFgFocus, 0x614231);
  close_->SetColour(CIconButton::kBkIn, 0x614231);
  close_->SetColour(CIconButton::kFgIn, 0x141414);
  close_->setFocusPolicy(Qt::NoFocus);

  // Icon and title from the type; a caption replaces the title.
  QString title;
  switch (IconKind(type_)) {
    case MB_ICONERROR: title = QStringLiteral("Error"); break;
    case MB_ICONQUESTION: title = QStringLiteral("Question"); break;
    case MB_ICONWARNING: title = QStringLiteral("Warning"); break;
    default: title = QStringLiteral("Information"); break;
  }
  if (!caption_.isEmpty()) title = caption_;
  title_->SetText(title);
  title_->SetFontChoice(SkStatic::kTitleFont);
  title_->SetColours(0xFFFFFF, 0xFFFFFF, RefFromQColor(QColor(0x2A, 0x5C, 0xA8)));
  icon_->SetIcon(TypeIcon(type_));

  const UINT buttons = type_ & 0x0F;
  if (buttons == MB_YESNO) {
    first_->setText(QStringLiteral("Yes"));
    second_->setText(QStringLiteral("No"));
  } else {
    first_->setText(QStringLiteral("OK"));
    second_->setText(QStringLiteral("Cancel"));
    second_->setVisible(buttons == MB_OKCANCEL);
  }

  // Measure the message: a line wider than the running width makes it that
  // line's width + 10; each line adds its height + 1.
  message_->SetText(text_);
  const QFontMetrics fm(message_->DrawFont());
  int running = 0, height = 0;
  for (const QString& line : text_.split(QLatin1Char('\n'))) {
    const int w = fm.horizontalAdvance(line);
    if (w > running) running = w + 10;
    height += fm.height() + 1;
  }
  const int labelW = running + 10, labelH = height + 2;
  const int W = std::max(180, running + 60);
  const int H = height + 102;

  background_ = QImage(W, H, QImage::Format_RGB32);
  {
    // Tile 265 down the window, each tile stretched to the full width; the
    // title strip 263 across the top; a one-pixel edge.
    const SharedSkin& skin = GetSharedSkin();
    QPainter p(&background_);
    if (!skin.msgTile.isNull()) {
      for (int y = 0; y < H; y += skin.msgTile.height())
        p.drawImage(QRect(0, y, W, skin.msgTile.height()), skin.msgTile);
    } else {
      p.fillRect(background_.rect(), QColor(0xF4, 0xF6, 0xFA));
    }
    if (!skin.msgTitle.isNull()) p.drawImage(QRect(0, 0, W, skin.msgTitle.height()), skin.msgTitle);
    p.fillRect(QRect(0, 0, W, 1), QColor(0xB3, 0xB3, 0xB3));
    p.fillRect(QRect(0, 0, 1, H), QColor(0xB3, 0xB3, 0xB3));
    p.fillRect(QRect(W - 1, 0, 1, H), QColor(0x60, 0x60, 0x60));
    p.fillRect(QRect(0, H - 1, W, 1), QColor(0x60, 0x60, 0x60));
  }
  SetSkinImage(background_, W, H, kDragWholeWindow);
  clearMask();  // the box is a plain rectangle

  icon_->setGeometry(4, (H - 32) / 2, 32, 32);
  message_->setGeometry(36, (H - labelH) / 2, labelW, labelH);
  close_->setGeometry(W - 32, 5, 18, 18);
  title_->setGeometry(4, 5, 120, 16);
  const int y = H - 40;
  if (buttons == MB_OK) {
    first_->setGeometry(W / 2 - 35, y, 70, 20);
  } else {
    first_->setGeometry(W / 2 - 72, y, 70, 20);
    second_->setGeometry(W / 2 + 2, y, 70, 20);
  }
  setWindowTitle(title);
}

void MessageBoxDlg::SetPlacement(const QRect& globalRect) {
  hasPlacement_ = true;
  placement_ = globalRect;
}

void MessageBoxDlg::showEvent(QShowEvent* event) {
  if (hasPlacement_) {
    CentreOn(placement_);
  } else if (parentWidget() && parentWidget()->isVisible()) {
    const QWidget* p = parentWidget();
    CentreOn(QRect(p->mapToGlobal(QPoint(0, 0)), p->size()));
  } else {
    CentreOnScreen();
  }
  SkinDialog::showEvent(event);
  first_->setFocus();
}

void MessageBoxDlg::OnFirst() {
  result_ = (type_ & 0x04) ? IDYES : IDOK;
  done(result_);
}

void MessageBoxDlg::OnSecond() {
  result_ = (type_ & 0x04) ? IDNO : IDCANCEL;
  done(result_);
}

void MessageBoxDlg::OnOK() { OnFirst(); }
void MessageBoxDlg::OnCancel() { OnSecond(); }

void MessageBoxDlg::paintEvent(QPaintEvent* event) {
  SkinDialog::paintEvent(event);
  // A soft pill under each answer, so the transparent buttons read as buttons.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  for (CIconButton* b : {first_, second_}) {
    if (!b->isVisible()) continue;
    const QRectF r = QRectF(b->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool hot = b->IsHot() || b->isDown();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, hot ? QColor(0xF3, 0xF9, 0xFF) : QColor(0xFF, 0xFF, 0xFF));
    g.setColorAt(1, hot ? QColor(0xD2, 0xE6, 0xFB) : QColor(0xE4, 0xEB, 0xF4));
    p.setBrush(g);
    p.setPen(QPen(hot ? QColor(0x3C, 0x7E, 0xD6) : QColor(0x9C, 0xAD, 0xC6), 1));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  }
}

void SetMainWindow(QWidget* window) { g_mainWindow = window; }
QWidget* MainWindow() { return g_mainWindow; }

int ShowMessageBox(const QString& text, const QString& caption, UINT type, QWidget* owner) {
  if (!owner) owner = g_mainWindow;
  MessageBoxDlg box(text, type, caption, owner);
  if (owner && owner->isVisible()) box.SetPlacement(QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()));
  box.exec();
  return box.Result();
}
