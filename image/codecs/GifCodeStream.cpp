#include "image/codecs/GifCodeStream.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

// ---- writing ---------------------------------------------------------------

// Packs codes least significant bit first into data sub-blocks.
class CodeWriter {
 public:
  CodeWriter(GbFile* f, int blockSize) : f_(f), blockSize_(blockSize) {}
  void Put(uint32_t code, int bits) {
    acc_ |= uint64_t(code) << held_;
    held_ += bits;
    while (held_ >= 8) {
      Byte(uint8_t(acc_));
      acc_ >>= 8;
      held_ -= 8;
    }
  }
  bool Finish() {
    if (held_ > 0) Byte(uint8_t(acc_));
    acc_ = 0;
    held_ = 0;
    FlushBlock();
    const uint8_t terminator = 0;
    Write(&terminator, 1);
    return !failed_;
  }

 private:
  void Byte(uint8_t b) {
    block_[1 + count_++] = b;
    if (count_ == blockSize_) FlushBlock();
  }
  void FlushBlock() {
    if (!count_) return;
    block_[0] = uint8_t(count_);
    Write(block_, size_t(count_) + 1);
    count_ = 0;
  }
  void Write(const uint8_t* p, size_t n) {
    if (!failed_ && f_->Write(p, 1, n) != n) failed_ = true;
  }
  GbFile* f_;
  int blockSize_;
  uint8_t block_[256];
  int count_ = 0;
  uint64_t acc_ = 0;
  int held_ = 0;
  bool failed_ = false;
};

// Follows the table a decoder builds, so that every code goes out in the
// width the decoder will read it with.
class DecoderMirror {
 public:
  DecoderMirror(CodeWriter& out, int minCodeSize)
      : out_(out), min_(minCodeSize), clear_(1 << minCodeSize), next_(clear_ + 2) {}
  int Clear() const { return clear_; }
  int End() const { return clear_ + 1; }
  int Next() const { return next_; }
  bool First() const { return first_; }
  void Emit(int code) {
    const int width = std::clamp(int(std::bit_width(unsigned(next_))), min_ + 1, 12);
    out_.Put(uint32_t(code), width);
    if (code == clear_) {
      next_ = clear_ + 2;
      first_ = true;
      return;
    }
    if (code == clear_ + 1) return;
    if (!first_ && next_ < kMaxCodes) ++next_;
    first_ = false;
  }

 private:
  CodeWriter& out_;
  int min_, clear_, next_;
  bool first_ = true;
};

// Classic LZW with an open-addressed hash table of (prefix, pixel) pairs.
void encodeLzw(DecoderMirror& m, uint32_t width, uint32_t height, const std::function<const uint8_t*(uint32_t)>& row) {
  constexpr int kHashSize = 5003;
  std::vector<int32_t> keys(kHashSize, -1);
  std::vector<uint16_t> codes(kHashSize, 0);
  const int clear = m.Clear();
  int next = clear + 2;
  m.Emit(clear);
  int prefix = -1;
  for (uint32_t t = 0; t < height; ++t) {
    const uint8_t* px = row(t);
    for (uint32_t x = 0; x < width; ++x) {
      const int c = px[x];
      if (prefix < 0) {
        prefix = c;
        continue;
      }
      const int32_t key = (int32_t(c) << 12) + prefix;
      int i = (c << 4) ^ prefix;
      if (keys[size_t(i)] == key) {
        prefix = codes[size_t(i)];
        continue;
      }
      if (keys[size_t(i)] >= 0) {
        const int step = i == 0 ? 1 : kHashSize - i;
        bool found = false;
        do {
          i -= step;
          if (i < 0) i += kHashSize;
          if (keys[size_t(i)] == key) {
            found = true;
            break;
          }
        } while (keys[size_t(i)] >= 0);
        if (found) {
          prefix = codes[size_t(i)];
          continue;
        }
      }
      m.Emit(prefix);
      prefix = c;
      if (next < kMaxCodes) {
        codes[size_t(i)] = uint16_t(next++);
        keys[size_t(i)] = key;
      } else {
        m.Emit(clear);
        std::fill(keys.begin(), keys.end(), -1);
        next = clear + 2;
      }
    }
  }
  if (prefix >= 0) m.Emit(prefix);
  m.Emit(m.End());
}

// Every pixel its own code; a clear code before the decoder's table fills.
void encodeUncompressed(DecoderMirror& m, uint32_t width, uint32_t height,
                        const std::function<const uint8_t*(uint32_t)>& row) {
  m.Emit(m.Clear());
  for (uint32_t t = 0; t < height; ++t) {
    const uint8_t* px = row(t);
    for (uint32_t x = 0; x < width; ++x) {
      if (m.Next() >= kMaxCodes) m.Emit(m.Clear());
      m.Emit(px[x]);
    }
  }
  m.Emit(m.End());
}

// Runs without a string table: a decoder given the code it is about to
// assign reads the previous string plus its first pixel, so a run of one
// colour goes out as strings of length 1, 2, 3, ... and the codes made on
// the way cover what is left.
class RunEncoder {
 public:
  explicit RunEncoder(DecoderMirror& m) : m_(m), codeFor_(kMaxCodes + 2, 0) {}

  void Run(int colour, uint32_t n) {
    if (colour != runColour_) Forget(), runColour_ = colour;
    while (n > 0) {
      if (m_.Next() >= kMaxCodes - 1) {
        m_.Emit(m_.Clear());
        Forget();
        lastColour_ = -1;
        lastLength_ = 0;
      }
      int length, code;
      const bool chained = !m_.First() && lastColour_ == colour;
      if (chained && uint32_t(lastLength_) + 1 <= n && m_.Next() < kMaxCodes) {
        code = m_.Next();
        length = lastLength_ + 1;
      } else {
        length = int(std::min<uint32_t>(n, uint32_t(known_)));
        while (length >= 2 && !codeFor_[size_t(length)]) --length;
        if (length < 2) {
          length = 1;
          code = colour;
        } else {
          code = codeFor_[size_t(length)];
        }
      }
      const int added = !m_.First() && m_.Next() < kMaxCodes ? m_.Next() : -1;
      m_.Emit(code);
      if (added >= 0 && lastColour_ == colour) {
        const int made = lastLength_ + 1;  // the decoder's new entry: previous string + colour
        if (made <= kMaxCodes && !codeFor_[size_t(made)]) {
          codeFor_[size_t(made)] = uint16_t(added);
          known_ = std::max(known_, made);
        }
      }
      lastColour_ = colour;
      lastLength_ = length;
      n -= uint32_t(length);
    }
  }

 private:
  void Forget() {
    std::fill(codeFor_.begin(), codeFor_.begin() + known_ + 1, 0);
    known_ = 1;
  }
  DecoderMirror& m_;
  std::vector<uint16_t> codeFor_;  // code of the string of n pixels of the run's colour
  int known_ = 1;
  int runColour_ = -1;
  int lastColour_ = -1;
  int lastLength_ = 0;
};

void encodeRunLength(DecoderMirror& m, uint32_t width, uint32_t height,
                     const std::function<const uint8_t*(uint32_t)>& row) {
  m.Emit(m.Clear());
  RunEncoder runs(m);
  int colour = -1;
  uint32_t length = 0;
  for (uint32_t t = 0; t < height; ++t) {
    const uint8_t* px = row(t);
    for (uint32_t x = 0; x < width; ++x) {
      if (px[x] == colour) {
        ++length;
        continue;
      }
      if (length) runs.Run(colour, length);
      colour = px[x];
      length = 1;
    }
  }
  if (length) runs.Run(colour, length);
  m.Emit(m.End());
}

}  // namespace

// ---- reading ---------------------------------------------------------------

int GifBlockReader::Refill() {
  if (ended_) return -1;
  const long n = f_->GetC();
  if (n <= 0) {
    ended_ = true;
    truncated_ = n < 0;
    return -1;
  }
  const size_t got = f_->Read(buf_, 1, size_t(n));
  if (got < size_t(n)) ended_ = truncated_ = true;  // use what arrived, then stop
  if (got == 0) return -1;
  len_ = int(got);
  pos_ = 0;
  return buf_[pos_++];
}

bool GifBlockReader::SkipRest() {
  pos_ = len_;
  while (!ended_) {
    const long n = f_->GetC();
    if (n < 0) {
      ended_ = truncated_ = true;
      break;
    }
    if (n == 0) {
      ended_ = true;
      break;
    }
    if (!f_->Seek(int32_t(n), GB_SEEK_CUR)) {
      ended_ = truncated_ = true;
      break;
    }
  }
  return !truncated_;
}

GifDecodeResult GifDecodeCodeStream(GifBlockReader& in, int minCodeSize, uint32_t width, uint32_t height, uint8_t fill,
                                    const std::function<void(uint32_t, const uint8_t*)>& row) {
  GifDecodeResult result;
  if (width == 0 || height == 0 || minCodeSize < 2 || minCodeSize > 11) return result;
  struct Table {
    uint16_t prefix[kMaxCodes];
    uint8_t suffix[kMaxCodes];
    uint8_t first[kMaxCodes];
    uint16_t length[kMaxCodes];
    uint8_t string[kMaxCodes];
  };
  std::unique_ptr<Table> table(new Table);
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int i = 0; i < clear; ++i) {
    table->prefix[i] = 0;
    table->suffix[i] = uint8_t(i);
    table->first[i] = uint8_t(i);
    table->length[i] = 1;
  }
  std::vector<uint8_t> line(width, fill);
  uint32_t x = 0, rowsDone = 0;
  // Writes the string of a code into the rows; false once every row is full.
  auto put = [&](int code) {
    const int length = table->length[code];
    uint8_t* s = table->string;
    for (int i = length - 1, c = code; i >= 0; --i) {
      s[i] = table->suffix[c];
      c = table->prefix[c];
    }
    for (int i = 0; i < length; ++i) {
      line[x++] = s[i];
      if (x == width) {
        row(rowsDone++, line.data());
        x = 0;
        if (rowsDone == height) return false;
      }
    }
    return true;
  };

  int codeSize = minCodeSize + 1;
  int next = clear + 2;
  int old = -1;
  uint32_t acc = 0;
  int held = 0;
  while (true) {
    while (held < codeSize) {
      const int b = in.Next();
      if (b < 0) {
        result.truncated = true;
        goto done;
      }
      acc |= uint32_t(b) << held;
      held += 8;
    }
    int code = int(acc & ((1u << codeSize) - 1));
    acc >>= codeSize;
    held -= codeSize;
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      old = -1;
      continue;
    }
    if (code == end) break;
    if (old < 0) {
      if (code >= next) code = 0;  // nothing to refer to yet
      old = code;
      if (!put(code)) break;
      continue;
    }
    if (code < next) {
      if (next < kMaxCodes) {
        table->prefix[next] = uint16_t(old);
        table->suffix[next] = table->first[code];
        table->first[next] = table->first[old];
        table->length[next] = uint16_t(table->length[old] + 1);
        ++next;
      }
    } else {
      // The code being defined (or, in a damaged stream, one beyond it):
      // the previous string plus its own first pixel.
      if (code > next) result.badCodes = true;
      table->prefix[next] = uint16_t(old);
      table->suffix[next] = table->first[old];
      table->first[next] = table->first[old];
      table->length[next] = uint16_t(table->length[old] + 1);
      code = next++;
    }
    if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
    old = code;
    if (!put(code)) break;
  }
done:
  if (x > 0 && rowsDone < height) {
    std::fill(line.begin() + x, line.end(), fill);
    row(rowsDone, line.data());
  }
  return result;
}

bool GifEncodeCodeStream(GbFile* f, GifCodeMode mode, int minCodeSize, uint32_t width, uint32_t height,
                         const std::function<const uint8_t*(uint32_t)>& row) {
  const uint8_t size = uint8_t(minCodeSize);
  if (f->Write(&size, 1, 1) != 1) return false;
  CodeWriter out(f, mode == GIF_RUN_LENGTH ? 255 : 254);
  DecoderMirror mirror(out, minCodeSize);
  switch (mode) {
    case GIF_UNCOMPRESSED: encodeUncompressed(mirror, width, height, row); break;
    case GIF_RUN_LENGTH: encodeRunLength(mirror, width, height, row); break;
    default: encodeLzw(mirror, width, height, row); break;
  }
  return out.Finish();
}
