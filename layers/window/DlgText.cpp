#include "layers/window/DlgText.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <cstring>

#include "skin/GbTargetButton.h"
#include "skin/SkinTypes.h"

namespace {

QColor ColourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// The record keeps lines as CR LF; the edit box as LF.
QString EditTextOf(const char* text) {
  QString s = QString::fromUtf8(text, int(strnlen(text, GB_TEXT_MAX)));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

QByteArray RecordTextOf(const QString& edit) {
  QString s = edit;
  s.replace(QChar('\n'), QStringLiteral("\r\n"));
  return s.toUtf8();
}

// The longest start of bytes that fits max without cutting a UTF-8 sequence
// (or a CR LF) in two.
QByteArray FitText(const QByteArray& bytes, int max) {
  if (bytes.size() <= max) return bytes;
  int n = max;
  while (n > 0 && (uchar(bytes[n]) & 0xC0) == 0x80) --n;
  if (n > 0 && bytes[n - 1] == '\r') --n;
  return bytes.left(n);
}

}  // namespace

QFont FontOfLogFont(const LOGFONT& lf) {
  QFont font(QString::fromLatin1(lf.lfFaceName, int(strnlen(lf.lfFaceName, sizeof lf.lfFaceName))));
  if (lf.lfHeight != 0) font.setPixelSize(std::max(1, std::abs(lf.lfHeight) * (lf.lfHeight > 0 ? 4 : 5) / 5));
  font.setWeight(QFont::Weight(lf.lfWeight <= 0 ? 400 : std::clamp(int(lf.lfWeight), 1, 1000)));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  return font;
}

DlgText::DlgText(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Place text to image"));
  InitTextSettings(settings_);
  custom_.fill(RGB(0, 0, 0));
  CreateControls();
}

QWidget* DlgText::Item(int id) const {
  const auto it = items_.find(id);
  return it == items_.end() ? nullptr : it->second;
}

void DlgText::CreateControls() {
  setFixedSize(372, 330);
  QFont dialogFont(QStringLiteral("MS Sans Serif"));
  dialogFont.setPixelSize(11);
  setFont(dialogFont);
  auto place = [this](int id, QWidget* w, const QRect& r) {
    w->setGeometry(r);
    if (id) {
      w->setObjectName(QString::number(id));
      items_[id] = w;
    }
    return w;
  };
  auto* label = new QLabel(QStringLiteral("Text to place:"), this);
  place(0, label, QRect(10, 8, 200, 16));
  edit_ = new QPlainTextEdit(this);
  place(kEdit, edit_, QRect(10, 26, 352, 110));
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
    // The record holds at most kMaxText bytes; longer input is cut as it comes.
    const QByteArray bytes = RecordTextOf(edit_->toPlainText());
    if (bytes.size() <= kMaxText) return;
    QString fitted = EditTextOf(FitText(bytes, kMaxText).constData());
    const QSignalBlocker block(edit_);
    edit_->setPlainText(fitted);
    edit_->moveCursor(QTextCursor::End);
  });

  auto button = [&](int id, int icon, const QString& caption, const QRect& r) {
    auto* b = new GbTargetButton(this);
    b->SetIcon(icon, GbTargetButton::kIconLeft);
    b->setText(caption);
    place(id, b, r);
    return b;
  };
  connect(button(kFont, 156, QStringLiteral("Font"), QRect(10, 142, 90, 24)), &QAbstractButton::clicked, this,
          &DlgText::OnFont);
  connect(button(kTextColour, 157, QStringLiteral("Color..."), QRect(106, 142, 90, 24)), &QAbstractButton::clicked,
          this, &DlgText::OnTextColour);

  auto* background = new QGroupBox(QStringLiteral("Background"), this);
  place(0, background, QRect(10, 172, 226, 118));
  hasBackground_ = new QCheckBox(QStringLiteral("Text has background"), this);
  place(kHasBackground, hasBackground_, QRect(20, 190, 140, 20));
  connect(hasBackground_, &QCheckBox::clicked, this, &DlgText::OnHasBackground);
  connect(button(kBoxColour, 157, QStringLiteral("Color..."), QRect(160, 188, 70, 24)), &QAbstractButton::clicked, this,
          &DlgText::OnBoxColour);
  place(0, new QLabel(QStringLiteral("Opacity:"), this), QRect(20, 218, 80, 16));
  opacity_ = new QSlider(Qt::Horizontal, this);
  place(kOpacity, opacity_, QRect(100, 214, 90, 26));
  opacityLabel_ = new QLabel(QStringLiteral("0%"), this);
  place(kOpacityLabel, opacityLabel_, QRect(194, 218, 36, 16));
  place(0, new QLabel(QStringLiteral("Round radius:"), this), QRect(20, 254, 80, 16));
  radius_ = new QSlider(Qt::Horizontal, this);
  place(kRadius, radius_, QRect(100, 250, 90, 26));
  radiusLabel_ = new QLabel(QStringLiteral("0%"), this);
  place(kRadiusLabel, radiusLabel_, QRect(194, 254, 36, 16));
  for (QSlider* s : {opacity_, radius_}) s->setTickPosition(QSlider::TicksBothSides);
  // Every move updates the value and its label, by mouse or by keyboard.
  connect(opacity_, &QSlider::valueChanged, this, &DlgText::OnOpacityMoved);
  connect(radius_, &QSlider::valueChanged, this, &DlgText::OnRadiusMoved);

  auto* alignment = new QGroupBox(QStringLiteral("Alignment"), this);
  place(0, alignment, QRect(246, 142, 116, 94));
  centred_ = new QRadioButton(QStringLiteral("centered"), this);
  left_ = new QRadioButton(QStringLiteral("to left"), this);
  right_ = new QRadioButton(QStringLiteral("to right"), this);
  place(kCentred, centred_, QRect(256, 160, 100, 20));
  place(kLeft, left_, QRect(256, 184, 100, 20));
  place(kRight, right_, QRect(256, 208, 100, 20));
  connect(centred_, &QRadioButton::clicked, this, [this] { settings_.alignment = kAlignCentre; });
  connect(left_, &QRadioButton::clicked, this, [this] { settings_.alignment = kAlignLeft; });
  connect(right_, &QRadioButton::clicked, this, [this] { settings_.alignment = kAlignRight; });
  antialias_ = new QCheckBox(QStringLiteral("Antialias"), this);
  place(kAntialias, antialias_, QRect(256, 244, 100, 20));
  connect(antialias_, &QCheckBox::clicked, this, [this](bool on) { settings_.smooth = on ? 1 : 0; });

  connect(button(IDOK, 152, QStringLiteral("OK"), QRect(196, 298, 80, 24)), &QAbstractButton::clicked, this,
          &DlgText::OnOK);
  connect(button(IDCANCEL, 153, QStringLiteral("Cancel"), QRect(282, 298, 80, 24)), &QAbstractButton::clicked, this,
          &QDialog::reject);
}

int DlgText::exec() {
  LoadControls();
  return QDialog::exec();
}

void DlgText::LoadControls() {
  hasBackground_->setChecked(settings_.opaque != 0);
  antialias_->setChecked(settings_.smooth != 0);
  {
    const QSignalBlocker block(edit_);
    edit_->setPlainText(EditTextOf(settings_.text));
  }
  edit_->selectAll();
  edit_->ensureCursorVisible();
  ApplyEditLook();
  (settings_.alignment == kAlignLeft    ? left_
   : settings_.alignment == kAlignRight ? right_
                                        : centred_)
      ->setChecked(true);

  const float opacity = settings_.boxOpacity >= 0.0f && settings_.boxOpacity <= 1.0f ? settings_.boxOpacity : 0.0f;
  const int radius = std::min<int>(settings_.roundRadius, 50);
  {
    const QSignalBlocker a(opacity_), b(radius_);
    opacity_->setRange(0, 100);
    opacity_->setTickInterval(5);
    opacity_->setSingleStep(10);
    opacity_->setPageStep(20);
    // Rounded, so that 0.37 shows as 37 whatever its float error.
    opacity_->setValue(int(opacity * 100.0f + 0.5f));
    radius_->setRange(0, 50);
    radius_->setTickInterval(5);
    radius_->setSingleStep(5);
    radius_->setPageStep(10);
    radius_->setValue(radius);
  }
  opacityLabel_->setText(QString::asprintf("%.0f%%", double(opacity) * 100.0));
  radiusLabel_->setText(QString::asprintf("%d%%", int(settings_.roundRadius)));
  // The background controls start enabled, whatever the flag says.
  EnableBackground(true);
}

void DlgText::ApplyEditLook() {
  edit_->setFont(FontOfLogFont(settings_.font));
  const QColor fg = ColourOf(settings_.textColor), bg = ColourOf(settings_.boxColor);
  edit_->setStyleSheet(QStringLiteral("QPlainTextEdit { color: %1; background-color: black; selection-color: %2;"
                                      " selection-background-color: %1; }")
                           .arg(fg.name(), bg.name()));
  // The text itself sits on the box colour.
  QTextCharFormat format;
  format.setForeground(fg);
  format.setBackground(bg);
  QTextCursor all(edit_->document());
  all.select(QTextCursor::Document);
  const QSignalBlocker block(edit_);
  all.mergeCharFormat(format);
  edit_->mergeCurrentCharFormat(format);
}

void DlgText::EnableBackground(bool on) {
  for (int id : {int(kBoxColour), int(kOpacity), int(kOpacityLabel), int(kRadius), int(kRadiusLabel)})
    if (QWidget* w = Item(id)) w->setEnabled(on);
}

void DlgText::OnFont() {
  gbdlg::FontDescription d;
  const LOGFONT& f = settings_.font;
  d.face = std::string(f.lfFaceName, strnlen(f.lfFaceName, sizeof f.lfFaceName));
  d.height = f.lfHeight;
  d.weight = f.lfWeight;
  d.italic = f.lfItalic != 0;
  d.underline = f.lfUnderline != 0;
  d.strikeOut = f.lfStrikeOut != 0;
  d.charSet = f.lfCharSet;
  const std::optional<gbdlg::FontDescription> chosen = gbdlg::Dialogs().PickFont(this, d, settings_.textColor);
  if (!chosen) return;
  // Only the description comes back: the picker's colour is not the text colour.
  LOGFONT& out = settings_.font;
  std::memset(out.lfFaceName, 0, sizeof out.lfFaceName);
  std::memcpy(out.lfFaceName, chosen->face.data(), std::min(chosen->face.size(), sizeof out.lfFaceName - 1));
  out.lfHeight = chosen->height;
  out.lfWeight = chosen->weight;
  out.lfItalic = chosen->italic ? 1 : 0;
  out.lfUnderline = chosen->underline ? 1 : 0;
  out.lfStrikeOut = chosen->strikeOut ? 1 : 0;
  out.lfCharSet = uint8_t(chosen->charSet);
  ApplyEditLook();
}

void DlgText::OnTextColour() {
  if (auto c = gbdlg::Dialogs().PickColour(this, settings_.textColor, &custom_)) {
    settings_.textColor = *c;
    ApplyEditLook();
  }
}

void DlgText::OnBoxColour() {
  if (auto c = gbdlg::Dialogs().PickColour(this, settings_.boxColor, &custom_)) {
    settings_.boxColor = *c;
    ApplyEditLook();
  }
}

void DlgText::OnHasBackground() {
  settings_.opaque = hasBackground_->isChecked() ? 1 : 0;
  EnableBackground(hasBackground_->isChecked());
}

void DlgText::OnOpacityMoved(int position) {
  settings_.boxOpacity = float(position) * 0.01f;
  opacityLabel_->setText(QString::asprintf("%.0f%%", double(settings_.boxOpacity) * 100.0));
}

void DlgText::OnRadiusMoved(int position) {
  settings_.roundRadius = uint8_t(std::clamp(position, 0, 50));
  radiusLabel_->setText(QString::asprintf("%d%%", position));
}

void DlgText::OnOK() {
  const QByteArray bytes = FitText(RecordTextOf(edit_->toPlainText()), kMaxText);
  std::memset(settings_.text, 0, sizeof settings_.text);
  std::memcpy(settings_.text, bytes.constData(), size_t(bytes.size()));
  settings_.opaque = hasBackground_->isChecked() ? 1 : 0;
  settings_.smooth = antialias_->isChecked() ? 1 : 0;
  done(IDOK);
}
