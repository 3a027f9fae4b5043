#!/bin/bash
# vCard import at its worst: one card of many short lines, 16 MB (a card
# over the bounds of one card is skipped, so memory stays near the file's
# size), then 16 MB of ordinary cards; each through quorvane-cli
# import-vcard with its wall time and peak memory. Goal: under 100 MB.
#   bench/vcard.sh [BUILD] [MB]     (defaults: build 16)
set -euo pipefail
BUILD=${1:-build}
MB=${2:-16}
CLI=$BUILD/src/cli/quorvane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TIME=(/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak")
exec 2>&1

BYTES=$((MB << 20))
# One card: a name, then short kept and unkept lines up to the size.
awk -v bytes="$BYTES" 'BEGIN {
  printf "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Long;Card\r\n"; n = 40
  for (i = 0; n < bytes; ++i) { l = (i % 2 ? "TEL:" i : "X-A:" i) "\r\n"; printf "%s", l; n += length(l) }
  printf "END:VCARD\r\n" }' > "$WORK/one.vcf"
# Ordinary cards of about 200 bytes each.
awk -v bytes="$BYTES" 'BEGIN {
  for (i = 0; n < bytes; ++i) {
    c = sprintf("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Name%d;First;;;\r\nFN:First Name%d\r\nTEL;TYPE=WORK:+1 555 %07d\r\nEMAIL:n%d@example.com\r\nADR:;;%d Main St;Springfield;IL;62701;USA\r\nEND:VCARD\r\n", i, i, i, i, i)
    printf "%s", c; n += length(c) } }' > "$WORK/many.vcf"

HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR"
export QUORVANE_HOME="$HOME_DIR"
for f in one many; do
  "$CLI" create "$WORK/$f.dbf" > /dev/null
  echo "== import-vcard of $f.vcf ($(stat -c %s "$WORK/$f.vcf") bytes)"
  "${TIME[@]}" "$CLI" import-vcard "$WORK/$f.dbf" "$WORK/$f.vcf" || true
done
