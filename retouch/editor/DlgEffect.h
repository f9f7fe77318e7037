// DlgEffect: one effect previewed on the editor's picture and tuned with up
// to three sliders, or, for the circle transforms, warps applied by buttons
// straight to the editor's working image. Hands back a result bitmap on OK.
#pragma once
#include <vector>

#include "platform/gdi/Gdi.h"
#include "retouch/engine/FxImage.h"
#include "skin/SkinDialog.h"

class CRectTrackerPic;
class CSkinSlider;
class DlgFilter;
class GbImage;
class SkStatic;

class DlgEffect : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kPreview = 1138,
    kSlider1 = 1139,
    kSlider2 = 1143,
    kSlider3 = 1144,
    kValue1 = 1140,
    kValue2 = 1141,
    kValue3 = 1142,
    kName1 = 1302,  // the slider names (no command)
    kLeft = 1145,
    kRight = 1146,
    kSmooth = 1147,
    kPunch = 1166,
    kPinch = 1167,
    kCylinder = 1168,
    kSwirl = 1091,
    kBathroom = 1169,
    kResum = 1136,
  };
  struct SliderSpec {
    const char* name;
    int minimum, maximum, start;
  };
  struct KindSpec {
    const char* title;
    std::vector<SliderSpec> sliders;
  };
  // The kinds 0..13 (kind 8 has no title and no slider).
  static const KindSpec& Kind(int kind);

  // input stays the caller's; the editor gives the working image.
  DlgEffect(DlgFilter* editor, HBITMAP input, int kind, QWidget* parent = nullptr);
  ~DlgEffect() override;

  // After IDOK: the result, now the caller's.
  HBITMAP TakeResult();
  HBITMAP Result() const { return result_; }
  int EffectKind() const { return kind_; }
  CSkinSlider* Slider(int index) const;
  QImage PreviewPicture() const;

  void OnSlider(int id, int value);
  void OnLeft();
  void OnRight();
  void OnCircle(int id);
  void OnResum();

 private:
  void CreateControls();
  void FitAndShow();
  void SetResult(HBITMAP bitmap);
  void ShowBitmap(HBITMAP bitmap);
  void UpdateLabels();
  int Position(int index) const;
  GbImage* EditorImage() const;

  DlgFilter* editor_;
  HBITMAP input_;
  HBITMAP result_ = nullptr;
  int kind_;
  FxImage effect_;
  CRectTrackerPic* preview_ = nullptr;

  static const SkinCommandTable<DlgEffect> kCommands;
};
