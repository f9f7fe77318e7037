// DlgPrint: the print preview. The print picture is shown at the size it
// will print; the user drags the tracker around it or picks a fixed size,
// and Print sends the picture of that size to the print routine.
#pragma once
#include <QRect>

#include "app/SettingsStore.h"
#include "image/core/GbImage.h"
#include "output/print/PrintSheet.h"
#include "skin/SkinDialog.h"

class CRectTrackerPic;
class PictureControl;
class SkComboBox;
class SkStatic;

class DlgPrint : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kPreview = 1094,
    kWidthText = 1220,
    kHeightText = 1221,
    kSize = 1222,
    kTracker = 1223,  // the tracker's own layer over the preview area
  };
  // The area the preview and its tracker move in (dialog pixels).
  static constexpr QRect kTrackArea{10, 40, 780, 490};

  // The print picture is copied; it never changes while the dialog is open.
  DlgPrint(const GbImage& printPicture, const SettingsStore& settings, QWidget* parent = nullptr);
  ~DlgPrint() override;

  // ---- state, for tests ----
  // The preview bitmap (empty before any size change).
  const GbImage& PreviewBitmap() const { return preview_; }
  QRect PreviewRect() const;  // the preview window, dialog pixels
  QRect TrackerRect() const;  // dialog pixels
  QString WidthText() const;
  QString HeightText() const;
  // The picture the last Print sent and what the routine said.
  const GbImage& PrintedPicture() const { return printed_; }
  const PrintResult& LastResult() const { return result_; }
  // Moves the tracker as a finished drag to r (dialog pixels) does.
  void TrackTo(const QRect& r);

  // ---- the command table ----
  void OnSizeChoice(int id, int entry);
  void OnPrint();

 private:
  void CreateControls();
  void ShowPreview(const QRect& rect);
  void SetSizeTexts(int w, int h);

  GbImage picture_;
  GbImage preview_;
  GbImage printed_;
  PrintResult result_;
  PictureControl* previewView_ = nullptr;
  CRectTrackerPic* tracker_ = nullptr;
  SkStatic* widthText_ = nullptr;
  SkStatic* heightText_ = nullptr;
  SkComboBox* size_ = nullptr;

  static const SkinCommandTable<DlgPrint> kCommands;
};
