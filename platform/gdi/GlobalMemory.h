// Movable global memory blocks, the form in which packed DIBs and other
// clipboard data travel between the image engine and the clipboard. A
// handle belongs to whoever received it and is freed with GlobalFree.
#pragma once
#include <cstddef>

#include "platform/gdi/GdiTypes.h"

// A block of bytes (may be 0); GMEM_ZEROINIT clears it. Null when the
// memory is not available.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
// The block's address; null for a null handle or a block of size 0.
void* GlobalLock(HGLOBAL handle);
BOOL GlobalUnlock(HGLOBAL handle);
size_t GlobalSize(HGLOBAL handle);
// Returns null on success (the handle is gone), the handle on failure.
HGLOBAL GlobalFree(HGLOBAL handle);
// A new block holding a copy of the bytes.
HGLOBAL GlobalFromBytes(const void* bytes, size_t size);
