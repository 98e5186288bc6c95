#include "check/texts.h"
#include "export/codec_picture_table.h"
#include "export/picture_table.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/paths.h"
#include "io/text.h"
#include "mpeg/quantiser_pass.h"
#include "session/codec_view.h"
#include "session/session.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

// The session's reads of the background (the whole stream's, the quantiser pass, a
// picture's macroblocks), what is checked and shown of them, and the per-picture table.

namespace quantaline {

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
        // Neither a buffer to model nor a disc's rules: nothing was checked, nothing is said.
        const bool checked = codec_check_ && (codec_check_->source != check::CpbSource::none ||
                                              !codec_check_->findings.empty() ||
                                              std::string_view(codec_check_->profile) != "none");
        if (checked) {
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

} // namespace quantaline
