"""Files other programs write that the shared test data lacks, made afresh
from generated pictures for the conformance run.

make(root) writes them under root/<format folder>/generated/, as the shared
data is laid out. Where the reference decoders cannot read a kind of file
(floating-point or 16-bit CMYK TIFF), its expected decoding is written
beside it as reference/<name>.png, computed here from the same samples.

Pictures come from a fixed seed. Tiles and strips are cut by tiffcp; the
few kinds no tool writes (float RGB, 10- and 12-bit planar RGB, 16-bit CMYK,
CMYK with alpha, 12-bit min-is-white, 16-bit grey PNG with a colour key, a
GIF with 12-bit codes) are written here byte by byte.
"""

import os
import random
import struct
import subprocess
import zlib

from PIL import Image

SIZES = [(128, 128), (100, 70), (45, 77)]   # the last two are no tile multiple
TILES = [16, 32, 48, 64]
STRIPS = [1, 7, 16]


def noise(w, h, channels, seed):
    rng = random.Random(seed)
    return bytes(rng.randrange(256) for _ in range(w * h * channels))


# ---- a small TIFF writer: one strip (per plane), uncompressed ----------------

def tiff(path, w, h, samples, bits, photometric, planes, extra=None, sample_format=None):
    """planes: the packed sample bytes, one block (contiguous) or one per sample."""
    entries = []
    data_at = 8
    blobs = []

    def add(tag, kind, values):
        entries.append((tag, kind, values))

    offsets, counts = [], []
    for block in planes:
        offsets.append(data_at)
        counts.append(len(block))
        blobs.append(block)
        data_at += len(block) + (len(block) & 1)
    add(256, 4, [w])
    add(257, 4, [h])
    add(258, 3, [bits] * samples)
    add(259, 3, [1])
    add(262, 3, [photometric])
    add(273, 4, offsets)
    add(277, 3, [samples])
    add(278, 4, [h])
    add(279, 4, counts)
    add(284, 3, [2 if len(planes) > 1 else 1])
    if extra is not None:
        add(338, 3, [extra])
    if sample_format:
        add(339, 3, [sample_format] * samples)
    ifd_at = data_at
    out_values = b""
    extra_at = ifd_at + 2 + 12 * len(entries) + 4
    table = b""
    for tag, kind, values in sorted(entries):
        size = 2 if kind == 3 else 4
        raw = b"".join(struct.pack("<H" if kind == 3 else "<I", v) for v in values)
        if len(raw) <= 4:
            table += struct.pack("<HHI", tag, kind, len(values)) + raw.ljust(4, b"\0")
        else:
            table += struct.pack("<HHII", tag, kind, len(values), extra_at + len(out_values))
            out_values += raw
    with open(path, "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", ifd_at))
        for b in blobs:
            f.write(b + (b"\0" if len(b) & 1 else b""))
        f.write(struct.pack("<H", len(entries)) + table + b"\0\0\0\0" + out_values)


def pack(values, bits, per_row):
    """Samples of `bits` bits, high bits first, each row padded to a byte."""
    out = bytearray()
    for start in range(0, len(values), per_row):
        acc, held = 0, 0
        for v in values[start:start + per_row]:
            acc, held = (acc << bits) | v, held + bits
            while held >= 8:
                out.append((acc >> (held - 8)) & 255)
                held -= 8
        if held:
            out.append((acc << (8 - held)) & 255)
    return bytes(out)


def expect(folder, name, image):
    os.makedirs(os.path.join(folder, "reference"), exist_ok=True)
    image.save(os.path.join(folder, "reference", name.rsplit(".", 1)[0] + ".png"))


def tiffcp(args, src, dst):
    subprocess.run(["tiffcp"] + args + [src, dst], check=True, capture_output=True)


# ---- the sets ------------------------------------------------------------------

def tiff_layouts(folder):
    """RGB and straight RGBA in many tile and strip sizes, plain and LZW."""
    made = 0
    for w, h in SIZES:
        for mode in ("RGB", "RGBA"):
            base = os.path.join(folder, f"base-{mode}-{w}x{h}.tif")
            Image.frombytes(mode, (w, h), noise(w, h, len(mode), w * h)).save(base)
            for t in TILES:
                for c in ("none", "lzw"):
                    tiffcp(["-c", c, "-t", "-w", str(t), "-l", str(t)], base,
                           os.path.join(folder, f"{mode}-{w}x{h}-tile{t}-{c}.tif"))
                    made += 1
            for r in STRIPS:
                tiffcp(["-c", "none", "-r", str(r)], base, os.path.join(folder, f"{mode}-{w}x{h}-strip{r}.tif"))
                made += 1
            os.remove(base)
    return made


def tiff_unusual(folder):
    made = 0
    w, h = 45, 34
    rng = random.Random(7)
    # Floating-point grey and RGB, 0.0 to 1.0 with a few values outside.
    for samples, name in ((1, "float-grey"), (3, "float-rgb")):
        values = [rng.choice([rng.random(), -0.5, 1.5]) if rng.random() < 0.05 else rng.random()
                  for _ in range(w * h * samples)]
        path = os.path.join(folder, name + ".tif")
        tiff(path, w, h, samples, 32, 2 if samples == 3 else 1,
             [struct.pack(f"<{len(values)}f", *values)], sample_format=3)
        level = bytes(0 if not v > 0 else 255 if v >= 1 else int(v * 255 + 0.5)
                      for v in struct.unpack(f"<{len(values)}f", struct.pack(f"<{len(values)}f", *values)))
        picture = Image.frombytes("L" if samples == 1 else "RGB", (w, h), level)
        for variant, args in (("", None), ("-tile16", ["-t", "-w", "16", "-l", "16"]),
                              ("-zip3", ["-c", "zip:3"]), ("-strip7", ["-r", "7"])):
            target = os.path.join(folder, name + variant + ".tif")
            if args:
                tiffcp(args, path, target)
            expect(folder, name + variant + ".tif", picture)
            made += 1
    # 10- and 12-bit RGB, contiguous and in separate planes: the top 8 bits.
    for bits in (10, 12):
        values = [rng.randrange(1 << bits) for _ in range(w * h * 3)]
        picture = Image.frombytes("RGB", (w, h), bytes(v >> (bits - 8) for v in values))
        tiff(os.path.join(folder, f"rgb{bits}-contig.tif"), w, h, 3, bits, 2, [pack(values, bits, w * 3)])
        planes = [pack(values[c::3], bits, w) for c in range(3)]
        tiff(os.path.join(folder, f"rgb{bits}-planar.tif"), w, h, 3, bits, 2, planes)
        for name in (f"rgb{bits}-contig.tif", f"rgb{bits}-planar.tif"):
            expect(folder, name, picture)
            made += 1
    # 16-bit CMYK, and 8-bit CMYK with an alpha sample: inks over white.
    def inks(c, m, y, k):
        return tuple((255 - v) * (255 - k) // 255 for v in (c, m, y))
    cmyk16 = [rng.randrange(65536) for _ in range(w * h * 4)]
    tiff(os.path.join(folder, "cmyk16.tif"), w, h, 4, 16, 5, [struct.pack(f"<{len(cmyk16)}H", *cmyk16)])
    px = [inks(*(v >> 8 for v in cmyk16[i:i + 4])) for i in range(0, len(cmyk16), 4)]
    expect(folder, "cmyk16.tif", Image.frombytes("RGB", (w, h), bytes(b for p in px for b in p)))
    cmyka = noise(w, h, 5, 11)
    tiff(os.path.join(folder, "cmyk-alpha.tif"), w, h, 5, 8, 5, [cmyka], extra=2)
    px = [inks(*cmyka[i:i + 4]) + (cmyka[i + 4],) for i in range(0, len(cmyka), 5)]
    expect(folder, "cmyk-alpha.tif", Image.frombytes("RGBA", (w, h), bytes(b for p in px for b in p)))
    # 12-bit min-is-white grey.
    grey = [rng.randrange(4096) for _ in range(w * h)]
    tiff(os.path.join(folder, "grey12-miniswhite.tif"), w, h, 1, 12, 0, [pack(grey, 12, w)])
    expect(folder, "grey12-miniswhite.tif", Image.frombytes("L", (w, h), bytes(255 - (v >> 4) for v in grey)))
    return made + 3


def png_key16(folder):
    """16-bit grey with a tRNS key that shares its high byte with other samples."""
    w, h, key = 37, 21, 0x6677
    rng = random.Random(3)
    samples = [rng.choice([key, 0x6666, 0x66FF, rng.randrange(65536)]) for _ in range(w * h)]
    raw = b"".join(b"\0" + struct.pack(f">{w}H", *samples[y * w:(y + 1) * w]) for y in range(h))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    with open(os.path.join(folder, "grey16-key.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 16, 0, 0, 0, 0)) +
                chunk(b"tRNS", struct.pack(">H", key)) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
    return 1


def jp2_alpha(folder):
    made = 0
    for mode in ("RGBA", "LA"):
        for w, h in SIZES[1:]:
            im = Image.frombytes(mode, (w, h), noise(w, h, len(mode), 5 + w))
            im.save(os.path.join(folder, f"{mode}-{w}x{h}.jp2"), irreversible=False)
            made += 1
    return made


def gif_wide_codes(folder):
    """Minimum code sizes 2 to 11 (codes of up to 12 bits from the start)."""
    w, h = 37, 23
    palette = bytes(v for i in range(256) for v in (i, 255 - i, 7))
    indices = [(i * 7 + i // w) % 4 for i in range(w * h)]
    for min_code in range(2, 12):
        clear, size, nxt, first = 1 << min_code, min_code + 1, (1 << min_code) + 2, True
        acc, held, data = 0, 0, bytearray()

        def put(code):
            nonlocal acc, held
            acc |= code << held
            held += size
            while held >= 8:
                data.append(acc & 255)
                acc >>= 8
                held -= 8
        put(clear)
        for v in indices:
            if nxt >= 4000:
                put(clear)
                size, nxt, first = min_code + 1, clear + 2, True
            put(v)
            if not first:
                nxt = min(nxt + 1, 4096)
                if nxt == 1 << size and size < 12:
                    size += 1
            first = False
        put(clear + 1)
        if held:
            data.append(acc & 255)
        blocks = b"".join(bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255]) for i in range(0, len(data), 255))
        with open(os.path.join(folder, f"codesize{min_code}.gif"), "wb") as f:
            f.write(b"GIF89a" + struct.pack("<HHBBB", w, h, 0xF7, 0, 0) + palette +
                    b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + bytes([min_code]) + blocks + b"\0;")
    return 10


def make(root):
    """Writes every set; returns the number of files to check."""
    made = 0
    for fmt, sets in (("tiff", (tiff_layouts, tiff_unusual)), ("png", (png_key16,)),
                      ("jp2", (jp2_alpha,)), ("gif", (gif_wide_codes,))):
        folder = os.path.join(root, fmt, "generated")
        os.makedirs(folder, exist_ok=True)
        for s in sets:
            made += s(folder)
    return made
