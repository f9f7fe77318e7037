#include "image/codecs/TifBinding.h"

#include <climits>
#include <cstdio>

namespace {

// Largest block libtiff may allocate at once: a full-size uncompressed strip
// of the biggest image the engine holds, with room for 16-bit samples.
constexpr tmsize_t kMaxSingleAlloc = tmsize_t(1) << 30;

TifBinding* bindingOf(thandle_t h) { return static_cast<TifBinding*>(h); }

tmsize_t readProc(thandle_t h, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return tmsize_t(bindingOf(h)->stream->Read(buffer, 1, size_t(size)));
}

tmsize_t writeProc(thandle_t h, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return tmsize_t(bindingOf(h)->stream->Write(buffer, 1, size_t(size)));
}

// Positions are relative to the binding's base; the stream itself is
// limited to 2 GiB, so anything that does not fit fails.
toff_t seekProc(thandle_t h, toff_t offset, int whence) {
  TifBinding* b = bindingOf(h);
  const int64_t off = int64_t(offset);  // negative moves arrive as two's complement
  if (offset == toff_t(-1)) return toff_t(-1);
  int64_t target;
  int origin;
  switch (whence) {
    case SEEK_SET:
      if (off < 0) return toff_t(-1);
      target = b->base + off;
      origin = GB_SEEK_SET;
      break;
    case SEEK_CUR:
      target = off;
      origin = GB_SEEK_CUR;
      break;
    case SEEK_END:
      target = off;
      origin = GB_SEEK_END;
      break;
    default: return toff_t(-1);
  }
  if (target < INT32_MIN || target > INT32_MAX) return toff_t(-1);
  if (!b->stream->Seek(int32_t(target), origin)) return toff_t(-1);
  const int64_t now = int64_t(b->stream->Tell()) - b->base;
  return now < 0 ? toff_t(-1) : toff_t(now);
}

int closeProc(thandle_t) { return 0; }

toff_t sizeProc(thandle_t h) {
  TifBinding* b = bindingOf(h);
  const int64_t size = int64_t(b->stream->Size()) - b->base;
  return size < 0 ? 0 : toff_t(size);
}

int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

// libtiff's complaints about a damaged file end as our own message.
int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TIFF* TifOpenHandle(TifBinding* binding, const char* mode) {
  if (!binding || !binding->stream) return nullptr;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAlloc);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
  TIFF* tif = TIFFClientOpenExt("TIFF IMAGE", mode, binding, readProc, writeProc, seekProc, closeProc, sizeProc,
                                mapProc, unmapProc, options);
  TIFFOpenOptionsFree(options);
  return tif;
}
