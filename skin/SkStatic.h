// Skinned labels and pictures: SkStatic (text in the skin's fonts and
// colours, optionally over a framed background), SkIcon (one 32 x 32 icon),
// CTransparentPic (a picture with one see-through colour).
#pragma once
#include <QImage>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class SkStatic : public QWidget {
  Q_OBJECT

 public:
  static constexpr size_t kBufferSize = 1024;
  enum Background { kNoBackground = 0, kFilled = 1, kTiled = 2 };
  enum FontChoice { kDefaultFont = 0, kTitleFont = 1, kSerifFont = 2, kOwnFont = 3 };

  explicit SkStatic(QWidget* parent = nullptr);

  // Copies the text into the label's buffer. Text that does not fit the
  // 1,024-byte buffer is cut at a character boundary and false returned.
  bool SetText(const QString& text);
  QString Text() const { return text_; }
  int LineCount() const { return int(lines_.size()); }

  void SetAlignment(Qt::Alignment align);  // left, centre or right
  void SetBackground(int style, const QImage& tile = {});
  void SetFontChoice(int choice);  // kOwnFont draws in the widget's font()
  void SetTitleFont() { SetFontChoice(kTitleFont); }
  void SetColours(COLORREF normal, COLORREF bold, COLORREF shadow);
  void SetDisabledColour(COLORREF colour);
  void SetFrameColours(COLORREF fill, COLORREF frameLight, COLORREF frameDark);

  QFont DrawFont() const;
  // Where each line is drawn, in the label's coordinates.
  std::vector<QRect> LineRects() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Changed();

  QString text_;
  std::vector<QString> lines_;
  Qt::Alignment align_ = Qt::AlignLeft;
  int background_ = kNoBackground;
  QImage tile_;
  int fontChoice_ = kDefaultFont;
  COLORREF normal_, bold_, shadow_, disabled_;
  COLORREF fill_, frameLight_, frameDark_;
};

class SkIcon : public QWidget {
  Q_OBJECT

 public:
  explicit SkIcon(QWidget* parent = nullptr);
  // Replaces the one icon (scaled into 32 x 32 when larger).
  void SetIcon(const QImage& icon);
  bool SetIconId(int id);
  const QImage& Icon() const { return icon_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage icon_;
};

class CTransparentPic : public QWidget {
  Q_OBJECT

 public:
  explicit CTransparentPic(QWidget* parent = nullptr);
  void SetBitmap(const QImage& bitmap);
  void SetKeyColour(COLORREF key);
  COLORREF KeyColour() const { return key_; }
  const QImage& Bitmap() const { return bitmap_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Rebuild();
  QImage bitmap_;
  QImage keyed_;
  COLORREF key_ = 0xFF00FF;
};
