// Bitmap handles as QImages, for the windows that show them.
#pragma once
#include <QImage>

#include "platform/gdi/Gdi.h"

// The bitmap's pixels, top row first and opaque; null for no bitmap.
QImage QImageOfBitmap(HBITMAP bitmap);
