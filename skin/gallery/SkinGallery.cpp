#include "skin/gallery/SkinGallery.h"

#include <QPainter>
#include <QPainterPath>

#include "skin/CIconButton.h"
#include "skin/CRectTrackerPic.h"
#include "skin/CSkinMenu.h"
#include "skin/CSkinSlider.h"
#include "skin/GbSkinButton.h"
#include "skin/GbTargetButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/Pickers.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"
#include "skin/SkinArt.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"

const SkinCommandTable<SkinGallery> SkinGallery::kCommands = {
    {kMessageInfo, &SkinGallery::OnMessageInfo},
    {kMessageQuestion, &SkinGallery::OnMessageQuestion},
    {kMessageWarning, &SkinGallery::OnMessageWarning},
    {kMessageError, &SkinGallery::OnMessageError},
    {kMenuButton, &SkinGallery::OnMenu},
    {kNotifySelChange, kCombo, &SkinGallery::OnCombo},
    {kNotifySliderMoving, kSlider, kSliderDisabled, &SkinGallery::OnSlider},
    {kNotifySliderMoved, kSlider, kSliderDisabled, &SkinGallery::OnSlider},
    {kNotifyClicked, 33038, 33043, &SkinGallery::OnMenuCommand},
};

namespace {

SkStatic* Heading(SkinDialog* d, int x, int y, const QString& text) {
  auto* s = d->Add<SkStatic>(0, x, y, 300, 18);
  s->SetFontChoice(SkStatic::kTitleFont);
  s->SetColours(RefFromQColor(SkinArt::kAccentDark), 0, RGB(0xFF, 0xFF, 0xFF));
  s->SetText(text);
  return s;
}

SkStatic* Caption(SkinDialog* d, int x, int y, int w, const QString& text) {
  auto* s = d->Add<SkStatic>(0, x, y, w, 14);
  s->SetFontChoice(SkStatic::kOwnFont);
  s->setFont(SkinFont(QStringLiteral("Tahoma"), 10, 400));
  s->SetColours(RefFromQColor(SkinArt::kTextSoft), 0, 0);
  s->SetText(text);
  return s;
}

GbSkinButton* TextButton(SkinDialog* d, int id, int x, int y, const QString& text) {
  auto* b = d->Add<GbSkinButton>(id, x, y, 88, 26);
  b->SetSkin(kResSkinButtonNormal, kResSkinButtonPressed, kResSkinButtonHover, kResSkinButtonDisabled, 0,
             kResSkinButtonMask);
  b->SetTextColour(RefFromQColor(SkinArt::kText));
  b->setText(text);
  return b;
}

QImage SamplePicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, h);
  sky.setColorAt(0, QColor(0x8E, 0xC5, 0xF5));
  sky.setColorAt(1, QColor(0xFD, 0xE9, 0xD0));
  p.fillRect(img.rect(), sky);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xFF, 0xD1, 0x5C));
  p.drawEllipse(QPointF(w * 0.75, h * 0.3), h * 0.16, h * 0.16);
  p.setBrush(QColor(0x6C, 0xB3, 0x7E));
  p.drawPolygon(QPolygonF({QPointF(0, h), QPointF(w * 0.35, h * 0.45), QPointF(w * 0.7, h), QPointF(0, h)}));
  p.setBrush(QColor(0x4E, 0x94, 0x66));
  p.drawPolygon(QPolygonF({QPointF(w * 0.4, h), QPointF(w * 0.72, h * 0.55), QPointF(w, h * 0.85), QPointF(w, h)}));
  return img;
}

// A frame picture: magenta where the picture behind shows through.
QImage SampleFrame(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(QColor(0xFF, 0x00, 0xFF));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF2, 0x6D, 0x8F));
  QPainterPath outer, inner;
  outer.addRect(0, 0, w, h);
  inner.addEllipse(QRectF(8, 6, w - 16, h - 12));
  p.drawPath(outer.subtracted(inner));
  p.setBrush(QColor(0xFF, 0xF0, 0xF5));
  for (int i = 0; i < 6; ++i) p.drawEllipse(QPointF(6 + i * (w - 12) / 5.0, 4), 3, 3);
  return img;
}

}  // namespace

SkinGallery::SkinGallery(QWidget* parent) : SkinDialog(parent) {
  UseCommands(kCommands);
  SetSkin(kResGalleryBackground, 760, 560, 30);
  setWindowTitle(QStringLiteral("Glimmerbox control gallery"));
  Build();
}

SkinGallery::~SkinGallery() = default;

SkComboBox* SkinGallery::Combo() const { return ItemAs<SkComboBox>(kCombo); }

void SkinGallery::Build() {
  // Close button in the title band.
  auto* close = Add<CIconButton>(kCloseControlId, 728, 3, 24, 24);
  close->SetIcons(313, 312);
  close->DrawTransparent(true);
  close->DrawBorder(false);
  close->SetTooltipText(QStringLiteral("Close"));
  close->setFocusPolicy(Qt::NoFocus);

  // ---- left panel: buttons ----
  int x = 28, y = 50;
  Heading(this, x, y, QStringLiteral("Skin buttons"));
  y += 24;
  const char* states[] = {"Normal", "Hover", "Pressed", "Disabled"};
  for (int i = 0; i < 4; ++i) {
    auto* b = TextButton(this, 0, x + i * 84, y, QString::fromLatin1(states[i]));
    b->setFixedSize(80, 26);
    if (i == 1) b->SetHot(true);
    if (i == 2) b->setDown(true);
    if (i == 3) b->setEnabled(false);
  }
  y += 36;
  Caption(this, x, y, 320, QStringLiteral("Check boxes and a radio group"));
  y += 16;
  auto* check = TextButton(this, 0, x, y, QStringLiteral("Frame on"));
  check->SetKind(GbSkinButton::kCheckBox);
  check->SetChecked(true);
  auto* check2 = TextButton(this, 0, x + 92, y, QStringLiteral("Webcam"));
  check2->SetKind(GbSkinButton::kCheckBox);
  y += 32;
  const char* layouts[] = {"4 up", "6 up", "9 up"};
  for (int i = 0; i < 3; ++i) {
    auto* r = TextButton(this, 0, x + i * 92, y, QString::fromLatin1(layouts[i]));
    r->SetKind(GbSkinButton::kRadio);
    r->SetGroup(1);
    if (i == 1) r->SetChecked(true);
  }
  y += 40;

  Heading(this, x, y, QStringLiteral("Icon buttons"));
  y += 24;
  auto* prev = Add<CIconButton>(0, x, y, 48, 48);
  prev->SetIcons(197, 202);
  prev->DrawTransparent(true);
  prev->DrawBorder(false);
  prev->SetTooltipText(QStringLiteral("Previous image"));
  auto* next = Add<CIconButton>(0, x + 52, y, 48, 48);
  next->SetIcons(201, 200);
  next->DrawTransparent(true);
  next->DrawBorder(false);
  next->SetHot(true);
  const int arrows[4][2] = {{206, 205}, {210, 209}, {204, 203}, {208, 207}};
  for (int i = 0; i < 4; ++i) {
    auto* a = Add<CIconButton>(0, x + 112 + i * 34, y + 8, 32, 32);
    a->SetIcons(arrows[i][0], arrows[i][1]);
    a->DrawTransparent(true);
    a->DrawBorder(false);
    if (i == 3) a->setEnabled(false);
  }
  y += 56;
  auto* replace = Add<CIconButton>(0, x, y, 150, 26);
  replace->SetIcons(199, 198);
  replace->setText(QStringLiteral("Replace image"));
  replace->SetColour(CIconButton::kBkOut, 0xFFFFFF);
  replace->SetColour(CIconButton::kBkIn, RefFromQColor(QColor(0xDC, 0xEB, 0xFB)));
  replace->SetColour(CIconButton::kFgIn, RefFromQColor(SkinArt::kAccentDark));
  replace->SetColour(CIconButton::kFgOut, RefFromQColor(SkinArt::kText));
  auto* replaceHot = Add<CIconButton>(0, x + 160, y, 150, 26);
  replaceHot->SetIcons(199, CIconButton::kGreyOfHot);
  replaceHot->setText(QStringLiteral("Grey idle icon"));
  replaceHot->SetColour(CIconButton::kBkOut, 0xFFFFFF);
  replaceHot->SetColour(CIconButton::kFgOut, RefFromQColor(SkinArt::kText));
  y += 34;
  auto* iconCheck = Add<CIconButton>(0, x, y, 150, 26);
  iconCheck->SetCheckBoxStyle(true);
  iconCheck->SetCheck(true);
  iconCheck->SetIcons(kResCheckChecked, kResCheckNormal);
  iconCheck->setText(QStringLiteral("Auto frame"));
  iconCheck->SetColour(CIconButton::kBkOut, RefFromQColor(SkinArt::kFace));
  iconCheck->SetColour(CIconButton::kBkIn, RefFromQColor(SkinArt::kFace));
  iconCheck->SetColour(CIconButton::kFgOut, RefFromQColor(SkinArt::kText));
  iconCheck->SetColour(CIconButton::kFgIn, RefFromQColor(SkinArt::kAccentDark));
  iconCheck->DrawTransparent(true);
  // The check mark and the text colour tell the state; a sunken bevel would
  // not sit well with the rounded buttons around it.
  iconCheck->DrawBorder(false);
  auto* disabledIcon = Add<CIconButton>(0, x + 160, y, 150, 26);
  disabledIcon->SetIcons(152, 0);
  disabledIcon->setText(QStringLiteral("Disabled"));
  disabledIcon->DrawTransparent(true);
  disabledIcon->setEnabled(false);
  y += 40;

  Heading(this, x, y, QStringLiteral("Target buttons"));
  y += 24;
  auto* t1 = Add<GbTargetButton>(0, x, y, 100, 28);
  t1->SetIcon(152);
  t1->setText(QStringLiteral("OK"));
  auto* t2 = Add<GbTargetButton>(0, x + 106, y, 100, 28);
  t2->SetIcon(156);
  t2->setText(QStringLiteral("Font"));
  t2->SetHot(true);
  auto* t3 = Add<GbTargetButton>(0, x + 212, y, 100, 28);
  t3->SetIcon(157);
  t3->setText(QStringLiteral("Color..."));
  t3->setEnabled(false);
  y += 40;

  Heading(this, x, y, QStringLiteral("Message box and menu"));
  y += 24;
  TextButton(this, kMessageInfo, x, y, QStringLiteral("Information"));
  TextButton(this, kMessageQuestion, x + 92, y, QStringLiteral("Question"));
  TextButton(this, kMessageWarning, x + 184, y, QStringLiteral("Warning"));
  y += 32;
  TextButton(this, kMessageError, x, y, QStringLiteral("Error"));
  TextButton(this, kMenuButton, x + 92, y, QStringLiteral("Menu..."));

  // ---- right panel ----
  x = 404;
  y = 50;
  Heading(this, x, y, QStringLiteral("Sliders"));
  y += 26;
  const int sliderIds[3] = {kSlider, kSliderDragged, kSliderDisabled};
  const int sliderPos[3] = {35, 70, 50};
  const char* sliderNames[3] = {"Opacity", "Dragged", "Disabled"};
  for (int i = 0; i < 3; ++i) {
    Caption(this, x, y + 3, 70, QString::fromLatin1(sliderNames[i]));
    auto* s = Add<CSkinSlider>(sliderIds[i], x + 70, y, 160, 20);
    s->SetChannelBitmaps(kResSliderChannel, kResSliderChannelActive, true, kSkinKey);
    s->SetThumbBitmaps(kResSliderThumb, kResSliderThumbActive, true, kSkinKey);
    s->SetMargins(2, 2);
    s->SetPos(sliderPos[i]);
    if (i == 2) s->Enable(false);
    auto* value = Add<SkStatic>(kStatus + 10 + i, x + 240, y + 3, 60, 14);
    value->SetText(QString::number(sliderPos[i]));
    y += 28;
  }
  y += 4;

  Heading(this, x, y, QStringLiteral("Combo box"));
  y += 26;
  auto* combo = Add<SkComboBox>(kCombo, x, y, 198, 17);
  for (const char* item : {"Integrated camera", "USB webcam", "Test pattern", "Virtual camera", "Capture card",
                           "Document camera", "Network stream"})
    combo->AddString(QString::fromLatin1(item));
  combo->SetCurSel(0);
  combo->SetDroppedHeight(110);
  y += 30;

  Heading(this, x, y, QStringLiteral("Labels and pictures"));
  y += 24;
  auto* plain = Add<SkStatic>(0, x, y, 160, 30);
  plain->SetText(QStringLiteral("Default label\nsecond line"));
  auto* filled = Add<SkStatic>(0, x + 170, y, 170, 30);
  filled->SetBackground(SkStatic::kFilled);
  filled->SetAlignment(Qt::AlignHCenter);
  filled->SetText(QStringLiteral("Framed label\ncentred"));
  y += 36;
  auto* tiled = Add<SkStatic>(0, x, y, 160, 18);
  tiled->SetBackground(SkStatic::kTiled, LoadSkinBitmap(265));
  tiled->SetAlignment(Qt::AlignRight);
  tiled->SetText(QStringLiteral("Tiled, right-aligned"));
  auto* serif = Add<SkStatic>(0, x + 170, y, 170, 18);
  serif->SetFontChoice(SkStatic::kSerifFont);
  serif->SetText(QStringLiteral("Serif label"));
  y += 24;
  auto* disabledLabel = Add<SkStatic>(0, x, y, 160, 18);
  disabledLabel->SetText(QStringLiteral("Disabled label"));
  // A dialog that disables a label also gives it the greyed text colour; the
  // label adds the engraved highlight underneath.
  disabledLabel->SetColours(RefFromQColor(SysColour::GrayText()), RefFromQColor(SysColour::GrayText()),
                            RGB(0x3C, 0x3C, 0x3C));
  disabledLabel->setEnabled(false);
  auto* edit = Add<CReadOnlyEdit>(0, x + 170, y - 2, 170, 22);
  edit->SetBackgroundColour(RGB(0xF7, 0xFA, 0xFF));
  edit->SetTextColour(RefFromQColor(SkinArt::kText));
  edit->setText(QStringLiteral("/home/user/Pictures/"));
  y += 28;
  for (int i = 0; i < 4; ++i) {
    auto* icon = Add<SkIcon>(0, x + i * 40, y, 32, 32);
    icon->SetIconId(257 + i);
  }
  y += 42;

  auto* tracker = Add<CRectTrackerPic>(0, x, y, 160, 120);
  tracker->SetPicture(SamplePicture(160, 120));
  tracker->EnableTracking(true);
  tracker->SetTrackerRect(QRect(30, 25, 90, 65));
  auto* photo = Add<CRectTrackerPic>(0, x + 180, y, 160, 120);
  photo->SetPicture(SamplePicture(160, 120));
  auto* frame = Add<CTransparentPic>(0, x + 180, y, 160, 120);
  frame->SetBitmap(SampleFrame(160, 120));
  frame->SetKeyColour(kSkinKey);
  y += 124;
  Caption(this, x, y, 170, QStringLiteral("Picture with tracker"));
  Caption(this, x + 180, y, 170, QStringLiteral("Frame over a photo"));

  auto* status = Add<SkStatic>(kStatus, 404, 536, 340, 16);
  status->SetText(QString());

  // The popup menu: the sheet's menu with a submenu added.
  menu_ = std::make_unique<CSkinMenuPro>();
  MenuDesc desc = LoadMenuResource(507)[0].children;
  desc.push_back(MenuSeparator());
  desc.push_back(MenuPopup("Layout", {MenuCommand("4 stickers", 33050), MenuCommand("6 stickers", 33051),
                                      MenuCommand("9 stickers", 33052, MF_GRAYED)}));
  desc.push_back(MenuCommand("Disabled item", 33053, MF_GRAYED));
  menu_->BuildWithIcons(desc, {152, 0, 153, 0, 0, 157, 0});
  CSkinMenu::SetStyleBit(CSkinMenu::kHotFrameLine, true);
  CSkinMenu::SetStyleBit(CSkinMenu::kIconColumn, true);
  CSkinMenu::SetStyleBit(CSkinMenu::kRoundPopupMark, false);
  CSkinMenu::SetColour(8, RGB(0xF1, 0xF5, 0xFB));
}

void SkinGallery::Status(const QString& text) {
  if (auto* s = ItemAs<SkStatic>(kStatus)) s->SetText(text);
}

void SkinGallery::OnMessageInfo() {
  int r = ShowMessageBox(QStringLiteral("  The image saved successed!  "), QStringLiteral("Save info"),
                         MB_ICONINFORMATION, this);
  Status(QStringLiteral("Message box returned %1").arg(r));
}

void SkinGallery::OnMessageQuestion() {
  int r =
      ShowMessageBox(QStringLiteral("Replace the sticker in this slot?"), QString(), MB_YESNO | MB_ICONQUESTION, this);
  Status(QStringLiteral("Message box returned %1").arg(r));
}

void SkinGallery::OnMessageWarning() {
  int r = ShowMessageBox(QStringLiteral("The folder has no pictures.\nChoose another folder?"), QString(),
                         MB_OKCANCEL | MB_ICONWARNING, this);
  Status(QStringLiteral("Message box returned %1").arg(r));
}

void SkinGallery::OnMessageError() {
  int r = ShowMessageBox(QStringLiteral("GbImage::Create can't allocate memory"), QString(), MB_ICONERROR, this);
  Status(QStringLiteral("Message box returned %1").arg(r));
}

int SkinGallery::ShowMenu() {
  QWidget* button = Item(kMenuButton);
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : mapToGlobal(QPoint(40, 40));
  return menu_->Track(at, this);
}

void SkinGallery::OnMenu() { ShowMenu(); }

void SkinGallery::OnMenuCommand(int id) { Status(QStringLiteral("Menu command %1").arg(id)); }

void SkinGallery::OnCombo(int, int index) { Status(QStringLiteral("Chose ") + Combo()->GetLBText(index)); }

void SkinGallery::OnSlider(int id, int pos) {
  if (auto* s = ItemAs<SkStatic>(kStatus + 10 + (id - kSlider))) s->SetText(QString::number(pos));
}
