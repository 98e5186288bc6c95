#include "export/cce_export.h"
#include "export/encoder_files.h"
#include "export/matrix_formats.h"
#include "export/tmpgenc_export.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/paths.h"
#include "io/text.h"
#include "io/text_file.h"
#include "session/session.h"

#include <filesystem>

// The session's exports: the export dialog's questions, paths and run, the encoders' files.

namespace quantaline {

namespace {

// Where the registry editor starts on Windows; elsewhere the opener has no use for it.
const char* const registry_editor_folder = "C:\\Windows\\";

// A closing step whose save failed would lose the user's edit at the next start unseen.
Message configuration_not_saved_message(const WriteError& error) {
    return Message{MessageId::configuration_not_saved, {write_error_text(error)}};
}

} // namespace

void Session::remember_folder_of(const std::string& path) {
    std::error_code ignored;
    const auto folder = std::filesystem::absolute(path_from_utf8(path), ignored).parent_path();
    if (!folder.empty()) {
        state_.remembered_folder = path_to_utf8(folder);
        // No drive named: the dialog takes the one that holds the folder.
        state_.remembered_drive.clear();
    }
}

Messages Session::export_questions(ExportTarget target) {
    state_.export_target = target;
    Messages questions;
    if (target == ExportTarget::tmpgenc) {
        questions.push_back(tmpgenc_running_message);
    }
    if (state_.configuration.values_are_default) {
        questions.push_back(target == ExportTarget::cce ? cce_default_values_message
                                                        : tmpgenc_default_values_message);
    }
    return questions;
}

std::string Session::export_title() const {
    return state_.export_target == ExportTarget::cce
               ? tr_text("Session", "Exporter les matrices dans CCE...")
               : tr_text("Session", "Exporter les matrices dans TMPGEnc...");
}

std::string Session::export_path_caption() const {
    return state_.export_target == ExportTarget::cce
               ? tr_text("Session", "Emplacement de la clé dans le registre : Vérifiez bien "
                                    "qu'il s'agit de la bonne clé :")
               : tr_text("Session",
                         "Chemin de TMPGEnc : Vérifiez bien qu'il s'agit du bon chemin :");
}

std::string Session::export_path_text() const {
    return state_.export_target == ExportTarget::cce ? state_.configuration.cce_registry_key
                                                     : state_.configuration.tmpgenc_folder;
}

Session::ExportOutcome Session::run_export(const std::string& path_text, const std::string& name) {
    ExportOutcome outcome;
    if (state_.export_target == ExportTarget::cce) {
        const std::string script = cce_script_path(state_.program_folder);
        outcome.message = write_cce_script(script, path_text, name, cce_values(state_.matrices));
        if (!outcome.message) {
            outcome.open_target = script;
            outcome.work_folder = registry_editor_folder;
        }
    } else if (state_.export_target == ExportTarget::tmpgenc) {
        outcome.message = export_tmpgenc(path_text, name, state_.matrices, state_.configuration);
    }
    state_.export_done = true;
    return outcome;
}

std::optional<Message> Session::close_export_dialog(const std::string& path_text) {
    if (!state_.path_edited) {
        return std::nullopt;
    }
    state_.path_edited = false;
    if (state_.export_target == ExportTarget::cce) {
        state_.configuration.cce_registry_key = path_text;
    } else if (state_.export_target == ExportTarget::tmpgenc) {
        state_.configuration.tmpgenc_folder = path_text;
    }
    if (const auto error = save_configuration(state_.program_folder, state_.configuration,
                                              state_.executable_name)) {
        return configuration_not_saved_message(*error);
    }
    return std::nullopt;
}

std::optional<Message> Session::mpeg2enc_refusal() const {
    if (mpeg2enc_accepts(state_.matrices)) {
        return std::nullopt;
    }
    return mpeg2enc_value_message;
}

std::string Session::mpeg2enc_suggested_path() const {
    auto path = path_from_utf8(state_.file_path);
    path.replace_filename(path_from_utf8(path_to_utf8(path.stem()) + ".mpeg2enc.txt"));
    return path_to_utf8(path);
}

std::optional<Message> Session::save_for_mpeg2enc(const std::string& path) const {
    return write_mpeg2enc_file(path, state_.matrices, state_.file_path);
}

EncoderFileText Session::encoder_file_text(EncoderFile file) const {
    if (codec_ && codec_->h264) {
        return file == EncoderFile::x264 ? x264_cqm_file(*codec_->h264)
                                         : x265_scaling_list_file(*codec_->h264);
    }
    if (codec_ && codec_->hevc) {
        return file == EncoderFile::x264 ? x264_cqm_file(*codec_->hevc)
                                         : x265_scaling_list_file(*codec_->hevc);
    }
    return {};
}

std::optional<Message> Session::encoder_file_refusal(EncoderFile file) const {
    return encoder_file_text(file).refused;
}

std::string Session::encoder_file_suggested_path(EncoderFile file) const {
    auto path = path_from_utf8(state_.file_path);
    const char* const suffix = file == EncoderFile::x264 ? ".x264.cqm" : ".x265.scaling-list.txt";
    path.replace_filename(path_from_utf8(path_to_utf8(path.stem()) + suffix));
    return path_to_utf8(path);
}

std::optional<Message> Session::save_encoder_file(EncoderFile file, const std::string& path) const {
    const EncoderFileText text = encoder_file_text(file);
    if (!text.ok()) {
        return text.refused;
    }
    if (!codec_ || !(codec_->h264 || codec_->hevc)) {
        return std::nullopt; // nothing to write: the menu offers these for H.264 and HEVC
    }
    if (const auto error = write_file_atomically(path, text.text)) {
        return matrix_file_failed_message(*error);
    }
    return std::nullopt;
}

} // namespace quantaline
