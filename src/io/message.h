#pragma once

// The program's messages as values: which message, with which arguments. Nothing here is
// worded; io/text.h renders a message in a language from the table of io/message.cpp, and
// the front ends show what it renders. Nothing compares or parses a rendered text.

#include <cstdint>
#include <string>
#include <vector>

namespace quantaline {

// A message box the user must see. The core never shows anything: it returns
// these in the order they would appear, and the front end shows them.
enum class Icon { critical, exclamation, information };
enum class Buttons { ok, ok_cancel };
enum class Button { ok, cancel };

// The worded pieces a message's arguments may be, besides a text of their own (a path, a
// number, a system's reason).
enum class TextId : std::uint8_t {
    literal,
    // Where a file that ends too soon ends.
    inside_start_code,
    inside_pack_header,
    inside_packet_header,
    inside_packet,
    inside_video_packet,
    inside_transport_packet,
    // Why a file could not be opened or written.
    not_a_regular_file,
    permission_denied,
    operation_not_permitted,
    no_such_file_or_directory,
    no_space_on_device,
    read_only_file_system,
    is_a_directory,
    not_a_directory,
    filename_too_long,
    io_error,
    device_or_resource_busy,
    file_exists,
    too_many_files_open,
    directory_not_empty,
    cross_device_link,
    file_too_large,
    file_not_written, // %1 the path, %2 the reason
    line_break,
    // Why a file of known matrices is not used.
    library_line, // %1 the line's number, %2 what is wrong with it
    library_too_large,
    library_unreadable,
    library_too_many_lines,
    library_eight_values_expected,
    library_more_than_eight_values,
    library_one_value,
    library_values,
    library_line_count,
    // Why TMPGEnc's settings file was not changed.
    tmpgenc_unreadable,     // %1 the path
    tmpgenc_no_section,     // %1 the path, %2 the section
    tmpgenc_bad_count_line, // %1 the path, %2 the section
    // Why an MPEG-4, H.264 or HEVC video's matrices could not be read.
    configuration_read_failed,
    configuration_truncated,
    configuration_damaged,
    configuration_too_large,
    configuration_missing,
    no_sequence_parameter_set,
    damaged_sequence_parameter_set,
    no_picture_parameter_set,
    damaged_picture_parameter_set,
    unsupported_layer,
};

// A piece with its arguments, or a text of its own.
struct Text {
    TextId id = TextId::literal;
    std::string literal;
    std::vector<Text> arguments;

    bool operator==(const Text&) const = default;
};

Text literal_text(std::string text);
Text piece(TextId id, std::vector<Text> arguments = {});

enum class MessageId : std::uint8_t {
    // Reading the first headers.
    header_unreadable,
    header_doubtful,
    no_sequence_header,
    no_transport_sequence_header,
    // Reading the whole stream.
    scan_no_video,
    scan_unreadable,
    scan_stopped,     // %1 the offset, %2 where (a piece)
    scan_read_error,  // %1 the offset
    scan_interrupted, // %1 the offset
    scan_damaged_structures,
    scan_resync,
    scan_continuity,
    scan_dropped_before_tables,
    scan_read_without_tables, // %1 the video's PID, "0x0810"
    scan_scrambled,
    scan_forbidden_type,
    damaged_slices,
    damaged_slices_in_slice,
    no_such_picture,
    // The desktop.
    already_running,
    drive_unavailable,
    configuration_not_saved, // %1 a write error
    // Handing the matrices on.
    cce_default_values,
    tmpgenc_running,
    tmpgenc_default_values,
    line_break_refused,
    mpeg2enc_zero_value,
    matrix_file_not_written, // %1 a write error
    encoder_file_zero_value,
    x264_file_hevc_source,
    x264_file_separate_cr,
    x265_file_h264_source,
    mpeg4_h263_no_matrices,
    codec_matrices_unreadable,   // %1 the codec, %2 why (a piece)
    matrix_format_refused,       // %1 the format, %2 the codec
    codec_pictures_not_read,     // %1 the codec
    codec_scan_stopped,          // %1 why (a piece)
    picture_table_not_written,   // %1 a write error
    cce_script_not_written,      // %1 a write error
    tmpgenc_file_unusable,       // %1 why (a piece)
    tmpgenc_file_not_written,    // %1 a write error
    matrix_library_file_skipped, // %1 the file, %2 why
    // Reports.
    report_saved, // %1 the file's name
    report_not_saved,
    print_failed,
};

struct Message {
    MessageId id{};
    std::vector<Text> arguments;
    Icon icon = Icon::information;
    Buttons buttons = Buttons::ok;
    Button default_button = Button::ok;

    Message() = default;
    // The icon and the buttons are the message's own, from its table.
    explicit Message(MessageId id, std::vector<Text> arguments = {});

    bool operator==(const Message&) const = default;
};

using Messages = std::vector<Message>;

// The French wording of a piece or a message: the program's own language, which the
// translations are keyed by.
const char* french_source(TextId id);
struct MessageSources {
    const char* title;
    const char* text;
};
MessageSources french_sources(MessageId id);

// Every id, for whoever must walk them all.
inline constexpr std::size_t text_id_count =
    static_cast<std::size_t>(TextId::unsupported_layer) + 1;
inline constexpr std::size_t message_id_count =
    static_cast<std::size_t>(MessageId::print_failed) + 1;

// "critical", "exclamation" or "information", as the CLI's JSON names them.
const char* icon_name(Icon icon);

} // namespace quantaline
