#include "image/codecs/CodecRegistry.h"

#include <cctype>
#include <cstring>

#include "image/core/ImageType.h"

// Factories, one per codec line of the table.
#define GB_CODEC(cls, ...) GbImageCodec* GbNewCodec_##cls();
#define GB_FORMAT(type, extensions)
#include "image/codecs/CodecList.inc"
#undef GB_FORMAT
#undef GB_CODEC

namespace {

#define GB_CODEC(cls, fuzz, seeds, ...) GbCodecEntry{#cls, #fuzz, seeds, &GbNewCodec_##cls, {__VA_ARGS__}},
#define GB_FORMAT(type, extensions)
const GbCodecEntry kCodecs[] = {
#include "image/codecs/CodecList.inc"
};
#undef GB_FORMAT
#undef GB_CODEC

struct FormatEntry {
  uint32_t type;
  const char* extensions;  // three-letter keys separated by spaces
};

#define GB_CODEC(cls, ...)
#define GB_FORMAT(type, extensions) FormatEntry{type, extensions},
const FormatEntry kFormats[] = {
#include "image/codecs/CodecList.inc"
};
#undef GB_FORMAT
#undef GB_CODEC

const GbCodecEntry* find(uint32_t type) {
  if (type == GB_TYPE_UNKNOWN) return nullptr;
  for (const GbCodecEntry& entry : kCodecs)
    for (uint32_t t : entry.types) {
      if (t == GB_TYPE_UNKNOWN) break;
      if (t == type) return &entry;
    }
  return nullptr;
}

}  // namespace

std::span<const GbCodecEntry> GbCodecTable() { return kCodecs; }

bool GbHasCodec(uint32_t type) { return find(type) != nullptr; }

std::unique_ptr<GbImageCodec> GbMakeCodec(uint32_t type, bool detecting) {
  const GbCodecEntry* entry = find(type);
  if (!entry) return nullptr;
  std::unique_ptr<GbImageCodec> codec(entry->make());
  if (codec) codec->SelectType(detecting ? GB_TYPE_UNKNOWN : type);
  return codec;
}

uint32_t GbTypeOfExtension(const char* extension) {
  if (!extension) return GB_TYPE_UNKNOWN;
  char key[3];
  for (int i = 0; i < 3; ++i) {
    if (!extension[i]) return GB_TYPE_UNKNOWN;
    key[i] = char(std::tolower(static_cast<unsigned char>(extension[i])));
  }
  for (const FormatEntry& format : kFormats)
    for (const char* p = format.extensions; p[0] && p[1] && p[2]; p += p[3] ? 4 : 3)
      if (std::memcmp(key, p, 3) == 0) return format.type;
  return GB_TYPE_UNKNOWN;
}
