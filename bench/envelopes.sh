#!/bin/bash
# Envelope runs at scale: N envelopes (the default #10 setup with the bar
# code, one envelope per page) out of M generated contacts, to a PDF file
# and to a page stream.
#   bench/envelopes.sh [BUILD] [N] [M]     (defaults: build 10000 100000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-10000}
M=${3:-100000}
CLI=$BUILD/src/cli/quorvane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUORVANE_HOME=$WORK/home
mkdir -p "$QUORVANE_HOME"

"$BUILD/bench/make_contacts" "$M" > "$WORK/m.tsv"
"$CLI" make "$WORK/m.dbf" "$WORK/m.tsv" > /dev/null
echo "== $N envelopes of $M records to PDF (goal: under 10 s, under 300 MB peak)"
/usr/bin/time -f "   %e s wall, %U s user, %M KB peak" "$CLI" envelope "$WORK/m.dbf" \
  --filter "RECNO()<=$N" --barcode --pdf "$WORK/e.pdf"
echo "== $N envelopes of $M records to a page stream"
/usr/bin/time -f "   %e s wall, %U s user, %M KB peak" "$CLI" envelope "$WORK/m.dbf" \
  --filter "RECNO()<=$N" --barcode --stream "$WORK/e.qvs"
