#!/bin/bash
# Import and copy out at scale on N generated contacts: the text import of N
# comma-separated lines with the rebuild of the 21 tags, then copy out of
# all N to a text file and to a DBF table, each through quorvane-cli with
# its wall time and peak memory; beside them the time the xBase checker
# takes to make a contact file of the same rows.
#   bench/transfer.sh [BUILD] [N]     (defaults: build 1000000)
set -euo pipefail
BUILD=${1:-build}
N=${2:-1000000}
CLI=$BUILD/src/cli/quorvane-cli
XBCHECK=${XBCHECK:-$(dirname "$0")/../../shared/tools/xbcheck/xbcheck}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TIME=(/usr/bin/time -f "   %e s wall, %U s user, %S s system, %M KB peak")
# The figures and the commands' own lines in one stream, in order.
exec 2>&1

"$BUILD/bench/make_contacts" "$N" > "$WORK/rows.tsv"
# The 15 text fields and the memo as a comma-separated line; a value with a
# comma goes in quotes, as a spreadsheet writes it.
awk -F'\t' 'BEGIN { OFS = "," }
  { line = ""
    for (i = 1; i <= 15; ++i) { v = $i; if (v ~ /,/) v = "\"" v "\""; line = line (i > 1 ? "," : "") v }
    m = $20; if (m ~ /,/) m = "\"" m "\""
    printf "%s,%s\r\n", line, m }' "$WORK/rows.tsv" > "$WORK/rows.txt"
MATCH="1=Last,2=First,3=Middle,4=Title,5=Organization,6=Street,7=City,8=State/Province"
MATCH+=",9=Zip/Post Code,10=Country,11=Phone,12=E-Mail,13=Fax,14=Codes,15=Prefix,16=Memo"

"$CLI" create "$WORK/big.dbf" > /dev/null
echo "== import-ascii of $N lines with the rebuild of the 21 tags (goal: under 8 s for 1,000,000)"
"${TIME[@]}" "$CLI" import-ascii "$WORK/big.dbf" "$WORK/rows.txt" --match "$MATCH"

echo "== copy-out of $N records to a text file"
"${TIME[@]}" "$CLI" copy-out "$WORK/big.dbf" "$WORK/out.txt" --ascii
echo "== copy-out of $N records to a DBF table"
"${TIME[@]}" "$CLI" copy-out "$WORK/big.dbf" "$WORK/out.dbf" --dbf

echo "== for comparison: quorvane-cli make of the same $N rows (21 tags included)"
"${TIME[@]}" "$CLI" make "$WORK/made.dbf" "$WORK/rows.tsv" > /dev/null
if [ -x "$XBCHECK" ]; then
  echo "== for comparison: xbcheck make of the same $N rows (21 tags included)"
  "${TIME[@]}" "$XBCHECK" make "$WORK/oracle.dbf" "$WORK/rows.tsv" > /dev/null
fi
