#!/bin/bash
# ZIP code counts and list reports at scale: the count of M records (lines
# only, then to PDF) and a layout 4 report of N records with codes and
# memos to PDF, through quorvane-cli zipcount and report.
#   bench/reports.sh [BUILD] [N] [M]     (defaults: build 100000 1000000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-100000}
M=${3:-1000000}
CLI=$BUILD/src/cli/quorvane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUORVANE_HOME=$WORK/home
mkdir -p "$QUORVANE_HOME"

"$BUILD/bench/make_contacts" "$M" > "$WORK/m.tsv"
"$CLI" make "$WORK/m.dbf" "$WORK/m.tsv" > /dev/null
echo "== ZIP count of $M records, counting only (goal: under 1 s)"
/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak" "$CLI" zipcount "$WORK/m.dbf" --lines > "$WORK/m.lines"
echo "   $(wc -l < "$WORK/m.lines") report lines"
echo "== ZIP count of $M records to PDF (goal: under 3 s)"
/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak" "$CLI" zipcount "$WORK/m.dbf" --pdf "$WORK/m.pdf"

"$BUILD/bench/make_contacts" "$N" > "$WORK/n.tsv"
"$CLI" make "$WORK/n.dbf" "$WORK/n.tsv" > /dev/null
echo "== layout 4 report of $N records with codes and memos to PDF (goal: under 20 s, 500 MB)"
/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak" "$CLI" report "$WORK/n.dbf" --layout 4 --codes --memo --pdf "$WORK/n.pdf"
