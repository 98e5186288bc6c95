#!/usr/bin/env python3
"""Checks a printed report read back from the PDF that the print queue wrote.

    check_page.py PDF STREAM PPD
    check_page.py --inside PDF PPD

The page must be one page holding the report's 39 lines: the texts below at their line
numbers, in a 10-point font, every line starting at the left edge of the printable area,
and every word inside the printable area. --inside checks the last only, for any page.

The printable area is the queue's (its PPD's ImageableArea for the page's size) within the
margins the program printed with: those the page shows at its top left, the same at the
right and at the foot.
"""
import math
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree


def matrix_rows(text):
    return [row.split() for row in text.strip().splitlines()]


DEFAULT_INTRA = matrix_rows("""
    8 16 19 22 26 27 29 34
    16 16 22 24 27 29 34 37
    19 22 26 27 29 34 34 38
    22 22 26 27 29 34 37 40
    22 26 27 29 32 35 40 48
    26 27 29 32 35 40 48 58
    26 27 29 34 38 46 56 69
    27 29 35 38 46 56 69 83""")
# The matrices given to ffmpeg when the test streams were made (tests/data/streams.txt).
STREAM_INTRA = matrix_rows("""
    8 16 24 32 40 48 56 64
    20 28 36 44 52 60 68 76
    32 40 48 56 64 72 80 88
    44 52 60 68 76 84 92 100
    96 104 112 120 128 136 144 152
    128 136 144 152 160 168 176 184
    160 168 176 184 192 200 208 216
    200 210 220 230 240 250 254 255""")
STREAM_NON_INTRA = matrix_rows("""
    16 17 18 19 20 21 22 23
    24 26 28 30 32 34 36 38
    40 43 46 49 52 55 58 61
    64 68 72 76 80 84 88 92
    96 101 106 111 116 121 126 131
    136 142 148 154 160 166 172 178
    184 190 196 202 208 214 220 226
    232 235 238 241 244 247 250 253""")

# Per stream: lines 6 to 17 and the two matrices with their headings.
STREAMS = {
    "mpeg2-es-422-component.m2v": {
        "parameters": [
            (6, "Type de flux = Flux élémentaire MPEG-2"),
            (8, "Résolution = 176 X 144"),
            (9, "Aspect ratio = 1:1"),
            (10, "Fréquense d'image = 25images par secondes"),
            (11, "Débir maximum = 104857 Kbit/s"),
            (12, "Profil et Level = ProfilInconnu@LevelInconnu"),
            (13, "Format YUV = 4:2:2"),
            (14, "VBV buffer size = 6 Kbit"),
            (15, "Format video = Component"),
            (16, "DCT = 8"),
            (17, "Structure d'image = Frame Picture"),
        ],
        "headings": "Matrice INTRA-BLOCK speciale Matrice non INTRA-BLOCK speciale",
        "intra": STREAM_INTRA,
        "non_intra": STREAM_NON_INTRA,
    },
    "mpeg2-ps-ntsc-svcd.mpg": {
        "parameters": [
            (6, "Type de flux = Flux programme MPEG-2"),
            (8, "Résolution = 480 X 480"),
            (9, "Aspect ratio = 1:1"),
            (10, "Fréquense d'image = 29,97images par secondes"),
            (11, "Débir maximum = 2516 Kbit/s"),
            (12, "Profil et Level = MainProfil@MainLevel"),
            (13, "Format YUV = 4:2:0"),
            (14, "VBV buffer size = 224 Kbit"),
            (15, "Format video ="),
            (16, "DCT = 0"),
            (17, "Structure d'image ="),
        ],
        "headings": "Matrice INTRA-BLOCK Standard MPEG Matrice non INTRA-BLOCK speciale",
        "intra": DEFAULT_INTRA,
        "non_intra": STREAM_NON_INTRA,
    },
}


def fail(text):
    print("FAIL: " + text, file=sys.stderr)
    sys.exit(1)


def collapse(text):
    return " ".join(text.split())


def expected_lines(stream_path):
    stream = STREAMS[os.path.basename(stream_path)]
    lines = {
        1: "Quantaline 1 . 1 revision 0",
        4: "Nom du fichier traité = " + stream_path,
        22: stream["headings"],
        39: "Fin du document.",
    }
    lines.update(dict(stream["parameters"]))
    for row in range(8):
        lines[24 + row] = " ".join(stream["intra"][row] + stream["non_intra"][row])
    return lines


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def words_of(pdf):
    """(xMin, yMin, xMax, yMax, text) of every word, and the page's width and height, in
    points from the top left."""
    root = ElementTree.fromstring(run("pdftotext", "-bbox", pdf, "-"))
    space = "{http://www.w3.org/1999/xhtml}"
    page = next(root.iter(space + "page"))
    words = [tuple(float(word.get(k)) for k in ("xMin", "yMin", "xMax", "yMax")) + (word.text,)
             for word in root.iter(space + "word")]
    return words, float(page.get("width")), float(page.get("height"))


def imageable_area(ppd, width, height):
    """The PPD's ImageableArea for the paper of this size, from the top left."""
    sizes, areas = {}, {}
    for line in open(ppd, encoding="latin-1"):
        found = re.match(r'\*(PaperDimension|ImageableArea) ([^/:]+)[^:]*: "([^"]+)"', line)
        if found:
            values = [float(v) for v in found.group(3).split()]
            (sizes if found.group(1) == "PaperDimension" else areas)[found.group(2)] = values
    for name, (paper_width, paper_height) in sizes.items():
        if abs(paper_width - width) <= 1 and abs(paper_height - height) <= 1 and name in areas:
            left, bottom, right, top = areas[name]
            return left, height - top, right, height - bottom
    fail("no paper of %.0f x %.0f pt in %s" % (width, height, ppd))


def check_inside(pdf, ppd):
    words, width, height = words_of(pdf)
    if not words:
        fail("the page holds no text")
    left, top, right, bottom = imageable_area(ppd, width, height)
    margin_x = math.floor(min(w[0] for w in words))
    margin_y = math.floor(min(w[1] for w in words))
    left, top = max(left, margin_x), max(top, margin_y)
    right, bottom = min(right, width - margin_x), min(bottom, height - margin_y)
    outside = ["%r at x %.1f to %.1f, y %.1f to %.1f" % (w[4], w[0], w[2], w[1], w[3])
               for w in words if w[0] < left or w[2] > right or w[1] < top or w[3] > bottom]
    if outside:
        fail("outside the printable area (x %.1f to %.1f, y %.1f to %.1f pt): %s"
             % (left, right, top, bottom, "; ".join(outside)))
    print("%s: every word inside the printable area, x %.1f to %.1f pt (the text reaches %.1f)"
          % (os.path.basename(pdf), left, right, max(w[2] for w in words)))


def main():
    if sys.argv[1] == "--inside":
        check_inside(sys.argv[2], sys.argv[3])
        return
    pdf, stream_path, ppd = sys.argv[1], sys.argv[2], sys.argv[3]
    expected = expected_lines(stream_path)

    pages = re.search(r"^Pages:\s+(\d+)", run("pdfinfo", pdf), re.M)
    if not pages or pages.group(1) != "1":
        fail("the document is not one page: " + (pages.group(1) if pages else "?"))

    # The texts, in order, as pdftotext lays the page out.
    layout = [collapse(line) for line in run("pdftotext", "-layout", pdf, "-").splitlines()]
    layout = [line for line in layout if line]
    wanted = [expected[number] for number in sorted(expected)]
    if layout != wanted:
        fail("the page reads:\n" + "\n".join(layout) + "\nexpected:\n" + "\n".join(wanted))

    # The line of each word, from its position: line 1 at the top, one line spacing each.
    words = [(y_max, x_min, text) for x_min, _, _, y_max, text in words_of(pdf)[0]]
    rows = {}
    for y_max, x_min, text in words:
        rows.setdefault(round(y_max, 1), []).append((x_min, text))
    baselines = sorted(rows)
    # Lines 8 to 17, the fourth to the thirteenth holding text, follow one another.
    if len(baselines) < 13:
        fail("only %d lines hold text" % len(baselines))
    spacing = (baselines[12] - baselines[3]) / 9
    if not 10 <= spacing <= 14:
        fail("the line spacing is %.2f pt, not that of a 10-point font" % spacing)
    found = {}
    for baseline in baselines:
        number = 1 + round((baseline - baselines[0]) / spacing)
        found[number] = collapse(" ".join(text for _, text in sorted(rows[baseline])))
    if sorted(found) != sorted(expected):
        fail("text on lines %s, expected on lines %s" % (sorted(found), sorted(expected)))
    for number, text in expected.items():
        if found[number] != text:
            fail("line %d reads %r, expected %r" % (number, found[number], text))

    # Every line starts at the printable area's left edge; the matrix rows with their
    # number's leading blank, a little to the right of it and all at the same place.
    left = {number: min(x for x, _ in rows[b]) for b in baselines
            for number in [1 + round((b - baselines[0]) / spacing)]}
    edge = left[1]
    for number, x in left.items():
        if 24 <= number <= 31:
            if not edge < x < edge + 8 or abs(x - left[24]) > 0.5:
                fail("matrix line %d starts at %.1f pt, the edge is at %.1f pt" % (number, x, edge))
        elif abs(x - edge) > 0.5:
            fail("line %d starts at %.1f pt, the edge is at %.1f pt" % (number, x, edge))
    print("%s: one page, the report's 39 lines, line spacing %.2f pt, left edge at %.1f pt"
          % (os.path.basename(pdf), spacing, edge))
    check_inside(pdf, ppd)


if __name__ == "__main__":
    main()
