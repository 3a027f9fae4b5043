#!/usr/bin/env bash
# Building the 21 contact tags and seeking, ours beside the checker's, on N
# synthetic contacts.
#   bench/index.sh [BUILD_DIR] [N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
n=${2:-1000000}
xbcheck=${XBCHECK:-$root/../shared/tools/xbcheck/xbcheck}
cli=$build/src/cli/quorvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_contacts" "$n" > "$work/rows.tsv"
echo "make:    $("$cli" make "$work/c.dbf" "$work/rows.tsv")"
for run in 1 2; do
  /usr/bin/time -f "         peak %M KB" "$cli" reindex "$work/c.dbf" 2>&1 | sed 's/^reindex/ours:    reindex/'
  if [ -x "$xbcheck" ]; then
    /usr/bin/time -f "         peak %M KB" "$xbcheck" reindex "$work/c.dbf" 2>&1 | sed 's/^reindex/checker: reindex/'
  fi
done
[ -x "$xbcheck" ] && echo "verify:  $("$xbcheck" verify "$work/c.dbf")"
"$cli" reindex "$work/c.dbf" > /dev/null
for tag in LNAME ZIP JUSTSEQNO; do
  echo "ours:    $tag $("$build/bench/seek_bench" "$work/c.dbf" "$tag" 100000)"
  [ -x "$xbcheck" ] && echo "checker: $tag $("$xbcheck" bench-seek "$work/c.dbf" "$tag" 100000)"
done
