#!/usr/bin/env python3
"""Checks the macroblock layer on one real stream against ffmpeg's decoder.

ffmpeg decodes the file (`-debug qp+mb_type -threads 1`) and prints, for each frame it
outputs, every macroblock's quantiser scale and type. The frames come in output order,
and the last reference frame is never printed: a B picture is printed when decoded, an I
or P picture when the next I or P picture is decoded. quantiser_dump reads the same file,
picture by picture in stream order as the whole-stream scan hands each picture over from
its container's demultiplexer (elementary, program or transport stream), without
decoding. This script puts the dump's pictures in ffmpeg's order and compares every
macroblock (scale, and intra / skipped / other), then each picture's figures (average
with two decimals, minimum, maximum and the three counts) with those computed here from
ffmpeg's numbers. Last, `quantaline-cli pictures --quantiser --format json` must give
each picture those same figures (the last reference picture, which ffmpeg never prints,
those of the dump).

ffmpeg keeps an MPEG-1 quantizer_scale doubled (as MPEG-2's linear quantiser_scale is),
so its MPEG-1 numbers are halved here. A picture may be reported damaged only where ffmpeg
conceals errors too (a file cut short); such pictures are not compared.

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

ROW = re.compile(r"^\[mpeg[12]video @ 0x[0-9a-f]+\] (.*)$")
NEW_FRAME = re.compile(r"^\[mpeg[12]video @ 0x[0-9a-f]+\] New frame, type: (.)$")
CELL = re.compile(r"\s*(\d+)(\S)([-+|? ])([= ])")
TYPES = {"I": 1, "P": 2, "B": 3, "D": 4}


class Failure(Exception):
    pass


def ffmpeg_frames(path):
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-loglevel", "debug",
                          "-threads", "1", "-debug", "qp+mb_type", "-i", path,
                          "-map", "0:v:0", "-f", "null", "-"], capture_output=True)
    if run.returncode != 0:
        raise Failure(f"ffmpeg cannot decode {path}: {run.stderr.decode(errors='replace')[-2000:]}")
    frames = []
    concealed = 0
    for line in run.stderr.decode("utf-8", errors="replace").splitlines():
        if "concealing" in line:
            concealed += 1
        match = NEW_FRAME.match(line)
        if match:
            frames.append({"type": TYPES[match.group(1)], "rows": []})
            continue
        match = ROW.match(line)
        if match and frames and CELL.match(match.group(1)):
            cells = CELL.findall(match.group(1))
            if "".join("".join(c) for c in cells).replace(" ", "") != \
                    match.group(1).replace(" ", ""):
                continue  # another debug line
            row = []
            for qp, kind, _, _ in cells:
                row.append((int(qp), "I" if kind in "iIA" else "S" if kind == "S" else "C"))
            frames[-1]["rows"].append(row)
    return frames, concealed


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
                             "rows": []})
        elif words[0] == "damage":
            pictures[-1]["damage"] = line
        elif words[0] == "row":
            pictures[-1]["rows"].append([(int(c[:-1]), c[-1]) for c in words[1:]])
    return pictures


def output_order(pictures):
    """The pictures in the order ffmpeg prints them (the last reference one left out)."""
    printed, pending = [], None
    for picture in pictures:
        if picture["type"] == 3:
            printed.append(picture)
        else:
            if pending is not None:
                printed.append(pending)
            pending = picture
    return printed


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


def check(dump, cli, path):
    pictures = dump_pictures(dump, path)
    frames, concealed = ffmpeg_frames(path)
    if not pictures:
        raise Failure("no picture read")
    damaged = [p for p in pictures if p["damaged"] or "damage" in p]
    if len(damaged) > concealed:
        raise Failure(f"{len(damaged)} pictures reported damaged, ffmpeg conceals errors in "
                      f"{concealed}: {[p.get('damage') for p in damaged]}")
    for picture in pictures:
        if picture["structure"] != 3:
            raise Failure(f"picture {picture['index']} is a field picture: not compared")
    ordered = output_order(pictures)
    if len(frames) != len(ordered):
        raise Failure(f"ffmpeg printed {len(frames)} frames, {len(ordered)} expected "
                      f"from {len(pictures)} pictures")
    compared = 0
    for frame, picture in zip(frames, ordered):
        if picture in damaged:
            continue
        compared += 1
        if picture["mpeg"] == 1:
            frame["rows"] = [[(q // 2, k) for q, k in row] for row in frame["rows"]]
        where = f"picture {picture['index']} (ffmpeg's frame {frames.index(frame)})"
        if frame["type"] != picture["type"]:
            raise Failure(f"{where}: type {picture['type']}, ffmpeg {frame['type']}")
        if frame["rows"] != picture["rows"]:
            for y, (a, b) in enumerate(zip(frame["rows"], picture["rows"])):
                if a != b:
                    raise Failure(f"{where}, row {y}:\n  ffmpeg {a}\n  ours   {b}")
            raise Failure(f"{where}: {len(picture['rows'])} rows, ffmpeg {len(frame['rows'])}")
        expected = figures(frame["rows"])
        ours = {key: picture[key] for key in ("average", "min", "max", "counts")}
        if expected != ours:
            raise Failure(f"{where}: figures {ours}, from ffmpeg's macroblocks {expected}")
        picture["ffmpeg"] = expected
    by_cli = cli_pictures(cli, path)
    for picture in pictures:
        expected = picture.get("ffmpeg") or {key: picture[key] for key in
                                             ("average", "min", "max", "counts")}
        printed = by_cli.get(picture["index"])
        if printed is None or cli_figures(printed) != expected:
            raise Failure(f"pictures --quantiser, picture {picture['index']}: "
                          f"{printed and cli_figures(printed)}, expected {expected}")
    from_ffmpeg = sum(1 for p in pictures if "ffmpeg" in p)
    scales = sorted({q for p in pictures for row in p["rows"] for q, _ in row})
    print(f"{os.path.basename(path)}: {len(pictures)} pictures, {compared} compared "
          f"macroblock by macroblock, {len(damaged)} damaged; scales {scales[0]}..{scales[-1]}; "
          f"pictures --quantiser: {from_ffmpeg} against ffmpeg, "
          f"{len(pictures) - from_ffmpeg} against the dump")


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
    except Failure as failure:
        print(f"FAIL {' '.join(shlex.quote(a) for a in sys.argv[3:])}: {failure}", file=sys.stderr)
        sys.exit(1)
