#include "ui/matrix_menu.h"

#include "export/matrix_formats.h"
#include "ui/platform.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

namespace quantaline {

std::unique_ptr<QMenu> matrix_menu(QWidget* owner, MatrixKind kind, const Session& session,
                                   Platform& platform, bool enabled) {
    auto menu = std::make_unique<QMenu>(owner);
    const auto add = [&](const char* text, std::function<void()> action) {
        QAction* item = menu->addAction(QString::fromUtf8(text));
        item->setEnabled(enabled);
        QObject::connect(item, &QAction::triggered, menu.get(), std::move(action));
    };
    const QuantMatrixPair& matrices = session.state().matrices;
    add(copy_values_text, [&matrices, kind] {
        const QuantMatrix& matrix = kind == MatrixKind::intra ? matrices.intra : matrices.non_intra;
        QGuiApplication::clipboard()->setText(QString::fromStdString(matrix_grid_text(matrix)));
    });
    add(copy_ffmpeg_text, [&matrices] {
        QGuiApplication::clipboard()->setText(QString::fromStdString(ffmpeg_options(matrices)));
    });
    add(save_mpeg2enc_text,
        [owner, &session, &platform] { save_for_mpeg2enc(owner, session, platform); });
    return menu;
}

void attach_matrix_menu(QWidget* frame, const std::array<QLabel*, 64>& cells, MatrixKind kind,
                        const Session& session, Platform& platform,
                        std::function<bool()> file_shown) {
    const auto attach = [&](QWidget* widget) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(widget, &QWidget::customContextMenuRequested, widget,
                         [widget, kind, &session, &platform, file_shown](const QPoint& at) {
                             const auto menu =
                                 matrix_menu(widget, kind, session, platform, file_shown());
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

void save_for_mpeg2enc(QWidget* owner, const Session& session, Platform& platform) {
    if (const auto refusal = session.mpeg2enc_refusal()) {
        platform.show_message(owner, *refusal);
        return;
    }
    const std::string path = platform.choose_save_path(owner, "Enregistrer pour mpeg2enc",
                                                       session.mpeg2enc_suggested_path());
    if (path.empty()) {
        return;
    }
    if (const auto message = session.save_for_mpeg2enc(path)) {
        platform.show_message(owner, *message);
    }
}

} // namespace quantaline
