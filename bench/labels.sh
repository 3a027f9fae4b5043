#!/bin/bash
# Label runs at scale: N labels (3 x 10 Avery 5160, with bar codes) to a
# page stream and to a PDF file, and the bulk-mail presort of M records.
#   bench/labels.sh [BUILD] [N] [M]     (defaults: build 100000 1000000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-100000}
M=${3:-1000000}
CLI=$BUILD/src/cli/quorvane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUORVANE_HOME=$WORK/home
mkdir -p "$QUORVANE_HOME"

"$BUILD/bench/make_contacts" "$N" > "$WORK/n.tsv"
"$CLI" make "$WORK/n.dbf" "$WORK/n.tsv" > /dev/null
echo "== $N records to a page stream (goal: under 10 s)"
/usr/bin/time -f "   %e s wall, %U s user, %M KB peak" "$CLI" labels "$WORK/n.dbf" --barcode --stream "$WORK/n.qvs"
echo "== $N records to PDF (goal: under 30 s)"
/usr/bin/time -f "   %e s wall, %U s user, %M KB peak" "$CLI" labels "$WORK/n.dbf" --barcode --pdf "$WORK/n.pdf"

"$BUILD/bench/make_contacts" "$M" > "$WORK/m.tsv"
"$CLI" make "$WORK/m.dbf" "$WORK/m.tsv" > /dev/null
echo "== presort of $M records (goal: under 5 s)"
/usr/bin/time -f "   %e s wall, %U s user, %M KB peak" "$CLI" presort "$WORK/m.dbf" > /dev/null
