#include "image/codecs/GbExifInfo.h"
#include "image/io/Bytes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Bytes per component, by format code 1..12.
constexpr uint32_t kFormatSize[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum Format : uint16_t {
  FMT_BYTE = 1,
  FMT_STRING = 2,
  FMT_USHORT = 3,
  FMT_ULONG = 4,
  FMT_URATIONAL = 5,
  FMT_SBYTE = 6,
  FMT_UNDEFINED = 7,
  FMT_SSHORT = 8,
  FMT_SLONG = 9,
  FMT_SRATIONAL = 10,
  FMT_SINGLE = 11,
  FMT_DOUBLE = 12,
};

enum Tag : uint16_t {
  TAG_MAKE = 0x010F,
  TAG_MODEL = 0x0110,
  TAG_ORIENTATION = 0x0112,
  TAG_X_RESOLUTION = 0x011A,
  TAG_Y_RESOLUTION = 0x011B,
  TAG_RESOLUTION_UNIT = 0x0128,
  TAG_THUMBNAIL_OFFSET = 0x0201,
  TAG_THUMBNAIL_LENGTH = 0x0202,
  TAG_EXPOSURE_TIME = 0x829A,
  TAG_FNUMBER = 0x829D,
  TAG_EXIF_OFFSET = 0x8769,
  TAG_EXPOSURE_PROGRAM = 0x8822,
  TAG_ISO_EQUIVALENT = 0x8827,
  TAG_EXIF_VERSION = 0x9000,
  TAG_DATETIME_ORIGINAL = 0x9003,
  TAG_COMPRESSION_LEVEL = 0x9102,
  TAG_SHUTTER_SPEED = 0x9201,
  TAG_APERTURE = 0x9202,
  TAG_BRIGHTNESS = 0x9203,
  TAG_EXPOSURE_BIAS = 0x9204,
  TAG_MAX_APERTURE = 0x9205,
  TAG_SUBJECT_DISTANCE = 0x9206,
  TAG_METERING_MODE = 0x9207,
  TAG_WHITE_BALANCE = 0x9208,
  TAG_FLASH = 0x9209,
  TAG_FOCAL_LENGTH = 0x920A,
  TAG_USER_COMMENT = 0x9286,
  TAG_EXIF_IMAGE_WIDTH = 0xA002,
  TAG_EXIF_IMAGE_LENGTH = 0xA003,
  TAG_INTEROP_OFFSET = 0xA005,
  TAG_FOCAL_PLANE_X_RES = 0xA20E,
  TAG_FOCAL_PLANE_Y_RES = 0xA20F,
  TAG_FOCAL_PLANE_UNITS = 0xA210,
};

constexpr uint8_t M_SOI = 0xD8, M_EOI = 0xD9, M_SOS = 0xDA, M_APP0 = 0xE0, M_APP1 = 0xE1, M_COM = 0xFE;

bool isFrameMarker(int m) {
  return (m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) || (m >= 0xCD && m <= 0xCF);
}

// Copies at most limit characters of a text value, stopping at its end or
// at a NUL, and terminates it.
void copyText(char* out, size_t capacity, const uint8_t* value, uint32_t byteCount, size_t limit) {
  size_t n = std::min<size_t>({byteCount, limit, capacity - 1});
  size_t i = 0;
  for (; i < n && value[i]; ++i) out[i] = char(value[i]);
  out[i] = 0;
}

// The resolution-unit codes as the divisor that turns a resolution into dots
// per inch; 0 for codes that leave the field alone.
float unitDivisor(int code) {
  switch (code) {
    case 1:
    case 2: return 1.0f;
    case 3: return 0.3937007874f;      // centimetres
    case 4: return 0.03937007874f;     // millimetres
    case 5: return 0.00003937007874f;  // micrometres
    default: return 0.0f;
  }
}

// float and int fields take a double only when it fits, so a hostile value
// can't make the conversion undefined.
float toFloat(double v) {
  if (!std::isfinite(v)) return 0.0f;
  if (v > 3.0e38) return 3.0e38f;
  if (v < -3.0e38) return -3.0e38f;
  return float(v);
}
int32_t toInt(double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

}  // namespace

GbExifInfo::GbExifInfo(ExifRecord* record)
    : record_(record ? record : new ExifRecord()), ownsRecord_(record == nullptr) {
  if (ownsRecord_) ResetRecord();
}

GbExifInfo::~GbExifInfo() {
  if (ownsRecord_) delete record_;
}

void GbExifInfo::ResetRecord() { std::memset(static_cast<void*>(record_), 0, sizeof *record_); }

void GbExifInfo::SetError(const char* text) { std::snprintf(lastError_, sizeof lastError_, "%s", text ? text : ""); }

uint16_t GbExifInfo::Get16(const uint8_t* p) const { return motorola_ ? gbio::Be16(p) : gbio::Le16(p); }

uint32_t GbExifInfo::Get32(const uint8_t* p) const { return motorola_ ? gbio::Be32(p) : gbio::Le32(p); }

const uint8_t* GbExifInfo::FindSection(uint8_t marker, size_t* size) const {
  for (const Section& s : sections_)
    if (s.marker == marker) {
      if (size) *size = s.data.size();
      return s.data.data();
    }
  return nullptr;
}

bool GbExifInfo::DecodeExif(GbFile* f) {
  sections_.clear();
  lastError_[0] = 0;
  ResetRecord();
  if (!f) return false;
  if (f->GetC() != 0xFF || f->GetC() != M_SOI) return false;

  while (true) {
    if (int(sections_.size()) >= kMaxSections) {
      SetError("Too many sections in jpg file");
      return false;
    }
    // A marker is 0xFF and its code; up to six fill bytes may come first.
    long c = f->GetC();
    if (c != 0xFF) {
      SetError("invalid marker");
      return false;
    }
    int fills = 0;
    while ((c = f->GetC()) == 0xFF) {
      if (++fills >= 6) return false;  // too many padding bytes
    }
    if (c < 0) {
      SetError("Premature end of file?");
      return false;
    }
    const uint8_t marker = uint8_t(c);
    if (marker == M_EOI) return false;  // no image in the file

    const long hi = f->GetC(), lo = f->GetC();
    if (hi < 0 || lo < 0) {
      SetError("Premature end of file?");
      return false;
    }
    const size_t length = size_t((hi << 8) | lo);
    if (length < 2) {
      SetError("invalid marker");
      return false;
    }
    Section section;
    section.marker = marker;
    try {
      section.data.resize(length);
    } catch (const std::bad_alloc&) {
      SetError("Could not allocate memory");
      return false;
    }
    section.data[0] = uint8_t(hi);
    section.data[1] = uint8_t(lo);
    if (f->Read(section.data.data() + 2, 1, length - 2) != length - 2) {
      SetError("Premature end of file?");
      return false;
    }
    const uint8_t* body = section.data.data() + 2;
    const size_t bodyLength = length - 2;

    if (marker == M_SOS) {
      sections_.push_back(std::move(section));
      return true;
    }
    if (isFrameMarker(marker)) {
      if (length >= 8) {
        record_->height = (section.data[3] << 8) | section.data[4];
        record_->width = (section.data[5] << 8) | section.data[6];
        record_->isColor = section.data[7] == 3 ? 1 : 0;
      }
      record_->process = marker;
    } else if (marker == M_APP0) {
      continue;  // JFIF data is libjpeg's to read
    } else if (marker == M_APP1) {
      if (bodyLength < 4 || std::memcmp(body, "Exif", 4) != 0) continue;
      sections_.push_back(std::move(section));
      const Section& kept = sections_.back();
      record_->isExif = ProcessExif(kept.data.data() + 2, kept.data.size() - 2);
      continue;
    } else if (marker == M_COM) {
      if (FindSection(M_COM)) continue;  // only the first comment counts
      ProcessComment(body, bodyLength);
    }
    sections_.push_back(std::move(section));
  }
}

void GbExifInfo::ProcessComment(const uint8_t* data, size_t length) {
  char* out = record_->comments;
  size_t n = std::min<size_t>(length, 998);
  size_t o = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t ch = data[i];
    if (ch == '\r' && i + 1 < n && data[i + 1] == '\n') continue;  // CR LF keeps the LF
    out[o++] = (ch >= 0x20 && ch < 0x7F) || ch == '\n' || ch == '\t' ? char(ch) : '?';
  }
  out[o] = 0;
}

bool GbExifInfo::ProcessExif(const uint8_t* data, size_t length) {
  record_->flashUsed = 0;
  record_->comments[0] = 0;
  largestDimension_ = 0;
  visited_.clear();
  thumbOffset_ = thumbLength_ = 0;

  if (!data || length < 6 || std::memcmp(data, "Exif\0\0", 6) != 0) {
    SetError("Incorrect Exif header");
    return false;
  }
  if (length < 14) {
    SetError("Invalid Exif alignment marker.");
    return false;
  }
  if (data[6] == 'I' && data[7] == 'I') {
    motorola_ = false;
  } else if (data[6] == 'M' && data[7] == 'M') {
    motorola_ = true;
  } else {
    SetError("Invalid Exif alignment marker.");
    return false;
  }
  tiff_ = data + 6;
  // Offsets count from the TIFF header; only the bytes really present count.
  tiffLength_ = uint32_t(std::min<size_t>(length - 6, UINT32_MAX));
  if (Get16(tiff_ + 2) != 42) {
    SetError("Invalid Exif start (1)");
    return false;
  }
  // The first directory normally follows the header at offset 8; an offset
  // beyond it is where the directory really is.
  const uint32_t first = Get32(tiff_ + 4);
  const bool ok = ProcessDirectory(first > 8 ? first : 8, 0);

  if (thumbOffset_ && thumbLength_ && thumbOffset_ <= tiffLength_ && thumbLength_ <= tiffLength_ - thumbOffset_) {
    record_->thumbnail = tiff_ + thumbOffset_;
    record_->thumbnailSize = thumbLength_;
  }
  if (record_->focalPlaneXRes != 0.0f)
    record_->ccdWidth = toFloat(double(largestDimension_) * record_->focalPlaneUnits / record_->focalPlaneXRes);
  return ok;
}

bool GbExifInfo::ProcessDirectory(uint32_t offset, int level) {
  if (level >= kMaxNesting) {
    SetError("Maximum directory nesting exceeded (corrupt exif header)");
    return false;
  }
  // Each directory is read once: links that loop or fan out into the same
  // directory would otherwise multiply the work.
  if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) return true;
  visited_.push_back(offset);

  if (offset > tiffLength_ || tiffLength_ - offset < 2) {
    SetError("Illegally sized directory");
    return false;
  }
  const uint8_t* dir = tiff_ + offset;
  const uint32_t entries = Get16(dir);
  if (uint64_t(offset) + 2 + 12ull * entries > tiffLength_) {
    SetError("Illegally sized directory");
    return false;
  }
  for (uint32_t e = 0; e < entries; ++e) {
    const uint8_t* entry = dir + 2 + 12 * e;
    const uint16_t tag = Get16(entry);
    const uint16_t format = Get16(entry + 2);
    const uint32_t components = Get32(entry + 4);
    if (format < 1 || format > 12) {
      SetError("Illegal format code in EXIF dir");
      return false;
    }
    const uint64_t byteCount = uint64_t(components) * kFormatSize[format];
    const uint8_t* value = entry + 8;
    if (byteCount > 4) {
      const uint32_t at = Get32(entry + 8);
      if (uint64_t(at) + byteCount > tiffLength_) {
        SetError("Illegal pointer offset value in EXIF.");
        continue;  // this entry only
      }
      value = tiff_ + at;
    }
    ProcessTag(tag, format, value, uint32_t(byteCount), Get32(entry + 8), level);
  }

  // A link to a further directory follows the entries.
  const uint64_t linkAt = uint64_t(offset) + 2 + 12ull * entries;
  if (linkAt + 4 <= tiffLength_) {
    const uint32_t next = Get32(tiff_ + linkAt);
    if (next) {
      if (next < tiffLength_) {
        // The next directory describes another picture (the thumbnail):
        // its resolution must not replace the main picture's.
        const float xr = record_->xResolution, yr = record_->yResolution;
        const float unit = record_->resolutionUnit;
        const int32_t orientation = record_->orientation;
        ProcessDirectory(next, level + 1);
        record_->xResolution = xr;
        record_->yResolution = yr;
        record_->resolutionUnit = unit;
        record_->orientation = orientation;
      } else {
        SetError("Illegal subdirectory link");
      }
    }
  }
  return true;
}

double GbExifInfo::NumberAt(const uint8_t* v, uint16_t format) const {
  switch (format) {
    case FMT_BYTE: return v[0];
    case FMT_SBYTE: return int8_t(v[0]);
    case FMT_USHORT: return Get16(v);
    case FMT_SSHORT: return int16_t(Get16(v));
    case FMT_ULONG: return Get32(v);
    case FMT_SLONG: return int32_t(Get32(v));
    case FMT_URATIONAL: {
      const uint32_t den = Get32(v + 4);
      return den ? double(Get32(v)) / den : 0.0;
    }
    case FMT_SRATIONAL: {
      const int32_t den = int32_t(Get32(v + 4));
      return den ? double(int32_t(Get32(v))) / den : 0.0;
    }
    case FMT_SINGLE: {
      const uint32_t bits = Get32(v);
      float f;
      std::memcpy(&f, &bits, 4);
      return f;
    }
    case FMT_DOUBLE: {
      const uint64_t hi = Get32(motorola_ ? v : v + 4), lo = Get32(motorola_ ? v + 4 : v);
      const uint64_t bits = (hi << 32) | lo;
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    }
    default: return 0.0;  // strings and undefined bytes
  }
}

void GbExifInfo::ProcessTag(uint16_t tag, uint16_t format, const uint8_t* value, uint32_t byteCount, uint32_t rawValue,
                            int level) {
  ExifRecord& r = *record_;
  // Numbers need at least one whole component.
  const bool numeric = byteCount >= kFormatSize[format] && byteCount > 0;
  const double number = numeric ? NumberAt(value, format) : 0.0;
  switch (tag) {
    case TAG_MAKE: copyText(r.cameraMake, sizeof r.cameraMake, value, byteCount, 31); break;
    case TAG_MODEL: copyText(r.cameraModel, sizeof r.cameraModel, value, byteCount, 39); break;
    case TAG_EXIF_VERSION: copyText(r.version, sizeof r.version, value, byteCount, 4); break;
    case TAG_DATETIME_ORIGINAL: copyText(r.dateTime, sizeof r.dateTime, value, byteCount, 19); break;
    case TAG_ORIENTATION:
      r.orientation = toInt(number);
      if (r.orientation < 1 || r.orientation > 8) {
        SetError("Undefined rotation value");
        r.orientation = 0;
      }
      break;
    case TAG_X_RESOLUTION: r.xResolution = toFloat(number); break;
    case TAG_Y_RESOLUTION: r.yResolution = toFloat(number); break;
    case TAG_RESOLUTION_UNIT:
      if (const float d = unitDivisor(toInt(number))) r.resolutionUnit = d;
      break;
    case TAG_FOCAL_PLANE_UNITS:
      if (const float d = unitDivisor(toInt(number))) r.focalPlaneUnits = d;
      break;
    case TAG_THUMBNAIL_OFFSET: thumbOffset_ = uint32_t(toInt(std::max(0.0, number))); break;
    case TAG_THUMBNAIL_LENGTH: thumbLength_ = uint32_t(toInt(std::max(0.0, number))); break;
    case TAG_EXPOSURE_TIME: r.exposureTime = toFloat(number); break;
    case TAG_FNUMBER: r.apertureFNumber = toFloat(number); break;
    case TAG_SHUTTER_SPEED:
      if (r.exposureTime == 0.0f) r.exposureTime = toFloat(1.0 / std::exp2(number));
      break;
    case TAG_APERTURE:
    case TAG_MAX_APERTURE:
      if (r.apertureFNumber == 0.0f) r.apertureFNumber = toFloat(std::exp2(number / 2.0));
      break;
    case TAG_EXPOSURE_PROGRAM: r.exposureProgram = toInt(number); break;
    case TAG_COMPRESSION_LEVEL: r.compressionLevel = toInt(number); break;
    case TAG_BRIGHTNESS: r.brightness = toFloat(number); break;
    case TAG_EXPOSURE_BIAS: r.exposureBias = toFloat(number); break;
    case TAG_SUBJECT_DISTANCE: r.distance = toFloat(number); break;
    case TAG_METERING_MODE: r.meteringMode = toInt(number); break;
    case TAG_WHITE_BALANCE: r.whiteBalance = toInt(number); break;
    case TAG_FOCAL_LENGTH: r.focalLength = toFloat(number); break;
    case TAG_FOCAL_PLANE_X_RES: r.focalPlaneXRes = toFloat(number); break;
    case TAG_FOCAL_PLANE_Y_RES: r.focalPlaneYRes = toFloat(number); break;
    case TAG_ISO_EQUIVALENT:
      r.isoEquivalent = toInt(number);
      if (r.isoEquivalent < 50) r.isoEquivalent *= 200;
      break;
    case TAG_FLASH: r.flashUsed = (toInt(number) & 7) != 0 ? 1 : 0; break;
    case TAG_USER_COMMENT: {
      uint32_t n = byteCount;
      while (n > 0 && value[n - 1] == ' ') --n;  // trailing blanks
      const uint8_t* text = value;
      if (n >= 5 && std::memcmp(value, "ASCII", 5) == 0) {
        uint32_t start = 0;
        for (uint32_t i = 5; i < 10 && i < n; ++i)
          if (value[i] != 0 && value[i] != ' ') {
            start = i;
            break;
          }
        if (!start) break;
        text = value + start;
        n -= start;
      }
      copyText(r.comments, sizeof r.comments, text, n, 199);
      break;
    }
    case TAG_EXIF_IMAGE_WIDTH:
    case TAG_EXIF_IMAGE_LENGTH: largestDimension_ = std::max(largestDimension_, toInt(number)); break;
    case TAG_EXIF_OFFSET:
    case TAG_INTEROP_OFFSET: {
      (void)rawValue;
      const uint32_t sub = number >= 0.0 && number < 4294967296.0 ? uint32_t(number) : 0;
      if (sub <= 8) break;
      if (sub >= tiffLength_) {
        SetError("Illegal subdirectory link");
        break;
      }
      ProcessDirectory(sub, level + 1);  // its failure leaves this directory going
      break;
    }
    default: break;
  }
}
