#include "session/session.h"

#include "analysis/video.h"
#include "export/cce_export.h"
#include "io/file_system.h"
#include "io/paths.h"
#include "session/codec_view.h"

#include <filesystem>

// The session's file: its opening, the lists shown, the known matrices, the end.

namespace quantaline {

const Message already_running_message{MessageId::already_running};
const Message cce_default_values_message{MessageId::cce_default_values};
const Message tmpgenc_running_message{MessageId::tmpgenc_running};
const Message tmpgenc_default_values_message{MessageId::tmpgenc_default_values};

void Session::start(const std::string& executable_path) {
    // Drive C stands for the home folder outside Windows (kept on purpose: docs/compatibility.md).
    state_.remembered_drive = "c:\\";
    state_.remembered_folder = "c:\\";
    state_.program_folder = program_folder_from_executable(executable_path);
    state_.executable_name = path_to_utf8(path_from_utf8(executable_path).filename());
    state_.configuration = load_configuration(state_.program_folder, state_.executable_name);
}

Messages Session::open(const std::string& path) {
    // The previous file's read would only keep a core and the disk busy.
    stop_stream_read();
    state_.file_path = path;
    list_pairs_.clear();
    list_pair_shown_ = 0;
    codec_.reset();
    OpenedVideo video = open_video(path);
    mpeg_layout_ = video.layout;
    if (video.codec) {
        return open_codec(std::move(*video.codec));
    }
    AnalysisResult& result = *video.mpeg;
    state_.codes = result.codes;
    state_.stream_info = std::move(result.info);
    state_.matrices = result.matrices;
    first_header_matrices_ = result.matrices;
    has_stream_ = result.codes.found();
    frame_rate_code_ = result.codes.frame_rate_code;
    return std::move(result.messages);
}

Messages Session::open_codec(CodecAnalysis&& result) {
    Messages messages = std::move(result.messages);
    state_.codes = StreamCodes{};
    state_.stream_info = codec_stream_info(result);
    // MPEG-4's two 8x8 matrices are a pair like MPEG's, for the exports and the report;
    // the other codecs have none, and their exports say so.
    const std::optional<QuantMatrixPair> pair = codec_matrix_pair(result);
    state_.matrices = pair.value_or(QuantMatrixPair{});
    first_header_matrices_ = state_.matrices;
    has_stream_ = messages.empty();
    frame_rate_code_ = 0;
    codec_ = std::move(result);
    list_pairs_ = quantaline::list_pairs(*codec_);
    list_pair_shown_ = first_list_pair(list_pairs_);
    return messages;
}

void Session::show_list_pair(std::size_t index) {
    if (index < list_pairs_.size()) {
        list_pair_shown_ = index;
    }
}

const CodecList* Session::shown_list(bool intra) const {
    if (list_pair_shown_ >= list_pairs_.size()) {
        return nullptr;
    }
    const ListPair& pair = list_pairs_[list_pair_shown_];
    return intra ? pair.intra : pair.inter;
}

void Session::quit() {
    stop_stream_read();
    if (state_.export_target == ExportTarget::cce && state_.export_done) {
        std::error_code ignored;
        // Already removed or locked: the program ends all the same.
        std::filesystem::remove(path_from_utf8(cce_script_path(state_.program_folder)), ignored);
        state_.export_done = false;
    }
}

MatrixLibrary Session::known_matrices(const std::string& user_folder) {
    MatrixLibrary library = load_matrix_library(user_folder);
    if (library.messages.empty()) {
        return library;
    }
    if (warned_folder_state_ == library.folder_state) {
        library.messages.clear();
    } else {
        warned_folder_state_ = library.folder_state;
    }
    return library;
}

} // namespace quantaline
