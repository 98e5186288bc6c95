#pragma once

#include "analysis/codec_check.h"
#include "analysis/codec_matrices.h"
#include "check/check.h"
#include "check/timeline.h"
#include "export/encoder_files.h"
#include "export/matrix_library.h"
#include "io/background_job.h"
#include "io/message.h"
#include "mpeg/scan.h"
#include "session/app_state.h"
#include "session/codec_stream.h"
#include "session/codec_view.h"
#include "session/whole_stream.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quantaline {

extern const Message already_running_message;
extern const Message cce_default_values_message;
extern const Message tmpgenc_running_message;
extern const Message tmpgenc_default_values_message;

// The desktop program's flow without its windows: what the windows show comes from here,
// and what the user does goes in here. Every step returns the messages the windows show,
// in order; nothing here shows anything.
class Session {
  public:
    explicit Session(AppState& state) : state_(state) {}
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    AppState& state() { return state_; }
    const AppState& state() const { return state_; }

    // The load step once no other copy runs: the open dialog starts at "c:\", the program
    // folder is found and the configuration read, or written with its defaults.
    void start(const std::string& executable_path);

    // Opens and analyses a file chosen in the dialog, named on the command line or
    // dropped on the window; the result replaces the previous one.
    Messages open(const std::string& path);
    // The file last opened when it is an MPEG-4 Part 2, H.264 or HEVC video: read by
    // analyse_codec_file, its lists shown instead of an MPEG file's two matrices (its
    // MPEG-4 matrices are AppState::matrices too). None for an MPEG-1/2 file.
    const CodecAnalysis* codec() const { return codec_ ? &*codec_ : nullptr; }
    // Its lists in intra and inter pairs, for the lists' box, and the pair the grids show
    // (the 8x8 luma lists at the opening); empty for an MPEG-1/2 file.
    const std::vector<ListPair>& list_pairs() const { return list_pairs_; }
    std::size_t list_pair_shown() const { return list_pair_shown_; }
    void show_list_pair(std::size_t index);
    // The list a grid shows (the intra grid's or the other's), or none.
    const CodecList* shown_list(bool intra) const;
    // The open dialog's next start for a file that did not come through the dialog.
    void remember_folder_of(const std::string& path);
    // Whether the exports and the reports have something to work on: a file was opened and
    // its first sequence header was found in reach, or a matrix set of its whole stream
    // was chosen ("Utiliser ce jeu de matrices").
    bool has_stream() const { return has_stream_ || matrix_set_in_use_ != 0; }

    // An export button: records its target and gives the questions to ask first, in order;
    // the export dialog shows unless one is answered Cancel.
    Messages export_questions(ExportTarget target);
    // The export dialog's captions for the current target.
    std::string export_title() const;
    std::string export_path_caption() const;
    std::string export_path_text() const;

    // "Exporter": the target's export with the dialog's two texts. `open_target` is the
    // registry script to hand to the desktop (CCE), `work_folder` where that starts.
    struct ExportOutcome {
        std::optional<Message> message;
        std::string open_target;
        std::string work_folder;
    };
    ExportOutcome run_export(const std::string& path_text, const std::string& name);
    // The export dialog's closing step: a path box that was touched becomes the
    // configuration's value, and the file is saved.
    std::optional<Message> close_export_dialog(const std::string& path_text);

    // "Enregistrer pour mpeg2enc…" on a grid: the refusal shown instead of the save dialog
    // (a matrix holding a 0), the dialog's suggestion (beside the video, named after it),
    // then the writing of the file chosen.
    std::optional<Message> mpeg2enc_refusal() const;
    std::string mpeg2enc_suggested_path() const;
    std::optional<Message> save_for_mpeg2enc(const std::string& path) const;

    // "Fichier x264 (--cqmfile)…" and "Fichier x265 (--scaling-list)…" on a grid of an H.264
    // or HEVC video: the encoder_files refusal shown instead of the save dialog, the
    // dialog's suggestion (beside the video, named after it), then the writing.
    enum class EncoderFile { x264, x265 };
    std::optional<Message> encoder_file_refusal(EncoderFile file) const;
    std::string encoder_file_suggested_path(EncoderFile file) const;
    std::optional<Message> save_encoder_file(EncoderFile file, const std::string& path) const;

    // The known matrices for the grids' tooltips, read again at each file since the user's
    // files may change. Their messages (a malformed file) come once: a folder read as it
    // was at the last warning gives none, so the same warning does not follow every file.
    MatrixLibrary known_matrices(const std::string& user_folder);

    // The reads of the background, one job each (io/background_job.h): the whole stream's
    // headers, read after the file's first header is shown; the quantiser pass over the
    // pictures they found, which follows a header read that went to its end; one picture's
    // macroblocks for the picture view. Opening another file or quitting stops them within
    // one read.
    enum class Read { stream, quantiser, picture_map };
    enum class ReadState { none, reading, finished, cancelled };
    struct ReadStatus {
        ReadState state = ReadState::none;
        int per_mille = 0;  // the share of the file read, in thousandths
        bool ended = false; // this poll saw the read end and took its result
    };
    // Called from the window's thread from time to time: where the read stands, its result
    // taken when it is ready.
    ReadStatus poll(Read read);
    ReadState read_state(Read read) const { return slot(read).state; }
    int read_per_mille(Read read) const;
    // "Annuler": the read stops at its next read; what was read is kept and shown.
    void cancel(Read read);
    // The read the strip follows: the headers', then the macroblocks' once those began.
    Read stream_phase() const;

    // Starts the header read of the file last opened; a read under way stops. An MPEG-4
    // Part 2, H.264 or HEVC video's read is the walk over its parameter sets
    // (codec_stream()); no quantiser pass follows it.
    void start_stream_read();
    // That walk's result once it has ended; nothing before, nothing for MPEG-1/2 files.
    const CodecScan* codec_stream() const { return codec_stream_.get(); }
    // The header read's result once it has ended (to its end or stopped); nothing before.
    // The quantiser pass then fills its pictures' figures, which count once the pass has
    // ended (`quantiser_read`).
    const mpeg::ScanResult* whole_stream() const { return whole_stream_.get(); }
    StreamReadTexts stream_read_texts() const;
    std::vector<SummaryLine> stream_summary() const;

    // The whole stream judged against a profile (its name, or "auto", the first choice):
    // once the header read has ended, checked again when the profile changes. Nothing
    // before.
    const check::CheckResult* check_result() const { return check_.get(); }
    // The same for an H.264 or HEVC video: its coded picture buffer, and the Blu-ray rules
    // under "bluray" (or "auto" for a disc's stream); the buffer as the graph draws it.
    const check::CodecCheckResult* codec_check_result() const { return codec_check_.get(); }
    const check::BufferModel& codec_buffer() const { return codec_buffer_; }
    const check::Timeline* timeline() const { return timeline_.get(); }
    const std::string& check_profile() const { return check_profile_; }
    void set_check_profile(const std::string& name);

    // The picture view: picture `index`'s macroblocks read again from the file; asking for
    // another stops the read under way. Once that read has ended the map is picture_map(),
    // or nothing when the file has no such picture.
    void start_picture_map(std::uint64_t index);
    const PictureMap* picture_map() const { return picture_map_.get(); }

    // "Utiliser ce jeu de matrices": the main window, its exports and its reports take set
    // `number` (from 1) of the whole stream; 0 goes back to the first header's matrices.
    // False when there is no such set.
    bool use_matrix_set(std::size_t number);
    // The set in use; 0 for the first header's matrices.
    std::size_t matrix_set_in_use() const { return matrix_set_in_use_; }

    // "Enregistrer les images (CSV)…": the dialog's suggestion (beside the video, named
    // after it), then the writing of the per-picture table.
    std::string picture_table_suggested_path() const;
    std::optional<Message> save_picture_table(const std::string& path) const;

    // "Quitter" and every close request: the read stops and the registry script of a CCE
    // export goes.
    void quit();

  private:
    // One read of the background: its job, what hands the job's result to the session, and
    // where it stands.
    struct Slot {
        std::unique_ptr<Job> job;
        std::function<void()> take;
        ReadState state = ReadState::none;
    };
    Slot& slot(Read read) { return reads_[static_cast<std::size_t>(read)]; }
    const Slot& slot(Read read) const { return reads_[static_cast<std::size_t>(read)]; }
    // Runs `work` as `read`, a read of the same kind under way stopped; `done` gets its
    // result on the window's thread, at the poll that sees it end.
    template <class Result>
    void start(Read read, std::function<Result(JobControl&)> work,
               std::function<void(Result&&)> done);
    void stop(Read read);
    void stop_stream_read();
    void start_quantiser_read();
    Messages open_codec(CodecAnalysis&& result);
    EncoderFileText encoder_file_text(EncoderFile file) const;

    AppState& state_;
    bool has_stream_ = false;
    unsigned frame_rate_code_ = 0;
    // How mpeg/ reads an MPEG video in a container that places its samples.
    std::optional<mpeg::Layout> mpeg_layout_;
    std::optional<CodecAnalysis> codec_;
    std::vector<ListPair> list_pairs_; // into codec_'s lists
    std::size_t list_pair_shown_ = 0;
    // The first header's matrices, for the way back from a chosen set.
    QuantMatrixPair first_header_matrices_;
    std::unique_ptr<mpeg::ScanResult> whole_stream_;
    std::unique_ptr<CodecScan> codec_stream_;
    std::unique_ptr<PictureMap> picture_map_;
    std::string check_profile_ = "auto";
    std::unique_ptr<check::CheckResult> check_;
    std::unique_ptr<check::CodecCheckResult> codec_check_;
    check::BufferModel codec_buffer_;
    std::unique_ptr<check::Timeline> timeline_;
    std::size_t matrix_set_in_use_ = 0;
    std::optional<std::string> warned_folder_state_;
    // After what the jobs read and write: they end first.
    std::array<Slot, 3> reads_;
};

} // namespace quantaline
