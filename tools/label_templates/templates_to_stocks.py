#!/usr/bin/env python3
"""Builds the stock rows of data/support/QVPLBLS.csv from the label template
database of the gLabels project (MIT licence; Debian ships it as the data
package glabels-data, /usr/share/libglabels-3.0/templates/*-templates.xml).

Only the XML data files are read. Every rectangular product with one layout
on US-Letter or A4 paper becomes a row; a product named equivalent to another
(`equiv=`) gets its own row with that product's geometry, because users look
for the number on their box. The hand-made rows at the head of the table are
kept as they are, and where both have a product ours wins.

A product whose geometry fails the label definition dialog's checks, or whose
labels do not lie on the sheet, is left out with a line on standard error
saying why.

    tools/label_templates/templates_to_stocks.py [--templates DIR] [--csv FILE]

writes the table in place (FILE defaults to data/support/QVPLBLS.csv beside
this tool); --check compares instead of writing and exits 1 on a difference,
or 77 (a skipped test) when the template folder is not there.
"""

import argparse
import csv
import glob
import io
import os
import sys
import xml.etree.ElementTree as ET
from decimal import Decimal, ROUND_HALF_UP

DEFAULT_TEMPLATES = "/usr/share/libglabels-3.0/templates"
HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_CSV = os.path.join(HERE, "..", "..", "data", "support", "QVPLBLS.csv")

# The rows written by hand before this tool existed; they stay first and
# unchanged, and a product they hold is not added again.
HAND_MADE_ROWS = 192

# Sheet sizes of the table's paper codes, inches: A4 as the code stores it
# (8.27 x 11.69), not 210 x 297 mm, so every A4 row has the same sheet.
PAPERS = {"US-Letter": ("LTR", Decimal("8.5"), Decimal("11")),
          "A4": ("A4", Decimal("8.27"), Decimal("11.69"))}

# The label definition dialog's limits.
MAX_ACROSS, MAX_DOWN = 10, 30
DESCRIPTION_WIDTH = 60

UNITS = {"in": Decimal(1), "mm": Decimal(1) / Decimal("25.4"),
         "cm": Decimal(1) / Decimal("2.54"), "pt": Decimal(1) / Decimal(72),
         "pc": Decimal(1) / Decimal(6)}


class Skip(Exception):
    """A product left out, with the reason."""


def inches(text):
    """A length of the template files ("25.4mm", "0.5in", "72" points) in
    inches, rounded half up to the thousandth as the table stores it."""
    text = (text or "").strip()
    unit = "pt"
    for suffix in UNITS:
        if text.endswith(suffix):
            text, unit = text[: -len(suffix)], suffix
            break
    try:
        value = Decimal(text)
    except Exception:
        raise Skip("length %r is not a number" % text)
    return (value * UNITS[unit]).quantize(Decimal("0.001"), rounding=ROUND_HALF_UP)


def hundredths(value):
    return str(value.quantize(Decimal("0.01"), rounding=ROUND_HALF_UP))


def number(value):
    """As the table writes numbers: no trailing zeros, "0" for nothing."""
    if value == 0:
        return "0"
    text = format(value.normalize(), "f")
    return text


def kind_of(description):
    """The kind of label from the template's description: the words before
    "labels" and before any comma or bracket. "Address Labels" reads
    "Address", "Full sheet labels with back slit" "Full sheet"."""
    first = (description or "").split(",")[0].split(";")[0].split("(")[0]
    words = []
    for word in first.split():
        if word.lower() in ("label", "labels"):
            break
        words.append(word)
    return " ".join(words) or "Labels"


def describe(brand, part, kind, height, width):
    size = ",   %s x %s" % (hundredths(height), hundredths(width))
    head = "%s %s  " % (brand, part)
    room = DESCRIPTION_WIDTH - len(head) - len(size)
    if room < 1:
        raise Skip("the name is too long for a description")
    while len(kind) > room:
        kind = kind.rsplit(" ", 1)[0] if " " in kind else kind[:room]
    text = head + kind + size
    try:
        text.encode("cp1252")
    except UnicodeEncodeError:
        raise Skip("the description has characters the table's code page lacks")
    return text


def geometry(template):
    """The stock's lengths from a template element, or Skip."""
    paper = template.get("size")
    if paper not in PAPERS:
        raise Skip("paper %s" % paper)
    labels = [e for e in template if e.tag.startswith("Label-")]
    if len(labels) != 1 or labels[0].tag != "Label-rectangle":
        raise Skip("not one rectangular label")
    layouts = labels[0].findall("Layout")
    if len(layouts) != 1:
        raise Skip("%d layouts" % len(layouts))
    lay = layouts[0]
    code, sheet_w, sheet_h = PAPERS[paper]
    g = {"width": inches(labels[0].get("width")), "height": inches(labels[0].get("height")),
         "across": int(lay.get("nx", "1")), "down": int(lay.get("ny", "1")),
         "left": inches(lay.get("x0", "0")), "top": inches(lay.get("y0", "0")),
         "dx": inches(lay.get("dx", "0")), "dy": inches(lay.get("dy", "0")),
         "sheet_w": sheet_w, "sheet_h": sheet_h, "paper": code}
    # One column or row has no pitch in the templates; the table holds the
    # label's own size there, as the definition dialog fills it in.
    if g["across"] == 1 and g["dx"] < g["width"]:
        g["dx"] = g["width"]
    if g["down"] == 1 and g["dy"] < g["height"]:
        g["dy"] = g["height"]
    return g


def check(g):
    """The checks every row of the table passes, or Skip with the first failed."""
    if g["height"] < Decimal("0.3"):
        raise Skip("label height %s in. is under 0.3 in." % g["height"])
    if g["width"] < 1:
        raise Skip("label width %s in. is under 1 in." % g["width"])
    if not 1 <= g["across"] <= MAX_ACROSS:
        raise Skip("%d across is outside 1 to %d" % (g["across"], MAX_ACROSS))
    if not 1 <= g["down"] <= MAX_DOWN:
        raise Skip("%d down is outside 1 to %d" % (g["down"], MAX_DOWN))
    if g["across"] > 1 and g["dx"] < g["width"]:
        raise Skip("horizontal pitch %s in. is smaller than the label" % g["dx"])
    if g["down"] > 1 and g["dy"] < g["height"]:
        raise Skip("vertical pitch %s in. is smaller than the label" % g["dy"])
    right = g["left"] + (g["across"] - 1) * g["dx"] + g["width"]
    bottom = g["top"] + (g["down"] - 1) * g["dy"] + g["height"]
    if right > g["sheet_w"]:
        raise Skip("the last column ends at %s in., on a sheet %s in. wide" % (right, g["sheet_w"]))
    if bottom > g["sheet_h"]:
        raise Skip("the last row ends at %s in., on a sheet %s in. high" % (bottom, g["sheet_h"]))


def row(description, g):
    return [description, number(g["height"]), number(g["width"]), str(g["across"]),
            str(g["down"]), number(g["top"]), number(g["left"]), number(g["dx"]),
            number(g["dy"]), number(g["sheet_w"]), number(g["sheet_h"]), "LJ", g["paper"], "F"]


def read_templates(folder):
    """Every <Template> of the folder's *-templates.xml files, in file order."""
    files = sorted(glob.glob(os.path.join(folder, "*-templates.xml")))
    if not files:
        raise SystemExit("no *-templates.xml files in %s (is glabels-data installed?)" % folder)
    out = []
    for path in files:
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError as e:
            raise SystemExit("%s: %s" % (path, e))
        out.extend((os.path.basename(path), t) for t in root.iter("Template"))
    return out


def brand_part(description):
    return description.split("  ", 1)[0].lower()


def build_rows(templates, kept, log):
    """The new rows for `templates` that `kept` descriptions do not hold."""
    base = {}
    for _, t in templates:
        if t.get("equiv") is None:
            base.setdefault((t.get("brand"), t.get("part")), t)
    have = {brand_part(d) for d in kept}
    descriptions = set(kept)
    rows = []
    for source, t in templates:
        brand, part = t.get("brand", "").strip(), t.get("part", "").strip()
        name = "%s %s" % (brand, part)
        if (brand + " " + part).lower() in have:
            continue
        shape = t
        if t.get("equiv") is not None:
            shape = base.get((t.get("brand"), t.get("equiv")))
            if shape is None:
                log.write("%s: %s left out: its equivalent %s is not in the files\n"
                          % (source, name, t.get("equiv")))
                continue
        try:
            g = geometry(shape)
        except Skip:
            continue  # not a sheet of rectangles on Letter or A4: not ours to hold
        try:
            check(g)
            text = describe(brand, part, kind_of(shape.get("_description")), g["height"],
                            g["width"])
        except Skip as why:
            log.write("%s: %s left out: %s\n" % (source, name, why))
            continue
        if text in descriptions:
            continue
        descriptions.add(text)
        have.add(name.lower())
        rows.append(row(text, g))
    return rows


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--templates", default=DEFAULT_TEMPLATES)
    parser.add_argument("--csv", default=DEFAULT_CSV)
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args(argv)
    if args.check and not os.path.isdir(args.templates):
        print("skipped: %s is not there (apt-get install glabels-data to check the table)"
              % args.templates)
        return 77

    with open(args.csv, newline="", encoding="utf-8") as f:
        old = f.read()
    lines = list(csv.reader(io.StringIO(old)))
    header, kept = lines[0], lines[1:1 + HAND_MADE_ROWS]
    rows = build_rows(read_templates(args.templates), [r[0] for r in kept], sys.stderr)

    out = io.StringIO()
    out.write(old.splitlines(keepends=True)[0])
    for line in old.splitlines(keepends=True)[1:1 + HAND_MADE_ROWS]:
        out.write(line)
    writer = csv.writer(out, lineterminator="\n", quoting=csv.QUOTE_MINIMAL)
    for r in rows:
        writer.writerow(r)
    text = out.getvalue()
    sys.stderr.write("%d hand-made rows kept, %d rows from the templates\n"
                     % (len(kept), len(rows)))
    if args.check:
        if text != old:
            sys.stderr.write("%s differs from what the templates give\n" % args.csv)
            return 1
        return 0
    with open(args.csv, "w", newline="", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
