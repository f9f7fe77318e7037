#include "image/codecs/GbImageMNG.h"
#include "image/io/DecodeLimits.h"

// The shared library is built with reading, writing, display and chunk
// access; its header enables their declarations for users of the library.
#define MNG_USE_SO
#include <libmng.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

constexpr const char* kCannotInitialise = "could not initialize libmng";
constexpr const char* kBadFile = "Error in MNG file";
constexpr const char* kNoFrame = "Error: frame not present in MNG file";
constexpr const char* kCannotCreate = "GbImageMNG::Decode cannot create image";
constexpr const char* kOnlyRgb = "MNG encoder can save only RGB images";
constexpr const char* kNoMemory = "could not allocate memory for MNG";

// Animations are stepped through once to count them; past this many frames
// the count stops (a LOOP chunk may ask for billions of repeats).
constexpr long kMaxFrames = 10000;
// Largest canvas accepted, in pixels (four bytes each).
constexpr uint64_t kMaxCanvasPixels = uint64_t(1) << 26;

struct Session {
  GbFile* file = nullptr;
  bool probe = false;
  bool headerSeen = false;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> canvas;  // blue, green, red, alpha; top row first
  bool refreshed = false;
  bool endSeen = false;  // MEND read: after the last frame's wait, a repeat begins
  int ends = 0;          // a second MEND means the library started over
  mng_uint32 ticks = 0;
  std::string error;
  std::vector<uint8_t>* output = nullptr;  // writing
  int64_t streamBytes = 0;                 // what the canvas must be justified by
  // The stream's background colour (BACK, else a colour bKGD).
  bool haveBackground = false;
  uint8_t background[3] = {};  // red, green, blue
  int sampleDepth = 8;         // of the last image header met
};

Session& sessionOf(mng_handle h) { return *static_cast<Session*>(mng_get_userdata(h)); }

// Every block the library takes is tracked, so that whatever it leaves
// behind (some paths of its chunk readers never end their inflate state)
// is given back when the session ends. One session per thread at a time.
thread_local std::unordered_set<void*>* tBlocks = nullptr;

mng_ptr MNG_DECL allocate(mng_size_t n) {
  void* p = std::calloc(1, n);
  if (p && tBlocks) {
    try {
      tBlocks->insert(p);
    } catch (...) {
      std::free(p);
      return nullptr;
    }
  }
  return p;
}
void MNG_DECL release(mng_ptr p, mng_size_t) {
  if (p && tBlocks) tBlocks->erase(p);
  std::free(p);
}
mng_bool MNG_DECL openStream(mng_handle) { return MNG_TRUE; }
mng_bool MNG_DECL closeStream(mng_handle) { return MNG_TRUE; }

mng_bool MNG_DECL readData(mng_handle h, mng_ptr buffer, mng_uint32 length, mng_uint32p read) {
  Session& s = sessionOf(h);
  *read = length ? mng_uint32(s.file->Read(buffer, 1, length)) : 0;
  return MNG_TRUE;
}

mng_bool MNG_DECL writeData(mng_handle h, mng_ptr buffer, mng_uint32 length, mng_uint32p written) {
  Session& s = sessionOf(h);
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  s.output->insert(s.output->end(), p, p + length);
  *written = length;
  return MNG_TRUE;
}

mng_bool MNG_DECL onError(mng_handle h, mng_int32, mng_int8, mng_chunkid, mng_uint32, mng_int32, mng_int32,
                          mng_pchar text) {
  Session& s = sessionOf(h);
  if (text && s.error.empty()) s.error = text;
  return MNG_FALSE;
}

mng_bool MNG_DECL onHeader(mng_handle h, mng_uint32 width, mng_uint32 height) {
  Session& s = sessionOf(h);
  if (width == 0 || height == 0 || uint64_t(width) * height > kMaxCanvasPixels) return MNG_FALSE;
  // A few bytes cannot honestly describe a vast canvas.
  if (!gbio::Justifies(gbio::kMngRatio, uint64_t(s.streamBytes), uint64_t(width) * height)) return MNG_FALSE;
  s.width = width;
  s.height = height;
  s.headerSeen = true;
  if (s.probe) return MNG_FALSE;  // the size is all a probe wants
  s.canvas.assign(size_t(width) * height * 4, 0);
  return MNG_TRUE;
}

mng_ptr MNG_DECL canvasLine(mng_handle h, mng_uint32 line) {
  Session& s = sessionOf(h);
  if (line >= s.height) return nullptr;
  return s.canvas.data() + size_t(line) * s.width * 4;
}

mng_bool MNG_DECL onRefresh(mng_handle h, mng_uint32, mng_uint32, mng_uint32, mng_uint32) {
  sessionOf(h).refreshed = true;
  return MNG_TRUE;
}

// The second end of the stream is where playback stops: an animation that
// repeats without ever showing a frame would otherwise loop inside the
// library for as many iterations as its TERM chunk asks.
mng_bool MNG_DECL onEnd(mng_handle h, mng_uint32, mng_uint32) {
  Session& s = sessionOf(h);
  s.endSeen = true;
  return ++s.ends > 1 ? MNG_FALSE : MNG_TRUE;
}

// Time runs as fast as the player asks: every wait is over at once.
mng_uint32 MNG_DECL tickCount(mng_handle h) {
  Session& s = sessionOf(h);
  s.ticks += 100000;
  return s.ticks;
}
mng_bool MNG_DECL setTimer(mng_handle, mng_uint32) { return MNG_TRUE; }

// The library's handle and the blocks it holds, released together.
struct Handle {
  mng_handle h = nullptr;
  std::unordered_set<void*> blocks;
  Handle() { tBlocks = &blocks; }
  ~Handle() {
    if (h) mng_cleanup(&h);
    for (void* p : blocks) std::free(p);
    tBlocks = nullptr;
  }
};

}  // namespace

GB_CODEC_FACTORY(GbImageMNG)

const char* GbImageMNG::NoMemoryText() const { return kCannotCreate; }

namespace {

mng_bool MNG_DECL backgroundChunk(mng_handle h, mng_handle chunk, mng_chunkid id, mng_uint32) {
  Session& s = sessionOf(h);
  mng_uint16 r = 0, g = 0, b = 0;
  if (id == MNG_UINT_IHDR) {
    // bKGD values count in the sample depth of the image they follow.
    mng_uint32 w = 0, hh = 0;
    mng_uint8 depth = 8, type = 0, compression = 0, filter = 0, interlace = 0;
    if (mng_getchunk_ihdr(h, chunk, &w, &hh, &depth, &type, &compression, &filter, &interlace) == MNG_NOERROR)
      s.sampleDepth = depth;
    return MNG_TRUE;
  }
  if (id == MNG_UINT_JHDR) {
    s.sampleDepth = 8;
    return MNG_TRUE;
  }
  if (id == MNG_UINT_BACK) {
    mng_uint16 image = 0;
    mng_uint8 mandatory = 0, tile = 0;
    if (mng_getchunk_back(h, chunk, &r, &g, &b, &mandatory, &image, &tile) != MNG_NOERROR) return MNG_TRUE;
    r >>= 8;
    g >>= 8;
    b >>= 8;
  } else if (id == MNG_UINT_bKGD) {
    mng_bool empty = MNG_TRUE;
    mng_uint8 type = 0, index = 0;
    mng_uint16 grey = 0;
    if (mng_getchunk_bkgd(h, chunk, &empty, &type, &index, &grey, &r, &g, &b) != MNG_NOERROR || empty) return MNG_TRUE;
    if (type == 0)
      r = g = b = grey;
    else if (type != 2)
      return MNG_TRUE;  // a palette index: no colour of its own here
    const int depth = s.sampleDepth;
    auto scale = [depth](mng_uint16 v) -> mng_uint16 {
      if (depth == 16) return mng_uint16(v >> 8);
      if (depth >= 8) return mng_uint16(v & 0xFF);
      const uint32_t top = (1u << depth) - 1;
      return mng_uint16((std::min<uint32_t>(v, top) * 255 + top / 2) / top);
    };
    r = scale(r);
    g = scale(g);
    b = scale(b);
  } else {
    return MNG_TRUE;
  }
  s.haveBackground = true;
  s.background[0] = uint8_t(r);
  s.background[1] = uint8_t(g);
  s.background[2] = uint8_t(b);
  return MNG_FALSE;  // the first one found counts
}

}  // namespace

const char* GbImageMNG::DecodeStream(GbFile* stream) {
  Session s;
  s.file = stream;
  s.probe = Probing();
  s.streamBytes = std::max<int64_t>(0, int64_t(stream->Size()) - stream->Tell());
  Handle handle;
  handle.h = mng_initialize(&s, allocate, release, MNG_NULL);
  mng_handle h = handle.h;
  if (!h) return kCannotInitialise;
  if (mng_setcb_errorproc(h, onError) || mng_setcb_openstream(h, openStream) || mng_setcb_closestream(h, closeStream) ||
      mng_setcb_readdata(h, readData) || mng_setcb_processheader(h, onHeader) ||
      mng_setcb_getcanvasline(h, canvasLine) || mng_setcb_refresh(h, onRefresh) || mng_setcb_processmend(h, onEnd) ||
      mng_setcb_gettickcount(h, tickCount) || mng_setcb_settimer(h, setTimer) ||
      mng_set_canvasstyle(h, MNG_CANVAS_BGRA8) || mng_set_storechunks(h, MNG_TRUE))
    return kCannotInitialise;

  const long wanted = Frame();
  long frames = 0;
  std::vector<uint8_t> kept;
  auto keep = [&] {
    if (frames == wanted) kept = s.canvas;
    ++frames;
    s.refreshed = false;
  };
  mng_retcode rc = mng_readdisplay(h);
  if (s.probe) {
    if (!s.headerSeen) {
      SetLastError(s.error.empty() ? kBadFile : s.error.c_str());
      return LastError();
    }
    return SizeFound(s.width, s.height, GB_TYPE_MNG);
  }
  int waitsAfterEnd = 0;
  while (rc == MNG_NEEDTIMERWAIT) {
    // The frame closed by the end of the stream still waits out its delay;
    // what plays after that wait is the animation starting over.
    if (s.endSeen && waitsAfterEnd++ > 0) break;
    if (s.refreshed) keep();
    if (frames >= kMaxFrames) break;
    rc = mng_display_resume(h);
  }
  const bool stoppedAtRepeat = s.ends > 1;
  if (rc != MNG_NOERROR && rc != MNG_NEEDTIMERWAIT && !stoppedAtRepeat) {
    SetFrameCount(frames);
    SetLastError(s.error.empty() ? kBadFile : s.error.c_str());
    return LastError();
  }
  if (rc == MNG_NOERROR && s.refreshed) keep();
  if (!s.headerSeen) return kBadFile;
  if (frames == 0) {
    // A stream that never refreshed still shows its canvas once.
    kept = s.canvas;
    frames = 1;
  }
  SetFrameCount(frames);
  if (wanted < 0 || wanted >= frames || kept.empty()) return kNoFrame;

  mng_iterate_chunks(h, 0, backgroundChunk);

  if (!Create(s.width, s.height, 24, GB_TYPE_MNG)) return kCannotCreate;
  if (!CreateAlpha()) return kCannotCreate;
  SetFrameCount(frames);
  for (uint32_t y = 0; y < s.height; ++y) {
    uint8_t* row = RowBits(s.height - 1 - y);
    uint8_t* alpha = alpha_ + size_t(s.height - 1 - y) * s.width;
    const uint8_t* src = kept.data() + size_t(y) * s.width * 4;
    for (uint32_t x = 0; x < s.width; ++x, src += 4) {
      row[3 * x] = src[0];
      row[3 * x + 1] = src[1];
      row[3 * x + 2] = src[2];
      alpha[x] = src[3];
    }
    std::memset(row + 3 * size_t(s.width), 0, RowStride() - 3 * size_t(s.width));
  }
  if (s.haveBackground) {
    SetBackgroundColor(RGBQUAD{s.background[2], s.background[1], s.background[0], 0});
    SetBackgroundIndex(0);
  }
  return nullptr;
}

bool GbImageMNG::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  const char* error = nullptr;
  try {
    error = EncodeStream(stream);
  } catch (const std::bad_alloc&) {
    error = kNoMemory;
  }
  if (error) {
    SetLastError(error);
    return false;
  }
  return true;
}

const char* GbImageMNG::EncodeStream(GbFile* stream) {
  if (BitsPerPixel() != 24) return kOnlyRgb;
  const uint32_t width = Width(), height = Height();
  // Rows top first, each a filter byte 0 and red, green, blue triples.
  const size_t rowBytes = 1 + size_t(width) * 3;
  std::vector<uint8_t> raw(rowBytes * height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* src = RowBits(height - 1 - y);
    uint8_t* dst = raw.data() + size_t(y) * rowBytes;
    *dst++ = 0;
    for (uint32_t x = 0; x < width; ++x, src += 3) {
      *dst++ = src[2];
      *dst++ = src[1];
      *dst++ = src[0];
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK) return kNoMemory;

  Session s;
  std::vector<uint8_t> output;
  s.output = &output;
  Handle handle;
  handle.h = mng_initialize(&s, allocate, release, MNG_NULL);
  mng_handle h = handle.h;
  if (!h) return kCannotInitialise;
  if (mng_setcb_errorproc(h, onError) || mng_setcb_openstream(h, openStream) || mng_setcb_closestream(h, closeStream) ||
      mng_setcb_writedata(h, writeData))
    return kCannotInitialise;
  if (mng_create(h) || mng_putchunk_mhdr(h, width, height, 1000, 1, 1, 0, 1) ||
      mng_putchunk_ihdr(h, width, height, 8, 2, 0, 0, 0) ||
      mng_putchunk_idat(h, mng_uint32(packedSize), packed.data()) || mng_putchunk_iend(h) || mng_putchunk_mend(h) ||
      mng_write(h))
    return s.error.empty() ? kBadFile : (SetLastError(s.error.c_str()), LastError());
  if (stream->Write(output.data(), 1, output.size()) != output.size()) return kBadFile;
  return nullptr;
}
