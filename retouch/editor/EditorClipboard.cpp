#include "retouch/editor/EditorClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <vector>

#include "image/core/GbImage.h"
#include "retouch/editor/EditorViews.h"

namespace editorclip {
namespace {

QImage WithAlpha(const GbImage& image) {
  QImage out = editorview::ImageOfGbImage(image);
  if (out.isNull() || !image.HasAlpha()) return out;
  out = out.convertToFormat(QImage::Format_ARGB32);
  const long h = long(image.Height());
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), image.ReadAlpha(x, h - 1 - y));
  }
  return out;
}

bool FromQImage(const QImage& source, GbImage& out) {
  if (source.isNull()) return false;
  const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
  GbImage image;
  if (!image.Create(uint32_t(argb.width()), uint32_t(argb.height()), 24)) return false;
  const bool alpha = argb.hasAlphaChannel() && image.CreateAlpha();
  const long h = argb.height();
  for (int y = 0; y < argb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    uint8_t* bits = image.RowBits(uint32_t(h - 1 - y));
    for (int x = 0; x < argb.width(); ++x) {
      bits[3 * x] = uint8_t(qBlue(row[x]));
      bits[3 * x + 1] = uint8_t(qGreen(row[x]));
      bits[3 * x + 2] = uint8_t(qRed(row[x]));
      if (alpha) image.WriteAlpha(x, h - 1 - y, uint8_t(qAlpha(row[x])));
    }
  }
  return out.TakeOver(image);
}

}  // namespace

bool CopyImage(const GbImage& image, std::string* error) {
  if (!image.HasPixels()) {
    if (error) *error = "There is no picture to copy.";
    return false;
  }
  GbImage copy;
  if (!copy.CopyFrom(image, true, true, true)) {
    if (error) *error = copy.LastError();
    return false;
  }
  if (image.HasSelection()) {
    // The box counts rows from the bottom with its top exclusive; cropping
    // counts them from the top.
    const RECT box = image.SelectionBox();
    const long h = long(image.Height());
    if (box.right > box.left && box.top > box.bottom) copy.CropTo(box.left, h - box.top, box.right, h - box.bottom);
  }
  auto* data = new QMimeData;
  const uint8_t* packed = copy.PackedDib();
  data->setData(kDibMime, QByteArray(reinterpret_cast<const char*>(packed), qsizetype(copy.PackedSize())));
  if (copy.HasAlpha() || copy.HasSelection() || copy.HasBackgroundIndex()) {
    std::vector<uint8_t> form(copy.SerializedSize());
    const size_t written = copy.Serialize(form.data(), form.size());
    if (written == 0) {
      delete data;
      if (error) *error = "Unable to set GBIMAGE clipboard data";
      return false;
    }
    data->setData(kSerializedMime, QByteArray(reinterpret_cast<const char*>(form.data()), qsizetype(written)));
  }
  data->setImageData(WithAlpha(copy));
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) {
    delete data;
    if (error) *error = "Unable to set DIB clipboard data";
    return false;
  }
  clipboard->setMimeData(data);
  return true;
}

bool PasteImage(GbImage& out) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data) return false;
  GbImage image;
  if (data->hasFormat(kSerializedMime)) {
    const QByteArray bytes = data->data(kSerializedMime);
    if (!bytes.isEmpty() &&
        image.Deserialize(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())) != 0 &&
        image.HasPixels())
      return out.TakeOver(image);
  }
  if (data->hasFormat(kDibMime)) {
    const QByteArray bytes = data->data(kDibMime);
    if (!bytes.isEmpty() &&
        image.CreateFromPackedDib(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())) &&
        image.HasPixels())
      return out.TakeOver(image);
  }
  // Pictures other programs put there (PNG, JPEG, BMP) through Qt's readers.
  if (data->hasImage() && FromQImage(qvariant_cast<QImage>(data->imageData()), out)) return true;
  QStringList formats = {QStringLiteral("image/png"), QStringLiteral("image/jpeg"), QStringLiteral("image/bmp")};
  for (const QString& format : data->formats())
    if (format.startsWith(QStringLiteral("image/")) && !formats.contains(format)) formats << format;
  for (const QString& format : formats) {
    if (!data->hasFormat(format)) continue;
    if (FromQImage(QImage::fromData(data->data(format)), out)) return true;
  }
  return false;
}

}  // namespace editorclip
