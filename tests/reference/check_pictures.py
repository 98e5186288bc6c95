#!/usr/bin/env python3
"""Checks `quantaline-cli pictures --format json` on one real stream against ffmpeg.

ffmpeg copies the video out of the file and traces its headers (as check_scan.py does):
each picture header gives picture_coding_type and temporal_reference, the picture coding
extension after it picture_structure (none: an MPEG-1 picture, a frame). The video that
ffmpeg copies out gives the start codes: a picture's bytes run from its start code to the
next picture, sequence header, group of pictures or sequence end start code, or to the
end of the video; its offset in the file comes from the demultiplexer of check_scan.py,
whose video must be byte for byte ffmpeg's. The matrix set of each picture is the set in
force once its header's extensions are read, numbered in order of first use.

Usage: check_pictures.py CLI FILE
"""

import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_scan import (DEFAULT_INTRA, DEFAULT_NON_INTRA, Failure,  # noqa: E402
                        damaged, expected_scan, file_offset, read_layout, reference_units,
                        trace_matrix)

TYPES = {1: "I", 2: "P", 3: "B", 4: "D"}
STRUCTURES = {1: "top", 2: "bottom", 3: "frame"}
# The start codes that end a picture: picture, sequence header, GOP, sequence end.
PICTURE_ENDS = (0x00, 0xB3, 0xB8, 0xB7)


def picture_spans(video):
    """(position, bytes) of each picture start code of the video, in order."""
    ends = []
    p = video.find(b"\x00\x00\x01")
    while 0 <= p <= len(video) - 4:
        if video[p + 3] in PICTURE_ENDS:
            ends.append((p, video[p + 3]))
        p = video.find(b"\x00\x00\x01", p + 3)
    spans = []
    for k, (position, code) in enumerate(ends):
        if code == 0x00:
            end = ends[k + 1][0] if k + 1 < len(ends) else len(video)
            spans.append((position, end - position))
    return spans


def set_numbers(units):
    """The 1-based matrix set of each picture (None before the first sequence header): the
    sets of check_scan.py's expected scan, in order of first use."""
    _, sets = expected_scan(units)
    numbers = []
    for matrices in picture_matrices(units):
        found = [k + 1 for k, s in enumerate(sets) if s["matrices"] == matrices]
        numbers.append(found[0] if matrices is not None else None)
    return numbers


def picture_matrices(units):
    """The four matrices each picture is coded with, from the trace (None: unknown)."""
    current = None
    after = []
    for unit in units:
        f = unit["fields"]
        if damaged(unit):
            pass  # stepped over by the scan
        elif unit["kind"] == "Sequence Header":
            intra = trace_matrix(unit, "intra_quantiser_matrix") \
                if f["load_intra_quantiser_matrix"] else DEFAULT_INTRA
            non_intra = trace_matrix(unit, "non_intra_quantiser_matrix") \
                if f["load_non_intra_quantiser_matrix"] else DEFAULT_NON_INTRA
            current = [intra, non_intra, intra, non_intra]
        elif unit["kind"] == "Extension Data" and f.get("extension_start_code_identifier") == 3 \
                and current is not None:
            current = list(current)
            if f["load_intra_quantiser_matrix"]:
                current[0] = current[2] = trace_matrix(unit, "intra_quantiser_matrix")
            if f["load_non_intra_quantiser_matrix"]:
                current[1] = current[3] = trace_matrix(unit, "non_intra_quantiser_matrix")
            if f["load_chroma_intra_quantiser_matrix"]:
                current[2] = trace_matrix(unit, "chroma_intra_quantiser_matrix")
            if f["load_chroma_non_intra_quantiser_matrix"]:
                current[3] = trace_matrix(unit, "chroma_non_intra_quantiser_matrix")
        after.append(current)
    kinds = [unit["kind"] for unit in units]
    result = []
    for index, kind in enumerate(kinds):
        if kind != "Picture Header":
            continue
        end = index + 1
        while end < len(units) and kinds[end] == "Extension Data":
            end += 1
        result.append(after[end - 1])
    return result


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cli, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as stream:
        data = stream.read()

    container, video, pieces, video_id, _, _ = read_layout(data)
    units = reference_units(path, video)
    spans = picture_spans(video)
    headers = [index for index, unit in enumerate(units) if unit["kind"] == "Picture Header"]
    if len(spans) != len(headers):
        raise Failure(f"{len(spans)} picture start codes, {len(headers)} picture headers traced")
    sets = set_numbers(units)

    expected = []
    for number, (index, (position, length)) in enumerate(zip(headers, spans)):
        fields = units[index]["fields"]
        structure = 3
        flags = {"top_field_first": None, "repeat_first_field": None, "progressive_frame": None}
        following = units[index + 1] if index + 1 < len(units) else None
        if following and following.get("name") == "Picture Coding Extension":
            structure = following["fields"]["picture_structure"]
            flags = {key: bool(following["fields"][key]) for key in flags}
        expected.append({"index": number, "offset": file_offset(pieces, position),
                         "type": TYPES.get(fields["picture_coding_type"]),
                         "structure": STRUCTURES.get(structure),
                         "temporal_reference": fields["temporal_reference"],
                         "bytes": length, "matrix_set": sets[number],
                         "vbv_delay": fields["vbv_delay"], **flags})

    run = subprocess.run([cli, "pictures", "--format", "json", path], capture_output=True)
    lines = run.stdout.decode("utf-8").splitlines()
    if len(lines) != 1:
        raise Failure(f"quantaline-cli printed {len(lines)} lines, not one: {run.stderr!r}")
    actual = json.loads(lines[0])
    if list(actual)[:4] != ["file", "container", "video", "pictures"]:
        raise Failure(f"keys {list(actual)}")
    problems = []
    for key, value in (("file", path), ("container", container), ("video", video_id)):
        if actual[key] != value:
            problems.append(f"{key}: expected {value!r}, quantaline-cli gives {actual[key]!r}")
    pictures = actual["pictures"]
    if len(pictures) != len(expected):
        problems.append(f"{len(expected)} pictures expected, quantaline-cli gives "
                        f"{len(pictures)}")
    for want, got in zip(expected, pictures):
        # The keys the trace tells; fields, decode_time and vbv_occupancy are the model's.
        if {key: got.get(key) for key in want} != want:
            problems.append(f"picture {want['index']}: expected {want},\n"
                            f"  quantaline-cli gives {got}")
    if problems:
        raise Failure("\n".join(problems[:10]))
    types = "".join(p["type"] or "?" for p in expected)
    print(f"{path}: {len(expected)} pictures ({types}) agree with ffmpeg's trace and the "
          f"start codes of its video")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"{sys.argv[2] if len(sys.argv) > 2 else ''}: {failure}", file=sys.stderr)
        sys.exit(1)
