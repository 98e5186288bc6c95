#pragma once

#include "export/matrix_library.h"
#include "io/background_job.h"
#include "io/message.h"
#include "mpeg/scan.h"
#include "session/app_state.h"
#include "session/whole_stream.h"

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

    // The known matrices for the grids' tooltips, read again at each file since the user's
    // files may change. Their messages (a malformed file) come once: a folder read as it
    // was at the last warning gives none, so the same warning does not follow every file.
    MatrixLibrary known_matrices(const std::string& user_folder);

    // The whole stream of the file last opened, read in the background after its first
    // header is shown. Opening another file or quitting stops it within one read.
    enum class StreamRead { none, reading, finished, cancelled };
    // Starts the read of the file last opened when it has a stream; a read under way stops.
    void start_stream_read();
    // Called from the window's thread from time to time: takes the result when it is ready.
    // True at the call that saw the read end.
    bool poll_stream_read();
    StreamRead stream_read() const { return stream_read_; }
    // The share of the file read, in thousandths.
    int stream_read_per_mille() const;
    // "Annuler": the read stops at its next read; what was read is kept and shown.
    void cancel_stream_read();
    // The read's result once it has ended (to its end or stopped); nothing before.
    const mpeg::ScanResult* whole_stream() const { return whole_stream_.get(); }
    StreamReadTexts stream_read_texts() const;
    std::vector<SummaryLine> stream_summary() const;

    // The quantiser pass: once the header read has ended (to its end), every picture's
    // macroblocks are read in the background, with their own progress and their own cancel.
    // Its figures join the whole stream's result when it ends; a pass cancelled keeps the
    // figures of the pictures it read.
    enum class QuantiserRead { none, reading, finished, cancelled };
    QuantiserRead quantiser_read() const { return quantiser_read_; }
    // True at the call that saw the pass end.
    bool poll_quantiser_read();
    int quantiser_read_per_mille() const;
    void cancel_quantiser_read();

    // The picture view: one picture's macroblocks read again from the file in the
    // background; asking for another stops the read under way.
    void start_picture_map(std::uint64_t index);
    // True at the call that saw the read end; the map is then picture_map(), or nothing when
    // the file has no such picture.
    bool poll_picture_map();
    bool picture_map_reading() const { return map_job_ != nullptr; }
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
    void stop_stream_read();
    void start_quantiser_read();
    void stop_picture_map();

    AppState& state_;
    bool has_stream_ = false;
    unsigned frame_rate_code_ = 0;
    // The first header's matrices, for the way back from a chosen set.
    QuantMatrixPair first_header_matrices_;
    // The three reads of the background, one kind of job each.
    std::unique_ptr<BackgroundJob<mpeg::ScanResult>> stream_job_;
    std::unique_ptr<BackgroundJob<mpeg::ScanResult>> quantiser_job_;
    std::unique_ptr<BackgroundJob<std::optional<PictureMap>>> map_job_;
    std::unique_ptr<mpeg::ScanResult> whole_stream_;
    StreamRead stream_read_ = StreamRead::none;
    QuantiserRead quantiser_read_ = QuantiserRead::none;
    std::unique_ptr<PictureMap> picture_map_;
    std::size_t matrix_set_in_use_ = 0;
    std::optional<std::string> warned_folder_state_;
};

} // namespace quantaline
