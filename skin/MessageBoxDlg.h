// The skinned message box and its entry point ShowMessageBox.
#pragma once
#include <QRect>
#include <QString>

#include "skin/SkinDialog.h"

class CIconButton;
class SkIcon;
class SkStatic;

class MessageBoxDlg : public SkinDialog {
  Q_OBJECT

 public:
  MessageBoxDlg(const QString& text, UINT type, const QString& caption = {}, QWidget* parent = nullptr);

  // Centre on this global rectangle instead of the parent or the screen.
  void SetPlacement(const QRect& globalRect);

  int Result() const { return result_; }
  QString Title() const;
  SkStatic* TitleLabel() const { return title_; }
  SkStatic* MessageLabel() const { return message_; }
  SkIcon* IconControl() const { return icon_; }
  CIconButton* Button(int id) const;

  // The four icons, loaded the first time any message box opens.
  static const QImage& TypeIcon(UINT type);

  void OnOK() override;
  void OnCancel() override;
  void OnCloseButton() override { OnCancel(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Layout();
  void OnFirst();
  void OnSecond();

  QString text_;
  UINT type_;
  QString caption_;
  int result_ = IDCANCEL;
  bool hasPlacement_ = false;
  QRect placement_;
  SkStatic* title_ = nullptr;
  SkStatic* message_ = nullptr;
  SkIcon* icon_ = nullptr;
  CIconButton* first_ = nullptr;
  CIconButton* second_ = nullptr;
  CIconButton* close_ = nullptr;
  QImage background_;

  static const SkinCommandTable<MessageBoxDlg> kCommands;
};

// Shows text in the message box, centred on the owner's client area (a null
// owner means the program's main window), and returns IDOK, IDCANCEL, IDYES
// or IDNO.
int ShowMessageBox(const QString& text, const QString& caption, UINT type, QWidget* owner = nullptr);

// The window ShowMessageBox centres on when given no owner.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();
