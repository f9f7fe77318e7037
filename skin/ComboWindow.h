// The drop-down list of an SkComboBox: a round-cornered pop-up that fades in,
// tracks a hot item, scrolls with an SkScrollBar when the items do not fit,
// and closes on a choice, on Escape or when the combo box loses the focus.
#pragma once
#include <QTimer>
#include <QWidget>
#include <vector>

class SkComboBox;
class SkScrollBar;

class ComboWindow : public QWidget {
  Q_OBJECT

 public:
  // The measured layout of a list.
  struct Layout {
    std::vector<QRect> items;  // every item, as if the list were not scrolled
    int visible = 0;           // items shown at once
    int width = 0;
    int height = 0;
    bool scrollBar = false;
  };
  // textHeights/textWidths: each item's text size in the combo's font.
  static Layout Measure(const std::vector<int>& textHeights, const std::vector<int>& textWidths, int comboWidth,
                        int droppedHeight);

  // Where the list opens, in screen terms, for a box whose top-left corner
  // is at comboTopLeft.
  static QPoint Place(QPoint comboTopLeft, int comboWidth, int listWidth);

  explicit ComboWindow(SkComboBox* combo);
  ~ComboWindow() override;

  void Open();
  int HotItem() const { return hot_; }
  int FirstVisible() const { return first_; }
  const Layout& GetLayout() const { return layout_; }
  SkScrollBar* ScrollBar() const { return scroll_; }
  int Alpha() const { return alpha_; }
  // Keys the combo box passes on while the list is open.
  bool HandleKey(int key);
  // The item under a point in window coordinates, or -1.
  int ItemAt(const QPoint& pos) const;
  QRect ItemRect(int index) const;  // where the item shows now (empty when scrolled away)

 signals:
  void closed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Choose(int index);
  void SetHot(int index);
  void ScrollTo(int first);
  void FadeStep();

  SkComboBox* combo_;
  Layout layout_;
  SkScrollBar* scroll_ = nullptr;
  int hot_ = -1;
  int first_ = 0;
  int movesSeen_ = 0;
  int alpha_ = 255;
  QTimer fade_;
};
