// Internal to the effects engine: a memory context that holds a bitmap for
// the length of a scope, for the stretch and parallelogram copies.
#pragma once

#include "platform/gdi/Gdi.h"

namespace fx {

inline HGDIOBJ AsObject(HBITMAP bitmap) { return reinterpret_cast<HGDIOBJ>(bitmap); }

class SelectedBitmap {
 public:
  explicit SelectedBitmap(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_) old_ = SelectObject(dc_, AsObject(bitmap));
  }
  ~SelectedBitmap() {
    if (dc_) {
      if (old_) SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  HDC dc() const { return dc_; }
  bool ok() const { return dc_ && old_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace fx
