#include "mpeg/macroblock.h"

#include "mpeg/codes.h"
#include "mpeg/start_code.h"
#include "mpeg/video_units.h"

#include <algorithm>
#include <cstring>

namespace quantaline::mpeg {

namespace {

// Where the next 00 00 01 at or after `from` lies, or the size.
std::size_t next_start_code(std::span<const std::uint8_t> bytes, std::size_t from) {
    return find_start_code_prefix(bytes.data(), from, bytes.size());
}

int block_count(std::uint8_t chroma_format) {
    return chroma_format == chroma_444 ? 12 : chroma_format == chroma_422 ? 8 : 6;
}

// The bits of an escaped coefficient, `window` beginning with it: escape (6 bits), run (6),
// then a level of 12 bits (MPEG-2), or of 8 bits, or 16 when the first 8 are 0 or 0x80
// (MPEG-1); 0 for an MPEG-2 level that is forbidden.
inline int escape_length(std::uint32_t window, bool mpeg2) {
    if (mpeg2) {
        const std::uint32_t level = (window >> 8) & 0xFFF;
        return level == 0 || level == 0x800 ? 0 : 6 + 6 + 12;
    }
    const std::uint32_t level = (window >> 12) & 0xFF;
    return 6 + 6 + (level == 0 || level == 0x80 ? 16 : 8);
}

// The coefficients after the first, through end_of_block; `n` is the index of the next
// coefficient. The bits are taken from a 64-bit window read again every few codes: a
// code with its escape takes 28 bits at most, and the window holds 57. A non-intra block
// (`first_non_intra`) starts with its first coefficient, where "1s" is run 0, level 1.
MacroblockError coefficients(SliceBits& bits, const vlc::DctTables& table, int n, bool mpeg2,
                             bool first_non_intra = false) {
    std::uint64_t wide = bits.peek_wide();
    int used = 0;
    if (first_non_intra && (wide >> 63) != 0) {
        used = 2;
        n = 1;
    }
    for (;;) {
        if (used > 24) {
            bits.skip(used);
            wide = bits.peek_wide();
            used = 0;
        }
        const auto window = static_cast<std::uint32_t>((wide << used) >> 32);
        // Most codes are short: two at a time when both are whole in the first bits, unless
        // they would pass the 64th coefficient, which the code-by-code path tells exactly.
        const vlc::DctPair& pair = table.pairs[window >> (32 - vlc::dct_pair_bits)];
        if (pair.length != 0 && n + pair.advance <= 64) {
            used += pair.length;
            n += pair.advance;
            if (pair.end) {
                bits.skip(used);
                return MacroblockError::none;
            }
            continue;
        }
        const vlc::DctEntry& e = vlc::dct_entry(table, window);
        if (e.run >= 0) {
            if (e.length == 0) {
                bits.skip(used);
                return MacroblockError::invalid_code;
            }
            n += e.run + 1;
            used += e.length;
        } else if (e.run == vlc::end_of_block) {
            bits.skip(used + e.length);
            return MacroblockError::none;
        } else {
            n += static_cast<int>((window >> 20) & 63) + 1;
            const int length = escape_length(window, mpeg2);
            if (length == 0) {
                bits.skip(used);
                return MacroblockError::invalid_escape_level;
            }
            used += length;
        }
        if (n > 64) {
            bits.skip(used);
            return MacroblockError::too_many_coefficients;
        }
    }
}

} // namespace

SequenceContext sequence_context(const SequenceHeader& header, const SequenceExtension* extension) {
    SequenceContext c;
    c.horizontal_size = header.horizontal_size_value;
    c.vertical_size = header.vertical_size_value;
    if (extension != nullptr) {
        c.mpeg2 = true;
        c.chroma_format = extension->chroma_format;
        c.horizontal_size |= std::uint32_t{extension->horizontal_size_extension} << 12;
        c.vertical_size |= std::uint32_t{extension->vertical_size_extension} << 12;
        c.progressive_sequence = extension->progressive_sequence;
    }
    return c;
}

std::uint32_t PictureQuantiser::quantiser_average_hundredths() const {
    const std::uint64_t count = macroblocks();
    if (count == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>((quantiser_sum * 200 + count) / (2 * count));
}

MacroblockError macroblock_address_increment(SliceBits& bits, std::uint32_t& increment) {
    increment = 0;
    for (;;) {
        const vlc::Entry& e = vlc::entry(vlc::macroblock_address_increment_table, bits.peek());
        if (e.length == 0) {
            return MacroblockError::invalid_code;
        }
        bits.skip(e.length);
        if (e.value == vlc::macroblock_escape) {
            increment += 33;
        } else if (e.value != vlc::macroblock_stuffing) {
            increment += static_cast<std::uint32_t>(e.value);
            return MacroblockError::none;
        }
    }
}

MacroblockError macroblock_type(SliceBits& bits, std::uint8_t picture_coding_type, int& type) {
    const std::uint32_t window = bits.peek();
    const vlc::Entry* e = nullptr;
    switch (picture_coding_type) {
    case intra_coded:
        e = &vlc::entry(vlc::macroblock_type_i_table, window);
        break;
    case predictive_coded:
        e = &vlc::entry(vlc::macroblock_type_p_table, window);
        break;
    case bidirectionally_predictive_coded:
        e = &vlc::entry(vlc::macroblock_type_b_table, window);
        break;
    default:
        e = &vlc::entry(vlc::macroblock_type_d_table, window);
        break;
    }
    if (e->length == 0) {
        return MacroblockError::invalid_code;
    }
    bits.skip(e->length);
    type = e->value;
    return MacroblockError::none;
}

MacroblockError macroblock_modes(SliceBits& bits, const PictureContext& picture,
                                 MacroblockModes& modes) {
    modes = {};
    if (const auto error = macroblock_type(bits, picture.picture_coding_type, modes.type);
        error != MacroblockError::none) {
        return error;
    }
    const bool motion =
        (modes.type & (vlc::type::motion_forward | vlc::type::motion_backward)) != 0;
    const bool intra = (modes.type & vlc::type::intra) != 0;
    if (picture.picture_structure == frame_picture) {
        // frame_motion_type: 1 field, 2 frame, 3 dual-prime; frame when not sent.
        if (motion && !picture.frame_pred_frame_dct) {
            switch (bits.get(2)) {
            case 1:
                modes.motion_vector_count = 2;
                modes.field_format = true;
                break;
            case 2:
                break;
            case 3:
                modes.field_format = true;
                modes.dmv = true;
                break;
            default:
                return MacroblockError::reserved_motion_type;
            }
        }
        if (!picture.frame_pred_frame_dct && (intra || (modes.type & vlc::type::pattern) != 0)) {
            bits.skip(1); // dct_type
        }
    } else {
        // field_motion_type: 1 field, 2 16x8, 3 dual-prime; a concealment vector is a
        // field vector.
        modes.field_format = true;
        if (motion) {
            switch (bits.get(2)) {
            case 1:
                break;
            case 2:
                modes.motion_vector_count = 2;
                break;
            case 3:
                modes.dmv = true;
                break;
            default:
                return MacroblockError::reserved_motion_type;
            }
        }
    }
    return MacroblockError::none;
}

MacroblockError motion_code(SliceBits& bits, int& code) {
    const vlc::Entry& e = vlc::entry(vlc::motion_code_table, bits.peek());
    if (e.length == 0) {
        return MacroblockError::invalid_code;
    }
    bits.skip(e.length);
    code = e.value;
    return MacroblockError::none;
}

MacroblockError dmvector(SliceBits& bits, int& value) {
    const vlc::Entry& e = vlc::entry(vlc::dmvector_table, bits.peek());
    bits.skip(e.length);
    value = e.value;
    return MacroblockError::none;
}

MacroblockError motion_vector(SliceBits& bits, const PictureContext& picture,
                              const MacroblockModes& modes, int s) {
    for (int t = 0; t < 2; ++t) {
        int code = 0;
        if (const auto error = motion_code(bits, code); error != MacroblockError::none) {
            return error;
        }
        const int r_size = picture.f_code[s][t] - 1;
        if (r_size > 0 && code != 0) {
            bits.skip(r_size); // motion_residual
        }
        if (modes.dmv) {
            int dmv = 0;
            dmvector(bits, dmv);
        }
    }
    return MacroblockError::none;
}

MacroblockError motion_vectors(SliceBits& bits, const PictureContext& picture,
                               const MacroblockModes& modes, int s) {
    if (modes.motion_vector_count == 1) {
        if (picture.mpeg2 && modes.field_format && !modes.dmv) {
            bits.skip(1); // motion_vertical_field_select[0][s]
        }
        return motion_vector(bits, picture, modes, s);
    }
    for (int r = 0; r < 2; ++r) {
        bits.skip(1); // motion_vertical_field_select[r][s]
        if (const auto error = motion_vector(bits, picture, modes, s);
            error != MacroblockError::none) {
            return error;
        }
    }
    return MacroblockError::none;
}

MacroblockError coded_block_pattern(SliceBits& bits, const PictureContext& picture,
                                    std::uint32_t& pattern) {
    const vlc::Entry& e = vlc::entry(vlc::coded_block_pattern_table, bits.peek());
    // 0 has a code in MPEG-2 only.
    if (e.length == 0 || (e.value == 0 && !picture.mpeg2)) {
        return MacroblockError::invalid_code;
    }
    bits.skip(e.length);
    pattern = static_cast<std::uint32_t>(e.value);
    if (picture.chroma_format == chroma_422) {
        pattern = (pattern << 2) | bits.get(2); // coded_block_pattern_1
    } else if (picture.chroma_format == chroma_444) {
        pattern = (pattern << 6) | bits.get(6); // coded_block_pattern_2
    }
    return MacroblockError::none;
}

MacroblockError dct_dc_size_luminance(SliceBits& bits, int& size) {
    const vlc::Entry& e = vlc::entry(vlc::dct_dc_size_luminance_table, bits.peek());
    if (e.length == 0) {
        return MacroblockError::invalid_code;
    }
    bits.skip(e.length);
    size = e.value;
    return MacroblockError::none;
}

MacroblockError dct_dc_size_chrominance(SliceBits& bits, int& size) {
    const vlc::Entry& e = vlc::entry(vlc::dct_dc_size_chrominance_table, bits.peek());
    if (e.length == 0) {
        return MacroblockError::invalid_code;
    }
    bits.skip(e.length);
    size = e.value;
    return MacroblockError::none;
}

MacroblockError block(SliceBits& bits, const PictureContext& picture, int i, bool intra) {
    if (intra) {
        int size = 0;
        const auto error =
            i < 4 ? dct_dc_size_luminance(bits, size) : dct_dc_size_chrominance(bits, size);
        if (error != MacroblockError::none) {
            return error;
        }
        bits.skip(size); // dct_dc_differential
        if (picture.picture_coding_type == dc_intra_coded) {
            return MacroblockError::none; // DC coefficients alone, no end_of_block
        }
        return coefficients(bits, picture.intra_vlc_format ? vlc::table_one : vlc::table_zero, 1,
                            picture.mpeg2);
    }
    // The first coefficient of a non-intra block: "1s" is run 0, level 1 here; otherwise
    // table zero's codes, where end_of_block cannot come first.
    return coefficients(bits, vlc::table_zero, 0, picture.mpeg2, true);
}

namespace {

struct Figures {
    PictureQuantiser& out;
    MacroblockSink* map;

    void add(std::uint32_t address, std::uint8_t scale, MacroblockKind kind,
             std::uint32_t count = 1) {
        switch (kind) {
        case MacroblockKind::intra:
            out.intra += count;
            break;
        case MacroblockKind::coded:
            out.coded += count;
            break;
        case MacroblockKind::skipped:
            out.skipped += count;
            break;
        }
        out.quantiser_sum += std::uint64_t{scale} * count;
        if (out.quantiser_min == 0 || scale < out.quantiser_min) {
            out.quantiser_min = scale;
        }
        out.quantiser_max = std::max(out.quantiser_max, scale);
        if (map != nullptr) {
            for (std::uint32_t k = 0; k < count; ++k) {
                map->macroblock({address + k, scale, kind});
            }
        }
    }
};

// One macroblock after its address increment: its modes, quantiser, vectors and blocks.
MacroblockError macroblock(SliceBits& bits, const PictureContext& picture, std::uint8_t& scale,
                           MacroblockKind& kind) {
    MacroblockModes modes;
    if (const auto error = macroblock_modes(bits, picture, modes); error != MacroblockError::none) {
        return error;
    }
    const bool intra = (modes.type & vlc::type::intra) != 0;
    if ((modes.type & vlc::type::quant) != 0) {
        const std::uint32_t code = bits.get(5); // quantiser_scale_code
        if (code == 0) {
            return MacroblockError::zero_quantiser_scale;
        }
        scale = quantiser_scale(picture, code);
    }
    const bool concealment = intra && picture.concealment_motion_vectors;
    if ((modes.type & vlc::type::motion_forward) != 0 || concealment) {
        if (const auto error = motion_vectors(bits, picture, modes, 0);
            error != MacroblockError::none) {
            return error;
        }
    }
    if ((modes.type & vlc::type::motion_backward) != 0) {
        if (const auto error = motion_vectors(bits, picture, modes, 1);
            error != MacroblockError::none) {
            return error;
        }
    }
    if (concealment && bits.get(1) != 1) {
        return MacroblockError::marker_bit;
    }
    const int count = block_count(picture.chroma_format);
    std::uint32_t pattern = (1u << count) - 1;
    if ((modes.type & vlc::type::pattern) != 0) {
        if (const auto error = coded_block_pattern(bits, picture, pattern);
            error != MacroblockError::none) {
            return error;
        }
    } else if (!intra) {
        pattern = 0;
    }
    // Block 0 is the top one of the pattern's count bits: they are read from the top bit of
    // a word, and the blocks after the last coded one are not looked at.
    int i = 0;
    for (std::uint32_t coded = pattern << (32 - count); coded != 0; coded <<= 1, ++i) {
        if ((coded >> 31) != 0) {
            if (const auto error = block(bits, picture, i, intra); error != MacroblockError::none) {
                return error;
            }
        }
    }
    if (picture.picture_coding_type == dc_intra_coded && bits.get(1) != 1) {
        return MacroblockError::marker_bit; // end_of_macroblock
    }
    kind = intra ? MacroblockKind::intra : MacroblockKind::coded;
    return MacroblockError::none;
}

// The slice's header after its slice_vertical_position: the extension of the position,
// quantiser_scale_code (its scale in `scale`) and the extra bits.
inline MacroblockError slice_header(SliceBits& bits, std::size_t end_bits,
                                    const PictureContext& picture, SliceDamage& damage,
                                    std::uint8_t& scale) {
    if (picture.slice_vertical_extension) {
        damage.slice_vertical_position += bits.get(3) << 7;
    }
    // priority_breakpoint belongs to data partitioning, which no sequence here uses.
    const std::uint32_t code = bits.get(5); // quantiser_scale_code
    if (code == 0) {
        return MacroblockError::zero_quantiser_scale;
    }
    scale = quantiser_scale(picture, code);
    // intra_slice_flag, intra_slice and reserved_bits (MPEG-2), or extra_information_slice
    // (MPEG-1): nine bits each time, while the first is 1.
    while (bits.get(1) == 1) {
        bits.skip(8);
        if (bits.position() > end_bits) {
            return MacroblockError::overrun;
        }
    }
    return MacroblockError::none;
}

// The address of the next macroblock, `increment` after `address`, in `next`.
inline MacroblockError next_macroblock_address(SliceBits& bits, std::size_t end_bits,
                                               std::int64_t address, std::uint64_t picture_size,
                                               std::uint32_t& increment, std::int64_t& next) {
    if (const auto error = macroblock_address_increment(bits, increment);
        error != MacroblockError::none) {
        return error;
    }
    next = address + increment;
    if (bits.position() > end_bits) {
        return MacroblockError::overrun;
    }
    if (next < 0 || static_cast<std::uint64_t>(next) >= picture_size) {
        return MacroblockError::address_outside_picture;
    }
    return MacroblockError::none;
}

inline void end_slice(SliceInfo& info, const SliceDamage& damage, std::size_t end_bit) {
    info.slice_vertical_position = damage.slice_vertical_position;
    info.macroblocks = damage.macroblocks_read;
    info.end_bit = end_bit;
}

// One slice: `bytes` is the whole picture, the slice's data runs from `begin` (the byte
// after its start code) to `end` (the next start code), and its macroblocks end where 23
// zero bits follow (the stuffing before the next start code). Returns its damage, if any;
// `info` tells where it lies and where its bits end.
std::optional<SliceDamage> slice(std::span<const std::uint8_t> bytes, std::size_t begin,
                                 std::size_t end, std::uint8_t slice_vertical_position,
                                 const PictureContext& picture, Figures& figures, SliceInfo& info) {
    SliceBits bits(bytes.first(end), begin * 8);
    const std::size_t end_bits = end * 8;
    SliceDamage damage;
    damage.slice_vertical_position = slice_vertical_position;
    const auto damaged = [&](MacroblockError error, std::size_t at) {
        damage.error = error;
        damage.offset = at / 8;
        end_slice(info, damage, at);
        return std::optional<SliceDamage>(damage);
    };
    std::size_t start = bits.position();
    std::uint8_t scale = 0;
    if (const auto error = slice_header(bits, end_bits, picture, damage, scale);
        error != MacroblockError::none) {
        return damaged(error, start);
    }
    const std::uint64_t row = damage.slice_vertical_position - 1;
    const std::uint64_t picture_size = std::uint64_t{picture.mb_width} * picture.mb_height;
    // previous_macroblock_address: the last one of the row above.
    std::int64_t address = static_cast<std::int64_t>(row * picture.mb_width) - 1;
    bool first = true;
    do {
        start = bits.position();
        std::uint32_t increment = 0;
        std::int64_t next = 0;
        if (const auto error =
                next_macroblock_address(bits, end_bits, address, picture_size, increment, next);
            error != MacroblockError::none) {
            return damaged(error, start);
        }
        if (!first && increment > 1) {
            if (picture.picture_coding_type == intra_coded ||
                picture.picture_coding_type == dc_intra_coded) {
                return damaged(MacroblockError::skipped_in_intra_picture, start);
            }
            figures.add(static_cast<std::uint32_t>(address + 1), scale, MacroblockKind::skipped,
                        increment - 1);
            damage.macroblocks_read += increment - 1;
        }
        std::uint8_t new_scale = scale;
        MacroblockKind kind = MacroblockKind::coded;
        if (const auto error = macroblock(bits, picture, new_scale, kind);
            error != MacroblockError::none) {
            return damaged(error, start);
        }
        if (bits.position() > end_bits) {
            return damaged(MacroblockError::overrun, start);
        }
        scale = new_scale;
        if (first) {
            info.first_address = static_cast<std::uint32_t>(next);
        }
        figures.add(static_cast<std::uint32_t>(next), scale, kind);
        ++damage.macroblocks_read;
        address = next;
        first = false;
    } while (bits.show(23) != 0);
    end_slice(info, damage, bits.position());
    return std::nullopt;
}

// The picture header the bytes begin with: its fields in `header` and the next start code
// in `next`, and the picture's temporal reference and type in `result`.
PictureError picture_start(std::span<const std::uint8_t> picture_bytes,
                           const SequenceContext& sequence, PictureQuantiser& result,
                           PictureHeader& header, std::size_t& next) {
    if (picture_bytes.size() < 4 || picture_bytes[0] != 0 || picture_bytes[1] != 0 ||
        picture_bytes[2] != 1 || picture_bytes[3] != start_code::picture) {
        return PictureError::no_picture_header;
    }
    next = next_start_code(picture_bytes, 4);
    const auto parsed = picture_header(picture_bytes.subspan(4, next - 4));
    if (!parsed.ok()) {
        return PictureError::truncated_picture_header;
    }
    header = parsed.fields;
    result.temporal_reference = header.temporal_reference;
    result.picture_coding_type = header.picture_coding_type;
    if (!is_picture_coding_type(result.picture_coding_type) ||
        (result.picture_coding_type == dc_intra_coded && sequence.mpeg2)) {
        return PictureError::unknown_picture_coding_type;
    }
    return PictureError::none;
}

// What the sequence and the picture header tell the macroblocks, before any extension.
PictureContext picture_context(const SequenceContext& sequence, const PictureHeader& header) {
    PictureContext picture;
    picture.mpeg2 = sequence.mpeg2;
    picture.chroma_format = sequence.mpeg2 ? sequence.chroma_format : chroma_420;
    picture.picture_coding_type = header.picture_coding_type;
    picture.f_code = {{{header.forward_f_code, header.forward_f_code},
                       {header.backward_f_code, header.backward_f_code}}};
    picture.mb_width = (sequence.horizontal_size + 15) / 16;
    picture.slice_vertical_extension = sequence.mpeg2 && sequence.vertical_size > 2800;
    return picture;
}

// An extension among the picture's headers: true when it is the picture coding extension,
// read into `picture`.
bool picture_coding(std::span<const std::uint8_t> body, PictureContext& picture) {
    if (extension_start_code_identifier(body) != extension_id::picture_coding) {
        return false;
    }
    const auto e = picture_coding_extension(body);
    if (!e.ok()) {
        return false;
    }
    picture.f_code = e.fields.f_code;
    picture.picture_structure = e.fields.picture_structure;
    picture.frame_pred_frame_dct = e.fields.frame_pred_frame_dct;
    picture.concealment_motion_vectors = e.fields.concealment_motion_vectors;
    picture.q_scale_type = e.fields.q_scale_type;
    picture.intra_vlc_format = e.fields.intra_vlc_format;
    return true;
}

// Rows of a frame: interlaced MPEG-2 sequences count them in pairs.
void set_height(const SequenceContext& sequence, PictureContext& picture,
                PictureQuantiser& result) {
    const std::uint32_t v = sequence.vertical_size;
    const std::uint32_t rows =
        sequence.mpeg2 && !sequence.progressive_sequence ? 2 * ((v + 31) / 32) : (v + 15) / 16;
    picture.mb_height = picture.picture_structure == frame_picture ? rows : rows / 2;
    result.mb_height = picture.mb_height;
}

// One slice into the figures, told to the map, its damage counted.
void read_slice(std::span<const std::uint8_t> picture_bytes, std::size_t begin, std::size_t next,
                std::uint8_t code, const PictureContext& picture, Figures& figures,
                MacroblockSink* map, PictureQuantiser& result) {
    ++result.slices;
    SliceInfo info;
    const auto damage = slice(picture_bytes, begin, next, code, picture, figures, info);
    if (map != nullptr) {
        info.next_start_code = next;
        info.damaged = damage.has_value();
        map->slice(info);
    }
    if (damage) {
        ++result.damaged_slices;
        if (!result.first_damage) {
            result.first_damage = damage;
        }
    }
}

} // namespace

PictureQuantiser picture_quantiser(std::span<const std::uint8_t> picture_bytes,
                                   const SequenceContext& sequence, MacroblockSink* map) {
    PictureQuantiser result;
    PictureHeader header;
    std::size_t next = 0;
    result.error = picture_start(picture_bytes, sequence, result, header, next);
    if (result.error != PictureError::none) {
        return result;
    }
    PictureContext picture = picture_context(sequence, header);
    result.mb_width = picture.mb_width;
    bool coding_extension = false;
    Figures figures{result, map};
    while (next + 3 < picture_bytes.size()) {
        const std::uint8_t code = picture_bytes[next + 3];
        const std::size_t begin = next + 4;
        next = next_start_code(picture_bytes, begin);
        if (code == start_code::extension) {
            if (picture_coding(picture_bytes.subspan(begin, next - begin), picture)) {
                coding_extension = true;
                result.picture_structure = picture.picture_structure;
            }
            continue;
        }
        if (code < start_code::slice_first || code > start_code::slice_last) {
            if (code == start_code::user_data) {
                continue;
            }
            break; // the next picture's headers
        }
        if (sequence.mpeg2 && !coding_extension) {
            result.error = PictureError::no_picture_coding_extension;
            return result;
        }
        if (picture.mb_height == 0) {
            set_height(sequence, picture, result);
        }
        read_slice(picture_bytes, begin, next, code, picture, figures, map, result);
    }
    if (picture.mb_height == 0 && (coding_extension || !sequence.mpeg2)) {
        set_height(sequence, picture, result); // a picture without a slice
    }
    const std::uint64_t size = std::uint64_t{picture.mb_width} * picture.mb_height;
    // Slices that overlap may read more macroblocks than the picture has.
    result.missing =
        static_cast<std::uint32_t>(size - std::min<std::uint64_t>(size, result.macroblocks()));
    return result;
}

} // namespace quantaline::mpeg
