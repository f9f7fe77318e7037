// How much a decoder may ask for per byte its stream still holds. A header
// is only a promise: before a decoder allocates for the picture it checks
// that the bytes left could really describe it at the densest packing the
// format allows, so that a few bytes claiming a vast picture are refused
// before any memory is taken. Every decoder's ratio stands here, side by
// side, with the reason for its value. Formats stored raw or with a fixed
// best case (TGA, SKA, WBMP, Sun raster) check the exact byte count their
// header implies instead.
#pragma once

#include <cstdint>

#include "image/io/Bytes.h"

namespace gbio {

// `need` units are justified by `available` stream bytes when
// need <= available * perByte + slack.
struct StreamRatio {
  uint64_t perByte;
  uint64_t slack;
};

// Uncompressed BMP rows, in bytes of picture memory. A file byte gives at
// most two bytes of memory (32-bit pixels: the 24-bit rows, the read buffer
// and the alpha plane); four leaves room for files that end early, whose
// missing rows are decoded blank.
constexpr StreamRatio kBmpRawRatio{4, 65536};

// Run-length BMP and packed-DIB pixels (8 and 4 bits), in bytes of picture
// memory. A two-byte run fills up to 255 pixels; sparser pictures made of
// end-of-line and move codes are judged by the rows they reach instead.
constexpr StreamRatio kDibRleRatio{256, 65536};

// PCX, in bytes of decoded plane lines: a two-byte run stands for at most
// 63 bytes, so 32 per byte is the most an honest file can reach.
constexpr StreamRatio kPcxRatio{32, 0};

// PNG, in bytes of filtered rows per byte of IDAT data: deflate turns at
// most 258 bytes into one code of at least 1 bit (with the block overhead,
// about 1032 : 1).
constexpr StreamRatio kPngRatio{1032, 0};

// MNG/JNG canvas, in pixels per byte of the stream: deflate packs at most
// about a thousand to one; small canvases (4 Mi pixels) always pass, since
// a frame may be drawn by a few chunks.
constexpr StreamRatio kMngRatio{1024, uint64_t(1) << 22};

// JPEG 2000, in samples per byte of the codestream: the wavelet code of an
// empty tile is a handful of bits for thousands of samples; below 4 Mi
// samples anything goes.
constexpr StreamRatio kJpeg2000Ratio{8192, uint64_t(1) << 22};

// Whether `available` bytes can justify `need` units at `ratio`. A limit
// too large to compute justifies anything (no stream is that large).
constexpr bool Justifies(StreamRatio ratio, uint64_t available, uint64_t need) {
  uint64_t limit = 0;
  return !CheckedMulAdd(available, ratio.perByte, ratio.slack, limit) || need <= limit;
}

}  // namespace gbio
