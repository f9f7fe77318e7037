// Window shapes and cursors cut from bitmaps by a key colour.
#pragma once
#include <QCursor>
#include <QImage>
#include <QRegion>
#include <optional>

#include "platform/WinTypes.h"

// Every pixel that is not transparent, as a region. A pixel is transparent
// when each of its red, green and blue lies in [key, key + tolerance] (capped
// at 255). Rows are scanned top to bottom; each run of opaque pixels becomes
// a one-row rectangle, and rectangles are joined in batches of 2,000.
// nullopt for a null bitmap. batches (optional) receives the number of joins.
std::optional<QRegion> RegionFromBitmap(const QImage& bitmap, COLORREF key = 0xFF00FF, COLORREF tolerance = 0,
                                        int* batches = nullptr);

// A cursor from a bitmap: pixels of the key colour are see-through, the rest
// keep their colour. nullopt for a null bitmap or a hot spot outside it.
std::optional<QCursor> CursorFromBitmap(const QImage& bitmap, COLORREF key, QPoint hotSpot);
// The picture such a cursor shows (ARGB, key pixels transparent).
QImage CursorImageFromBitmap(const QImage& bitmap, COLORREF key);
