// Global memory blocks over the C++ heap.
#include "platform/gdi/GlobalMemory.h"

#include <cstring>
#include <new>

#include "platform/gdi/GdiObjects.h"

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  auto* g = new (std::nothrow) GdiGlobal;
  if (!g) return nullptr;
  if (bytes) {
    g->data.reset(new (std::nothrow) uint8_t[bytes]);
    if (!g->data) {
      delete g;
      return nullptr;
    }
    if (flags & GMEM_ZEROINIT) std::memset(g->data.get(), 0, bytes);
  }
  g->size = bytes;
  g->flags = flags;
  return g;
}

void* GlobalLock(HGLOBAL handle) {
  if (!handle || handle->size == 0) return nullptr;
  ++handle->locks;
  return handle->data.get();
}

BOOL GlobalUnlock(HGLOBAL handle) {
  if (!handle || handle->locks == 0) return FALSE;
  return --handle->locks > 0 ? TRUE : FALSE;
}

size_t GlobalSize(HGLOBAL handle) { return handle ? handle->size : 0; }

HGLOBAL GlobalFree(HGLOBAL handle) {
  delete handle;
  return nullptr;
}

HGLOBAL GlobalFromBytes(const void* bytes, size_t size) {
  if (!bytes && size) return nullptr;
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, size);
  if (g && size) std::memcpy(g->data.get(), bytes, size);
  return g;
}
