#!/usr/bin/python3
"""Decodes every picture of the shared test data with Glimmerbox and with
established decoders, compares the pixels and prints one table per run.

Glimmerbox decodes through glimmerbox-cli's "pixels" command, which opens a
file exactly as the program does (type from the extension, falling back to
detection) and writes what it decoded as a PAM. The references are decoders
from the distribution (Pillow, ImageMagick, netpbm, libjpeg-turbo, libtiff,
OpenJPEG) and the expected decodings that ship with the test data.

A file counts as identical when it equals any one of its references exactly;
lossy formats allow the tolerance of their FORMATS line. Transparent pixels
(alpha 0 on both sides) compare by alpha only.

Fails (exit 1) when anything crashed, or when a valid file decoded
differently from every reference or failed while a reference read it, unless
known_differences.txt lists that file with its reason. Files marked invalid
by the test data must fail cleanly or decode; how they decode is not judged.

Beside the test data, files other programs write that the shared data lacks
are made afresh from generated pictures on every run (generated.py), in a
range of tile sizes, strip sizes and picture sizes that are not tile
multiples, and checked the same way (--no-generated leaves them out).

usage: conformance.py --cli PATH [--testdata DIR] [--jobs N] [--budget SECONDS]
                      [--only FMT,...] [--no-generated] [--verbose]
"""

import argparse
import concurrent.futures
import shutil
import io
import os
import re
import resource
import subprocess
import sys
import tempfile
import time
import warnings
from dataclasses import dataclass, field

from PIL import Image, ImageChops, ImageStat

warnings.simplefilter("ignore")
HERE = os.path.dirname(os.path.abspath(__file__))

# No picture of the test data is larger; anything bigger (a decompression bomb
# read literally) is not loaded, so the run stays within a few GB of memory.
MAX_PIXELS = 40_000_000
Image.MAX_IMAGE_PIXELS = MAX_PIXELS
warnings.simplefilter("error", Image.DecompressionBombWarning)
# The runner's own address space, and that of the reference tools.
RUNNER_MEMORY = 8 << 30
TOOL_LIMITS = ["prlimit", f"--as={4 << 30}", f"--fsize={1 << 30}", "--"]


class TooLarge(Exception):
    pass


@dataclass
class Format:
    name: str
    type_id: int           # Glimmerbox type id of the codec that reads it
    folder: str            # top folder under the test data
    exts: str              # data-file extensions, space separated
    refs: str              # reference decoders, space separated, see REFERENCES
    tolerance: tuple = (0, 0.0)  # (max channel difference, mean difference)
    magick: str = ""       # ImageMagick format prefix when detection needs help


LOSSY_JPEG = (24, 1.5)  # IDCT and chroma up-sampling variants
# One line per format. A format is checked once a codec is registered for its
# type id (glimmerbox-cli pixels --codecs); until then it shows as "not
# supported yet". Files that a reference reads differently on purpose go into
# known_differences.txt with their reason.
FORMATS = [
    Format("bmp", 1, "bmp", "bmp", "pil magick"),
    Format("gif", 2, "gif", "gif gif87", "pil magick"),
    Format("jpeg", 3, "jpeg", "jpg jpeg", "djpeg pil", LOSSY_JPEG),
    Format("png", 4, "png", "png", "pil pngtopam"),
    Format("ico", 5, "ico", "ico", "pil magick", magick="ICO"),
    Format("cur", 5, "cur", "cur", "pil magick", magick="CUR"),
    Format("tiff", 6, "tiff", "tif tiff", "tiff2rgba pil magick"),
    Format("tga", 7, "tga", "tga", "pil magick", magick="TGA"),
    Format("pcx", 8, "pcx", "pcx bin", "pil magick", magick="PCX"),
    Format("wbmp", 9, "wbmp", "wbmp", "magick netpbm", magick="WBMP"),
    Format("wmf", 10, "wmf", "wmf", "magick", (255, 16.0)),   # anti-aliasing
    Format("emf", 10, "emf", "emf", "magick", (255, 16.0)),
    Format("jp2", 11, "jp2", "jp2 j2k jpc", "opj pil magick", (8, 1.0)),
    Format("pgx", 13, "pgx", "pgx", "magick", magick="PGX"),
    Format("pnm", 14, "pnm", "pnm pbm pgm ppm", "netpbm pil"),
    Format("ras", 15, "ras", "ras im1 im8", "pil magick", magick="SUN"),
    Format("mng", 17, "mng", "mng", "magick"),
    Format("jng", 17, "jng", "jng", "magick", LOSSY_JPEG),
    Format("raw", 19, "raw", "dng", "magick", (255, 12.0)),   # demosaicing
]

# Folders whose files are broken on purpose even where their description
# does not start with "CORRUPT:" (the BMP suite's bad set).
INVALID_FOLDERS = {"bad", "bad-other", "bmp/bmpsuite/b"}
INVALID_TEXT = re.compile(r"^\s*(\*\*)?CORRUPT|must be rejected|^Corrupt ", re.I)
EXPECTED_TEXT = re.compile(
    r"^(Expected|Correct display|Reference rendering|The sRGB picture)", re.I)
EXPECTED_FOLDERS = {"reference", "frames"}
SANITIZER = re.compile(r"ERROR: (Address|Leak|Memory|Thread)Sanitizer|runtime error:|"
                       r"UndefinedBehaviorSanitizer|AddressSanitizer:DEADLYSIGNAL")


# ---- test data catalogue ----------------------------------------------------

@dataclass
class DataFile:
    rel: str                # path under the test data
    fmt: Format
    desc: str
    invalid: bool
    expected: dict = field(default_factory=dict)  # frame -> [expected paths]
    root: str = ""          # the folder rel is under


def read_readme(root):
    """Descriptions by relative path, from the tables of the README."""
    descs, folder = {}, None
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^###\s+testdata/(\S+?)/?\s", line)
            if m:
                folder = m.group(1)
                continue
            if folder and line.startswith("| ") and not line.startswith("| File"):
                cells = [c.strip() for c in line.strip().strip("|").split("|")]
                if len(cells) >= 3 and not set(cells[0]) <= set("-"):
                    descs[f"{folder}/{cells[0]}"] = "|".join(cells[2:])
    return descs


def format_for(rel):
    top, ext = rel.split("/", 1)[0], rel.rsplit(".", 1)[-1].lower()
    for fmt in FORMATS:
        if fmt.folder == top and ext in fmt.exts.split():
            return fmt
    # A picture of another format kept beside its sibling (a PPM in jpeg/).
    if ext not in ("png", "gif", "jpg"):
        for fmt in FORMATS:
            if ext in fmt.exts.split():
                return fmt
    return None


def catalogue(root):
    descs = read_readme(root) if os.path.exists(os.path.join(root, "README.md")) else {}
    files, expected = {}, []
    for dirpath, _, names in os.walk(root):
        for name in sorted(names):
            rel = os.path.relpath(os.path.join(dirpath, name), root)
            if rel.startswith("LICENSES") or rel == "README.md":
                continue
            desc = descs.get(rel, "")
            parts = rel.split("/")
            if set(parts[:-1]) & EXPECTED_FOLDERS or EXPECTED_TEXT.match(desc):
                expected.append((rel, desc))
                continue
            fmt = format_for(rel)
            if fmt is None:
                continue
            folder = os.path.dirname(rel)
            invalid = bool(INVALID_TEXT.search(desc)) or parts[-2] in INVALID_FOLDERS \
                or folder in INVALID_FOLDERS
            files[rel] = DataFile(rel, fmt, desc, invalid, root=root)
    for rel, desc in expected:
        for target, frame in expected_targets(rel, desc, files):
            files[target].expected.setdefault(frame, []).append(rel)
    return sorted(files.values(), key=lambda d: d.rel)


def expected_targets(rel, desc, files):
    """The data files (and frames) an expected decoding stands for."""
    here = os.path.dirname(rel)
    bases = [here, os.path.dirname(here), os.path.dirname(os.path.dirname(here))]

    def resolve(name):
        for b in bases:
            cand = os.path.normpath(os.path.join(b, name))
            if cand in files:
                return cand
        return None

    stem = os.path.basename(rel).rsplit(".", 1)[0]
    m = re.search(r"frame N .*of the GIF of the same name", desc)
    if m:  # frames/<name>-<N>.png, or frames/<name>.png for a single frame
        fm = re.match(r"(.*)-(\d+)$", stem)
        for name, frame in ((fm.group(1), int(fm.group(2))) if fm else (stem, 0), (stem, 0)):
            t = resolve(name + ".gif")
            if t:
                return [(t, frame)]
        return []
    frame = 0
    names = re.findall(r"[\w./-]+\.[A-Za-z0-9]+", desc.split("(")[0] if "Correct display" not in desc
                       else desc)
    targets = [t for t in (resolve(n.rstrip(".,")) for n in names) if t]
    if not targets:  # <data file>.png or <stem>.source.png
        for name in (stem, stem.split(".")[0]):
            for t in files:
                if os.path.dirname(t) in bases and (os.path.basename(t) == name
                                                    or os.path.basename(t).rsplit(".", 1)[0] == name):
                    targets.append(t)
            if targets:
                break
    return [(t, frame) for t in dict.fromkeys(targets)]


# ---- pixel files --------------------------------------------------------------

def read_netpbm(data):
    """PAM (P7) and binary PNM (P4, P5, P6) at any maxval, as an RGBA image."""
    magic = data[:2]
    if magic not in (b"P4", b"P5", b"P6", b"P7"):
        return to_rgba(Image.open(io.BytesIO(data)))
    pos, fields = 2, {}
    if magic == b"P7":
        while True:
            end = data.index(b"\n", pos)
            line = data[pos:end].split(b"#")[0].strip()
            pos = end + 1
            if line == b"ENDHDR":
                break
            if line:
                key, _, value = line.partition(b" ")
                fields[key.decode()] = value.strip().decode()
        width, height = int(fields["WIDTH"]), int(fields["HEIGHT"])
        depth, maxval = int(fields["DEPTH"]), int(fields["MAXVAL"])
        if width * height > MAX_PIXELS:
            raise TooLarge(f"{width} x {height}")
    else:
        tokens = []
        while len(tokens) < (2 if magic == b"P4" else 3):
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            tokens.append(int(data[start:pos]))
        pos += 1
        width, height = tokens[0], tokens[1]
        if width * height > MAX_PIXELS:
            raise TooLarge(f"{width} x {height}")
        maxval = tokens[2] if magic != b"P4" else 1
        depth = 3 if magic == b"P6" else 1
    if magic == b"P4":
        im = Image.frombytes("1", (width, height), data[pos:pos + (width + 7) // 8 * height])
        return Image.eval(im.convert("L"), lambda v: 255 - v).convert("RGBA")
    count = width * height * depth
    if maxval < 256:
        samples = data[pos:pos + count]
        if maxval != 255:
            samples = bytes((s * 255 + maxval // 2) // maxval for s in samples)
    else:
        raw = data[pos:pos + 2 * count]
        samples = bytes(((raw[i] << 8 | raw[i + 1]) * 255 + maxval // 2) // maxval
                        for i in range(0, len(raw), 2))
    mode = {1: "L", 2: "LA", 3: "RGB", 4: "RGBA"}[depth]
    return Image.frombytes(mode, (width, height), samples).convert("RGBA")


def to_rgba(im):
    if im.mode in ("I;16", "I;16B", "I;16L", "I;16N", "I", "F"):
        im = im.convert("I") if im.mode != "F" else im
        im = im.point(lambda v: v * (1 / 257) + 0.5).convert("L")
    if im.mode == "P" and "transparency" in im.info:
        im = im.convert("PA")
    return im.convert("RGBA")


# ---- decoders -------------------------------------------------------------------

def run(cmd, tmp, timeout=120):
    """Runs a reference tool within TOOL_LIMITS; returns the bytes it wrote to
    standard output, which go to a file so that the size limit holds."""
    out = os.path.join(tmp, "ref.out")
    with open(out, "wb") as f:
        r = subprocess.run(TOOL_LIMITS + cmd, stdout=f, stderr=subprocess.PIPE, timeout=timeout)
    if r.returncode:
        raise RuntimeError(r.stderr.decode(errors="replace").strip()[:200] or f"exit {r.returncode}")
    if os.path.getsize(out) > 8 * MAX_PIXELS + 4096:
        raise TooLarge("output larger than any picture of the test data")
    with open(out, "rb") as f:
        return f.read()


def ref_pil(path, frame, fmt, tmp):
    # From memory: Pillow hands a real file's descriptor to libtiff, which
    # closes it, and under threads that number may already be another
    # thread's file.
    with open(path, "rb") as f:
        data = io.BytesIO(f.read())
    with Image.open(data) as im:
        if frame:
            im.seek(frame)
        im.load()
        return to_rgba(im)


def ref_magick(path, frame, fmt, tmp):
    source = f"{fmt.magick}:{path}" if fmt.magick else path
    data = run(["/usr/bin/convert", "-limit", "area", f"{MAX_PIXELS // 1000000}MP",
                "-limit", "disk", "0", f"{source}[{frame}]", "-depth", "8", "PAM:-"], tmp)
    if not data:
        raise RuntimeError("no picture")
    return read_netpbm(data)


def ref_tool(cmd, outname=None):
    def decode(path, frame, fmt, tmp):
        if frame:
            raise RuntimeError("first frame only")
        out = os.path.join(tmp, outname) if outname else None
        data = run([a.format(path=path, out=out) for a in cmd], tmp)
        if out:
            with Image.open(out) as im:
                im.load()
                return to_rgba(im)
        return read_netpbm(data)
    return decode


REFERENCES = {
    "pil": ref_pil,
    "magick": ref_magick,
    "djpeg": ref_tool(["djpeg", "-pnm", "{path}"]),
    "pngtopam": ref_tool(["pngtopam", "-alphapam", "{path}"]),
    "netpbm": ref_tool(["pamdepth", "255", "{path}"]),
    "tiff2rgba": ref_tool(["tiff2rgba", "-c", "none", "{path}", "{out}"], "ref.tif"),
    "opj": ref_tool(["opj_decompress", "-quiet", "-i", "{path}", "-o", "{out}"], "ref.png"),
}


def glimmerbox(cli, path, frame, tmp):
    """('ok', image) / ('failed', message) / ('crashed', report)."""
    out = os.path.join(tmp, f"gb{frame}.pam")
    # The sanitizers need far more address space than the runner allows
    # itself, so the decoder gets the full limit back.
    cmd = ["prlimit", "--as=unlimited", "--", cli, "pixels", path, out,
           "--max-pixels", str(MAX_PIXELS)] + (["--frame", str(frame)] if frame else [])
    # A decoder that needs gigabytes for any of these small files is at fault.
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "hard_rss_limit_mb=3072"]))
    try:
        r = subprocess.run(cmd, capture_output=True, timeout=60, env=env)
    except subprocess.TimeoutExpired:
        return "crashed", "no result after 60 s"
    err = r.stderr.decode(errors="replace")
    if r.returncode < 0 or SANITIZER.search(err):
        report = [l for l in err.splitlines() if l.strip()][:12]
        return "crashed", f"exit {r.returncode}: " + " / ".join(report)
    if r.returncode == 3:  # decoded, but too large to hand over
        return "toolarge", err.strip().splitlines()[-1]
    if r.returncode:
        return "failed", err.strip().splitlines()[-1] if err.strip() else f"exit {r.returncode}"
    with open(out, "rb") as f:
        return "ok", read_netpbm(f.read())


def difference(a, b, colour_only=False):
    """(max channel difference, mean difference, differing pixels)."""
    if a.size != b.size:
        return 256, 256.0, -1
    if colour_only:
        a, b = a.convert("RGB").convert("RGBA"), b.convert("RGB").convert("RGBA")
    alpha_a, alpha_b = a.getchannel("A"), b.getchannel("A")
    if alpha_a.getextrema()[0] == 0 or alpha_b.getextrema()[0] == 0:
        # Where both are transparent the colour does not count.
        visible = ImageChops.lighter(alpha_a, alpha_b).point(lambda v: 255 if v else 0)
        black = Image.new("RGBA", a.size)
        a = Image.composite(a, black, visible)
        b = Image.composite(b, black, visible)
    d = ImageChops.difference(a, b)
    del a, b
    channels = d.split()
    biggest = max(c.getextrema()[1] for c in channels)
    mean = sum(ImageStat.Stat(d).mean) / 4
    anyd = channels[0]
    for c in channels[1:]:
        anyd = ImageChops.lighter(anyd, c)
    count = anyd.point(lambda v: 255 if v else 0).histogram()[255]
    return biggest, mean, count


# ---- known differences -------------------------------------------------------

@dataclass
class Known:
    kind: str       # fails / max / rgb-max / differs
    limit: int
    reason: str
    seen: bool = False


def read_known(path):
    known = {}
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip() if line.lstrip().startswith("#") else line.strip()
            if not line:
                continue
            parts = line.split(None, 2)
            if len(parts) < 3:
                sys.exit(f"{path}:{n}: expected 'path kind reason'")
            rel, kind, rest = parts
            limit = 0
            if kind in ("max", "rgb-max"):
                num, _, rest = rest.partition(" ")
                limit = int(num)
            elif kind not in ("fails", "differs"):
                sys.exit(f"{path}:{n}: kind must be fails, max N, rgb-max N or differs")
            if not rest.strip():
                sys.exit(f"{path}:{n}: every known difference needs its reason")
            known[rel] = Known(kind, limit, rest.strip())
    return known


# ---- one file ------------------------------------------------------------------

@dataclass
class Result:
    df: DataFile
    outcome: str          # identical within different failed noref crashed skipped
    ref_failed: bool = False
    detail: str = ""
    problem: str = ""     # non-empty: this file fails the run
    known: str = ""       # the known-difference reason that excused it


def references(df, frame, root, tmp):
    """(name, image or error text) of each reference, decoded one at a time."""
    root = df.root or root
    path = os.path.join(root, df.rel)
    for name in df.fmt.refs.split() if frame == 0 else ["pil"]:
        try:
            yield name, REFERENCES[name](path, frame, df.fmt, tmp)
        except Exception as e:  # a reference that cannot read it
            yield name, f"{type(e).__name__}: {str(e)[:120]}"
    for exp in df.expected.get(frame, []):
        try:
            with Image.open(os.path.join(root, exp)) as im:
                im.load()
                yield exp.split("/")[-1], to_rgba(im)
        except Exception as e:
            yield exp.split("/")[-1], f"{type(e).__name__}: {str(e)[:120]}"


def check(df, cli, root, known):
    root = df.root or root
    path = os.path.join(root, df.rel)
    frames = sorted(set(df.expected) | {0})
    worst, details, ref_failed = "identical", [], False
    order = ["identical", "within", "noref", "different", "failed", "crashed"]
    kn = known.get(df.rel)
    with tempfile.TemporaryDirectory(prefix="gbconf-") as tmp:
        for frame in frames:
            status, got = glimmerbox(cli, path, frame, tmp)
            if status == "crashed":
                return Result(df, "crashed", detail=got, problem=f"crashed: {got}")
            if status == "toolarge":
                outcome = "different"
                details.append(f"frame {frame}: {got}; no picture of the test data is that large")
                worst = max(worst, outcome, key=order.index)
                continue
            readers, best, best_colour = [], None, None
            for name, im in references(df, frame, root, tmp):
                if not isinstance(im, Image.Image):
                    continue
                readers.append(name)
                if status != "ok":
                    break  # one reader is enough to know the file is readable
                # Closest reference first: fewest differing pixels, then smallest.
                d = difference(got, im)
                if best is None or (d[2] != 0, d[0], d[1]) < best[0]:
                    best = ((d[2] != 0, d[0], d[1]), name, d, im.size)
                if kn and kn.kind == "rgb-max":
                    d = difference(got, im, colour_only=True)
                    if best_colour is None or (d[2] != 0, d[0], d[1]) < best_colour[0]:
                        best_colour = ((d[2] != 0, d[0], d[1]), name, d, im.size)
                del im
                if best[2][2] == 0:
                    break  # identical to this one: the others cannot do better
            if status == "failed":
                outcome = "failed"
                ref_failed = not readers
                details.append(f"frame {frame}: {got}" + (
                    "" if ref_failed else f" (read by {', '.join(readers)})"))
            elif not readers:
                outcome = "noref"
                details.append(f"frame {frame}: no reference could read it")
            else:
                _, n, (big, mean, count), size = best
                tol_max, tol_mean = df.fmt.tolerance
                note = ""
                if count > 0 and kn and kn.kind in ("max", "rgb-max"):
                    if kn.kind == "rgb-max":  # alpha is known to differ: judge colours
                        _, n, (big, mean, count), size = best_colour
                        note = "alpha not compared, "
                    tol_max, tol_mean = max(tol_max, kn.limit), 255.0
                if count == 0 and not note:
                    outcome = "identical"
                elif count >= 0 and big <= tol_max and mean <= tol_mean:
                    outcome = "within"
                else:
                    outcome = "different"
                if outcome != "identical":
                    what = (f"size {got.size[0]}x{got.size[1]}, {n} {size[0]}x{size[1]}"
                            if count < 0 else
                            f"{note}{count} pixels differ, max {big}, mean {mean:.3f}")
                    details.append(f"frame {frame}: {what} (closest: {n})")
            worst = max(worst, outcome, key=order.index)
            got = None
    res = Result(df, worst, ref_failed=ref_failed, detail="; ".join(details))
    if df.invalid:
        return res
    kn = known.get(df.rel)
    bad = worst == "different" or (worst == "failed" and not ref_failed)
    if kn:
        kn.seen = worst != "identical"
        if (kn.kind == "fails" and worst == "failed") or kn.kind == "differs" or \
                (kn.kind in ("max", "rgb-max") and worst == "within"):
            res.known = kn.reason
            return res
    if bad:
        res.problem = res.detail
    return res


# ---- the run ---------------------------------------------------------------------

def supported_types(cli):
    r = subprocess.run(["prlimit", "--as=unlimited", "--", cli, "pixels", "--codecs"],
                       capture_output=True, timeout=60)
    if r.returncode:
        sys.exit(f"{cli} pixels --codecs failed: {r.stderr.decode(errors='replace')}")
    return {int(t) for t in r.stdout.split()}


COLUMNS = ["files", "identical", "within tol.", "different", "failed cleanly",
           "ref failed too", "no reference", "crashed"]


def table(results, unsupported, skipped):
    rows = {}
    for r in results:
        key = r.df.fmt.name + (" (invalid)" if r.df.invalid else "")
        row = rows.setdefault(key, dict.fromkeys(COLUMNS, 0))
        row["files"] += 1
        col = {"identical": "identical", "within": "within tol.", "different": "different",
               "failed": "failed cleanly", "noref": "no reference",
               "crashed": "crashed"}[r.outcome]
        row[col] += 1
        if r.outcome == "failed" and r.ref_failed:
            row["ref failed too"] += 1
    width = max([len(k) for k in rows] + [len(k) for k in unsupported] + [12])
    lines = [f"{'format':<{width}}  " + "  ".join(COLUMNS)]
    total = dict.fromkeys(COLUMNS, 0)
    for fmt in FORMATS:
        for key in (fmt.name, fmt.name + " (invalid)"):
            if key in rows:
                row = rows[key]
                for c in COLUMNS:
                    total[c] += row[c]
                lines.append(f"{key:<{width}}  " + "  ".join(
                    f"{row[c]:>{len(c)}}" for c in COLUMNS))
    for fmt in FORMATS:
        if fmt.name in unsupported:
            lines.append(f"{fmt.name:<{width}}  {unsupported[fmt.name]:>5}  not supported yet")
    lines.append(f"{'total':<{width}}  " + "  ".join(f"{total[c]:>{len(c)}}" for c in COLUMNS))
    if skipped:
        lines.append(f"{skipped} files not checked: time budget spent")
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--cli", required=True)
    ap.add_argument("--testdata", default=os.environ.get(
        "GB_TESTDATA", os.path.join(HERE, "..", "..", "..", "shared", "testdata")))
    ap.add_argument("--known", default=os.path.join(HERE, "known_differences.txt"))
    ap.add_argument("--jobs", type=int, default=min(4, os.cpu_count() or 1))
    ap.add_argument("--budget", type=float,
                    default=float(os.environ.get("GB_CONFORMANCE_BUDGET") or 0),
                    help="stop starting files after this many seconds; 0 = no limit")
    ap.add_argument("--only", default="", help="comma-separated format names")
    ap.add_argument("--no-generated", action="store_true", help="only the shared test data")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()

    soft, hard = resource.getrlimit(resource.RLIMIT_AS)
    if hard == resource.RLIM_INFINITY and (soft == resource.RLIM_INFINITY or soft > RUNNER_MEMORY):
        resource.setrlimit(resource.RLIMIT_AS, (RUNNER_MEMORY, hard))
    root = os.path.abspath(args.testdata)
    known = read_known(args.known)
    supported = supported_types(args.cli)
    only = set(filter(None, args.only.split(",")))
    files = catalogue(root)
    generated_root = None
    if not args.no_generated:
        import generated
        generated_root = tempfile.mkdtemp(prefix="gbconf-generated-")
        made = generated.make(generated_root)
        files += catalogue(generated_root)
        print(f"generated: {made} files from generated pictures")
    files = [d for d in files if not only or d.fmt.name in only]
    unsupported = {}
    todo = []
    for d in files:
        if d.fmt.type_id in supported:
            todo.append(d)
        else:
            unsupported[d.fmt.name] = unsupported.get(d.fmt.name, 0) + 1
    # Formats take turns, so a time budget leaves no format unchecked.
    seen, turn = {}, {}
    for d in todo:
        turn[d.rel] = seen.get(d.fmt.name, 0)
        seen[d.fmt.name] = turn[d.rel] + 1
    todo.sort(key=lambda d: (turn[d.rel], FORMATS.index(d.fmt), d.rel))

    start, results, skipped = time.monotonic(), [], 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        pending = {}
        queue = list(todo)
        while queue or pending:
            while queue and len(pending) < 2 * args.jobs:
                if args.budget and time.monotonic() - start > args.budget:
                    skipped += len(queue)
                    queue = []
                    break
                d = queue.pop(0)
                pending[pool.submit(check, d, args.cli, root, known)] = d
            if not pending:
                break
            done, _ = concurrent.futures.wait(pending, return_when="FIRST_COMPLETED")
            for fut in done:
                pending.pop(fut)
                results.append(fut.result())
    results.sort(key=lambda r: r.df.rel)
    if generated_root:
        shutil.rmtree(generated_root, ignore_errors=True)

    print(table(results, unsupported, skipped))
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss >> 10
    print(f"({len(results)} files in {time.monotonic() - start:.0f} s, runner peak {peak} MB; "
          f"identical = equal to at least one reference)")
    excused = [r for r in results if r.known]
    if excused:
        print("\nknown differences:")
        for r in excused:
            print(f"  {r.df.rel}: {r.outcome}; {r.known}")
    stale = [rel for rel, k in known.items() if not k.seen and any(r.df.rel == rel for r in results)]
    if stale:
        print("\nknown differences no longer seen (remove them):")
        for rel in stale:
            print(f"  {rel}")
    if args.verbose:
        print("\nall files:")
        for r in results:
            flag = " (invalid)" if r.df.invalid else ""
            print(f"  {r.df.rel}{flag}: {r.outcome}{'; ' + r.detail if r.detail else ''}")
    problems = [r for r in results if r.problem]
    if problems:
        print("\nPROBLEMS:")
        for r in problems:
            print(f"  {r.df.rel}: {r.problem}")
        return 1
    print("\nconformance: every checked file passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
