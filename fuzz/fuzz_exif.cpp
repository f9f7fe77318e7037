// The EXIF reader on arbitrary bytes: the marker scan of a file head, and
// the same bytes parsed directly as the data of an APP1 section, so that
// directory structures are reached without JPEG framing.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbExifInfo.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

namespace {

// Every text of the record ends inside its field.
void CheckRecord(const ExifRecord& r) {
  Require(std::memchr(r.version, 0, sizeof r.version) != nullptr);
  Require(std::memchr(r.cameraMake, 0, sizeof r.cameraMake) != nullptr);
  Require(std::memchr(r.cameraModel, 0, sizeof r.cameraModel) != nullptr);
  Require(std::memchr(r.dateTime, 0, sizeof r.dateTime) != nullptr);
  Require(std::memchr(r.comments, 0, sizeof r.comments) != nullptr);
  Require(r.orientation >= 0 && r.orientation <= 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbExifInfo reader;
    reader.DecodeExif(&stream);
    CheckRecord(*reader.Record());
    // A thumbnail lies inside the section the reader keeps.
    if (reader.Record()->thumbnail) {
      size_t length = 0;
      const uint8_t* app1 = reader.FindSection(0xE1, &length);
      Require(app1 != nullptr);
      volatile uint8_t sum = 0;
      for (uint32_t i = 0; i < reader.Record()->thumbnailSize; ++i) sum += reader.Record()->thumbnail[i];
    }
  }
  {
    // A copy of exactly size bytes, so any read past it is reported.
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    static const char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size >= 6) std::memcpy(copy, kExif, 6);
    GbExifInfo reader;
    reader.ProcessExif(copy, size);
    CheckRecord(*reader.Record());
    delete[] copy;
  }
  return 0;
}
