// libtiff handles over GbFile streams, shared by the TIFF reader and writer.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "image/io/GbFile.h"

// What a handle's client procedures work on. Offsets libtiff asks for are
// taken from base, the stream position when the handle was opened, so a
// TIFF may sit inside a larger stream.
struct TifBinding {
  GbFile* stream = nullptr;
  int64_t base = 0;
};

// Opens a handle named "TIFF IMAGE" over binding (which must outlive it).
// libtiff's messages are not printed; its single allocations are bounded so
// that a hostile directory cannot ask for gigabytes. Null on failure.
TIFF* TifOpenHandle(TifBinding* binding, const char* mode);
