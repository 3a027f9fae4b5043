#!/bin/bash
# Label runs at scale: N and L labels (3 x 10 Avery 5160, with bar codes)
# to a page stream and to a PDF file, the preview window on the L-label
# stream, and the bulk-mail presort of L records.
#   bench/labels.sh [BUILD] [N] [L]     (defaults: build 100000 1000000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-100000}
L=${3:-1000000}
CLI=$BUILD/src/cli/quorvane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUORVANE_HOME=$WORK/home
mkdir -p "$QUORVANE_HOME"
TIME=(/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak")

for COUNT in "$N" "$L"; do
  "$BUILD/bench/make_contacts" "$COUNT" > "$WORK/c.tsv"
  "$CLI" make "$WORK/c$COUNT.dbf" "$WORK/c.tsv" > /dev/null
  echo "== $COUNT labels to a page stream (goal: under 5 s per 100,000, 200 MB)"
  "${TIME[@]}" "$CLI" labels "$WORK/c$COUNT.dbf" --barcode --stream "$WORK/c$COUNT.qvs"
  echo "   stream file: $(du -m "$WORK/c$COUNT.qvs" | cut -f1) MB"
  echo "== $COUNT labels to PDF (goal: under 10 s per 100,000, 200 MB)"
  "${TIME[@]}" "$CLI" labels "$WORK/c$COUNT.dbf" --barcode --pdf "$WORK/c$COUNT.pdf"
  rm -f "$WORK/c$COUNT.pdf"
done

echo "== the preview window on the $L-label stream (goal: each under 1 s)"
"${TIME[@]}" "$BUILD/bench/preview_bench" "$WORK/c$L.qvs"

echo "== presort of $L records (goal: under 5 s)"
"${TIME[@]}" "$CLI" presort "$WORK/c$L.dbf" > /dev/null
