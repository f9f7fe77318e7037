// A slider drawn from bitmaps: a channel (optionally an "active" channel
// before the thumb) and a thumb (optionally another while dragged). Reports
// kNotifySliderMoving (10449) while the thumb moves and kNotifySliderMoved
// (10450) when a move ends, each with the new position.
#pragma once
#include <QImage>
#include <QWidget>

#include "platform/WinTypes.h"

class CSkinSlider : public QWidget {
  Q_OBJECT

 public:
  explicit CSkinSlider(QWidget* parent = nullptr);

  void SetRange(int minimum, int maximum, bool redraw = true);
  int RangeMin() const { return min_; }
  int RangeMax() const { return max_; }
  void SetPos(int pos);  // held to the range
  int GetPos() const { return pos_; }
  void SetPageSize(int page) { page_ = page; }
  int PageSize() const { return page_; }
  void SetVertical(bool vertical);
  bool IsVertical() const { return vertical_; }
  void SetMargins(int start, int end);
  // Bitmaps by resource id; the control takes the channel's size. False when
  // a bitmap cannot be loaded (that part stays unset).
  bool SetChannelBitmaps(int channelId, int activeId = 0, bool transparent = false, COLORREF key = 0xFF00FF);
  bool SetThumbBitmaps(int thumbId, int activeId = 0, bool transparent = false, COLORREF key = 0xFF00FF);
  void SetChannelImages(const QImage& channel, const QImage& active = {}, bool transparent = false,
                        COLORREF key = 0xFF00FF);
  void SetThumbImages(const QImage& thumb, const QImage& active = {}, bool transparent = false,
                      COLORREF key = 0xFF00FF);
  // Thumb size when there is no thumb bitmap.
  void SetThumbSize(int width, int height);
  void Enable(bool on);
  void DrawFocusRect(bool on);
  bool IsDragging() const { return dragging_; }
  int GrabOffset() const { return grab_; }

  // The position/pixel mapping along the channel.
  int PosToPixel(int pos) const;
  int PixelToPos(int pixel) const;
  int ThumbSize() const { return vertical_ ? thumbH_ : thumbW_; }
  int Extent() const { return vertical_ ? height() : width(); }

 signals:
  void moving(int pos);
  void moved(int pos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  int Coord(const QPointF& p) const { return vertical_ ? int(p.y()) : int(p.x()); }
  void DragTo(int coord);
  void Notify(int code);

  int min_ = 0, max_ = 100, pos_ = 0, page_ = 20;
  bool vertical_ = false;
  int startMargin_ = 0, endMargin_ = 0;
  int thumbW_ = 10, thumbH_ = 10;
  QImage channel_, channelActive_, thumb_, thumbActive_;
  bool enabled_ = true;
  bool drawFocus_ = true;
  bool dragging_ = false;
  int grab_ = 0;
};
