#!/bin/bash
# The data-quality jobs at scale on N generated contacts: the four duplicate
# checks, the state/ZIP check, a replace that rewrites about a tenth of the
# records and a delete of about a tenth, each through quorvane-cli with its
# wall time and peak memory. Each rewrite runs on a fresh copy of the file;
# with VERIFY=1 the xBase checker then verifies the 21 tags (about 20
# minutes a file at a million records).
#   [VERIFY=1] bench/cleanup.sh [BUILD] [N]     (defaults: build 1000000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-1000000}
CLI=$BUILD/src/cli/quorvane-cli
XBCHECK=${XBCHECK:-$(dirname "$0")/../../shared/tools/xbcheck/xbcheck}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUORVANE_HOME=$WORK/home
mkdir -p "$QUORVANE_HOME"
"$CLI" init > /dev/null
TIME=(/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak")

"$BUILD/bench/make_contacts" "$N" > "$WORK/rows.tsv"
"$CLI" make "$WORK/big.dbf" "$WORK/rows.tsv" > /dev/null
rm -f "$WORK/rows.tsv"

# The file as made, for each rewrite to start from.
fresh() {
  for f in "$WORK"/big.*; do cp "$f" "$WORK/run.${f##*.}"; done
}
verify() {
  if [ "${VERIFY:-0}" = 1 ] && [ -x "$XBCHECK" ]; then
    echo "   checker: $("$XBCHECK" verify "$WORK/run.dbf" | head -1)"
  fi
}

for by in name initial street similar; do
  echo "== duplicate check --by $by on $N records (goal: under 2 s)"
  "${TIME[@]}" "$CLI" dups "$WORK/big.dbf" --by "$by" > "$WORK/out.txt"
  echo "   $(tail -1 "$WORK/out.txt")"
done
echo "== state/ZIP check on $N records (goal: under 2 s)"
"${TIME[@]}" "$CLI" check-zip "$WORK/big.dbf" > "$WORK/out.txt"
echo "   $(tail -1 "$WORK/out.txt")"

# One street name in ten is "Main St": the replace rewrites a tenth of the
# file, and the delete takes the "Oak Ave" tenth.
fresh
echo "== replace of the STREET text \"Main St\" (goal: under 5 s for 100,000 records)"
"${TIME[@]}" "$CLI" replace "$WORK/run.dbf" --field STREET --contains "Main St" \
  --with "Main Street" --matching-text
verify
fresh
echo "== delete of the records on \"Oak Ave\" (goal: under 5 s for 100,000 records)"
"${TIME[@]}" "$CLI" delete "$WORK/run.dbf" --filter '"Oak Ave"$STREET'
verify
