#!/usr/bin/env python3
"""Checks `quantaline-cli info --json` on one real stream against the reference tools.

Every value the CLI reports is predicted from ffmpeg's header trace
(`-bsf:v trace_headers`, which prints each header field as the stream codes it) and,
for MPEG-1 streams, the matrices also from MediaInfo's Format_Settings_Matrix_Data.
Nothing is taken from Quantaline's own output.

The trace gives the fields but not where their start codes lie in the file, and the
analysis only looks within fixed windows (sequence header at offsets 0..299998,
extensions from the end of the header's matrices up to 99998, the picture coding
extension up to 149998). So the trace's units are paired in order with the start codes
found by a plain byte search of the file, which gives each unit its file offset (in a
program or transport stream too: the analysis reads the demultiplexed video, but a start
code lies whole in one packet in these files). A unit whose start code a packet header
splits has no offset here; the pairing must be exact within the windows, otherwise the
check fails: it never guesses.

A transport stream is read as Quantaline reads it: its header looked for in the first
16 MiB (first byte at 16 777 212 at most), its extension windows measured from the
header's offset H (H + 99998, H + 149998), and its start codes placed exactly by the
reference demultiplexer of check_scan.py, whose video must be ffmpeg's byte for byte.

Usage: check_stream.py CLI FILE
"""

import json
import os
import re
import subprocess
import sys
from fractions import Fraction

# The windows of the analysis.
LAST_HEADER_OFFSET = 299998
LAST_EXTENSION_OFFSET = 99998
LAST_PICTURE_CODING_OFFSET = 149998
# Every file start code up to here must pair with a unit of the trace.
STRICT_PAIRING_LIMIT = LAST_HEADER_OFFSET + 140
# A transport stream's header is looked for in its first 16 MiB, and its extension windows
# are measured from the header's offset.
LAST_TRANSPORT_HEADER_OFFSET = 16 * 1024 * 1024 - 4
# How much of a transport stream the analysis reads at most.
TRANSPORT_LONGEST_READ = 20 * 1024 * 1024

ASPECT = {1: "1:1", 2: "4:3", 3: "16:9", 4: "2.21:1"}
FRAME_RATE = {1: "23,976", 2: "24", 3: "25", 4: "29,97", 5: "30", 6: "50", 7: "59,94", 8: "60"}
PROFILE = {1: "HighProfil", 4: "MainProfil", 5: "SimpleProfil"}
LEVEL = {4: "HighLevel", 6: "HighLevel1440", 8: "MainLevel", 10: "LowLevel"}
CHROMA = {0: "Inconnu", 1: "4:2:0", 2: "4:2:2", 3: "4:4:4"}
VIDEO_FORMAT = {0: "Component", 1: "PAL", 2: "NTSC", 3: "SECAM", 4: "MAC", 5: "Defaut",
                6: "Non-identifié", 7: "Non-identifié"}
PICTURE_STRUCTURE = {0: "Inconnue", 1: "Top Field", 2: "Bottom Field", 3: "Frame Picture"}

# The default intra matrix of ISO/IEC 11172-2 and 13818-2, raster order.
DEFAULT_INTRA = [
    8, 16, 19, 22, 26, 27, 29, 34,
    16, 16, 22, 24, 27, 29, 34, 37,
    19, 22, 26, 27, 29, 34, 34, 38,
    22, 22, 26, 27, 29, 34, 37, 40,
    22, 26, 27, 29, 32, 35, 40, 48,
    26, 27, 29, 32, 35, 40, 48, 58,
    26, 27, 29, 34, 38, 46, 56, 69,
    27, 29, 35, 38, 46, 56, 69, 83,
]
DEFAULT_NON_INTRA = [16] * 64


def zigzag_raster_indices():
    """Raster index of each zigzag position, walked along the anti-diagonals."""
    order = []
    for diagonal in range(15):
        cells = [(row, diagonal - row) for row in range(8) if 0 <= diagonal - row < 8]
        # Even diagonals run up and to the right, odd ones down and to the left.
        if diagonal % 2 == 0:
            cells.sort(key=lambda cell: -cell[0])
        else:
            cells.sort(key=lambda cell: cell[0])
        order.extend(row * 8 + column for row, column in cells)
    return order


ZIGZAG = zigzag_raster_indices()


def to_raster(stream_order):
    raster = [0] * 64
    for position, value in enumerate(stream_order):
        raster[ZIGZAG[position]] = value
    return raster


def rows(values):
    return [values[row * 8:row * 8 + 8] for row in range(8)]


class Failure(Exception):
    pass


# --- ffmpeg's trace ---------------------------------------------------------------------

TRACE_LINE = re.compile(r"^\[trace_headers @ 0x[0-9a-f]+\] (.*)$")
FIELD = re.compile(r"^(\d+)\s+(\S+)\s+([01]+) = (-?\d+)$")
# The units the analysis reads, and the byte after 00 00 01 for each. Picture and GOP
# start codes are not paired: the analysis never looks for them, and the sound of a
# program stream can hold their byte patterns.
UNIT_CODES = {"Sequence Header": 0xB3, "Extension Data": 0xB5}
OTHER_UNITS = ("Group of Pictures Header", "Picture Header", "Slice Header", "User Data",
               "Sequence End")


def read_trace(path):
    """The trace's sequence headers and extensions, in order. ffmpeg copies the video out of
    the file as it stands (the trace filter knows MPEG-2 only, and MPEG-1 has the same header
    syntax; a video stream in a program stream takes the decoder's name only once it is on
    its own), then traces it, as check_scan.py does."""
    from check_scan import ffmpeg_units, ffmpeg_video
    return trace_units(ffmpeg_units(ffmpeg_video(path)))


def trace_units(scan_units, positions=None):
    """check_scan.py's units as this check reads them: the sequence headers and extensions
    (with their video positions when given, one per unit)."""
    units = []
    for index, unit in enumerate(scan_units):
        if unit["kind"] not in UNIT_CODES:
            continue
        units.append({"kind": unit["kind"], "name": unit.get("name"), "values": unit["fields"],
                      "position": positions[index] if positions else None})
    if not any(unit["kind"] == "Sequence Header" for unit in units):
        raise Failure("ffmpeg's trace holds no sequence header: cannot check")
    for unit in units:
        if unit["kind"] == "Extension Data":
            unit["id"] = field_value(unit, "extension_start_code_identifier")
    return units


def field_value(unit, name):
    if name not in unit["values"]:
        raise Failure(f"{unit['kind']} without {name} in ffmpeg's trace")
    return unit["values"][name]


def matrix_from_trace(unit, name):
    values = []
    for index in range(64):
        values.append(field_value(unit, f"{name}[{index}]"))
    return values


# --- the file's start codes -------------------------------------------------------------

def start_codes(data):
    """(offset, code) of every 00 00 01 xx whose xx is one the pairing follows (not the
    extensions ffmpeg's trace cannot read, which check_scan.py leaves out of it)."""
    from check_scan import UNTRACED_EXTENSIONS
    found = []
    position = data.find(b"\x00\x00\x01")
    while 0 <= position <= len(data) - 4:
        if data[position + 3] == 0xB5 and position + 4 < len(data) and \
                data[position + 4] >> 4 in UNTRACED_EXTENSIONS:
            pass
        elif data[position + 3] in UNIT_CODES.values():
            found.append((position, data[position + 3]))
        position = data.find(b"\x00\x00\x01", position + 1)
    return found


def pair_units(units, codes, data):
    """Gives every trace unit the file offset of its start code, or None when a byte
    search cannot see it (its start code is cut by a packet header)."""
    next_code = 0
    for unit in units:
        unit["offset"] = None
        if next_code >= len(codes):
            continue
        offset, code = codes[next_code]
        if code != UNIT_CODES[unit["kind"]]:
            continue
        # The identifier of an extension, the width of a sequence header: the bytes after
        # the start code must say the same as the trace, or the unit is not this one.
        if unit["kind"] == "Extension Data" and offset + 4 < len(data) and \
                data[offset + 4] >> 4 != unit["id"]:
            continue
        if unit["kind"] == "Sequence Header" and offset + 5 < len(data) and \
                (data[offset + 4] << 4 | data[offset + 5] >> 4) != \
                field_value(unit, "horizontal_size_value"):
            continue
        unit["offset"] = unit["position"] = offset
        next_code += 1
    for offset, code in codes[next_code:]:
        if offset <= STRICT_PAIRING_LIMIT:
            raise Failure(f"start code {code:02X} at offset {offset} pairs with no unit of "
                          "ffmpeg's trace: cannot tell what the analysis sees there")


# --- the expected analysis --------------------------------------------------------------

def analysis_container(data):
    """The container as the first-header analysis sees it: the scan's one rule."""
    from check_scan import scan_layout
    return scan_layout(data)


def position_at_or_after(pieces, offset):
    """The video position of the first byte at file offset `offset` or after it."""
    for start, at, size in pieces:
        if at + size > offset:
            return start + max(0, offset - at)
    return pieces[-1][0] + pieces[-1][2] if pieces else 0


def expected_analysis(container, units, pieces=None):
    """What the analysis gives. Each unit has its file offset (None: unseen) and its video
    position; an elementary or program stream's units are placed by the byte search, whose
    positions are file offsets, a transport stream's by the reference demultiplexer, whose
    pieces map the video to the file."""
    expected = {}
    transport = container == "transport"
    headers = [unit for unit in units if unit["kind"] == "Sequence Header"]
    # A sequence header at offset 0 is taken as it stands; after any other first start
    # code, and in a program or transport stream, the first one within the search window
    # counts.
    visible = [unit for unit in headers if unit["offset"] is not None]
    header = visible[0] if visible else None
    if header is not None and header["offset"] > (LAST_TRANSPORT_HEADER_OFFSET if transport
                                                   else LAST_HEADER_OFFSET):
        header = None
    if header is None:
        expected["stream_type_text"] = ""
    else:
        expected["stream_type_text"] = {"elementary": "Flux élémentaire",
                                        "transport": "Flux transport",
                                        "program": "Flux programme"}[container]
    expected["header_position"] = header["offset"] if header else 0

    if header is None:
        # No header in reach: nothing is decoded, the matrices are the defaults.
        expected.update({"mpeg_version_text": "", "horizontal_size": 0, "vertical_size": 0,
                         "aspect_ratio_text": "", "frame_rate_text": "",
                         "max_bit_rate_kbps": 0, "vbv_buffer_size_kb": 0,
                         "profile_text": "", "level_text": "", "chroma_format_text": "",
                         "video_format_text": "", "intra_dc_precision_bits": 0,
                         "picture_structure_text": "", "intra": rows(DEFAULT_INTRA),
                         "non_intra": rows(DEFAULT_NON_INTRA), "intra_from_stream": False,
                         "non_intra_from_stream": False})
        return expected, None
    # A transport stream's windows begin at its header, the others' at the file's start.
    window_start = header["offset"] if transport else 0

    expected["horizontal_size"] = field_value(header, "horizontal_size_value")
    expected["vertical_size"] = field_value(header, "vertical_size_value")
    expected["aspect_ratio_text"] = ASPECT.get(field_value(header, "aspect_ratio_information"), "")
    expected["frame_rate_text"] = FRAME_RATE.get(field_value(header, "frame_rate_code"), "")
    # bit_rate_value counts 400 bit/s units; kbit/s rounded to the nearest integer.
    bit_rate = Fraction(field_value(header, "bit_rate_value") * 400, 1000)
    expected["max_bit_rate_kbps"] = int(bit_rate + Fraction(1, 2))
    # vbv_buffer_size_value counts 16384-bit units, 2 KiB each.
    expected["vbv_buffer_size_kb"] = field_value(header, "vbv_buffer_size_value") * 2

    load_intra = field_value(header, "load_intra_quantiser_matrix") == 1
    load_non_intra = field_value(header, "load_non_intra_quantiser_matrix") == 1
    expected["intra"] = rows(to_raster(matrix_from_trace(header, "intra_quantiser_matrix"))
                             if load_intra else DEFAULT_INTRA)
    expected["non_intra"] = rows(
        to_raster(matrix_from_trace(header, "non_intra_quantiser_matrix"))
        if load_non_intra else DEFAULT_NON_INTRA)
    expected["intra_from_stream"] = load_intra
    expected["non_intra_from_stream"] = load_non_intra

    # The extension search starts right after the header's matrices.
    search_start = header["position"] + 12 + 64 * load_intra + 64 * load_non_intra
    extensions = [unit for unit in units if unit["kind"] == "Extension Data"
                  and unit["offset"] is not None and unit["position"] >= search_start]
    sequence_extension = None
    # Without a display extension the picture coding extension is looked for from the end
    # of the extension window on.
    window_end = window_start + LAST_EXTENSION_OFFSET + 1
    picture_search_start = max(search_start, position_at_or_after(pieces, window_end)
                               if transport else window_end)
    expected["video_format_text"] = ""
    for unit in extensions:
        if unit["offset"] > window_start + LAST_EXTENSION_OFFSET:
            break
        if unit["id"] == 1:
            sequence_extension = unit
        elif unit["id"] == 2:
            expected["video_format_text"] = VIDEO_FORMAT[field_value(unit, "video_format")]
            picture_search_start = unit["position"]
            break
    if sequence_extension:
        indication = field_value(sequence_extension, "profile_and_level_indication")
        expected["profile_text"] = PROFILE.get((indication >> 4) & 0x07, "ProfilInconnu")
        expected["level_text"] = LEVEL.get(indication & 0x0F, "LevelInconnu")
        expected["chroma_format_text"] = CHROMA[field_value(sequence_extension,
                                                            "chroma_format")]
        expected["mpeg_version_text"] = "MPEG-2"
    else:
        expected.update({"profile_text": "", "level_text": "", "chroma_format_text": "",
                         "mpeg_version_text": "MPEG-1"})

    expected["intra_dc_precision_bits"] = 0
    expected["picture_structure_text"] = ""
    for unit in extensions:
        if unit["position"] < picture_search_start:
            continue
        if unit["offset"] > window_start + LAST_PICTURE_CODING_OFFSET:
            break
        if unit["id"] >= 8:
            expected["intra_dc_precision_bits"] = 8 + field_value(unit, "intra_dc_precision")
            expected["picture_structure_text"] = PICTURE_STRUCTURE[
                field_value(unit, "picture_structure")]
            break
    return expected, header


# --- MediaInfo --------------------------------------------------------------------------

# Files whose video MediaInfo does not see, by name, with the reason: the values are still
# checked against ffmpeg's trace, the matrices not against MediaInfo.
MEDIAINFO_EXCEPTIONS = {
    "sindresorhus_file-type_fixture.ps.mpg":
        "an MPEG-1 system stream cut after its first picture: MediaInfo lists its audio "
        "track only",
}

def mediainfo_matrices(path):
    """(MPEG version, matrices in stream order): MediaInfo prints one hex string per
    custom matrix, intra first, joined by " / "."""
    run = subprocess.run(["mediainfo", "--Output=JSON", path], capture_output=True, text=True,
                         errors="replace")
    if run.returncode != 0:
        raise Failure(f"mediainfo failed ({run.returncode})")
    try:
        tracks = json.loads(run.stdout)["media"]["track"]
    except (ValueError, KeyError, TypeError) as error:
        raise Failure(f"cannot read MediaInfo's JSON: {error}")
    videos = [track for track in tracks if track.get("@type") == "Video"]
    if len(videos) != 1:
        raise Failure(f"MediaInfo sees {len(videos)} video tracks")
    video = videos[0]
    version = video.get("Format_Version")
    data = video.get("Format_Settings_Matrix_Data", "")
    setting = video.get("Format_Settings_Matrix")
    matrices = []
    for text in filter(None, (part.strip() for part in data.split("/"))):
        if not re.fullmatch(r"[0-9A-F]{128}", text):
            raise Failure(f"cannot read MediaInfo's matrix {text!r}")
        matrices.append([int(text[i:i + 2], 16) for i in range(0, 128, 2)])
    if (setting == "Custom") != bool(matrices):
        raise Failure(f"MediaInfo says {setting!r} with {len(matrices)} matrices")
    return version, matrices


# --- the check --------------------------------------------------------------------------

def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cli, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as stream:
        data = stream.read()

    container, layout = analysis_container(data)
    pieces = None
    if container == "transport":
        # The analysis reads the demultiplexed video, whose bytes keep their file offsets:
        # the reference demultiplexer of check_scan.py gives both, and its video must be
        # the one ffmpeg copies out, start code for start code with the trace.
        from check_scan import file_offset, reference_units, transport_map
        from check_scan import start_codes as video_start_codes
        if len(data) > TRANSPORT_LONGEST_READ:
            raise Failure("a transport stream longer than the analysis reads: not modelled")
        video, pieces, _, _, _ = transport_map(data, *layout)
        scan_units = reference_units(path, video)
        codes = video_start_codes(video)
        if [code for _, code in codes] != [{"Picture Header": 0x00, "Group of Pictures Header":
                                            0xB8}.get(unit["kind"], UNIT_CODES.get(unit["kind"]))
                                           for unit in scan_units]:
            raise Failure("the start codes of the video do not pair with ffmpeg's trace")
        # A video without a sequence header (a fragment without tables, read from its first
        # stream of video) leaves the analysis nothing to decode.
        headed = any(unit["kind"] == "Sequence Header" for unit in scan_units)
        units = trace_units(scan_units, [position for position, _ in codes]) if headed else []
        for unit in units:
            unit["offset"] = file_offset(pieces, unit["position"])
    else:
        units = read_trace(path)
        pair_units(units, start_codes(data), data)
    expected, header = expected_analysis(container, units, pieces)

    run = subprocess.run([cli, "info", "--json", path], capture_output=True)
    # A file without a sequence header in reach is told so, with exit status 1.
    reach = "16 premiers Mio" if container == "transport" else "300000 premiers octets"
    expected_messages = [] if header else [{
        "icon": "information", "title": "Aucune séquence MPEG...",
        "text": f"Aucun en-tête de séquence MPEG n'a été trouvé dans les {reach} du "
                "fichier. Les matrices affichées sont celles de la norme MPEG."}]
    if run.returncode != (0 if header else 1):
        raise Failure(f"quantaline-cli exited with {run.returncode}: {run.stderr!r}")
    lines = run.stdout.decode("utf-8").splitlines()
    if len(lines) != 1:
        raise Failure(f"quantaline-cli printed {len(lines)} lines, not one")
    actual = json.loads(lines[0])

    problems = []
    for key, value in expected.items():
        if actual.get(key) != value:
            problems.append(f"{key}: expected {value!r}, quantaline-cli gives {actual.get(key)!r}")
    if actual.get("messages") != expected_messages:
        problems.append(f"messages: {actual.get('messages')!r}")

    checked_with_mediainfo = False
    mediainfo_exception = MEDIAINFO_EXCEPTIONS.get(os.path.basename(path))
    if mediainfo_exception:
        print(f"{path}: the matrices are not checked with MediaInfo: {mediainfo_exception}")
        version, matrices = None, []
    elif header is None:
        version, matrices = None, []  # nothing decoded: no matrix to compare
    else:
        version, matrices = mediainfo_matrices(path)
    if version == "1" and header is not None:
        loaded = [to_raster(matrix) for matrix in matrices]
        flags = [actual["intra_from_stream"], actual["non_intra_from_stream"]]
        ours = [sum(actual["intra"], []), sum(actual["non_intra"], [])]
        if len(loaded) == 2:
            wanted = [(0, loaded[0]), (1, loaded[1])]
        elif len(loaded) == 1:
            # A single custom matrix: whichever one the stream loads.
            if flags.count(True) != 1:
                problems.append(f"MediaInfo sees one custom matrix, the flags say {flags}")
            wanted = [(flags.index(True) if True in flags else 0, loaded[0])]
        else:
            wanted = []
            if any(flags):
                problems.append(f"MediaInfo sees default matrices, the flags say {flags}")
        for index, matrix in wanted:
            if not flags[index] or ours[index] != matrix:
                problems.append(f"{['intra', 'non_intra'][index]} differs from MediaInfo's "
                                f"{rows(matrix)}: {rows(ours[index])}")
        checked_with_mediainfo = True

    if problems:
        raise Failure("\n".join(problems))
    where = f"header at {expected['header_position']}" if header else "no header in reach"
    print(f"{path}: {len(expected)} values agree with ffmpeg's trace"
          f"{' and the matrices with MediaInfo' if checked_with_mediainfo else ''} ({where})")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"{sys.argv[2] if len(sys.argv) > 2 else ''}: {failure}", file=sys.stderr)
        sys.exit(1)
