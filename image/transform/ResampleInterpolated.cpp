// Resizing with any interpolation method: point sampling when enlarging (or
// when averaging is off), area averaging when shrinking. Every picture the
// program takes in passes through here, so the 24-bit cases precompute their
// weights per column and per row and read rows directly. Point samples whose
// window reaches outside the image go through the general sampler; area
// averages read the folded or outside-colour pixels the sampler would. Both
// paths do the same arithmetic in the same order. The 24-bit area average is
// built from per-source-row sums, which also lets AreaShrink24 take a
// picture row by row as it is decoded.
#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "image/core/GbImage.h"
#include "image/transform/AreaShrink.h"
#include "image/transform/Bands.h"
#include "image/transform/Sampler.h"
#include "image/transform/TransformSupport.h"

using namespace gbtransform;

namespace {

void Put24(uint8_t* row, long x, uint8_t* alphaRow, RGBQUAD c) {
  uint8_t* p = row + size_t(x) * 3;
  p[0] = c.rgbBlue;
  p[1] = c.rgbGreen;
  p[2] = c.rgbRed;
  if (alphaRow) alphaRow[x] = c.rgbReserved;
}

// Interpolation weights of one axis for point sampling.
struct AxisTaps {
  std::vector<double> pos;     // sampled position
  std::vector<long> first;     // first tap (nearest: the pixel; bilinear: x0)
  std::vector<int> frac;       // bilinear fraction in 1/256
  std::vector<double> weight;  // kernel weights, taps per entry
  std::vector<char> inside;    // the whole window is inside the image
};

AxisTaps PointTaps(int method, long n, double scale, long size) {
  AxisTaps a;
  a.pos.resize(size_t(n));
  a.first.resize(size_t(n));
  a.inside.resize(size_t(n));
  const int r = IsKernelMethod(method) ? KernelRadius(method) : 1;
  if (method == GbImage::kBilinear) a.frac.resize(size_t(n));
  if (IsKernelMethod(method)) a.weight.resize(size_t(n) * size_t(2 * r));
  for (long i = 0; i < n; ++i) {
    const double p = (double(i) + 0.5) * scale - 0.5;
    a.pos[size_t(i)] = p;
    if (method == GbImage::kNearestNeighbour) {
      const double q = p + 0.5;
      const long v = q > -2.0 && q < 4294967296.0 ? long(q) : -1;
      a.first[size_t(i)] = v;
      a.inside[size_t(i)] = v >= 0 && v < size;
    } else if (method == GbImage::kBilinear) {
      const double f = Floor(p);
      const long x0 = long(f);
      a.first[size_t(i)] = x0;
      a.frac[size_t(i)] = int((p - f) * 256.0);
      a.inside[size_t(i)] = x0 >= 0 && x0 + 1 < size;
    } else {
      const double f = Floor(p);
      KernelTaps(method, p, f, &a.weight[size_t(i) * size_t(2 * r)]);
      const long x0 = long(f) - (r - 1);
      a.first[size_t(i)] = x0;
      a.inside[size_t(i)] = x0 >= 0 && x0 + 2 * r <= size;
    }
  }
  return a;
}

// Point sampling of every result pixel at ((x + 0.5) xs - 0.5, (y + 0.5) ys - 0.5).
void PointPass(GbImage& self, GbImage& out, const Sampler& smp, double xs, double ys) {
  const long nw = long(out.Width()), nh = long(out.Height());
  const int method = smp.Method();
  const AxisTaps cols = PointTaps(method, nw, xs, long(self.Width()));
  const AxisTaps rows = PointTaps(method, nh, ys, long(self.Height()));
  const bool is24 = self.BitsPerPixel() == 24;
  const int n = IsKernelMethod(method) ? 2 * KernelRadius(method) : 0;
  uint8_t* outAlpha = out.AlphaPlane();
  const uint8_t* srcAlpha = self.AlphaPlane();
  const auto band = [&](long firstRow, long endRow, bool reports) {
    for (long y = firstRow; y < endRow; ++y) {
      if (reports) ReportProgress(self, y, endRow);
      if (self.Escape()) break;
      uint8_t* row = out.RowBits(uint32_t(y));
      uint8_t* alphaRow = outAlpha ? outAlpha + size_t(y) * size_t(nw) : nullptr;
      const double py = rows.pos[size_t(y)];
      const bool rowIn = rows.inside[size_t(y)];
      if (!is24) {
        for (long x = 0; x < nw; ++x) {
          long sx, sy;
          if (method == GbImage::kNearestNeighbour && smp.NearestSource(cols.pos[size_t(x)], py, sx, sy)) {
            // Keep palette indices as they are (duplicate entries stay apart).
            out.WritePixelIndexUnchecked(x, y, self.ReadPixelIndexUnchecked(sx, sy));
            continue;
          }
          out.WritePixelColorUnchecked(x, y, smp.At(cols.pos[size_t(x)], py), true);
        }
        continue;
      }
      for (long x = 0; x < nw; ++x) {
        if (!(rowIn && cols.inside[size_t(x)])) {
          Put24(row, x, alphaRow, smp.At(cols.pos[size_t(x)], py));
          continue;
        }
        if (method == GbImage::kNearestNeighbour) {
          const long sx = cols.first[size_t(x)], sy = rows.first[size_t(y)];
          const uint8_t* p = self.RowBits(uint32_t(sy)) + size_t(sx) * 3;
          uint8_t* d = row + size_t(x) * 3;
          d[0] = p[0];
          d[1] = p[1];
          d[2] = p[2];
          if (alphaRow) alphaRow[x] = srcAlpha[size_t(sy) * self.Width() + size_t(sx)];
        } else if (method == GbImage::kBilinear) {
          Put24(
              row, x, alphaRow,
              smp.Bilinear24(cols.first[size_t(x)], rows.first[size_t(y)], cols.frac[size_t(x)], rows.frac[size_t(y)]));
        } else {
          double acc[4];
          smp.Direct24(cols.first[size_t(x)], rows.first[size_t(y)], n, &cols.weight[size_t(x) * size_t(n)],
                       &rows.weight[size_t(y) * size_t(n)], acc);
          Put24(row, x, alphaRow,
                RGBQUAD{ToByte(acc[0]), ToByte(acc[1]), ToByte(acc[2]), srcAlpha ? ToByte(acc[3]) : uint8_t(0)});
        }
      }
    }
  };
  // 24-bit results are plain stores; palette results go through the image's
  // one-colour nearest cache and stay on one thread.
  if (is24)
    InBands(nh, (long long)nw * nh * (n ? n : 1), band);
  else
    band(0, nh, true);
}

// Area weights of one axis: the covered pixels of each result pixel with
// their non-zero coverage, and the pixel each one reads.
struct AxisCover {
  std::vector<size_t> start;  // into weight/read, one past the end at [n]
  std::vector<double> weight;
  // The covered pixel itself when inside the image; outside it, the pixel
  // it folds onto, or -1 for the outside colour.
  std::vector<long> read;
  std::vector<char> inside;  // every covered pixel is inside the image
};

AxisCover AreaCover(long n, double scale, long size, const Sampler& smp) {
  AxisCover a;
  a.start.resize(size_t(n) + 1);
  a.inside.resize(size_t(n));
  for (long i = 0; i < n; ++i) {
    const double p = (double(i) + 0.5) * scale - 0.5;
    const double lo = p - scale / 2, hi = p + scale / 2;
    a.start[size_t(i)] = a.read.size();
    bool in = true;
    for (long k = CoverFirst(lo), last = CoverLast(hi); k <= last; ++k) {
      const double w = Coverage(k, lo, hi);
      if (w <= 0.0) continue;
      a.weight.push_back(w);
      const bool kIn = k >= 0 && k < size;
      a.read.push_back(kIn ? k : smp.Folds() ? FoldIndex(k, size, smp.Overflow()) : -1);
      if (!kIn) in = false;
    }
    a.inside[size_t(i)] = in;
  }
  a.start[size_t(n)] = a.read.size();
  return a;
}

// The colour outside the image as a row of `width` pixels.
std::vector<uint8_t> OutsideRow(const Sampler& smp, long width) {
  std::vector<uint8_t> row(size_t(width) * 3);
  const RGBQUAD c = smp.Outside();
  for (size_t x = 0; x < row.size(); x += 3) {
    row[x] = c.rgbBlue;
    row[x + 1] = c.rgbGreen;
    row[x + 2] = c.rgbRed;
  }
  return row;
}

// The weighted sums of one source row for every result column: blue, green,
// red per column, in the order the sampler's area average adds them, so
// columns reaching past an edge come out as it gives them. outside is one
// pixel of the outside colour.
void RowSums(const uint8_t* src, const AxisCover& cols, const uint8_t* outside, long nw, double* sums) {
  double* s = sums;
  for (long x = 0; x < nw; ++x, s += 3) {
    double rb = 0.0, rg = 0.0, rr = 0.0;
    const size_t first = cols.start[size_t(x)], end = cols.start[size_t(x) + 1];
    const double* wx = &cols.weight[first];
    if (cols.inside[size_t(x)]) {
      // The covered pixels of an inside column are consecutive.
      const uint8_t* p = src + size_t(first < end ? cols.read[first] : 0) * 3;
      for (size_t c = 0, n = end - first; c < n; ++c, p += 3) {
        rb += wx[c] * p[0];
        rg += wx[c] * p[1];
        rr += wx[c] * p[2];
      }
    } else {
      const long* read = &cols.read[first];
      for (size_t c = 0, n = end - first; c < n; ++c) {
        const uint8_t* p = read[c] >= 0 ? src + size_t(read[c]) * 3 : outside;
        rb += wx[c] * p[0];
        rg += wx[c] * p[1];
        rr += wx[c] * p[2];
      }
    }
    s[0] = rb;
    s[1] = rg;
    s[2] = rr;
  }
}

// Adds a source row's sums with its coverage wy to a result row's totals.
void AddRowSums(double* acc, const double* sums, double wy, long nw) {
  for (long x = 0; x < nw; ++x, acc += 3, sums += 3) {
    acc[0] += wy * sums[0];
    acc[1] += wy * sums[1];
    acc[2] += wy * sums[2];
  }
}

// A result row from its totals.
void StoreAverages(uint8_t* row, const double* acc, double surface, long nw) {
  for (long x = 0; x < nw; ++x, row += 3, acc += 3) {
    row[0] = ToByte(acc[0] / surface);
    row[1] = ToByte(acc[1] / surface);
    row[2] = ToByte(acc[2] / surface);
  }
}

// Area averaging of a 24-bit image shrunk in both axes. Alpha is not
// computed: the caller takes it from the nearest source pixel afterwards.
void AreaPass24(GbImage& self, GbImage& out, const Sampler& smp, double xs, double ys) {
  const long nw = long(out.Width()), nh = long(out.Height());
  const AxisCover cols = AreaCover(nw, xs, long(self.Width()), smp);
  const AxisCover rows = AreaCover(nh, ys, long(self.Height()), smp);
  const std::vector<uint8_t> outsideRow = OutsideRow(smp, long(self.Width()));
  const double surface = xs * ys;
  std::atomic<bool> noMemory{false};
  const auto band = [&](long firstRow, long endRow, bool reports) {
    std::vector<double> acc, sums;
    try {
      acc.resize(size_t(nw) * 3);
      sums.resize(size_t(nw) * 3);
    } catch (const std::bad_alloc&) {  // on a worker thread: reported below
      noMemory = true;
      return;
    }
    for (long y = firstRow; y < endRow; ++y) {
      if (reports) ReportProgress(self, y, endRow);
      if (self.Escape()) break;
      std::fill(acc.begin(), acc.end(), 0.0);
      for (size_t r = rows.start[size_t(y)]; r < rows.start[size_t(y) + 1]; ++r) {
        const long read = rows.read[r];
        RowSums(read >= 0 ? self.RowBits(uint32_t(read)) : outsideRow.data(), cols, outsideRow.data(), nw, sums.data());
        AddRowSums(acc.data(), sums.data(), rows.weight[r], nw);
      }
      StoreAverages(out.RowBits(uint32_t(y)), acc.data(), surface, nw);
    }
  };
  // The weight of the work is the source area each band reads.
  InBands(nh, (long long)self.Width() * self.Height(), band);
  if (noMemory) throw std::bad_alloc();
}

// Area averaging, general case (palette images, or shrinking in one axis only).
void AreaPassGeneral(GbImage& self, GbImage& out, const Sampler& smp, double xs, double ys) {
  const long nw = long(out.Width()), nh = long(out.Height());
  const bool is24 = self.BitsPerPixel() == 24;
  for (long y = 0; y < nh; ++y) {
    ReportProgress(self, y, nh);
    if (self.Escape()) break;
    uint8_t* row = out.RowBits(uint32_t(y));
    const double py = (double(y) + 0.5) * ys - 0.5;
    for (long x = 0; x < nw; ++x) {
      const RGBQUAD c = smp.Area((double(x) + 0.5) * xs - 0.5, py, xs, ys);
      if (is24)
        Put24(row, x, nullptr, c);
      else
        out.WritePixelColorUnchecked(x, y, c, false);
    }
  }
}

}  // namespace

bool GbImage::ResampleInterpolated(long newWidth, long newHeight, InterpolationMethod method, OverflowMethod overflow,
                                   GbImage* destination, bool disableAveraging) {
  if (!block_ || newWidth <= 0 || newHeight <= 0) return false;
  if (newWidth == long(Width()) && newHeight == long(Height())) return CopyInto(*this, destination);
  if (newWidth > 0x7FFFFFFFL || newHeight > 0x7FFFFFFFL) {
    SetLastError("GBIMAGE_MAX_MEMORY exceeded");
    return false;
  }
  const double xs = double(Width()) / double(newWidth), ys = double(Height()) / double(newHeight);
  GbImage out;
  if (!StartResult(*this, out, uint32_t(newWidth), uint32_t(newHeight), BitsPerPixel())) return false;
  if (alpha_ && !AttachAlpha(*this, out, 0)) return false;
  const Sampler smp(*this, method, overflow, kReplacementWhite);
  try {
    bool alphaWritten = false;
    if ((xs <= 1.0 && ys <= 1.0) || disableAveraging) {
      PointPass(*this, out, smp, xs, ys);
      alphaWritten = BitsPerPixel() == 24;
    } else if (BitsPerPixel() == 24 && xs > 1.0 && ys > 1.0) {
      AreaPass24(*this, out, smp, xs, ys);
    } else {
      AreaPassGeneral(*this, out, smp, xs, ys);
    }
    if (!alphaWritten) NearestAlpha(*this, out, xs, ys);
  } catch (const std::bad_alloc&) {  // the weight tables
    SetLastError(kNoMemory);
    return false;
  }
  return Commit(*this, destination, out);
}

namespace gbtransform {

struct AreaShrink24::Plan {
  long nw = 0, nh = 0;
  double surface = 0.0;
  AxisCover cols, rows;
  std::vector<long> lowest;      // per result row: the lowest source row it reads
  long span = 1;                 // most source rows one result row reads
  std::vector<uint8_t> outside;  // the outside colour, one source row of it
  std::vector<double> outsideSums;
  std::vector<double> sums;     // span rows of nw x 3 sums; row r in slot r % span
  std::vector<double> acc;      // the totals of the result row being finished
  std::vector<uint8_t> result;  // nh rows of nw x 3 bytes, bottom-up
  long nextSource = 0;          // the source row expected next
  long nextResult = 0;          // the highest result row not finished yet
  bool failed = false;

  const double* SumsOf(long read) { return read >= 0 ? Slot(read) : outsideSums.data(); }
  double* Slot(long row) { return &sums[size_t(row % span) * size_t(nw) * 3]; }
};

AreaShrink24::AreaShrink24() = default;
AreaShrink24::~AreaShrink24() = default;

bool AreaShrink24::Start(long sourceWidth, long sourceHeight, long width, long height, const Sampler& edges) noexcept {
  plan_.reset();
  if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return false;
  const double xs = double(sourceWidth) / double(width), ys = double(sourceHeight) / double(height);
  if (!(xs > 1.0 && ys > 1.0)) return false;
  try {
    auto plan = std::make_unique<Plan>();
    Plan& p = *plan;
    p.nw = width;
    p.nh = height;
    p.surface = xs * ys;
    p.cols = AreaCover(width, xs, sourceWidth, edges);
    p.rows = AreaCover(height, ys, sourceHeight, edges);
    // Result rows finish from the top down, each once its lowest source row
    // is in, while the rows it reads are still kept: a row folded from far
    // away (wrapping) would have to be kept too long.
    p.lowest.resize(size_t(height));
    for (long y = 0; y < height; ++y) {
      long lo = sourceHeight, hi = -1;
      for (size_t r = p.rows.start[size_t(y)]; r < p.rows.start[size_t(y) + 1]; ++r) {
        const long read = p.rows.read[r];
        if (read < 0) continue;
        lo = std::min(lo, read);
        hi = std::max(hi, read);
      }
      if (hi < 0) lo = hi = 0;  // reads the outside colour alone
      if (y > 0 && lo < p.lowest[size_t(y) - 1]) return false;
      p.lowest[size_t(y)] = lo;
      p.span = std::max(p.span, hi - lo + 1);
    }
    if (double(p.span) > ys + 3.0) return false;
    p.outside = OutsideRow(edges, sourceWidth);
    p.outsideSums.resize(size_t(width) * 3);
    RowSums(p.outside.data(), p.cols, p.outside.data(), width, p.outsideSums.data());
    p.sums.resize(size_t(p.span) * size_t(width) * 3);
    p.acc.resize(size_t(width) * 3);
    p.result.resize(size_t(width) * size_t(height) * 3);
    p.nextSource = sourceHeight - 1;
    p.nextResult = height - 1;
    plan_ = std::move(plan);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void AreaShrink24::AddSourceRow(long row, const uint8_t* pixels) noexcept {
  Plan* p = plan_.get();
  if (!p || p->failed) return;
  if (row != p->nextSource || !pixels) {
    p->failed = true;
    return;
  }
  --p->nextSource;
  RowSums(pixels, p->cols, p->outside.data(), p->nw, p->Slot(row));
  // The rows of a result row are added in the order the whole-picture pass
  // adds them, whatever order they came in.
  while (p->nextResult >= 0 && p->lowest[size_t(p->nextResult)] >= row) {
    const long y = p->nextResult--;
    std::fill(p->acc.begin(), p->acc.end(), 0.0);
    for (size_t r = p->rows.start[size_t(y)]; r < p->rows.start[size_t(y) + 1]; ++r)
      AddRowSums(p->acc.data(), p->SumsOf(p->rows.read[r]), p->rows.weight[r], p->nw);
    StoreAverages(&p->result[size_t(y) * size_t(p->nw) * 3], p->acc.data(), p->surface, p->nw);
  }
}

bool AreaShrink24::Finished() const {
  return plan_ && !plan_->failed && plan_->nextSource < 0 && plan_->nextResult < 0;
}

const uint8_t* AreaShrink24::ResultRow(long y) const {
  if (!Finished() || y < 0 || y >= plan_->nh) return nullptr;
  return &plan_->result[size_t(y) * size_t(plan_->nw) * 3];
}

}  // namespace gbtransform
