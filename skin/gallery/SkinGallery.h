// A skinned window showing every control of the kit in its states; its
// buttons open the message box variants and the popup menu.
#pragma once
#include <memory>

#include "skin/SkinDialog.h"

class CSkinMenuPro;
class SkComboBox;
class SkStatic;

class SkinGallery : public SkinDialog {
  Q_OBJECT

 public:
  enum Ids {
    kMessageInfo = 2001,
    kMessageQuestion,
    kMessageWarning,
    kMessageError,
    kMenuButton,
    kCombo = 2010,
    kSlider = 2020,
    kSliderDragged,
    kSliderDisabled,
    kStatus = 2030,
  };

  explicit SkinGallery(QWidget* parent = nullptr);
  ~SkinGallery() override;

  CSkinMenuPro* Menu() const { return menu_.get(); }
  SkComboBox* Combo() const;
  // Shows the menu where the menu button is (returns the command).
  int ShowMenu();

 private:
  void Build();
  void OnMessageInfo();
  void OnMessageQuestion();
  void OnMessageWarning();
  void OnMessageError();
  void OnMenu();
  void OnCombo(int id, int index);
  void OnSlider(int id, int pos);
  void OnMenuCommand(int id);
  void Status(const QString& text);

  std::unique_ptr<CSkinMenuPro> menu_;
  static const SkinCommandTable<SkinGallery> kCommands;
};
