#include "retouch/editor/DlgEffect.h"

#include <QFontMetrics>
#include <algorithm>

#include "image/core/GbImage.h"
#include "retouch/editor/DlgFilter.h"
#include "retouch/editor/EditorViews.h"
#include "skin/CRectTrackerPic.h"
#include "skin/CSkinSlider.h"
#include "skin/GbSkinButton.h"
#include "skin/SkStatic.h"
#include "skin/SkinArt.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

namespace {
constexpr int kSliderIds[3] = {DlgEffect::kSlider1, DlgEffect::kSlider2, DlgEffect::kSlider3};
constexpr int kValueIds[3] = {DlgEffect::kValue1, DlgEffect::kValue2, DlgEffect::kValue3};
constexpr int kBoxWidth = 320;
constexpr int kBoxHeight = 240;

// The preview box rule: both sides too large gives exactly the box; one side
// too large is fitted keeping the shape (nothing is distorted).
void FitIntoBox(GbImage& image) {
  const int64_t w = image.Width(), h = image.Height();
  if (w > kBoxWidth && h > kBoxHeight) {
    image.ResampleInterpolated(kBoxWidth, kBoxHeight, GbImage::kCatmullRom, GbImage::kRepeat);
  } else if (w > kBoxWidth || h > kBoxHeight) {
    int64_t nw = kBoxWidth, nh = kBoxHeight;
    if (w * kBoxHeight >= h * kBoxWidth)
      nh = std::max<int64_t>(1, h * kBoxWidth / w);
    else
      nw = std::max<int64_t>(1, w * kBoxHeight / h);
    image.ResampleInterpolated(long(nw), long(nh), GbImage::kCatmullRom, GbImage::kRepeat);
  }
}
// The kit's channel picture is shorter than the slider row: its ends are
// kept and its middle repeated, so the rounded caps stay round.
QImage Widened(const QImage& channel, int width) {
  if (channel.isNull() || channel.width() >= width || channel.width() < 20) return channel;
  QImage out(width, channel.height(), channel.format());
  const int cap = 8, middle = channel.width() / 2;
  for (int y = 0; y < channel.height(); ++y)
    for (int x = 0; x < width; ++x) {
      const int from = x < cap ? x : x >= width - cap ? channel.width() - (width - x) : middle;
      out.setPixel(x, y, channel.pixel(from, y));
    }
  return out;
}

}  // namespace

const SkinCommandTable<DlgEffect> DlgEffect::kCommands = {
    {kNotifySliderMoving, kSlider1, kSlider1, &DlgEffect::OnSlider},
    {kNotifySliderMoving, kSlider2, kSlider3, &DlgEffect::OnSlider},
    // The keyboard moves a slider in one step, notified as a finished move.
    {kNotifySliderMoved, kSlider1, kSlider1, &DlgEffect::OnSlider},
    {kNotifySliderMoved, kSlider2, kSlider3, &DlgEffect::OnSlider},
    {kLeft, &DlgEffect::OnLeft},
    {kRight, &DlgEffect::OnRight},
    {kNotifyClicked, kPunch, kBathroom, &DlgEffect::OnCircle},
    {kSwirl, &DlgEffect::OnCircle},
    {kResum, &DlgEffect::OnResum},
};

const DlgEffect::KindSpec& DlgEffect::Kind(int kind) {
  static const std::vector<KindSpec> kinds = {
      {"Effect_EMBOSS", {{"Level", 1, 100, 1}}},
      {"Effect_SHARP", {{"Level", 1, 100, 1}}},
      {"Effect_Mosaic", {{"Size", 2, 100, 2}}},
      {"Effect_Windy", {{"Wind", 0, 100, 0}}},
      {"Effect_Stripe", {{"Frequency", 0, 100, 35}, {"Swing", 0, 100, 25}}},
      {"Effect_Adject_RGB", {{"Red", -128, 128, 0}, {"Green", -128, 128, 0}, {"Blue", -128, 128, 0}}},
      {"Effect_Bright_Contrast", {{"Bright", 0, 200, 100}, {"Contrast", 0, 200, 100}}},
      {"Effect_Hue_Saturation", {{"Hue", 0, 200, 100}, {"Saturation", 0, 200, 100}}},
      {"", {}},
      {"Effect_Rotate_Angle", {{"Angle", 1, 89, 45}}},
      {"Effect_CircleTransform", {}},
      {"Effect_Noise", {{"Noise", 1, 500, 25}}},
      {"Effect_Soften", {{"Factor", 10, 50, 16}}},
      {"Effect_SelectiveBlur", {{"Level", 1, 250, 25}}},
  };
  return kinds[size_t(std::clamp(kind, 0, int(kinds.size()) - 1))];
}

DlgEffect::DlgEffect(DlgFilter* editor, HBITMAP input, int kind, QWidget* parent)
    : SkinDialog(parent), editor_(editor), input_(input), kind_(kind) {
  UseCommands(kCommands);
  CreateControls();
  CentreOnScreen();
  if (input_) effect_.LoadFromBitmap(input_, 32);
  UpdateLabels();
  FitAndShow();
}

DlgEffect::~DlgEffect() {
  if (result_) DeleteObject(result_);
}

void DlgEffect::CreateControls() {
  const KindSpec& spec = Kind(kind_);
  const int count = int(spec.sliders.size());
  static const int rows[4][3] = {{0, 0, 0}, {302, 0, 0}, {290, 320, 0}, {282, 302, 323}};
  SkinArt::WindowLook look;
  look.width = 420;
  look.height = 400;
  look.title = QString::fromLatin1(spec.title);
  look.wells = {QRect(12, 31, 326, 246)};
  if (count > 0) look.panels = {QRect(10, rows[count][0] - 8, 398, rows[count][count - 1] - rows[count][0] + 36)};
  SetSkinImage(SkinArt::WindowBackground(look), 420, 400, 30);
  setWindowTitle(look.title);

  preview_ = Add<CRectTrackerPic>(kPreview, 15, 34, kBoxWidth, kBoxHeight);
  editorview::AddTextButton(this, kResum, QRect(341, 37, 70, 23), QStringLiteral("Resum"));
  for (int i = 0; i < count; ++i) {
    const SliderSpec& s = spec.sliders[size_t(i)];
    const int y = rows[count][i];
    auto* name = Add<SkStatic>(kName1 + i, 15, y + 2, 47, 16);
    name->SetFontChoice(SkStatic::kOwnFont);
    int pixels = 11;
    QFont font = SkinFont(QStringLiteral("Tahoma"), pixels, 700);
    while (pixels > 8 && QFontMetrics(font).horizontalAdvance(QString::fromLatin1(s.name)) > 46)
      font = SkinFont(QStringLiteral("Tahoma"), --pixels, 700);
    name->setFont(font);
    name->SetText(QString::fromLatin1(s.name));
    auto* slider = Add<CSkinSlider>(kSliderIds[i], 64, y, 278, 20);
    slider->SetChannelImages(Widened(LoadSkinBitmap(kResSliderChannel), 278),
                             Widened(LoadSkinBitmap(kResSliderChannelActive), 278), true, kSkinKey);
    slider->SetThumbBitmaps(kResSliderThumb, kResSliderThumbActive, true, kSkinKey);
    slider->SetMargins(2, 2);
    slider->SetRange(s.minimum, s.maximum);
    slider->SetPos(s.start);
    auto* value = Add<SkStatic>(kValueIds[i], 348, y + 2, 43, 16);
    value->SetText(QString::number(s.start));
  }
  if (kind_ == 3) {
    GbSkinButton* left = editorview::AddTextButton(this, kLeft, QRect(341, 111, 70, 23), QStringLiteral("Left"));
    GbSkinButton* right = editorview::AddTextButton(this, kRight, QRect(341, 151, 70, 23), QStringLiteral("Right"));
    GbSkinButton* smooth = editorview::AddTextButton(this, kSmooth, QRect(341, 178, 70, 23), QStringLiteral("Smooth"));
    left->SetKind(GbSkinButton::kRadio);
    right->SetKind(GbSkinButton::kRadio);
    smooth->SetKind(GbSkinButton::kCheckBox);
    left->SetChecked(true);
    right->SetChecked(false);
  }
  if (kind_ == 10) {
    editorview::AddTextButton(this, kPinch, QRect(341, 111, 70, 23), QStringLiteral("PINCH"));
    editorview::AddTextButton(this, kPunch, QRect(341, 151, 70, 23), QStringLiteral("PUNCH"));
    editorview::AddTextButton(this, kCylinder, QRect(341, 178, 70, 23), QStringLiteral("CYLINDER"));
    editorview::AddTextButton(this, kSwirl, QRect(341, 220, 70, 23), QStringLiteral("SWIRL"));
    editorview::AddTextButton(this, kBathroom, QRect(341, 246, 70, 23), QStringLiteral("BATHROOM"));
  }
  editorview::AddTextButton(this, IDOK, QRect(267, 358, 60, 23), QStringLiteral("OK"));
  editorview::AddTextButton(this, IDCANCEL, QRect(339, 358, 60, 23), QStringLiteral("Cancel"));
  editorview::AddTextButton(this, kCloseControlId, QRect(381, 1, 25, 25), QStringLiteral("X"));
}

CSkinSlider* DlgEffect::Slider(int index) const {
  return index >= 0 && index < 3 ? ItemAs<CSkinSlider>(kSliderIds[index]) : nullptr;
}

int DlgEffect::Position(int index) const {
  CSkinSlider* s = Slider(index);
  return s ? s->GetPos() : 0;
}

GbImage* DlgEffect::EditorImage() const { return editor_ ? editor_->WorkingImage() : nullptr; }

QImage DlgEffect::PreviewPicture() const { return preview_->Picture(); }

void DlgEffect::UpdateLabels() {
  for (int i = 0; i < 3; ++i)
    if (auto* label = ItemAs<SkStatic>(kValueIds[i])) label->SetText(QString::number(Position(i)));
}

void DlgEffect::SetResult(HBITMAP bitmap) {
  if (result_ && result_ != bitmap) DeleteObject(result_);
  result_ = bitmap;
}

void DlgEffect::ShowBitmap(HBITMAP bitmap) { preview_->SetPicture(editorview::ImageOfBitmap(bitmap)); }

HBITMAP DlgEffect::TakeResult() {
  HBITMAP out = result_;
  result_ = nullptr;
  return out;
}

void DlgEffect::FitAndShow() {
  if (effect_.IsEmpty()) return;
  HBITMAP device = effect_.MakeDeviceBitmap();
  if (!device) return;
  GbImage picture;
  const bool ok = picture.CreateFromBitmap(device);
  DeleteObject(device);
  if (!ok) return;
  FitIntoBox(picture);
  HBITMAP fitted = picture.MakeDibSection();
  if (!fitted) return;
  effect_.LoadFromBitmap(fitted, 32);
  SetResult(fitted);
  ShowBitmap(fitted);
}

void DlgEffect::OnSlider(int, int) {
  if (kind_ == 8 || kind_ == 10 || kind_ < 0 || kind_ > 13) return;
  const int s1 = Position(0), s2 = Position(1), s3 = Position(2);
  UpdateLabels();
  if (kind_ >= 11) {
    // These work on the editor's own image, which may be larger than the preview.
    GbImage* source = EditorImage();
    if (!source) return;
    GbImage copy;
    if (!copy.CopyFrom(*source, true, true, true)) return;
    static const int32_t kSoften[9] = {1, 1, 1, 1, 8, 1, 1, 1, 1};
    if (kind_ == 11) copy.AddRandomNoise(s1);
    if (kind_ == 12) copy.ConvolveKernel(kSoften, 3, s1, 0);
    if (kind_ == 13) copy.EdgePreservingBlur(1.0f, uint8_t(std::clamp(s1, 0, 255)));
    SetResult(copy.MakeDibSection());
    ShowBitmap(result_);
    return;
  }
  if (!input_ || !effect_.LoadFromBitmap(input_, 32)) return;
  ProgressSink& sink = effect_.Progress();
  const bool left = ItemAs<GbSkinButton>(kLeft) && ItemAs<GbSkinButton>(kLeft)->IsChecked();
  const bool smooth = ItemAs<GbSkinButton>(kSmooth) && ItemAs<GbSkinButton>(kSmooth)->IsChecked();
  switch (kind_) {
    case 0: effect_.EmbossGrey(s1, 16, &sink); break;
    case 1: effect_.SharpenAlongRows(s1, &sink); break;
    case 2: effect_.MosaicBlocks(std::max(s1, 2), &sink); break;
    case 3: effect_.WindSmear(s1, left ? FxImage::kWindRight : FxImage::kWindLeft, smooth, &sink); break;
    case 4: effect_.StripeWave(s2, s1, &sink); break;
    case 5: effect_.ShiftChannels(s1, s2, s3, &sink); break;
    case 6:
      effect_.ScaleBrightness(s1, 0, &sink);
      effect_.ScaleContrast(s2, &sink);
      break;
    case 7: effect_.ScaleHueSaturation(s1, s2, &sink); break;
    case 9: effect_.RotateByAngle(std::min(s1, 89)); break;
    default: break;
  }
  FitAndShow();
}

void DlgEffect::OnLeft() {
  if (auto* b = ItemAs<GbSkinButton>(kLeft)) b->SetChecked(true);
  if (auto* b = ItemAs<GbSkinButton>(kRight)) b->SetChecked(false);
}

void DlgEffect::OnRight() {
  if (auto* b = ItemAs<GbSkinButton>(kRight)) b->SetChecked(true);
  if (auto* b = ItemAs<GbSkinButton>(kLeft)) b->SetChecked(false);
}

void DlgEffect::OnCircle(int id) {
  if (kind_ != 10) return;
  GbImage* target = EditorImage();
  if (!target) return;
  GbImage::WarpKind warp = GbImage::WarpKind::kPunch;
  float koeff = 100.0f;
  switch (id) {
    case kPunch: warp = GbImage::WarpKind::kPunch; break;
    case kPinch: warp = GbImage::WarpKind::kPinch; break;
    case kSwirl: warp = GbImage::WarpKind::kSwirl; break;
    case kCylinder: warp = GbImage::WarpKind::kCylinder; break;
    case kBathroom:
      warp = GbImage::WarpKind::kBathroom;
      koeff = 1.0f;
      break;
    default: return;
  }
  GbImage copy;
  if (!copy.CopyFrom(*target, true, true, true)) return;
  copy.RadialWarp(warp, 0, koeff);
  SetResult(copy.MakeDibSection());
  // Each press works on the result of the one before.
  target->CopyFrom(copy, true, true, true);
  ShowBitmap(result_);
}

void DlgEffect::OnResum() {
  if (!input_) return;
  effect_.LoadFromBitmap(input_, 32);
  if (GbImage* target = EditorImage()) target->CreateFromBitmap(input_);
  // The result goes back to the input too, so OK after Resum gives what is shown.
  FitAndShow();
}
