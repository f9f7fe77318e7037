#include "output/window/DlgPrint.h"

#include "compose/window/PictureViews.h"
#include "compose/window/WindowControls.h"
#include "output/window/OutputArt.h"
#include "skin/CRectTrackerPic.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"
#include "skin/SkinTypes.h"

namespace {

bool Resampled(const GbImage& source, long w, long h, GbImage& out) {
  if (w <= 0 || h <= 0 || !out.CopyFrom(source)) return false;
  if (long(out.Width()) == w && long(out.Height()) == h) return true;
  return out.ResampleInterpolated(w, h, GbImage::kCatmullRom, GbImage::kRepeat);
}

// Size entries: printed size and preview size.
struct SizeEntry {
  int width, height, previewWidth, previewHeight;
};
constexpr SizeEntry kEntries[4] = {{0, 0, 0, 0}, {320, 240, 320, 240}, {528, 400, 528, 400}, {1024, 768, 614, 460}};
constexpr QPoint kEntryOrigin{70, 60};

}  // namespace

const SkinCommandTable<DlgPrint> DlgPrint::kCommands = {
    {kNotifySelChange, kSize, &DlgPrint::OnSizeChoice},
    {IDOK, &DlgPrint::OnPrint},
};

DlgPrint::DlgPrint(const GbImage& printPicture, const SettingsStore& settings, QWidget* parent) : SkinDialog(parent) {
  UseCommands(kCommands);
  setWindowTitle(QStringLiteral("Print"));
  SetSkinImage(OutputArt::PrintBackground(), 800, 600, 28);
  picture_.CopyFrom(printPicture);
  CreateControls();
  SetSizeTexts(settings.PrintWidth, settings.PrintHeight);
  previewView_->SetPicture(QImageOfGbImage(picture_));
  tracker_->SetTrackerRect(QRect(206, 140, 364, 274).translated(-kTrackArea.topLeft()));
}

DlgPrint::~DlgPrint() = default;

void DlgPrint::CreateControls() {
  previewView_ = Add<PictureControl>(kPreview, 206, 140, 364, 274);
  // The tracker lies over the preview area and catches the mouse there.
  tracker_ = Add<CRectTrackerPic>(kTracker, kTrackArea.x(), kTrackArea.y(), kTrackArea.width(), kTrackArea.height());
  tracker_->EnableTracking(true);
  connect(tracker_, &CRectTrackerPic::trackerChanged, this,
          [this](QRect r) { TrackTo(r.translated(kTrackArea.topLeft())); });
  auto* label = Add<SkStatic>(-1, 20, 550, 108, 16);
  label->SetText(QStringLiteral("Printed size:"));
  widthText_ = Add<SkStatic>(kWidthText, 132, 550, 42, 16);
  auto* by = Add<SkStatic>(-1, 176, 550, 10, 16);
  by->SetText(QStringLiteral("x"));
  heightText_ = Add<SkStatic>(kHeightText, 188, 550, 42, 16);
  widthText_->SetAlignment(Qt::AlignRight);
  by->SetAlignment(Qt::AlignCenter);
  for (SkStatic* s : {label, widthText_, by, heightText_}) s->SetColours(RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0));
  size_ = Add<SkComboBox>(kSize, 388, 544, 108, 20);
  size_->AddString(QStringLiteral("Current size"));
  size_->AddString(QStringLiteral("320 X 240"));
  size_->AddString(QStringLiteral("528 X 400"));
  size_->AddString(QStringLiteral("1024 X 768 (60%)"));
  size_->SetCurSel(0);
  // The box is narrow for its longest entry: a smaller face keeps it whole.
  size_->setFont(SkinFont(QStringLiteral("Tahoma"), 9, 400));
  MakeTextButton(this, IDOK, QRect(567, 542, 80, 23), QStringLiteral("Print"), true);
  MakeTextButton(this, IDCANCEL, QRect(665, 542, 80, 23), QStringLiteral("Cancel"));
  MakeGlyphButton(this, kCloseControlId, QRect(767, 1, 25, 25), MainArt::Glyph::Close, {}, QStringLiteral("Close"));
}

QRect DlgPrint::PreviewRect() const { return previewView_->geometry(); }
QRect DlgPrint::TrackerRect() const { return tracker_->TrackerRect().translated(kTrackArea.topLeft()); }
QString DlgPrint::WidthText() const { return widthText_->Text(); }
QString DlgPrint::HeightText() const { return heightText_->Text(); }

void DlgPrint::SetSizeTexts(int w, int h) {
  widthText_->SetText(QString::number(w));
  heightText_->SetText(QString::number(h));
  widthText_->update();
  heightText_->update();
}

void DlgPrint::ShowPreview(const QRect& rect) {
  previewView_->setGeometry(rect);
  previewView_->SetPicture(QImageOfGbImage(preview_.HasPixels() ? preview_ : picture_));
  update();
}

void DlgPrint::TrackTo(const QRect& r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const bool same =
      preview_.HasPixels() && long(preview_.Width()) == r.width() && long(preview_.Height()) == r.height();
  if (!same) {
    GbImage sized;
    if (!Resampled(picture_, r.width(), r.height(), sized)) return;
    preview_.TakeOver(sized);
  }
  const QRect inTracker = r.translated(-kTrackArea.topLeft());
  if (tracker_->TrackerRect() != inTracker) tracker_->SetTrackerRect(inTracker);
  ShowPreview(r);
  SetSizeTexts(r.width(), r.height());
}

void DlgPrint::OnSizeChoice(int, int entry) {
  if (entry < 1 || entry > 3) {
    update();
    return;
  }
  const SizeEntry& e = kEntries[entry];
  SetSizeTexts(e.width, e.height);
  tracker_->SetTrackerRect(QRect(kEntryOrigin - kTrackArea.topLeft(), QSize(e.previewWidth, e.previewHeight)));
  GbImage sized;
  if (Resampled(picture_, e.previewWidth, e.previewHeight, sized)) preview_.TakeOver(sized);
  ShowPreview(QRect(kEntryOrigin, QSize(e.width, e.height)));
}

void DlgPrint::OnPrint() {
  const int entry = size_->GetCurSel();
  GbImage chosen;
  if (entry >= 1 && entry <= 3) {
    // Printed from the print picture at the entry's full size; the preview
    // keeps showing its own (smaller, for entry 3) picture.
    GbImage sized;
    if (Resampled(picture_, kEntries[entry].width, kEntries[entry].height, sized)) chosen.TakeOver(sized);
  } else {
    chosen.CopyFrom(preview_.HasPixels() ? preview_ : picture_);
  }
  double dpiX = 96, dpiY = 96;
  ScreenResolution(dpiX, dpiY);
  result_ = PrintBitmap(QImageOfGbImage(chosen), this, dpiX, dpiY);
  printed_.TakeOver(chosen);
  if (!result_.message.isEmpty())
    ShowMessageBox(result_.message, QStringLiteral("Glimmerbox"), MB_OK | MB_ICONWARNING, this);
}
