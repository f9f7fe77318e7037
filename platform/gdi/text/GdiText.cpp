// Text measuring and drawing for the drawing stand-in, over QtGui: the font
// description becomes a QFont, lines are measured with QFontMetrics and
// painted with QPainter into a QImage that holds the affected part of the
// context's bitmap.
#include "platform/gdi/text/GdiText.h"

#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <algorithm>
#include <cstring>

#include "platform/gdi/GdiObjects.h"

namespace {

// Text needs a GUI application for its font database. A program without one
// (the command-line tool, engine tests) gets one for the offscreen platform.
bool EnsureGuiApplication() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
  if (QCoreApplication::instance()) return false;
  static int argc = 3;
  static char arg0[] = "glimmerbox";
  static char arg1[] = "-platform";
  static char arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  // Kept for the life of the process, like an application object.
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  return app != nullptr;
}

// Windows face names the artwork and settings use, mapped to the metric
// look-alikes that are installed with the program's dependencies.
void RegisterSubstitutions() {
  static const bool done = [] {
    const QStringList sans{"Liberation Sans", "DejaVu Sans"};
    const QStringList serif{"Liberation Serif", "DejaVu Serif"};
    QFont::insertSubstitutions("Arial", sans);
    QFont::insertSubstitutions("Helvetica", sans);
    QFont::insertSubstitutions("Tahoma", {"DejaVu Sans", "Liberation Sans"});
    QFont::insertSubstitutions("Verdana", {"DejaVu Sans", "Liberation Sans"});
    QFont::insertSubstitutions("MS Sans Serif", {"DejaVu Sans", "Liberation Sans"});
    QFont::insertSubstitutions("MS Shell Dlg", {"DejaVu Sans", "Liberation Sans"});
    QFont::insertSubstitutions("Microsoft Sans Serif", {"DejaVu Sans", "Liberation Sans"});
    QFont::insertSubstitutions("Times New Roman", serif);
    QFont::insertSubstitutions("MS Serif", {"DejaVu Serif", "Liberation Serif"});
    QFont::insertSubstitutions("Courier New", {"Liberation Mono", "DejaVu Sans Mono"});
    return true;
  }();
  (void)done;
}

QFont MakeFont(const GdiFontDesc& d) {
  RegisterSubstitutions();
  QString face = QString::fromUtf8(d.faceName, int(strnlen(d.faceName, sizeof d.faceName)));
  if (face.isEmpty()) face = "Arial";
  QFont font(face);
  // Negative heights give the character (em) height, positive ones the cell
  // height (ascent + descent), zero a default of 12 points at 96 dpi.
  const int requested = d.height == 0 ? 16 : std::clamp(d.height < 0 ? -d.height : d.height, 1, 4096);
  font.setPixelSize(requested);
  font.setWeight(QFont::Weight(d.weight <= 0 ? 400 : std::clamp<int>(d.weight, 1, 1000)));
  font.setItalic(d.italic != 0);
  font.setUnderline(d.underline != 0);
  font.setStrikeOut(d.strikeOut != 0);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(d.quality == NONANTIALIASED_QUALITY
                            ? QFont::StyleStrategy(QFont::NoAntialias)
                            : QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  if (d.height > 0) {
    const QFontMetrics m(font);
    const int cell = m.ascent() + m.descent();
    if (cell > 0 && cell != requested)
      font.setPixelSize(std::max(1, int((int64_t(requested) * requested + cell / 2) / cell)));
  }
  if (d.width > 0) {
    const QFontMetrics m(font);
    const int average = m.averageCharWidth();
    if (average > 0) font.setStretch(std::clamp(int((d.width * 100 + average / 2) / average), 1, 4000));
  }
  return font;
}

QFont FontOf(HDC hdc) {
  const GdiFont* f = hdc->font ? hdc->font : gdi::DefaultFont();
  return MakeFont(f->desc);
}

QString TextOf(const char* text, int count) {
  const size_t n = count < 0 ? std::strlen(text) : size_t(count);
  return QString::fromUtf8(text, qsizetype(n));
}

QStringList LinesOf(const QString& text, bool singleLine) {
  if (singleLine) {
    QString one = text;
    one.remove(QChar('\r'));
    one.remove(QChar('\n'));
    return {one};
  }
  QString normal = text;
  normal.replace("\r\n", "\n");
  normal.replace(QChar('\r'), QChar('\n'));
  return normal.split(QChar('\n'));
}

}  // namespace

// fontconfig keeps a few bytes of its parsed configuration unreachable for
// the life of the process; leak checks of programs that draw text are told
// to look past them. Weak, so a program can give its own list.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" __attribute__((weak)) const char* __lsan_default_options() { return "print_suppressions=0"; }

int DrawText(HDC hdc, const char* text, int count, RECT* rect, UINT format) {
  if (!hdc || !text || !rect || !EnsureGuiApplication()) return 0;
  const QFont font = FontOf(hdc);
  const QFontMetrics metrics(font);
  const QStringList lines = LinesOf(TextOf(text, count), (format & DT_SINGLELINE) != 0);
  int lineHeight = metrics.ascent() + metrics.descent();
  if (format & DT_EXTERNALLEADING) lineHeight += std::max(0, metrics.leading());
  std::vector<int> widths;
  int widest = 0;
  for (const QString& line : lines) {
    widths.push_back(metrics.horizontalAdvance(line));
    widest = std::max(widest, widths.back());
  }
  const int height = lineHeight * int(lines.size());
  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  if (!hdc->bitmap || hdc->bitmap->stock) return height;  // the screen keeps no pixels here

  int top = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_BOTTOM)
      top = rect->bottom - lineHeight;
    else if (format & DT_VCENTER)
      top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
  }
  // The part of the bitmap that may change.
  const gdi::DibView view = hdc->bitmap->View();
  RECT area = *rect;
  if (format & DT_NOCLIP) area = RECT{LONG(-0x3FFFFFFF), LONG(-0x3FFFFFFF), LONG(0x3FFFFFFF), LONG(0x3FFFFFFF)};
  const int left = std::max<int>(area.left, 0), right = std::min<int>(area.right, view.width);
  const int clipTop = std::max<int>({area.top, 0, top}),
            bottom = std::min<int>({area.bottom, view.height, top + height});
  if (left >= right || clipTop >= bottom) return height;

  QImage image(right - left, bottom - clipTop, QImage::Format_RGB32);
  for (int y = clipTop; y < bottom; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y - clipTop));
    for (int x = left; x < right; ++x) out[x - left] = 0xFF000000u | view.ReadRgb(x, y);
  }
  const QImage before = image.copy();
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, font.styleStrategy() & QFont::PreferAntialias);
    painter.translate(-left, -clipTop);
    painter.setFont(font);
    const COLORREF tc = hdc->textColour, bc = hdc->bkColour;
    painter.setPen(QColor(GetRValue(tc), GetGValue(tc), GetBValue(tc)));
    const int rectWidth = rect->right - rect->left;
    for (int i = 0; i < int(lines.size()); ++i) {
      int x = rect->left;
      if (format & DT_CENTER)
        x = rect->left + (rectWidth - widths[size_t(i)]) / 2;
      else if (format & DT_RIGHT)
        x = rect->right - widths[size_t(i)];
      const int y = top + i * lineHeight;
      if (hdc->bkMode == OPAQUE)
        painter.fillRect(x, y, widths[size_t(i)], lineHeight, QColor(GetRValue(bc), GetGValue(bc), GetBValue(bc)));
      painter.drawText(QPoint(x, y + metrics.ascent()), lines[i]);
    }
  }
  // Write back only what the text touched, so palette bitmaps keep the
  // indices of untouched pixels.
  gdi::NearestCache cache;
  cache.Reset();
  for (int y = clipTop; y < bottom; ++y) {
    const auto* now = reinterpret_cast<const QRgb*>(image.constScanLine(y - clipTop));
    const auto* was = reinterpret_cast<const QRgb*>(before.constScanLine(y - clipTop));
    for (int x = left; x < right; ++x)
      if (now[x - left] != was[x - left]) view.WriteRgb(x, y, now[x - left] & 0xFFFFFF, &cache);
  }
  return height;
}

BOOL GetTextExtentPoint32(HDC hdc, const char* text, int count, SIZE* size) {
  if (!hdc || !text || !size || !EnsureGuiApplication()) return FALSE;
  const QFontMetrics metrics(FontOf(hdc));
  size->cx = metrics.horizontalAdvance(TextOf(text, count));
  size->cy = metrics.ascent() + metrics.descent();
  return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
  if (!hdc || !tm || !EnsureGuiApplication()) return FALSE;
  const QFont font = FontOf(hdc);
  const QFontMetrics metrics(font);
  tm->tmAscent = metrics.ascent();
  tm->tmDescent = metrics.descent();
  tm->tmHeight = tm->tmAscent + tm->tmDescent;
  tm->tmInternalLeading = std::max(0, tm->tmHeight - font.pixelSize());
  tm->tmExternalLeading = std::max(0, metrics.leading());
  tm->tmAveCharWidth = metrics.averageCharWidth();
  tm->tmMaxCharWidth = metrics.maxWidth();
  tm->tmWeight = font.weight();
  tm->tmItalic = font.italic() ? 1 : 0;
  tm->tmUnderlined = font.underline() ? 1 : 0;
  tm->tmStruckOut = font.strikeOut() ? 1 : 0;
  return TRUE;
}
