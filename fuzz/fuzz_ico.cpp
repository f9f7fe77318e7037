// The icon reader on arbitrary bytes: the probe, the first and the last
// entry, then writing what was read and reading it back.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageICO.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

namespace {

bool DecodeEntry(const uint8_t* data, size_t size, long frame, GbImageICO& ico) {
  GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
  ico.SetFrame(frame);
  return ico.Decode(&stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImageICO probe;
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels());
  }
  GbImageICO first;
  const bool ok = DecodeEntry(data, size, 0, first);
  const long entries = first.FrameCount();
  if (entries > 1) {
    GbImageICO last;
    if (DecodeEntry(data, size, entries - 1, last)) gbfuzz::CheckDecoded(last);
  }
  if (!ok) return 0;
  gbfuzz::CheckDecoded(first);
  if (uint64_t(first.Width()) * first.Height() > (1u << 20)) return 0;
  GbMemFile out;
  Require(out.Open());
  GbImageICO writer;
  {
    GbImageLoan loan(first, writer);
    Require(writer.Encode(&out));
  }
  GbMemFile in(out.GetBuffer(), out.Size());
  GbImageICO back;
  Require(back.Decode(&in));
  Require(back.Width() == first.Width() && back.Height() == first.Height());
  return 0;
}
