#include "ui/matrix_menu.h"

#include "export/matrix_formats.h"
#include "io/file_system.h"
#include "ui/platform.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

namespace quantaline {

namespace {

// Beside the video, named after it: "film.vob" suggests "film.mpeg2enc.txt".
std::string suggested_mpeg2enc_path(const std::string& video_path) {
    auto path = path_from_utf8(video_path);
    path.replace_filename(path_from_utf8(path_to_utf8(path.stem()) + ".mpeg2enc.txt"));
    return path_to_utf8(path);
}

} // namespace

std::unique_ptr<QMenu> matrix_menu(QWidget* owner, MatrixKind kind, const AppState& state,
                                   Platform& platform, bool enabled) {
    auto menu = std::make_unique<QMenu>(owner);
    const auto add = [&](const char* text, std::function<void()> action) {
        QAction* item = menu->addAction(QString::fromUtf8(text));
        item->setEnabled(enabled);
        QObject::connect(item, &QAction::triggered, menu.get(), std::move(action));
    };
    add(copy_values_text, [&state, kind] {
        const QuantMatrix& matrix =
            kind == MatrixKind::intra ? state.matrices.intra : state.matrices.non_intra;
        QGuiApplication::clipboard()->setText(QString::fromStdString(matrix_grid_text(matrix)));
    });
    add(copy_ffmpeg_text, [&state] {
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(ffmpeg_options(state.matrices)));
    });
    add(save_mpeg2enc_text,
        [owner, &state, &platform] { save_for_mpeg2enc(owner, state, platform); });
    return menu;
}

void attach_matrix_menu(QWidget* frame, const std::array<QLabel*, 64>& cells, MatrixKind kind,
                        const AppState& state, Platform& platform,
                        std::function<bool()> file_shown) {
    const auto attach = [&](QWidget* widget) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(widget, &QWidget::customContextMenuRequested, widget,
                         [widget, kind, &state, &platform, file_shown](const QPoint& at) {
                             const auto menu =
                                 matrix_menu(widget, kind, state, platform, file_shown());
                             menu->exec(widget->mapToGlobal(at));
                         });
    };
    attach(frame);
    for (QLabel* cell : cells) {
        attach(cell);
    }
}

void set_grid_tooltip(QWidget* frame, const std::array<QLabel*, 64>& cells, const QString& text) {
    frame->setToolTip(text);
    for (QLabel* cell : cells) {
        cell->setToolTip(text);
    }
}

void save_for_mpeg2enc(QWidget* owner, const AppState& state, Platform& platform) {
    if (!mpeg2enc_accepts(state.matrices)) {
        platform.show_message(owner, mpeg2enc_value_message);
        return;
    }
    const std::string path = platform.choose_save_path(owner, "Enregistrer pour mpeg2enc",
                                                       suggested_mpeg2enc_path(state.file_path));
    if (path.empty()) {
        return;
    }
    if (const auto message = write_mpeg2enc_file(path, state.matrices, state.file_path)) {
        platform.show_message(owner, *message);
    }
}

} // namespace quantaline
