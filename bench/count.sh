#!/usr/bin/env bash
# Full-scan count on N synthetic contacts, ours beside the checker's.
#   bench/count.sh [BUILD_DIR] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
n=${2:-1000000}
xbcheck=${XBCHECK:-$root/../shared/tools/xbcheck/xbcheck}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_contacts" "$n" > "$work/rows.tsv"
"$build/src/cli/quorvane-cli" make "$work/c.dbf" "$work/rows.tsv"
rm -f "$work"/c.cdx "$work"/c.CDX
expr='UPPER(LNAME)="SMITH" .and. UPPER(PREFIX)<>"DELETED"'
for run in 1 2 3; do
  echo "ours:    $("$build/bench/count_bench" "$work/c.dbf" "$expr")"
  if [ -x "$xbcheck" ]; then echo "checker: $("$xbcheck" bench-count "$work/c.dbf" "$expr")"; fi
done
