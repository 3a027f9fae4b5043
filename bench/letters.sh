#!/bin/bash
# Letters at scale: N one-page letters (a template with all 20 merge tokens,
# two fonts and a letterhead logo) merged to one PDF through
# `quorvane-cli letters --all --pdf`, and the letter preview on an
# L-record contact file up to the first merged page (letter_preview_bench).
#   bench/letters.sh [BUILD] [N] [L]     (defaults: build 5000 1000000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-5000}
L=${3:-1000000}
CLI=$BUILD/src/cli/quorvane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUORVANE_HOME=$WORK/home
mkdir -p "$QUORVANE_HOME"
TIME=(/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak")

# The template: a 240 x 80 logo (a PNG drawn here), a letterhead in a sans
# font and the body with every token in a serif one.
python3 - "$WORK/letter.rtf" <<'PY'
import struct, sys, zlib
w, h = 240, 80
rows = b"".join(b"\0" + bytes(c for x in range(w)
                              for c in ((x * 255 // w), (y * 3) % 256, 160))
                for y in range(h))
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
tokens = ["Full Name", "Name and Address", "First", "Last", "Middle", "Prefix", "Title",
          "Organization", "Street", "City+State+Zip", "City", "State", "Province", "Zip",
          "Postal Code", "Country", "Phone", "Fax", "E-Mail", "Today's Date"]
body = "".join("\\pard\\f0\\fs22 %s: [%s]\\par\n" % (t.replace("+", " and "), t) for t in tokens)
rtf = ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}"
       "{\\f1\\fswiss Arial;}}\\paperw12240\\paperh15840\\margl1440\\margr1440"
       "\\margt1080\\margb1080\n"
       "\\pard\\qc{\\pict\\pngblip\\picw%d\\pich%d\\picwgoal3600\\pichgoal1200\n%s}\\par\n"
       "\\pard\\qc\\f1\\fs32\\b Harbour Street Choir\\b0\\par\n%s"
       "\\pard\\f0\\fs22 Yours sincerely,\\par}\n") % (w, h, png.hex(), body)
open(sys.argv[1], "w").write(rtf)
PY

"$BUILD/bench/make_contacts" "$N" > "$WORK/c.tsv"
"$CLI" make "$WORK/c$N.dbf" "$WORK/c.tsv" > /dev/null
echo "== $N letters merged to one PDF (goal: under 30 s, 500 MB)"
"${TIME[@]}" "$CLI" letters "$WORK/c$N.dbf" --rtf "$WORK/letter.rtf" --all --pdf "$WORK/letters.pdf"
echo "   PDF file: $(du -m "$WORK/letters.pdf" | cut -f1) MB"
rm -f "$WORK/letters.pdf"

"$BUILD/bench/make_contacts" "$L" > "$WORK/c.tsv"
"$CLI" make "$WORK/c$L.dbf" "$WORK/c.tsv" > /dev/null
rm -f "$WORK/c.tsv"
echo "== the letter preview on $L records (goal: under 1 s to the first merged page)"
"${TIME[@]}" "$BUILD/bench/letter_preview_bench" "$WORK/c$L.dbf" "$WORK/letter.rtf"
