// The memory stream under arbitrary call sequences, checked against a plain
// model of its contents: every codec reads and writes through it, and the
// position may be moved anywhere, past the end included.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

namespace {

// Reads little pieces of the input as operation codes and arguments.
struct Input {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool more() const { return pos < size; }
  uint8_t byte() { return pos < size ? data[pos++] : 0; }
  uint32_t word() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | byte();
    return v;
  }
};

// The stream's documented behaviour, on a vector.
struct Model {
  std::vector<uint8_t> bytes;
  int64_t pos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  // First byte: stream over a caller's block (its length from the next byte)
  // or an empty owned one.
  const bool overBlock = in.byte() & 1;
  std::vector<uint8_t> block;
  Model m;
  GbMemFile s;
  std::unique_ptr<GbMemFile> wrapped;
  GbMemFile* f = &s;
  if (overBlock) {
    const size_t n = std::min<size_t>(in.byte(), in.size - in.pos);
    block.assign(in.data + in.pos, in.data + in.pos + n);
    in.pos += n;
    m.bytes = block;
    // The block is at least one byte so that the stream holds a buffer.
    if (block.empty()) {
      block.push_back(0);
      m.bytes = block;
    }
    wrapped = std::make_unique<GbMemFile>(block.data(), int32_t(block.size()));
    f = wrapped.get();
  } else {
    Require(s.Open());
  }
  uint8_t buf[600];
  while (in.more()) {
    const uint8_t op = in.byte() % 9;
    // Writing at an extreme position would need gigabytes; keep within reach.
    if ((op == 0 || op == 1) && m.pos > (1 << 20)) {
      Require(f->Seek(0, 0));
      m.pos = 0;
    }
    const int64_t size = int64_t(m.bytes.size());
    switch (op) {
      case 0: {  // Write
        const size_t n = in.byte() * 2;
        for (size_t i = 0; i < n; ++i) buf[i] = uint8_t(i * 7 + op);
        const size_t written = f->Write(buf, 1, n);
        if (n == 0) {
          Require(written == 0);
          break;
        }
        Require(written == n);
        if (m.pos > size) m.bytes.resize(size_t(m.pos), 0);
        if (m.pos + int64_t(n) > int64_t(m.bytes.size())) m.bytes.resize(size_t(m.pos) + n);
        std::memcpy(m.bytes.data() + m.pos, buf, n);
        m.pos += int64_t(n);
        break;
      }
      case 1: {  // PutC
        const uint8_t c = in.byte();
        Require(f->PutC(c));
        if (m.pos >= size) m.bytes.resize(size_t(m.pos) + 1, 0);
        m.bytes[size_t(m.pos++)] = c;
        break;
      }
      case 2: {  // Read, in elements of 1 to 4 bytes
        const size_t elem = in.byte() % 4 + 1, count = in.byte() % 128;
        const size_t got = f->Read(buf, elem, count);
        const int64_t avail = std::max<int64_t>(0, size - m.pos);
        const int64_t copied = std::min<int64_t>(avail, int64_t(elem * count));
        Require(got == size_t(copied) / elem);
        Require(copied == 0 || std::memcmp(buf, m.bytes.data() + m.pos, size_t(copied)) == 0);
        m.pos += copied;
        break;
      }
      case 3: {  // Seek: small offsets mostly, occasionally extreme ones
        const int origin = in.byte() % 4;
        const uint8_t kind = in.byte();
        const int32_t offset = kind < 200 ? int32_t(int8_t(in.byte())) * 4 : int32_t(in.word());
        const bool ok = f->Seek(offset, origin);
        if (origin == 3) {
          Require(!ok);
          break;
        }
        const int64_t base = origin == 0 ? 0 : origin == 1 ? m.pos : size;
        const int64_t target = std::max<int64_t>(0, base + offset);
        if (target <= INT32_MAX) {
          Require(ok);
          m.pos = target;
        }
        Require(f->Tell() == m.pos);
        break;
      }
      case 4: {  // GetC
        const long c = f->GetC();
        Require(c == (m.pos < size ? long(m.bytes[size_t(m.pos)]) : -1));
        if (m.pos < size) ++m.pos;
        break;
      }
      case 5: {  // GetS into an exactly sized heap buffer
        const int n = int(in.byte() % 40) - 2;
        std::unique_ptr<char[]> line(new char[std::max(n, 1)]);
        const char* r = f->GetS(line.get(), n);
        if (n <= 0) {
          Require(r == nullptr);
          break;
        }
        int64_t p = m.pos, stored = 0;
        bool atEnd = false;
        while (stored < n - 1) {
          if (p >= size) {
            atEnd = true;
            break;
          }
          const uint8_t c = m.bytes[size_t(p++)];
          Require(r == nullptr || uint8_t(line[size_t(stored)]) == c);
          ++stored;
          if (c == '\n') break;
        }
        Require(atEnd ? r == nullptr : (r == line.get() && line[size_t(stored)] == 0));
        m.pos = p;
        break;
      }
      case 6:
        Require(f->Size() == size && f->Tell() == m.pos);
        Require(f->Eof() == (m.pos >= size));
        Require(f->Error() == (m.pos > size ? 1 : 0));
        break;
      case 7: {  // Scanf reads nothing from memory
        int value = 0;
        Require(f->Scanf("%d", &value) == 0);
        break;
      }
      case 8: Require(f->Flush()); break;
    }
  }
  return 0;
}
