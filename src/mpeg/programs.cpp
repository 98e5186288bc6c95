#include "mpeg/programs.h"

#include <algorithm>

namespace quantaline::mpeg {

namespace {

unsigned be16(const std::uint8_t* p) {
    return (unsigned{p[0]} << 8) | p[1];
}

} // namespace

bool is_read_video_stream_type(std::uint8_t stream_type) {
    switch (stream_type) {
    case 0x01:
    case 0x02:
    case 0x10:
    case 0x1B:
    case 0x24:
        return true;
    default:
        return false;
    }
}

void ProgramTables::association(std::span<const std::uint8_t> s) {
    if (s.size() < 12 || s[0] != 0x00) {
        return;
    }
    const std::size_t end = s.size() - 4; // CRC_32
    for (std::size_t i = 8; i + 4 <= end && programs_.size() < max_programs; i += 4) {
        const auto number = static_cast<std::uint16_t>(be16(&s[i]));
        const auto pid = static_cast<std::uint16_t>(be16(&s[i + 2]) & 0x1FFF);
        const bool known = std::any_of(programs_.begin(), programs_.end(),
                                       [&](const Program& p) { return p.number == number; });
        if (number != 0 && !known) {
            programs_.push_back(Program{number, pid, false, std::nullopt});
        }
    }
}

bool ProgramTables::is_program_map_pid(std::uint16_t pid) const {
    return std::any_of(programs_.begin(), programs_.end(),
                       [pid](const Program& p) { return p.map_pid == pid; });
}

void ProgramTables::program_map(std::span<const std::uint8_t> s) {
    if (s.size() < 16 || s[0] != 0x02) {
        return;
    }
    const auto number = static_cast<std::uint16_t>(be16(&s[3]));
    const auto program = std::find_if(programs_.begin(), programs_.end(),
                                      [number](const Program& p) { return p.number == number; });
    if (program == programs_.end() || program->map_seen) {
        return;
    }
    program->map_seen = true;
    ++maps_seen_;
    const std::size_t end = s.size() - 4; // CRC_32
    const std::size_t program_info_length = be16(&s[10]) & 0x0FFF;
    for (std::size_t i = 12 + program_info_length; i + 5 <= end;
         i += 5 + (be16(&s[i + 3]) & 0x0FFF)) {
        if (is_read_video_stream_type(s[i])) {
            program->video =
                ProgramVideo{static_cast<std::uint16_t>(be16(&s[i + 1]) & 0x1FFF), s[i]};
            return;
        }
    }
}

std::optional<ProgramVideo> ProgramTables::decided() const {
    for (const Program& program : programs_) {
        if (!program.map_seen) {
            return std::nullopt;
        }
        if (program.video) {
            return program.video;
        }
    }
    return std::nullopt;
}

std::optional<ProgramVideo> ProgramTables::first_seen() const {
    for (const Program& program : programs_) {
        if (program.video) {
            return program.video;
        }
    }
    return std::nullopt;
}

} // namespace quantaline::mpeg
