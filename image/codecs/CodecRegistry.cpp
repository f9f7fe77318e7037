#include "image/codecs/CodecRegistry.h"

#include "image/core/ImageType.h"

// Factories, one per line of the table.
#define GB_CODEC(cls, ...) GbImageCodec* GbNewCodec_##cls();
#include "image/codecs/CodecList.inc"
#undef GB_CODEC

namespace {

struct CodecEntry {
  GbImageCodec* (*make)();
  uint32_t types[8];  // ends at the first 0
};

#define GB_CODEC(cls, ...) CodecEntry{&GbNewCodec_##cls, {__VA_ARGS__}},
const CodecEntry kCodecs[] = {
#include "image/codecs/CodecList.inc"
};
#undef GB_CODEC

const CodecEntry* find(uint32_t type) {
  if (type == GB_TYPE_UNKNOWN) return nullptr;
  for (const CodecEntry& entry : kCodecs)
    for (uint32_t t : entry.types) {
      if (t == GB_TYPE_UNKNOWN) break;
      if (t == type) return &entry;
    }
  return nullptr;
}

}  // namespace

bool GbHasCodec(uint32_t type) { return find(type) != nullptr; }

std::unique_ptr<GbImageCodec> GbMakeCodec(uint32_t type, bool detecting) {
  const CodecEntry* entry = find(type);
  if (!entry) return nullptr;
  std::unique_ptr<GbImageCodec> codec(entry->make());
  if (codec) codec->SelectType(detecting ? GB_TYPE_UNKNOWN : type);
  return codec;
}
