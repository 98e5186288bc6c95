#pragma once

#include "export/matrix_library.h"
#include "session/session.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QWidget;

namespace quantaline {

class Platform;

// The extras of a matrix grid: a tooltip that names the known matrix nearest to the one
// shown, and a context menu that copies the values or saves them for an encoder.

inline constexpr const char* copy_values_text =
    QT_TRANSLATE_NOOP("quantaline::MatrixMenu", "Copier les valeurs");
inline constexpr const char* copy_ffmpeg_text =
    QT_TRANSLATE_NOOP("quantaline::MatrixMenu", "Copier pour ffmpeg");
inline constexpr const char* save_mpeg2enc_text =
    QT_TRANSLATE_NOOP("quantaline::MatrixMenu", "Enregistrer pour mpeg2enc…");

inline constexpr const char* save_x264_text =
    QT_TRANSLATE_NOOP("quantaline::MatrixMenu", "Fichier x264 (--cqmfile)…");
inline constexpr const char* save_x265_text =
    QT_TRANSLATE_NOOP("quantaline::MatrixMenu", "Fichier x265 (--scaling-list)…");

// The menu of the intra grid or the non-intra grid, over the session's matrices. Its
// actions are disabled while `enabled` is false (no file shown yet). For an H.264 or HEVC
// video it copies the list the grid shows and saves the encoders' own matrix files
// instead of the MPEG formats.
std::unique_ptr<QMenu> matrix_menu(QWidget* owner, MatrixKind kind, const Session& session,
                                   Platform& platform, bool enabled);

// Gives the grid's frame and cells that menu on a right click, and the frame the focus
// and the menu on the menu key or Shift+F10; `file_shown` tells whether the grid shows a
// file's matrices.
void attach_matrix_menu(QWidget* frame, const std::array<QLabel*, 64>& cells, MatrixKind kind,
                        const Session& session, Platform& platform,
                        std::function<bool()> file_shown);

// The same text as the tooltip of the frame and of every cell.
void set_grid_tooltip(QWidget* frame, const std::array<QLabel*, 64>& cells, const QString& text);

// "Enregistrer pour mpeg2enc…": the session's refusal, or the platform's save dialog and
// then the writing, with its failure shown.
void save_for_mpeg2enc(QWidget* owner, const Session& session, Platform& platform);

// "Fichier x264 (--cqmfile)…" and "Fichier x265 (--scaling-list)…": the session's refusal,
// or the save dialog and then the writing, with its failure shown.
void save_encoder_file(QWidget* owner, const Session& session, Platform& platform,
                       Session::EncoderFile file);

} // namespace quantaline
