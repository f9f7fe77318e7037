// File-format ids. The numbers are stored in settings and project data, so
// they never change.
#pragma once
#include <cstdint>

enum ImageType : uint32_t {
  GB_TYPE_UNKNOWN = 0,  // decode: detect the format
  GB_TYPE_BMP = 1,
  GB_TYPE_GIF = 2,
  GB_TYPE_JPG = 3,
  GB_TYPE_PNG = 4,
  GB_TYPE_ICO = 5,  // icons and cursors
  GB_TYPE_TIF = 6,
  GB_TYPE_TGA = 7,
  GB_TYPE_PCX = 8,
  GB_TYPE_WBMP = 9,
  GB_TYPE_WMF = 10,  // WMF and EMF
  GB_TYPE_JP2 = 11,
  GB_TYPE_JPC = 12,
  GB_TYPE_PGX = 13,
  GB_TYPE_PNM = 14,
  GB_TYPE_RAS = 15,
  GB_TYPE_JBG = 16,  // not supported
  GB_TYPE_MNG = 17,
  GB_TYPE_SKA = 18,
  GB_TYPE_RAW = 19,
  GB_TYPE_QOI = 20,
  GB_TYPE_LAST = GB_TYPE_QOI,  // a new format takes the next number and moves this
};

constexpr int GB_TYPE_COUNT = GB_TYPE_LAST + 1;  // ids 0..GB_TYPE_LAST
// Codec-option words, one per type up to RAW. The serialized image record
// holds exactly these 19 words, so later types share slot 0 (none of them
// has options).
constexpr int GB_CODEC_SLOTS = 19;

// Slot of a type id in the codec-option table: 0..15 map to themselves,
// 17..19 close the gap left by the unsupported 16; anything else is slot 0.
constexpr int TypeIndex(uint32_t type) {
  if (type <= 15) return int(type);
  if (type >= 17 && type <= 19) return int(type) - 1;
  return 0;
}
