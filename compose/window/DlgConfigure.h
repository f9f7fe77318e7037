// DlgConfigure: the six template folders, importing pictures into a
// category folder or removing them, and the numbers (snapshot delay, print
// size, frame opacity) with the automatic frame change. Folder choices,
// imports, removals, the frame-change box and Default take effect at once;
// the numbers only with Apply.
#pragma once
#include "app/SettingsStore.h"
#include "app/SysHelper.h"
#include "skin/SkinDialog.h"

class CReadOnlyEdit;
class GbSkinButton;
class QLineEdit;

class DlgConfigure : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kFrameFolder = 1223,  // to 1228: Frame, Portrait, Background, Mask, Emotion, BaseMap
    kImportMode = 1233,
    kRemoveMode = 1234,
    kCategory0 = 1235,  // to 1240, in the same order as the folders
    kDelay = 1241,
    kPrintWidth = 1242,
    kPrintHeight = 1243,
    kAlpha = 1250,
    kAutoChange = 1249,
    kDefault = 1252,
  };
  // The "..." buttons of the six categories, in folder order.
  static constexpr int kFolderButtons[6] = {1229, 1230, 1091, 1231, 1232, 1132};

  DlgConfigure(SettingsStore& settings, CSysHelper& helper, QWidget* parent = nullptr);

  QLineEdit* Edit(int id) const;
  GbSkinButton* Button(int id) const;

  void OnChooseFolder(int id);
  void OnImportMode();
  void OnRemoveMode();
  void OnCategory(int id);
  void OnAutoChange();
  void OnApply();
  void OnDefault();
  void OnOK() override { OnApply(); }

 private:
  void CreateControls();
  void Fill();
  static int Category(int folderButton);

  SettingsStore& settings_;
  CSysHelper& helper_;
  static const SkinCommandTable<DlgConfigure> kCommands;
};
