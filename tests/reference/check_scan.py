#!/usr/bin/env python3
"""Checks `quantaline-cli scan --json` on one real stream against ffmpeg's header trace.

ffmpeg copies the video out of the file (`-map 0:v:0 -c:v copy -f mpeg2video`) and
traces every header of it (`-bsf:v trace_headers`): each sequence header with its
matrices, each extension (quant_matrix_extension with its four matrices), each group of
pictures header with its time code, each picture header. From that trace alone this
script predicts the counts, the changes of matrices and the matrix sets.

The offsets of the start codes in the file come from a small demultiplexer here (program
stream packs and PES packets, transport packets read as Quantaline reads them: the packet
phase wherever the file starts, video packets before the tables held until the PMT names
the video), whose elementary stream must be byte for byte the one ffmpeg copies out;
otherwise the check fails rather than guess. The container is told from the file's bytes,
as Quantaline tells it, not from its name.

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
    # -copyinkf: the pictures before the first key frame are copied too (a capture that
    # begins inside a group of pictures), as Quantaline reads them.
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
                          "-i", path, "-map", "0:v:0", "-c:v", "copy", "-copyinkf",
                          "-f", "mpeg2video", "-"], capture_output=True)
    if not run.stdout:
        raise Failure(f"ffmpeg cannot copy the video out ({run.returncode}): "
                      f"{run.stderr.decode(errors='replace')[-2000:]}")
    return run.stdout


# Extensions whose identifier ffmpeg's trace does not know: it prints "Extension ID 4 not
# supported." and drops the rest of the packet. They carry nothing these checks compare, so
# they are cut out of the video that is traced, and their start codes are not paired.
UNTRACED_EXTENSIONS = {4: "copyright_extension"}


def untraced_units(video):
    """(start, end) of each extension of an untraced kind: its start code to the next."""
    spans = []
    p = video.find(b"\x00\x00\x01\xb5")
    while 0 <= p <= len(video) - 5:
        if video[p + 4] >> 4 in UNTRACED_EXTENSIONS:
            end = video.find(b"\x00\x00\x01", p + 4)
            spans.append((p, len(video) if end < 0 else end))
        p = video.find(b"\x00\x00\x01\xb5", p + 4)
    return spans


def traced_field_name(unit, name):
    """The name of a trace field. In a quant_matrix_extension ffmpeg names the chroma intra
    matrix "intra_quantiser_matrix" (its bit positions follow the chroma load flag): named
    here by where it comes."""
    if unit.get("name") == "Quant Matrix Extension" and name.startswith("intra_quantiser_matrix[") \
            and "load_chroma_intra_quantiser_matrix" in unit["fields"]:
        return "chroma_" + name
    return name


def ffmpeg_units(video):
    spans = untraced_units(video)
    traced = bytearray()
    last = 0
    for start, end in spans:
        traced += video[last:start]
        last = end
    traced += video[last:]
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "info",
                          "-f", "mpegvideo", "-c:v", "mpeg2video", "-i", "-", "-c:v", "copy",
                          "-copyinkf",
                          "-bsf:v", "trace_headers", "-f", "null", "-"],
                         input=bytes(traced), capture_output=True)
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
            if not units:
                raise Failure(f"trace field outside any unit: {body!r}")
            name = traced_field_name(units[-1], field.group(2))
            if "quantiser_matrix[" in name and name in units[-1]["fields"]:
                raise Failure(f"{name} twice in one {units[-1]['kind']} of ffmpeg's trace")
            units[-1]["fields"][name] = int(field.group(4))
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


# --- how Quantaline tells the containers apart ---------------------------------------------

SYNC = 0x47
PROBE_SIZE = 8 * 192 + 192


def sync_bytes_at(data, size, first, count, least):
    """Sync bytes at `first`, one packet apart, `count` times or as far as the bytes go; at
    least `least` of them."""
    seen = 0
    for k in range(count):
        at = first + k * size
        if at >= len(data):
            break
        if data[at] != SYNC:
            return False
        seen += 1
    return seen >= least


def transport_layout(start):
    """(packet size, sync byte's place in a packet, first whole packet) of the bytes of a
    transport stream, or None: three sync bytes from the first byte (188-byte packets, or
    192-byte ones whose sync byte is at 4), else five a packet apart (three in a shorter
    file) from a phase within the first packet, the partial packet before it stepped over."""
    if sync_bytes_at(start, 188, 0, 3, 1):
        return 188, 0, 0
    if len(start) > 4 and sync_bytes_at(start, 192, 4, 3, 1):
        return 192, 4, 0
    probe = start[:PROBE_SIZE]
    for size in (188, 192):
        sync = size - 188
        for phase in range(min(size, len(probe))):
            if probe[phase] == SYNC and sync_bytes_at(probe, size, phase, 5, 3):
                # A 192-byte packet whose time code is cut is stepped over whole.
                return size, sync, phase - sync if phase >= sync else phase + size - sync
    return None


def pes_header_form_size(p):
    """The size of a PES packet's header (MPEG-2 or MPEG-1 form), 0 when it is broken."""
    if len(p) < 9:
        return 0
    if p[6] & 0xC0 == 0x80:
        return 9 + p[8]
    i = 6
    while i < len(p) and p[i] == 0xFF and i < 6 + 16:
        i += 1
    if i < len(p) and p[i] & 0xC0 == 0x40:
        i += 2
    if i >= len(p):
        return 0
    if p[i] & 0xF0 == 0x20:
        return i + 5
    if p[i] & 0xF0 == 0x30:
        return i + 10
    return i + 1 if p[i] == 0x0F else 0


def begins_program_stream(at):
    """A system header, or a PES packet whose header (an audio or video one) is well formed."""
    code = at[3]
    if code < 0xBB:
        return False
    return not 0xC0 <= code <= 0xEF or pes_header_form_size(at) != 0


def scan_layout(data):
    """The container as the scan sees it: transport packets, else a program stream when a
    pack start code comes before any sequence header (or a system header or PES packet is
    the first start code), else an elementary stream, whatever comes before its first sequence
    header. The first-header analysis takes the same rule."""
    probe = data[:262144]
    transport = transport_layout(probe)
    # A sync byte with less than one packet after it is no transport stream.
    if transport and len(probe) >= transport[2] + transport[1] + transport[0]:
        return "transport", transport
    first = True
    p = probe.find(b"\x00\x00\x01")
    while 0 <= p <= len(probe) - 4:
        code = probe[p + 3]
        if code == 0xBA or (first and begins_program_stream(probe[p:])):
            return "program", None
        if code == 0xB3:
            return "elementary", None
        first = False
        p = probe.find(b"\x00\x00\x01", p + 1)
    return "elementary", None


def read_layout(data):
    """(container, video, pieces, video id, cut offset, damage) as the scan reads the file."""
    container, transport = scan_layout(data)
    if container == "transport":
        return (container,) + transport_map(data, *transport)
    if container == "elementary":
        return (container,) + elementary_map(data) + ({},)
    return (container,) + program_map(data) + ({},)


# --- transport streams --------------------------------------------------------------------

# The most packet bytes Quantaline holds before the tables name the video.
HELD_BYTES_LIMIT = 16 * 1024 * 1024


def section_of(payload):
    """The section a packet's payload begins, after its pointer_field (cut to the packet)."""
    if len(payload) < 1 or payload[0] + 1 >= len(payload):
        return b""
    section = payload[payload[0] + 1:]
    if len(section) < 3:
        return b""
    return section[:3 + ((section[1] & 0x0F) << 8 | section[2])]


def is_video_id(code):
    return 0xE0 <= code <= 0xEF


class TransportReader:
    """The PAT, the PMTs, and the PES packets of the video: the first stream of a codec read
    (stream_type 1, 2, 0x10, 0x1B or 0x24) in the first program, in the PAT's order, that
    has one, decided once the maps of every program before it have come; its payload is
    read only when it is MPEG-1 or MPEG-2 video (stream_type 1 or 2). Before the choice, the
    packets of every stream whose PES packets carry a video stream_id (or whose payload
    begins with a start code) are held and read once the video is chosen. When the reach
    ends undecided, the first program whose map came with a video; when no PMT has come,
    the first of those streams."""

    def __init__(self):
        self.video = bytearray()
        self.pieces = []
        self.pmts = []
        self.programs = []  # (program_number, map PID) in the PAT's order
        self.maps = {}  # program_number: its video (PID, stream_type), or None
        self.video_pid = None
        self.left_aside = False  # the video chosen is not MPEG-1 or MPEG-2
        self.pmt_seen = False
        self.without_tables = None  # the PID read without tables
        self.candidates = []
        self.held = []
        self.held_bytes = 0
        self.dropped = 0
        self.last_counter = -1
        self.in_pes = False
        self.header = None  # the PES header collected so far, None once it is whole
        self.resyncs = []
        self.scrambled = []
        self.continuity_errors = 0

    def feed(self, payload, offset):
        if payload:
            self.pieces.append((len(self.video), offset, len(payload)))
            self.video += payload

    def video_payload(self, payload, offset, unit_start):
        if unit_start:
            self.in_pes, self.header = True, bytearray()
        if not self.in_pes:
            return  # the middle of a PES packet whose start the file does not hold
        while self.header is not None and payload:
            wanted = 9 if len(self.header) < 9 else 9 + self.header[8]
            if len(self.header) == wanted:
                break
            step = min(len(payload), wanted - len(self.header))
            self.header += payload[:step]
            payload, offset = payload[step:], offset + step
            if len(self.header) == 9 and (self.header[:3] != b"\x00\x00\x01" or
                                          (not is_video_id(self.header[3]) and
                                           self.without_tables is None) or
                                          self.header[6] & 0xC0 != 0x80):
                # Not the header of a video PES packet: named as damage, nothing skipped.
                self.resyncs.append((offset - 9, 0))
                self.in_pes = False
                return
        if self.header is not None:
            if len(self.header) < 9 or len(self.header) < 9 + self.header[8]:
                return
            self.header = None
        self.feed(payload, offset)

    def packet(self, packet, offset):
        error = packet[1] & 0x80
        unit_start = packet[1] & 0x40
        pid = (packet[1] & 0x1F) << 8 | packet[2]
        control = packet[3] >> 4 & 0x03
        counter = packet[3] & 0x0F
        start, discontinuity = 4, False
        if control & 0x02:
            if packet[4] > 0:
                discontinuity = bool(packet[5] & 0x80)
            start = 5 + packet[4]
        has_payload = bool(control & 0x01) and start < 188
        if self.video_pid is not None and pid == self.video_pid:
            if self.left_aside:
                return
            if error or start > 188:
                self.continuity_errors += 1
                self.in_pes = False
                return
            if control & 0x01:
                if self.last_counter >= 0 and not discontinuity:
                    if counter == self.last_counter:
                        return  # a duplicate packet, sent twice on purpose
                    if counter != (self.last_counter + 1) & 0x0F:
                        self.continuity_errors += 1
                self.last_counter = counter
            if packet[3] >> 6:
                # Scrambled: skipped, and the PES packet it belongs to with it.
                self.scrambled.append(offset)
                self.in_pes = False
                return
            if has_payload:
                self.video_payload(packet[start:188], offset + start, unit_start)
            return
        if self.video_pid is not None or pid == 0x1FFF:
            return
        if pid != 0 and pid not in self.pmts:
            self.hold(packet, offset, pid, unit_start and not error and has_payload, start)
            return
        if error or not has_payload or not unit_start:
            return
        section = section_of(packet[start:188])
        if pid == 0:
            if len(section) >= 12 and section[0] == 0x00:
                for i in range(8, len(section) - 4 - 3, 4):
                    number = section[i] << 8 | section[i + 1]
                    pmt = (section[i + 2] & 0x1F) << 8 | section[i + 3]
                    known = any(n == number for n, _ in self.programs)
                    if number and not known and len(self.programs) < 64:
                        self.programs.append((number, pmt))
                        self.pmts.append(pmt)
        elif len(section) >= 16 and section[0] == 0x02:
            number = section[3] << 8 | section[4]
            if number not in self.maps and any(n == number for n, _ in self.programs):
                self.pmt_seen = True
                self.maps[number] = None
                i = 12 + ((section[10] & 0x0F) << 8 | section[11])
                while i + 5 <= len(section) - 4:
                    if section[i] in (0x01, 0x02, 0x10, 0x1B, 0x24):
                        self.maps[number] = ((section[i + 1] & 0x1F) << 8 | section[i + 2],
                                             section[i])
                        break
                    i += 5 + ((section[i + 3] & 0x0F) << 8 | section[i + 4])
        decided = None
        for number, _ in self.programs:
            if number not in self.maps:
                break
            if self.maps[number]:
                decided = self.maps[number]
                break
        if decided:
            self.choose(decided)

    def first_seen(self):
        return next((self.maps[n] for n, _ in self.programs if self.maps.get(n)), None)

    def choose(self, video):
        self.video_pid = video[0]
        self.left_aside = video[1] not in (1, 2)
        self.replay()

    def hold(self, packet, offset, pid, unit_start, start):
        if pid not in self.candidates:
            pes = packet[start:188]
            body = 9 + pes[8] if len(pes) >= 9 else 188
            coded = pes[body:body + 3] == b"\x00\x00\x01" or \
                pes[body:body + 4] == b"\x00\x00\x00\x01"
            video = len(pes) >= 9 and pes[:3] == b"\x00\x00\x01" and (is_video_id(pes[3]) or coded)
            if not unit_start or not video or len(self.candidates) >= 64:
                return
            self.candidates.append(pid)
        if self.held_bytes + 188 > HELD_BYTES_LIMIT and (not self.pmt_seen or self.first_seen()):
            self.finish()
            if pid == self.video_pid:
                self.packet(packet, offset)
            return
        if self.held_bytes + 188 > HELD_BYTES_LIMIT:
            self.dropped += 1
            return
        self.held.append((packet, offset))
        self.held_bytes += 188

    def finish(self):
        """The end of the reach: the first program seen with a video, or without a PMT the
        first stream of video."""
        if self.video_pid is None and self.pmt_seen and self.first_seen():
            self.choose(self.first_seen())
        elif self.video_pid is None and not self.pmt_seen and self.candidates:
            self.video_pid = self.without_tables = self.candidates[0]
            self.replay()

    def replay(self):
        if self.dropped:
            raise Failure("more video before the tables than Quantaline holds: not modelled")
        held, self.held = self.held, []
        for packet, offset in held:
            if ((packet[1] & 0x1F) << 8 | packet[2]) == self.video_pid:
                self.packet(packet, offset)


def transport_map(data, size, sync, first):
    """(video bytes, pieces, video PID, cut offset, damage) of a transport stream, packet by
    packet from the first whole one. A byte where a sync byte should be is stepped over up
    to the next sync byte that another one a packet later confirms (or that begins the
    file's last packet)."""
    reader = TransportReader()
    if first:
        reader.resyncs.append((0, first))  # the end of a packet whose start the file lacks
    cut = None
    p = first
    while p < len(data):
        if len(data) - p < size:
            cut = p  # a last packet cut short
            break
        if data[p + sync] != SYNC:
            lost = p
            p += 1
            while p + sync < len(data) and not (
                    data[p + sync] == SYNC and (p + size + sync >= len(data) or
                                                data[p + size + sync] == SYNC)):
                p += 1
            if p + sync >= len(data):
                p = len(data)  # no sync byte up to the end
            reader.resyncs.append((lost, p - lost))
            continue
        reader.packet(data[p + sync:p + sync + 188], p + sync)
        p += size
    reader.finish()
    if reader.continuity_errors and reader.without_tables is None:
        raise Failure(f"{reader.continuity_errors} discontinuities in the video's packets: what "
                      "they do to the units across them is not modelled here")
    damage = {"resyncs": reader.resyncs, "scrambled": reader.scrambled,
              "without_tables": reader.without_tables,
              "continuity_errors": reader.continuity_errors}
    return bytes(reader.video), reader.pieces, reader.video_pid, cut, damage


def file_offset(pieces, position):
    for start, offset, size in pieces:
        if start <= position < start + size:
            return offset + position - start
    raise Failure(f"video position {position} lies in no packet")


def start_codes(video):
    found = []
    untraced = {start for start, _ in untraced_units(video)}
    p = video.find(b"\x00\x00\x01")
    while 0 <= p <= len(video) - 4:
        if video[p + 3] in UNIT_CODES.values() and p not in untraced:
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


def damaged(unit):
    """The structure's name when a marker bit of it is 0: Quantaline steps over it as
    damage (ffmpeg's trace prints the bit, or the time code that holds it, and goes on)."""
    if unit["kind"] == "Sequence Header" and unit["fields"].get("marker_bit") == 0:
        return "sequence_header"
    if unit["kind"] == "Group of Pictures Header" and not unit["fields"]["time_code"] >> 12 & 1:
        return "group_of_pictures_header"
    return None


def expected_scan(units):
    """Changes and matrix sets as ISO/IEC 13818-2 defines them, from the trace alone."""
    kinds = [unit["kind"] for unit in units]
    current = None
    changes = []
    set_after = []  # the set in force after each unit
    for index, unit in enumerate(units):
        new = current
        kind = None
        if damaged(unit):
            pass
        elif unit["kind"] == "Sequence Header":
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
            gops = [i for i in range(index + 1, end) if kinds[i] == "Group of Pictures Header"
                    and not damaged(units[i])]
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


# Files whose video ffmpeg cannot copy out, by name, with the reason. Nothing can be paired
# with a trace there: what the reference demultiplexer alone predicts is checked (a video it
# finds empty: no header, no picture, and the damage it met), and the check fails when
# ffmpeg comes to copy a video out of them, or the reference demultiplexer finds one.
FFMPEG_EXCEPTIONS = {
    "tsduck_tsduck-test_test-101.ts":
        "every packet of the video PID is scrambled (transport_scrambling_control 2): ffmpeg "
        "finds no picture size and copies nothing",
    "tsduck_tsduck-test_test-142.ts":
        "a fragment of a multiplex without PAT or PMT: ffmpeg guesses its streams' codecs "
        "from their bytes, takes the PES stream of video on PID 0x0AA1 for MPEG audio and "
        "copies no video; the video the reference demultiplexer reads there is traced",
}


def ffmpeg_exception(path):
    return FFMPEG_EXCEPTIONS.get(os.path.basename(path))


def reference_units(path, video):
    """ffmpeg's trace of the file's video, which must be the reference demultiplexer's byte
    for byte; nothing for a file of FFMPEG_EXCEPTIONS whose video is empty here."""
    reason = ffmpeg_exception(path)
    if reason is None:
        copied = ffmpeg_video(path)
        if video != copied:
            raise Failure(f"the reference demultiplexer's video ({len(video)} bytes) is not "
                          f"the one ffmpeg copies out ({len(copied)} bytes)")
        return ffmpeg_units(copied)
    print(f"{path}: not traced by ffmpeg: {reason}")
    try:
        copied = ffmpeg_video(path)
    except Failure:
        copied = b""
    if copied:
        raise Failure(f"ffmpeg now copies {len(copied)} bytes of video out: the file no longer "
                      "belongs in FFMPEG_EXCEPTIONS")
    # What the reference demultiplexer reads is traced as an elementary stream; ffmpeg
    # traces no picture before a sequence header, which a fragment may not hold.
    if video and b"\x00\x00\x01\xb3" not in video:
        return headerless_units(video)
    return ffmpeg_units(video) if video else []


def headerless_units(video):
    """The units of a video without a sequence header, from their own bits: the picture
    headers' first fields, the time codes of the groups, the extensions' identifiers."""
    units = []
    for p, code in start_codes(video):
        bits = int.from_bytes(video[p + 4:p + 12].ljust(8, b"\x00"), "big")
        if code == 0x00:
            units.append({"kind": "Picture Header", "fields": {
                "temporal_reference": bits >> 54, "picture_coding_type": bits >> 51 & 7,
                "vbv_delay": bits >> 35 & 0xFFFF}})
        elif code == 0xB8:
            units.append({"kind": "Group of Pictures Header", "fields": {
                "time_code": bits >> 39, "closed_gop": bits >> 38 & 1,
                "broken_link": bits >> 37 & 1}})
        elif code == 0xB5 and bits >> 60 == 8:
            units.append({"kind": "Extension Data", "name": "Picture Coding Extension",
                          "fields": {"extension_start_code_identifier": 8,
                                     "picture_structure": bits >> 40 & 3,
                                     "top_field_first": bits >> 39 & 1,
                                     "repeat_first_field": bits >> 33 & 1,
                                     "progressive_frame": bits >> 31 & 1}})
        elif code == 0xB5:
            units.append({"kind": "Extension Data",
                          "fields": {"extension_start_code_identifier": bits >> 60}})
    return units


FORBIDDEN_TYPES = (0, 5, 6, 7)


def expected_messages(units, offsets, container, cut, damage):
    """(title, text) of each message the scan gives, in its order; a text None is checked
    by the cut offset it names."""
    messages = []
    broken = [(offsets[k], damaged(unit)) for k, unit in enumerate(units) if damaged(unit)]
    if broken:
        messages.append(("Structure(s) endommagée(s)",
                         f"{len(broken)} structure(s) endommagée(s) ignorée(s) ; la première : "
                         f"{broken[0][1]} à l'octet {broken[0][0]}."))
    forbidden = [offsets[k] for k, unit in enumerate(units) if unit["kind"] == "Picture Header"
                 and unit["fields"].get("picture_coding_type") in FORBIDDEN_TYPES]
    if forbidden:
        messages.append(("Données endommagées", f"{len(forbidden)} image(s) d'un type interdit, "
                                                f"la première à l'octet {forbidden[0]}."))
    resyncs = damage.get("resyncs", [])
    if resyncs:
        messages.append(("Données endommagées",
                         f"Synchronisation perdue {len(resyncs)} fois, la première à l'octet "
                         f"{resyncs[0][0]} ; {sum(n for _, n in resyncs)} octet(s) ignoré(s)."))
    without_tables = damage.get("without_tables")
    if without_tables is not None:
        messages.append(("Tables des programmes absentes", "Aucune table des programmes : la "
                                                           f"vidéo est lue sur le PID "
                                                           f"0x{without_tables:04X}"))
    scrambled = damage.get("scrambled", [])
    if scrambled:
        messages.append(("Vidéo chiffrée", f"{len(scrambled)} paquet(s) de la vidéo chiffré(s) "
                                           f"ignoré(s), le premier à l'octet {scrambled[0]}."))
    if damage.get("continuity_errors"):
        messages.append(("Paquets perdus", f"{damage['continuity_errors']} discontinuité(s) dans "
                                           f"les paquets de la vidéo (PID {without_tables})."))
    if cut is not None:
        messages.append(("Fichier incomplet", None))
    if not any(unit["kind"] == "Sequence Header" and not damaged(unit) for unit in units):
        messages.append(("Aucune vidéo MPEG",
                         "Aucun en-tête de séquence vidéo MPEG n'a été trouvé dans le fichier."))
    return messages


def messages_agree(actual, expected, cut):
    if len(actual) != len(expected):
        return False
    for got, (title, text) in zip(actual, expected):
        if got["title"] != title:
            return False
        if text is None:
            if f"l'octet {cut}," not in got["text"]:
                return False
        elif got["text"] != text:
            return False
    return True


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    cli, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as stream:
        data = stream.read()

    container, video, pieces, video_id, cut, damage = read_layout(data)
    units = reference_units(path, video)
    codes = start_codes(video)
    if [code for _, code in codes] != [UNIT_CODES[unit["kind"]] for unit in units]:
        raise Failure("the start codes of the video do not pair with ffmpeg's trace")
    offsets = [file_offset(pieces, position) for position, _ in codes]

    changes, sets = expected_scan(units)
    expected = {
        "file": path, "container": container, "video": video_id,
        "pictures": sum(unit["kind"] == "Picture Header" for unit in units),
        "sequence_headers": sum(unit["kind"] == "Sequence Header" and not damaged(unit)
                                for unit in units),
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
    wanted = expected_messages(units, offsets, container, cut, damage)
    if not messages_agree(messages, wanted, cut) or run.returncode != (1 if wanted else 0):
        problems.append(f"messages {messages!r}, exit status {run.returncode}; expected "
                        f"{wanted!r}" + (f" (the file stops at {cut})" if cut is not None else ""))
    if problems:
        raise Failure("\n".join(problems))
    print(f"{path}: {expected['pictures']} pictures, {expected['sequence_headers']} sequence "
          f"headers, {expected['quant_matrix_extensions']} quant_matrix_extensions, "
          f"{len(changes)} changes, {len(sets)} matrix sets"
          f"{f', {len(wanted)} messages' if wanted else ''} agree with "
          f"{'the reference demultiplexer' if ffmpeg_exception(path) else 'ffmpeg' + chr(39) + 's trace'}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"{sys.argv[2] if len(sys.argv) > 2 else ''}: {failure}", file=sys.stderr)
        sys.exit(1)
