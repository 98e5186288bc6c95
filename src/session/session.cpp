#include "session/session.h"

#include "analysis/video.h"
#include "check/texts.h"
#include "export/cce_export.h"
#include "export/codec_picture_table.h"
#include "export/encoder_files.h"
#include "export/matrix_formats.h"
#include "export/picture_table.h"
#include "export/tmpgenc_export.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/paths.h"
#include "io/text.h"
#include "io/text_file.h"
#include "mpeg/quantiser_pass.h"
#include "session/codec_view.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

namespace quantaline {

const Message already_running_message{MessageId::already_running};
const Message cce_default_values_message{MessageId::cce_default_values};
const Message tmpgenc_running_message{MessageId::tmpgenc_running};
const Message tmpgenc_default_values_message{MessageId::tmpgenc_default_values};

namespace {

// Where the registry editor starts on Windows; elsewhere the opener has no use for it.
const char* const registry_editor_folder = "C:\\Windows\\";

// A closing step whose save failed would lose the user's edit at the next start unseen.
Message configuration_not_saved_message(const WriteError& error) {
    return Message{MessageId::configuration_not_saved, {write_error_text(error)}};
}

} // namespace

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

Session::~Session() {
    stop_stream_read();
}

template <class Result>
void Session::start(Read read, std::function<Result(JobControl&)> work,
                    std::function<void(Result&&)> done) {
    stop(read);
    auto job = std::make_unique<BackgroundJob<Result>>(std::move(work));
    Slot& s = slot(read);
    s.take = [typed = job.get(), done = std::move(done)] { done(*typed->take()); };
    s.job = std::move(job);
    s.state = ReadState::reading;
}

void Session::stop(Read read) {
    Slot& s = slot(read);
    // A job's end cancels and joins: a scan stops at its next read of 1 MiB.
    s.job.reset();
    s.take = nullptr;
    s.state = ReadState::none;
}

Session::ReadStatus Session::poll(Read read) {
    Slot& s = slot(read);
    if (s.state != ReadState::reading || !s.job->ready()) {
        return {s.state, read_per_mille(read), false};
    }
    s.state = s.job->cancelled() ? ReadState::cancelled : ReadState::finished;
    // The result may start the next read: the slot is settled first.
    const std::function<void()> take = std::move(s.take);
    s.take = nullptr;
    take();
    s.job.reset();
    return {s.state, read_per_mille(read), true};
}

int Session::read_per_mille(Read read) const {
    const Slot& s = slot(read);
    if (s.state == ReadState::finished) {
        return 1000;
    }
    return s.job ? s.job->per_mille() : 0;
}

void Session::cancel(Read read) {
    if (const Slot& s = slot(read); s.job) {
        s.job->cancel();
    }
}

Session::Read Session::stream_phase() const {
    return read_state(Read::quantiser) == ReadState::none ? Read::stream : Read::quantiser;
}

void Session::stop_stream_read() {
    // The jobs first: the quantiser pass writes into the whole stream's records.
    stop(Read::picture_map);
    picture_map_.reset();
    stop(Read::quantiser);
    stop(Read::stream);
    whole_stream_.reset();
    codec_stream_.reset();
    check_.reset();
    codec_check_.reset();
    codec_buffer_ = {};
    timeline_.reset();
    matrix_set_in_use_ = 0;
}

namespace {

// The whole-stream scan of a file as a job's work: it stops when the job is cancelled and
// tells the share of the file read.
std::function<mpeg::ScanResult(JobControl&)> scan_work(const std::string& path,
                                                       mpeg::ScanControl control) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path_from_utf8(path), error);
    const std::uint64_t total = error ? 0 : static_cast<std::uint64_t>(size);
    return [path, control = std::move(control), total](JobControl& job) mutable {
        control.stop = &job.stop();
        control.progress = [&job, total](std::uint64_t bytes) {
            if (total != 0) {
                job.set_per_mille(
                    static_cast<int>(std::min<std::uint64_t>(bytes, total) * 1000 / total));
            }
        };
        mpeg::ScanResult result = mpeg::scan_file(path, control);
        if (!job.stop_requested()) {
            job.set_per_mille(1000);
        }
        return result;
    };
}

class MapCollector final : public mpeg::MacroblockSink {
  public:
    explicit MapCollector(PictureMap& map) : map_(map) {}
    void macroblock(const mpeg::MacroblockInfo& info) override { map_.macroblocks.push_back(info); }
    void slice(const mpeg::SliceInfo& info) override { map_.slices.push_back(info); }

  private:
    PictureMap& map_;
};

// The walk over an MPEG-4 Part 2, H.264 or HEVC video's parameter sets as a job's work.
std::function<CodecScan(JobControl&)> codec_scan_work(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path_from_utf8(path), error);
    const std::uint64_t total = error ? 0 : static_cast<std::uint64_t>(size);
    return [path, total](JobControl& job) {
        CodecScanControl control;
        control.stop = &job.stop();
        control.progress = [&job, total](std::uint64_t offset) {
            if (total != 0) {
                job.set_per_mille(
                    static_cast<int>(std::min<std::uint64_t>(offset, total) * 1000 / total));
            }
        };
        CodecScan result = scan_codec_file(path, control);
        if (!job.stop_requested()) {
            job.set_per_mille(1000);
        }
        return result;
    };
}

} // namespace

void Session::start_stream_read() {
    stop_stream_read();
    if (codec_) {
        start<CodecScan>(Read::stream, codec_scan_work(state_.file_path),
                         [this](CodecScan&& result) {
                             codec_stream_ = std::make_unique<CodecScan>(std::move(result));
                             set_check_profile(check_profile_);
                         });
        return;
    }
    // Read even when the first header was not found in reach: the whole stream may hold
    // one further on (a multiplex whose video starts late), and then its matrices.
    mpeg::ScanControl control;
    control.picture_records = true;
    control.layout = mpeg_layout_;
    start<mpeg::ScanResult>(
        Read::stream, scan_work(state_.file_path, std::move(control)),
        [this](mpeg::ScanResult&& result) {
            whole_stream_ = std::make_unique<mpeg::ScanResult>(std::move(result));
            timeline_ = std::make_unique<check::Timeline>(check::make_timeline(*whole_stream_));
            set_check_profile(check_profile_);
            if (read_state(Read::stream) == ReadState::finished && whole_stream_->pictures != 0) {
                start_quantiser_read();
            }
        });
}

void Session::start_quantiser_read() {
    mpeg::ScanControl control;
    control.quantiser = true;
    control.layout = mpeg_layout_;
    // One file: its pass spreads over every core.
    control.quantiser_threads = std::max<std::size_t>(1, std::thread::hardware_concurrency());
    // The pictures the header read found, their figures written into its records.
    control.recorded = whole_stream_.get();
    start<mpeg::ScanResult>(Read::quantiser, scan_work(state_.file_path, std::move(control)),
                            [this](mpeg::ScanResult&& pass) {
                                merge_quantiser_pass(*whole_stream_, pass);
                                // A pass stopped before its first read read none: the summary
                                // says so all the same.
                                whole_stream_->quantiser_read = true;
                            });
}

void Session::set_check_profile(const std::string& name) {
    // One choice for both kinds of video; each takes "auto" for the other's profiles.
    if (check::is_profile_name(name) || check::is_codec_profile_name(name)) {
        check_profile_ = name;
    }
    if (codec_stream_) {
        const std::string profile =
            check::is_codec_profile_name(check_profile_) ? check_profile_ : "auto";
        const CodecScan& s = *codec_stream_;
        if (s.codec == container::Codec::h264 || s.codec == container::Codec::hevc) {
            check::CpbOptions options;
            options.m2ts = s.packet_size == 192;
            codec_check_ = std::make_unique<check::CodecCheckResult>(check::check_codec_pictures(
                s.codec, s.picture_records, s.summary, profile, options));
            codec_buffer_ = check::cpb_buffer_model(*codec_check_, s.picture_records);
        }
        return;
    }
    if (whole_stream_) {
        check_ = std::make_unique<check::CheckResult>(check::check_stream(
            *whole_stream_, check::is_profile_name(check_profile_) ? check_profile_ : "auto"));
    }
}

void Session::start_picture_map(std::uint64_t index) {
    picture_map_.reset();
    // From the sequence header before the picture: one group of pictures on a DVD, not the
    // file up to it.
    std::optional<mpeg::PictureReadStart> start_at;
    if (whole_stream_) {
        start_at = mpeg::picture_read_start(*whole_stream_, index);
    }
    start<std::optional<PictureMap>>(
        Read::picture_map,
        [path = state_.file_path, index, start_at,
         layout = mpeg_layout_](JobControl& job) -> std::optional<PictureMap> {
            PictureMap map;
            map.index = index;
            MapCollector collector(map);
            const auto figures = mpeg::read_picture_macroblocks(path, index, collector, &job.stop(),
                                                                start_at, layout);
            if (!figures) {
                return std::nullopt; // no such picture, or stopped first
            }
            map.figures = *figures;
            return map;
        },
        [this](std::optional<PictureMap>&& map) {
            if (map) {
                picture_map_ = std::make_unique<PictureMap>(std::move(*map));
            }
        });
}

StreamReadTexts Session::stream_read_texts() const {
    if (codec_stream_) {
        StreamReadTexts texts = codec_stream_read_texts(*codec_stream_, read_state(Read::stream) ==
                                                                            ReadState::cancelled);
        if (codec_check_) {
            texts.conformance = check::codec_verdict_text(*codec_check_);
            texts.conformance_fault = !codec_check_->findings.empty();
        }
        return texts;
    }
    if (!whole_stream_) {
        return {};
    }
    StreamReadTexts texts = quantaline::stream_read_texts(
        *whole_stream_, read_state(Read::stream) == ReadState::cancelled);
    if (read_state(Read::quantiser) == ReadState::cancelled) {
        texts.damage.push_back(
            fill_text(tr_text("Session", "Lecture des macroblocs interrompue : %1"),
                      {quantiser_pictures_text(*whole_stream_)}));
    }
    if (check_) {
        texts.conformance = check::verdict_text(*check_);
        texts.conformance_fault = !check_->findings.empty();
    }
    return texts;
}

std::vector<SummaryLine> Session::stream_summary() const {
    if (codec_stream_) {
        auto lines = codec_stream_summary(*codec_stream_);
        // The colour description before the HDR metadata, which the scan follows.
        if (auto colours = codec_ ? colour_line(codec_->header) : std::nullopt) {
            const std::string mastering = tr_text("Session", "Écran de mastering :");
            const std::string levels = tr_text("Session", "Niveaux de lumière :");
            const auto hdr = std::find_if(lines.begin(), lines.end(), [&](const SummaryLine& l) {
                return l.caption == mastering || l.caption == levels;
            });
            lines.insert(hdr, std::move(*colours));
        }
        return lines;
    }
    if (!whole_stream_) {
        return {};
    }
    // Without a first header in reach, the whole stream's first one gives the rate.
    return quantaline::stream_summary(
        *whole_stream_, frame_rate_code_ != 0 ? frame_rate_code_ : whole_stream_->frame_rate_code);
}

bool Session::use_matrix_set(std::size_t number) {
    if (number == 0) {
        state_.matrices = first_header_matrices_;
        matrix_set_in_use_ = 0;
        return true;
    }
    if (!whole_stream_ || number > whole_stream_->matrix_sets.size()) {
        return false;
    }
    const mpeg::MatrixSet& set = whole_stream_->matrices_of(whole_stream_->matrix_sets[number - 1]);
    QuantMatrixPair pair;
    pair.intra = set.intra;
    pair.non_intra = set.non_intra;
    // The scan keeps the values, not whether the stream carried them: a matrix the first
    // header had keeps its origin, any other shows green when it is the default.
    const QuantMatrixPair& first = first_header_matrices_;
    pair.intra_from_stream =
        pair.intra == first.intra ? first.intra_from_stream : !is_default_matrix(set.intra, true);
    pair.non_intra_from_stream = pair.non_intra == first.non_intra
                                     ? first.non_intra_from_stream
                                     : !is_default_matrix(set.non_intra, false);
    state_.matrices = pair;
    matrix_set_in_use_ = number;
    return true;
}

std::string Session::picture_table_suggested_path() const {
    auto path = path_from_utf8(state_.file_path);
    path.replace_filename(path_from_utf8(path_to_utf8(path.stem()) + ".images.csv"));
    return path_to_utf8(path);
}

std::optional<Message> Session::save_picture_table(const std::string& path) const {
    if (codec_stream_) {
        return write_codec_picture_table(path, state_.file_path, codec_stream_->codec,
                                         codec_stream_->picture_records, codec_stream_->summary);
    }
    if (!whole_stream_) {
        return std::nullopt;
    }
    return write_picture_table(path, state_.file_path, *whole_stream_);
}

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
