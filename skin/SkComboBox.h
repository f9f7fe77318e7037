// A drop-down list combo box drawn from the shared combo skin. Used like the
// standard one: add items, select, and hear kNotifySelChange (with the new
// index) when the user picks an item from the drop-down list.
#pragma once
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "skin/ComboWindow.h"

class SkComboBox : public QWidget {
  Q_OBJECT

 public:
  explicit SkComboBox(QWidget* parent = nullptr);
  ~SkComboBox() override;

  int AddString(const QString& text);
  int InsertString(int index, const QString& text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const { return int(items_.size()); }
  QString GetLBText(int index) const;
  int GetCurSel() const { return cur_; }
  int SetCurSel(int index);  // -1 clears; returns the new selection or -1
  // Height of the dropped-down list area, as a dialog's combo box gives it.
  void SetDroppedHeight(int height) { droppedHeight_ = std::max(0, height); }
  int DroppedHeight() const { return droppedHeight_; }

  void ShowDropDown(bool show);
  bool IsDroppedDown() const { return drop_ != nullptr; }
  ComboWindow* DropDown() const { return drop_; }

  // Picks an item as the user does: select it and notify.
  void SelectFromList(int index);

 signals:
  void selectionChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QStringList items_;
  int cur_ = -1;
  int droppedHeight_ = 120;
  QPointer<ComboWindow> drop_;
};
