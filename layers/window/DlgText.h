// DlgText, "Place text to image": the text of a new text layer and its look
// (font, colours, background box, opacity, corner rounding, alignment,
// smoothing), edited in one TextSettings record. The caller loads the record
// before exec() and reads it after OK.
#pragma once
#include <QDialog>
#include <map>

#include "image/core/TextSettings.h"
#include "platform/dialogs/CommonDialogs.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QSlider;

class DlgText : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kEdit = 1000,
    kFont = 3,
    kTextColour = 1073,
    kBoxColour = 1076,
    kHasBackground = 1003,
    kOpacity = 1079,
    kOpacityLabel = 1084,
    kRadius = 1082,
    kRadiusLabel = 1086,
    kCentred = 1005,
    kLeft = 1009,
    kRight = 1013,
    kAntialias = 1101,
  };
  // Longest text the record holds (one byte stays for the terminator).
  static constexpr int kMaxText = GB_TEXT_MAX - 1;

  explicit DlgText(QWidget* parent = nullptr);

  TextSettings& Settings() { return settings_; }
  QWidget* Item(int id) const;
  template <class T>
  T* ItemAs(int id) const {
    return qobject_cast<T*>(Item(id));
  }

  // Shows the record: runs at exec(); tests call it to look before a run.
  void LoadControls();
  void OnFont();
  void OnTextColour();
  void OnBoxColour();
  void OnHasBackground();
  void OnOpacityMoved(int position);
  void OnRadiusMoved(int position);
  void OnOK();

  int exec() override;
  void accept() override { OnOK(); }

 private:
  void CreateControls();
  void ApplyEditLook();
  void EnableBackground(bool on);

  TextSettings settings_{};
  gbdlg::CustomColours custom_{};
  std::map<int, QWidget*> items_;
  QPlainTextEdit* edit_ = nullptr;
  QCheckBox* hasBackground_ = nullptr;
  QCheckBox* antialias_ = nullptr;
  QSlider* opacity_ = nullptr;
  QSlider* radius_ = nullptr;
  QLabel* opacityLabel_ = nullptr;
  QLabel* radiusLabel_ = nullptr;
  QRadioButton* centred_ = nullptr;
  QRadioButton* left_ = nullptr;
  QRadioButton* right_ = nullptr;
};

// The record's font description as a Qt font (height in pixels).
QFont FontOfLogFont(const LOGFONT& font);
