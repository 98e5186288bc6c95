#!/usr/bin/env python3
"""Checks `quantaline-cli scan --json` on one real stream against ffmpeg's header trace.

ffmpeg copies the video out of the file (`-map 0:v:0 -c:v copy -f mpeg2video`) and
traces every header of it (`-bsf:v trace_headers`): each sequence header with its
matrices, each extension (quant_matrix_extension with its four matrices), each group of
pictures header with its time code, each picture header. From that trace alone this
script predicts the counts, the changes of matrices and the matrix sets.

The offsets of the start codes in the file come from a small demultiplexer here (program
stream packs and PES packets, transport packets), whose elementary stream must be byte
for byte the one ffmpeg copies out; otherwise the check fails rather than guess.

Usage: check_scan.py CLI FILE
"""

import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_stream import (DEFAULT_INTRA, DEFAULT_NON_INTRA, FIELD, TRACE_LINE,  # noqa: E402
                          Failure, rows, to_raster)

UNIT_CODES = {"Sequence Header": 0xB3, "Extension Data": 0xB5,
              "Group of Pictures Header": 0xB8, "Picture Header": 0x00}
IGNORED_UNITS = ("Slice Header", "User Data", "Sequence End")


# --- ffmpeg -----------------------------------------------------------------------------

def ffmpeg_video(path):
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
                          "-i", path, "-map", "0:v:0", "-c:v", "copy", "-f", "mpeg2video",
                          "-"], capture_output=True)
    if not run.stdout:
        raise Failure(f"ffmpeg cannot copy the video out ({run.returncode}): "
                      f"{run.stderr.decode(errors='replace')[-2000:]}")
    return run.stdout


def ffmpeg_units(video):
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "info",
                          "-f", "mpegvideo", "-c:v", "mpeg2video", "-i", "-", "-c:v", "copy",
                          "-bsf:v", "trace_headers", "-f", "null", "-"],
                         input=video, capture_output=True)
    trace = run.stderr.decode("utf-8", errors="replace")
    units = []
    in_packets = False
    for line in trace.splitlines():
        match = TRACE_LINE.match(line)
        if not match:
            continue
        body = match.group(1).strip()
        if body.startswith("Packet:"):
            in_packets = True  # the extradata before the first packet repeats a header
            continue
        if not in_packets:
            continue
        field = FIELD.match(body)
        if field:
            units[-1]["fields"][field.group(2)] = int(field.group(4))
        elif body in UNIT_CODES or body in IGNORED_UNITS:
            units.append({"kind": body, "fields": {}})
        elif body.endswith("Extension") and units and units[-1]["kind"] == "Extension Data":
            units[-1]["name"] = body
        else:
            raise Failure(f"unknown line in ffmpeg's trace: {body!r}")
    return [unit for unit in units if unit["kind"] in UNIT_CODES]


# --- where the elementary stream's bytes lie in the file ----------------------------------

def elementary_map(data):
    return data, [(0, 0, len(data))], None, None


def program_map(data):
    """(video bytes, [(video position, file offset, size)], stream_id, cut offset)."""
    video = bytearray()
    pieces = []
    stream_id = None
    cut = None
    p = 0
    while p < len(data):
        if data[p:p + 3] == b"\x00\x00\x00":
            p += 1
            continue
        if len(data) - p < 4 or data[p:p + 3] != b"\x00\x00\x01":
            raise Failure(f"the reference demultiplexer is lost at {p}")
        code = data[p + 3]
        if code == 0xB9:
            p += 4
        elif code == 0xBA:
            p += 14 + (data[p + 13] & 7) if data[p + 4] >> 6 == 1 else 12
        else:
            length = 6 + (data[p + 4] << 8 | data[p + 5])
            if p + length > len(data):
                cut = p
            if 0xE0 <= code <= 0xEF and stream_id in (None, code):
                stream_id = code
                if data[p + 6] & 0xC0 == 0x80:
                    header = 9 + data[p + 8]
                else:
                    header = 6
                    while data[p + header] == 0xFF:
                        header += 1
                    if data[p + header] & 0xC0 == 0x40:
                        header += 2
                    header += {0x20: 5, 0x30: 10}.get(data[p + header] & 0xF0, 1)
                payload = data[p + header:min(p + length, len(data))]
                pieces.append((len(video), p + header, len(payload)))
                video += payload
            p += length
    return bytes(video), pieces, stream_id, cut


def transport_map(data, size, sync):
    video = bytearray()
    pieces = []
    pmts, video_pid = set(), None
    started = False
    count = len(data) // size
    for k in range(count):
        p = k * size + sync
        packet = data[p:p + 188]
        pid = (packet[1] & 0x1F) << 8 | packet[2]
        unit_start = packet[1] & 0x40
        start = 4 + (1 + packet[4] if packet[3] & 0x20 else 0)
        if not packet[3] & 0x10 or start >= 188:
            continue
        payload = packet[start:]
        if pid == 0 and unit_start:
            section = payload[1 + payload[0]:]
            length = (section[1] & 0x0F) << 8 | section[2]
            for i in range(8, 3 + length - 4, 4):
                if section[i] << 8 | section[i + 1]:
                    pmts.add((section[i + 2] & 0x1F) << 8 | section[i + 3])
        elif pid in pmts and unit_start and video_pid is None:
            section = payload[1 + payload[0]:]
            length = (section[1] & 0x0F) << 8 | section[2]
            i = 12 + ((section[10] & 0x0F) << 8 | section[11])
            while i + 5 <= 3 + length - 4 and video_pid is None:
                if section[i] in (1, 2):
                    video_pid = (section[i + 1] & 0x1F) << 8 | section[i + 2]
                i += 5 + ((section[i + 3] & 0x0F) << 8 | section[i + 4])
        elif pid == video_pid:
            skip = 0
            if unit_start:
                started = True
                skip = 9 + payload[8]
            if started:
                pieces.append((len(video), p + start + skip, len(payload) - skip))
                video += payload[skip:]
    cut = count * size if len(data) % size else None
    return bytes(video), pieces, video_pid, cut


def file_offset(pieces, position):
    for start, offset, size in pieces:
        if start <= position < start + size:
            return offset + position - start
    raise Failure(f"video position {position} lies in no packet")


def start_codes(video):
    found = []
    p = video.find(b"\x00\x00\x01")
    while 0 <= p <= len(video) - 4:
        if video[p + 3] in UNIT_CODES.values():
            found.append((p, video[p + 3]))
        p = video.find(b"\x00\x00\x01", p + 4)
    return found


# --- the expected scan --------------------------------------------------------------------

def trace_matrix(unit, name):
    return to_raster([unit["fields"][f"{name}[{i}]"] for i in range(64)])


def time_code(unit):
    value = unit["fields"]["time_code"]
    return "%02d:%02d:%02d:%02d" % (value >> 19 & 0x1F, value >> 13 & 0x3F, value >> 6 & 0x3F,
                                    value & 0x3F)


def expected_scan(units):
    """Changes and matrix sets as ISO/IEC 13818-2 defines them, from the trace alone."""
    kinds = [unit["kind"] for unit in units]
    current = None
    changes = []
    set_after = []  # the set in force after each unit
    for index, unit in enumerate(units):
        new = current
        kind = None
        if unit["kind"] == "Sequence Header":
            f = unit["fields"]
            intra = trace_matrix(unit, "intra_quantiser_matrix") \
                if f["load_intra_quantiser_matrix"] else DEFAULT_INTRA
            non_intra = trace_matrix(unit, "non_intra_quantiser_matrix") \
                if f["load_non_intra_quantiser_matrix"] else DEFAULT_NON_INTRA
            new = [intra, non_intra, intra, non_intra]
            kind = "sequence_header"
        elif unit["kind"] == "Extension Data" and unit["fields"].get(
                "extension_start_code_identifier") == 3 and current is not None:
            f = unit["fields"]
            new = list(current)
            if f["load_intra_quantiser_matrix"]:
                new[0] = new[2] = trace_matrix(unit, "intra_quantiser_matrix")
            if f["load_non_intra_quantiser_matrix"]:
                new[1] = new[3] = trace_matrix(unit, "non_intra_quantiser_matrix")
            if f["load_chroma_intra_quantiser_matrix"]:
                new[2] = trace_matrix(unit, "chroma_intra_quantiser_matrix")
            if f["load_chroma_non_intra_quantiser_matrix"]:
                new[3] = trace_matrix(unit, "chroma_non_intra_quantiser_matrix")
            kind = "quant_matrix_extension"
        if kind and (current is None or new != current):
            changes.append((index, kind, new))
        current = new
        set_after.append(current)

    picture_units = [i for i, kind in enumerate(kinds) if kind == "Picture Header"]

    def next_picture(index):
        later = [n for n, i in enumerate(picture_units) if i > index]
        return later[0] if later else None

    expected_changes = []
    for index, kind, matrices in changes:
        picture, code = next_picture(index), None
        if kind == "quant_matrix_extension":
            earlier = [n for n, i in enumerate(picture_units) if i < index]
            if earlier and all(kinds[i] == "Extension Data"
                               for i in range(picture_units[earlier[-1]] + 1, index)):
                picture = earlier[-1]
        else:
            end = picture_units[picture] if picture is not None else len(units)
            gops = [i for i in range(index + 1, end) if kinds[i] == "Group of Pictures Header"]
            code = time_code(units[gops[0]]) if gops else None
        expected_changes.append({"unit": index, "picture": picture, "time_code": code,
                                 "kind": kind, "matrices": matrices})

    # A picture is coded with the set in force once its header's extensions are read.
    sets = []
    for number, index in enumerate(picture_units):
        end = index + 1
        while end < len(units) and kinds[end] == "Extension Data":
            end += 1
        matrices = set_after[end - 1]
        if matrices is None:
            continue
        for entry in sets:
            if entry["matrices"] == matrices:
                entry["pictures"] += 1
                break
        else:
            sets.append({"matrices": matrices, "first_picture": number, "pictures": 1})
    return expected_changes, sets


def as_json_matrices(matrices):
    return {name: rows(matrix) for name, matrix in
            zip(("intra", "non_intra", "chroma_intra", "chroma_non_intra"), matrices)}


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cli, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as stream:
        data = stream.read()

    extension = os.path.splitext(path)[1].lower()
    if extension in (".ts", ".m2ts", ".mts"):
        size, sync = (192, 4) if data[4:5] == b"\x47" and data[0:1] != b"\x47" else (188, 0)
        video, pieces, video_id, cut = transport_map(data, size, sync)
        container = "transport"
    elif extension in (".m1v", ".m2v"):
        video, pieces, video_id, cut = elementary_map(data)
        container = "elementary"
    else:
        video, pieces, video_id, cut = program_map(data)
        container = "program"

    copied = ffmpeg_video(path)
    if video != copied:
        raise Failure(f"the reference demultiplexer's video ({len(video)} bytes) is not the "
                      f"one ffmpeg copies out ({len(copied)} bytes)")
    units = ffmpeg_units(copied)
    codes = start_codes(video)
    if [code for _, code in codes] != [UNIT_CODES[unit["kind"]] for unit in units]:
        raise Failure("the start codes of the video do not pair with ffmpeg's trace")
    offsets = [file_offset(pieces, position) for position, _ in codes]

    changes, sets = expected_scan(units)
    expected = {
        "file": path, "container": container, "video": video_id,
        "pictures": sum(unit["kind"] == "Picture Header" for unit in units),
        "sequence_headers": sum(unit["kind"] == "Sequence Header" for unit in units),
        "quant_matrix_extensions": sum(unit["kind"] == "Extension Data" and unit["fields"].get(
            "extension_start_code_identifier") == 3 for unit in units),
        "changes": [dict({"offset": offsets[c["unit"]], "picture": c["picture"],
                          "time_code": c["time_code"], "kind": c["kind"]},
                         **as_json_matrices(c["matrices"])) for c in changes],
        "matrix_sets": [dict(as_json_matrices(s["matrices"]), first_picture=s["first_picture"],
                             pictures=s["pictures"]) for s in sets],
    }

    run = subprocess.run([cli, "scan", "--json", path], capture_output=True)
    lines = run.stdout.decode("utf-8").splitlines()
    if len(lines) != 1:
        raise Failure(f"quantaline-cli printed {len(lines)} lines, not one: {run.stderr!r}")
    actual = json.loads(lines[0])
    if list(actual) != list(expected) + ["messages"]:
        raise Failure(f"keys {list(actual)}")

    problems = [f"{key}: expected {value!r},\n  quantaline-cli gives {actual[key]!r}"
                for key, value in expected.items() if actual[key] != value]
    messages = actual["messages"]
    if cut is None:
        if messages != [] or run.returncode != 0:
            problems.append(f"messages {messages!r}, exit status {run.returncode}")
    elif (len(messages) != 1 or messages[0]["title"] != "Fichier incomplet"
          or f"l'octet {cut}," not in messages[0]["text"] or run.returncode != 1):
        problems.append(f"the file stops at {cut}: messages {messages!r}, "
                        f"exit status {run.returncode}")
    if problems:
        raise Failure("\n".join(problems))
    print(f"{path}: {expected['pictures']} pictures, {expected['sequence_headers']} sequence "
          f"headers, {expected['quant_matrix_extensions']} quant_matrix_extensions, "
          f"{len(changes)} changes, {len(sets)} matrix sets agree with ffmpeg's trace")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"{sys.argv[2] if len(sys.argv) > 2 else ''}: {failure}", file=sys.stderr)
        sys.exit(1)
