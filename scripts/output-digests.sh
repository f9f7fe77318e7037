#!/bin/bash
# scripts/output-digests.sh CLI OUTFILE [SHARED]
#
# A fingerprint of everything the engine produces, for changes that must not
# change output (restructuring, speed work): one line per result with a short
# sha256 of every test-data file decoded (its pixels and its info text), a
# few pictures written in every writable format, a set of operations, and two
# stickers. Run it with the cli built before and after the change and diff
# the two files; only intended differences may show.
#   SHARED: the shared material folder (default: ../shared beside the checkout)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=$(readlink -f "$1"); OUT=$2; SHARED=${3:-$ROOT/../shared}
TD=$SHARED/testdata; ART=$SHARED/sample-art
W=$(mktemp -d); trap 'rm -rf "$W"' EXIT
export QT_QPA_PLATFORM=offscreen
digest() { if [ -s "$1" ]; then sha256sum < "$1" | cut -c1-16; else echo none; fi; }
decode_one() {
  f=$1; t=$(mktemp -p "$W" d.XXXXXX); rm -f "$t"
  timeout 60 "$CLI" pixels "$f" "$t.pam" >/dev/null 2>&1; rc=$?
  i=$(timeout 60 "$CLI" info "$f" 2>&1 | sed "s#$f##g" | sha256sum | cut -c1-16)
  echo "decode ${f#$TD/} rc=$rc $(digest "$t.pam") info=$i"; rm -f "$t.pam"
}
export -f decode_one digest; export CLI W TD
find "$TD" -type f ! -name '*.md' ! -name '*.txt' ! -path '*/LICENSES/*' ! -name '*.json' | sort \
  | xargs -P 2 -I{} bash -c 'decode_one "$@"' _ {} | sort > "$W/decode"
P1=$(ls $ART/portraits/* | head -1); P2=$(find "$TD" -name '*.png' | sort | head -20 | tail -1)
P3=$(find "$TD" -name '*.gif' | sort | head -3 | tail -1)
{
for src in "$P1" "$P2" "$P3"; do
  for ext in bmp jpg png gif tif tga pcx wbmp ska ico mng jp2 jpc pgx pnm ppm pgm ras; do
    "$CLI" convert "$src" "$W/o.$ext" >/dev/null 2>&1; rc=$?; echo "encode $(basename "$src") $ext rc=$rc $(digest "$W/o.$ext")"; rm -f "$W/o.$ext"
  done
done
while IFS= read -r op; do
  "$CLI" convert "$P1" "$W/op.bmp" --op "$op" --seed 7 >/dev/null 2>&1; echo "op [$op] rc=$? $(digest "$W/op.bmp")"; rm -f "$W/op.bmp"
done <<OPS
RotateFree 30
RotateFree -17.5 4 3 #102030 0 1
RotateFree 45 16 5
ResampleInterpolated 301 173
ResampleInterpolated 1203 977 6 4
ResampleSimple 299 181 0
ResampleSimple 299 181 2
QIShrink 211 97
DecreaseBpp 8 1
DecreaseBpp 4 1
DecreaseBpp 8 0
DecreaseBpp 1 1
ToGreyScale
GaussianSmooth 5
UnsharpSharpen 3 0.5 0
MedianFilter 3
RadialWarp 2 0 100
RadialWarp 4 150 60
ExpandCanvas 3 11 5 7 #FF00FF
SkewBy 0.2 0.1 30 40
MixWith $ART/portraits/camera.png 9 5 3
OPS
FR=$(ls "$ROOT"/assets/starter/Frame/* | head -1)
"$CLI" sticker --photo "$P1" --frame "$FR" --cover -o "$W/s.bmp" >/dev/null 2>&1; rc=$?; echo "sticker cover rc=$rc $(digest "$W/s.bmp")"
"$CLI" sticker --photo "$P1" --frame "$FR" --x 7 --y 3 --width 301 --height 233 --alpha 200 -o "$W/s2.bmp" >/dev/null 2>&1; rc=$?; echo "sticker placed rc=$rc $(digest "$W/s2.bmp")"
} > "$W/other"
cat "$W/decode" "$W/other" > "$OUT"
echo "$(wc -l < "$OUT") lines; $(grep -c ' none' "$OUT") without output"
