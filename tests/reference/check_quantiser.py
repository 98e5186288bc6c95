#!/usr/bin/env python3
"""Checks the macroblock layer on one real stream against ffmpeg's decoder.

ffmpeg decodes the file (`-debug qp+mb_type+pict -threads 1`) and prints each picture
header it reads (temporal_reference and picture_coding_type, fields one by one), the
macroblocks it conceals after a picture, and, for each frame it outputs, every
macroblock's quantiser scale and type. quantiser_dump reads the same file, picture by
picture in stream order as the whole-stream scan hands each picture over from its
container's demultiplexer (elementary, program or transport stream), without decoding.

ffmpeg's picture headers must be the dump's, one for one (after any ffmpeg reads and does
not decode before the first sequence header, which the dump never sees). Two fields of
opposite parity make one frame, whose rows ffmpeg prints interleaved (the top field's rows
first). A frame ffmpeg outputs is, when a B frame, the frame whose header it read last;
when an I or P frame, the reference frame before the one it read last (the last reference
frame is never printed, and one pending when the decoder starts afresh is lost). Frames
whose pictures ffmpeg does not decode (B frames of an open group at the stream's start)
are left out. Every macroblock is compared (scale, and intra / skipped / other), then each
picture's figures (average with two decimals, minimum, maximum and the three counts) with
those computed here from ffmpeg's numbers. Last, `quantaline-cli pictures --quantiser
--format json` must give each picture those same figures (pictures ffmpeg never prints,
those of the dump).

ffmpeg keeps an MPEG-1 quantizer_scale doubled (as MPEG-2's linear quantiser_scale is),
so its MPEG-1 numbers are halved here. Macroblocks that no slice of the stream reaches are
left unread here and concealed by ffmpeg with made-up numbers: a frame's unread
macroblocks must be exactly as many as ffmpeg conceals in it, and are not compared. A
picture may be reported damaged only where ffmpeg conceals errors in that very frame;
such pictures are not compared. EXCEPTIONS lists the streams where ffmpeg conceals
macroblocks that are read here, and why.

With --make NAME, the stream is first made into a temporary folder by ffmpeg or mpeg2enc
as its line of quantiser_streams.txt says.

Usage: check_quantiser.py DUMP CLI FILE
       check_quantiser.py DUMP CLI --make NAME
"""

import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

ROW = re.compile(r"^\[mpeg[12]video @ (0x[0-9a-f]+)\] (.*)$")
NEW_FRAME = re.compile(r"^\[mpeg[12]video @ (0x[0-9a-f]+)\] New frame, type: (.)$")
# The picture header, as ffmpeg's pict debug prints it (at times after a progress line).
HEADER = re.compile(r"\[mpeg[12]video @ (0x[0-9a-f]+)\] vbv_delay -?\d+, ref (\d+) type:(\d)")
OVERREAD = re.compile(r"^overread (\d+)$")
CONCEALING = re.compile(r"\[mpeg[12]video @ (0x[0-9a-f]+)\] concealing (\d+) DC, (\d+) AC, "
                        r"(\d+) MV errors")
CELL = re.compile(r"\s*(\d+)(\S)([-+|? ])([= ])")
TYPES = {"I": 1, "P": 2, "B": 3, "D": 4}

# Streams where ffmpeg drops whole slices that are read here, and conceals their
# macroblocks: in such a stream, the macroblocks that differ from ffmpeg's must lie in
# slices that ffmpeg concealed whole, as many as it says. Why ffmpeg is wrong:
EXCEPTIONS = {
    # MPEG-1 slices whose first macroblock_address_increment takes them past the row of
    # their slice_vertical_position, which ffmpeg drops ("initial skip overflow"); and a
    # picture's last slice where ffmpeg says it read past the slice's end ("overread 1",
    # "overread 5") and drops it. Both are read here to their next start code with
    # nothing but zero bits left (tests/unit/macroblock_test.cpp).
    "mwgoldsmith_mpeg2_tz_walken_mpeg1_start_slice_stream.m1v":
        "ffmpeg drops slices past their row and last slices it reads past",
}


class Failure(Exception):
    pass


class Skip(Exception):
    """Nothing to compare: a file without MPEG video."""


SKIPPED = 77  # ctest's SKIP_RETURN_CODE


def ffmpeg_log(path):
    """ffmpeg's picture headers, and in order the headers, concealments and frames."""
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "debug",
                          "-threads", "1", "-debug", "qp+mb_type+pict", "-i", path,
                          "-map", "0:v:0", "-f", "null", "-"], capture_output=True)
    if run.returncode != 0:
        raise Failure(f"ffmpeg cannot decode {path}: {run.stderr.decode(errors='replace')[-2000:]}")
    lines = run.stderr.decode("utf-8", errors="replace").splitlines()
    # The decoder whose frames are printed; the one that probes the stream is another.
    decoders = {m.group(1) for m in map(NEW_FRAME.match, lines) if m}
    if not decoders:
        decoders = {m.group(1) for m in map(HEADER.search, lines) if m}
        decoders = set(list(decoders)[-1:])
    if len(decoders) > 1:
        raise Failure(f"ffmpeg printed frames from {len(decoders)} decoders")
    events = []
    frame = None
    for line in lines:
        match = HEADER.search(line)
        if match and match.group(1) in decoders:
            events.append(("header", int(match.group(2)), int(match.group(3))))
            frame = None
            continue
        if OVERREAD.match(line):
            events.append(("overread",))
            continue
        match = CONCEALING.search(line)
        if match and match.group(1) in decoders:
            events.append(("conceal", max(int(n) for n in match.group(2, 3, 4))))
            frame = None
            continue
        match = NEW_FRAME.match(line)
        if match:
            frame = {"type": TYPES[match.group(2)], "rows": []}
            events.append(("frame", frame))
            continue
        match = ROW.match(line)
        if match and frame is not None and CELL.match(match.group(2)):
            cells = CELL.findall(match.group(2))
            if "".join("".join(c) for c in cells).replace(" ", "") != \
                    match.group(2).replace(" ", ""):
                continue  # another debug line
            row = []
            for qp, kind, _, _ in cells:
                row.append((int(qp), "I" if kind in "iIA" else "S" if kind == "S" else "C"))
            frame["rows"].append(row)
    return events


def dump_pictures(dump, path):
    run = subprocess.run([dump, path], capture_output=True, text=True, check=True)
    pictures = []
    for line in run.stdout.splitlines():
        words = line.split()
        if words[0] == "picture":
            index, kind, tref, structure = (int(w) for w in words[1:5])
            pictures.append({"index": index, "type": kind, "temporal_reference": tref,
                             "structure": structure, "average": words[5],
                             "min": int(words[6]), "max": int(words[7]),
                             "counts": tuple(int(w) for w in words[8:11]),
                             "damaged": int(words[11]), "mpeg": int(words[12]),
                             "missing": int(words[13]),
                             "slices": [], "rows": []})
        elif words[0] == "damage":
            pictures[-1]["damage"] = line
        elif words[0] == "slice":
            pictures[-1]["slices"].append(tuple(int(w) for w in words[1:4]))
        elif words[0] == "row":
            pictures[-1]["rows"].append([(int(c[:-1]), c[-1]) for c in words[1:]])
    return pictures


def frames_of(pictures):
    """The pictures grouped in frames: a frame picture alone, or two fields of opposite
    parity one after the other."""
    frames, k = [], 0
    while k < len(pictures):
        first = pictures[k]
        if first["structure"] != 3 and k + 1 < len(pictures) and \
                pictures[k + 1]["structure"] == 3 - first["structure"]:
            frames.append([first, pictures[k + 1]])
            k += 2
        else:
            if first["structure"] != 3:
                raise Failure(f"picture {first['index']}: a field without its other field")
            frames.append([first])
            k += 1
    return frames


def frame_cells(frame):
    """{(row, column) in the frame: (picture, (row, column) in the picture)}."""
    cells = {}
    for picture in frame:
        for y, row in enumerate(picture["rows"]):
            frame_y = y if picture["structure"] == 3 else 2 * y + picture["structure"] - 1
            for x in range(len(row)):
                cells[(frame_y, x)] = (picture, (y, x))
    return cells


def cell_of(place):
    picture, (y, x) = place
    return picture["rows"][y][x]


def dropped_by_ffmpeg(picture, overread):
    """The (row, column) of the macroblocks of the slices ffmpeg drops: those whose first
    macroblock lies past their own row, and the picture's last slice when ffmpeg says it
    read past its end."""
    width = len(picture["rows"][0]) if picture["rows"] else 0
    cells = set()
    for k, (position, first, count) in enumerate(picture["slices"]):
        last = k == len(picture["slices"]) - 1
        if first >= 0 and width and (first // width > position - 1 or (last and overread)):
            cells |= {divmod(a, width) for a in range(first, first + count)}
    return cells


def check(dump, cli, path):
    pictures = dump_pictures(dump, path)
    try:
        events = ffmpeg_log(path)
    except Failure:
        if not pictures:
            raise Skip("no MPEG video picture is read here, and ffmpeg decodes no video")
        raise
    if not pictures:
        if not any(e[0] == "header" for e in events):
            raise Skip("no MPEG video picture is read here, and ffmpeg reads none")
        raise Failure(f"no picture read here, ffmpeg reads "
                      f"{sum(1 for e in events if e[0] == 'header')} picture headers")
    exception = EXCEPTIONS.get(os.path.basename(path))
    headers = [(e[1], e[2]) for e in events if e[0] == "header"]
    ours = [(p["temporal_reference"], p["type"]) for p in pictures]
    # Picture headers before the first sequence header, which the dump never sees: ffmpeg
    # reads them and decodes nothing of them.
    lead = next((k for k in range(1, len(headers) - len(ours) + 1)
                 if headers[k:k + len(ours)] == ours), 0)
    first = [k for k, e in enumerate(events) if e[0] == "header"][lead:lead + 1]
    if lead and any(e[0] != "header" for e in events[:first[0] if first else 0]):
        raise Failure(f"the dump's {len(ours)} pictures are ffmpeg's from its picture {lead} "
                      f"on, and ffmpeg decodes some of the {lead} before them")
    events = events[first[0]:] if first else events
    headers = headers[lead:]
    if headers != ours:
        for k, (a, b) in enumerate(zip(headers, ours)):
            if a != b:
                raise Failure(f"picture {k}: temporal_reference and type {b}, ffmpeg's {a}")
        raise Failure(f"ffmpeg read {len(headers)} picture headers, the dump {len(ours)}")
    for picture in pictures:
        unread = sum(1 for row in picture["rows"] for _, k in row if k == "?")
        if picture["missing"] != unread:
            raise Failure(f"picture {picture['index']}: {picture['missing']} macroblocks "
                          f"missing, {unread} unread in its map")
    frames = frames_of(pictures)
    frame_of = {p["index"]: f for f, frame in enumerate(frames) for p in frame}
    # The frames ffmpeg printed, with the frame of ours each is, and its concealments.
    read, printed, concealed, overread = [], [], [0] * len(frames), [0] * len(frames)
    header = 0
    for event in events:
        if event[0] == "header":
            f = frame_of[pictures[header]["index"]]
            header += 1
            if not read or read[-1] != f:
                read.append(f)
        elif event[0] == "overread":
            if read:
                overread[read[-1]] += 1
        elif event[0] == "conceal":
            if not read:
                raise Failure("ffmpeg conceals macroblocks before any picture")
            concealed[read[-1]] += event[1]
        else:
            kind = event[1]["type"]
            references = [f for f in read if frames[f][0]["type"] != 3]
            if kind == 3:
                f = read[-1] if read else None
            else:
                f = references[-2] if len(references) >= 2 else None
            if f is None or frames[f][0]["type"] != kind:
                raise Failure(f"ffmpeg's frame {len(printed)} of type {kind} is none of "
                              f"the frames read")
            printed.append((f, event[1]))
    damaged = [p for p in pictures if p["damaged"] or "damage" in p]
    for picture in damaged:
        if concealed[frame_of[picture["index"]]] == 0:
            raise Failure(f"picture {picture['index']} reported damaged, ffmpeg conceals "
                          f"nothing in it: {picture.get('damage')}")
    compared = 0
    for number, (f, frame) in enumerate(printed):
        ours = frames[f]
        if any(p in damaged for p in ours):
            continue
        compared += 1
        halve = ours[0]["mpeg"] == 1
        where = (f"picture {ours[0]['index']}{' and ' + str(ours[1]['index']) if len(ours) > 1 else ''}"
                 f" (ffmpeg's frame {number})")
        theirs = {(y, x): ((q // 2 if halve else q), k)
                  for y, row in enumerate(frame["rows"]) for x, (q, k) in enumerate(row)}
        cells = frame_cells(ours)
        if set(theirs) != set(cells):
            raise Failure(f"{where}: {len(frame['rows'])} rows of ffmpeg, "
                          f"{sum(len(p['rows']) for p in ours)} of ours")
        unread = {c for c, (p, (y, x)) in cells.items() if p["rows"][y][x][1] == "?"}
        dropped = set()
        if exception:
            drops = {id(p): dropped_by_ffmpeg(p, overread[f]) for p in ours}
            dropped = {c for c, (p, yx) in cells.items() if yx in drops[id(p)]} - unread
        differ = {c for c, place in cells.items()
                  if c not in unread and cell_of(place) != theirs[c]}
        if concealed[f] != len(unread) + len(dropped):
            raise Failure(f"{where}: ffmpeg conceals {concealed[f]} macroblocks, "
                          f"{len(unread)} are unread here"
                          f"{f' and {len(dropped)} in slices it dropped' if dropped else ''}")
        for c in sorted(differ - dropped):
            row = [k for k in sorted(cells) if k[0] == c[0]]
            raise Failure(f"{where}, row {c[0]}, column {c[1]}:\n"
                          f"  ffmpeg {[theirs[k] for k in row]}\n"
                          f"  ours   {[cell_of(cells[k]) for k in row]}")
        for picture in ours:
            # ffmpeg's numbers where it decoded; those of the dump in slices it dropped.
            expected = figures([[theirs[c] if c not in dropped else picture["rows"][y][x]
                                 for c, (p, (y, x)) in sorted(cells.items())
                                 if p is picture and c not in unread]])
            mine = {key: picture[key] for key in ("average", "min", "max", "counts")}
            if expected != mine:
                raise Failure(f"{where}: figures of picture {picture['index']} {mine}, from "
                              f"ffmpeg's macroblocks {expected}")
            picture["ffmpeg"] = expected
    by_cli = cli_pictures(cli, path)
    for picture in pictures:
        expected = picture.get("ffmpeg") or {key: picture[key] for key in
                                             ("average", "min", "max", "counts")}
        printed_figures = by_cli.get(picture["index"])
        if printed_figures is None or cli_figures(printed_figures) != expected:
            raise Failure(f"pictures --quantiser, picture {picture['index']}: "
                          f"{printed_figures and cli_figures(printed_figures)}, expected {expected}")
    from_ffmpeg = sum(1 for p in pictures if "ffmpeg" in p)
    scales = sorted({q for p in pictures for row in p["rows"] for q, k in row if k != "?"})
    print(f"{os.path.basename(path)}: {len(pictures)} pictures in {len(frames)} frames, "
          f"{compared} frames compared macroblock by macroblock, {len(damaged)} damaged, "
          f"{sum(concealed)} macroblocks concealed by ffmpeg; "
          f"scales {scales[0] if scales else '-'}..{scales[-1] if scales else '-'}; "
          f"pictures --quantiser: {from_ffmpeg} against ffmpeg, "
          f"{len(pictures) - from_ffmpeg} against the dump"
          f"{f' (exception: {exception})' if exception else ''}")


def figures(rows):
    cells = [cell for row in rows for cell in row]
    if not cells:
        return None
    total = sum(q for q, _ in cells)
    hundredths = (total * 200 + len(cells)) // (2 * len(cells))
    return {"average": f"{hundredths // 100}.{hundredths % 100:02d}",
            "min": min(q for q, _ in cells), "max": max(q for q, _ in cells),
            "counts": tuple(sum(1 for _, k in cells if k == kind) for kind in "ICS")}


def cli_pictures(cli, path):
    run = subprocess.run([cli, "pictures", "--quantiser", "--format", "json", path],
                         capture_output=True, text=True)
    if run.returncode not in (0, 1):
        raise Failure(f"quantaline-cli pictures --quantiser: status {run.returncode}: "
                      f"{run.stderr}")
    lines = run.stdout.splitlines()
    if len(lines) != 1:
        raise Failure(f"quantaline-cli pictures --quantiser printed {len(lines)} lines")
    return {p["index"]: p for p in json.loads(lines[0])["pictures"]}


def cli_figures(picture):
    q, m = picture["quantiser"], picture["macroblocks"]
    if q is None:
        return None
    return {"average": f"{q['average']:.2f}", "min": q["min"], "max": q["max"],
            "counts": (m["intra"], m["coded"], m["skipped"])}


SOURCE = ["-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25", "-frames:v", "12"]


def recipe(name):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "quantiser_streams.txt"), encoding="utf-8") as lines:
        for line in lines:
            words = line.split()
            if words and words[0] == name:
                options = []
                for word in words[1:]:
                    options += SOURCE if word == "$SOURCE" else [word]
                return options
    raise Failure(f"no stream {name} in quantiser_streams.txt")


def make(folder, name, options):
    out = os.path.join(folder, name)
    if options and options[0] == "mpeg2enc":
        # mpeg2enc OPTIONS... < a YUV4MPEG picture stream from ffmpeg's test pattern
        source = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
                                 "-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25",
                                 "-frames:v", "30", "-pix_fmt", "yuv420p",
                                 "-f", "yuv4mpegpipe", "-"], capture_output=True, check=True)
        subprocess.run(["mpeg2enc", *options[1:], "-o", out], input=source.stdout,
                       capture_output=True, check=True)
    else:
        subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                        *options, out], check=True)
    return out


def main():
    if len(sys.argv) == 5 and sys.argv[3] == "--make":
        with tempfile.TemporaryDirectory() as folder:
            check(sys.argv[1], sys.argv[2], make(folder, sys.argv[4], recipe(sys.argv[4])))
    elif len(sys.argv) == 4:
        check(sys.argv[1], sys.argv[2], sys.argv[3])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Skip as skip:
        print(f"SKIP {' '.join(shlex.quote(a) for a in sys.argv[3:])}: {skip}")
        sys.exit(SKIPPED)
    except Failure as failure:
        print(f"FAIL {' '.join(shlex.quote(a) for a in sys.argv[3:])}: {failure}", file=sys.stderr)
        sys.exit(1)
