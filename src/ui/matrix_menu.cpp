#include "ui/matrix_menu.h"

#include "export/matrix_formats.h"
#include "ui/platform.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

namespace quantaline {

namespace {

// The menu key and Shift+F10 open the grid's menu where a right click would, at the
// grid's middle. Where the platform itself turns one of them into a context menu (Windows
// for Shift+F10, X11 for the menu key), the grid never sees the key: the menu that
// opened takes it.
class MenuKeys final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool menu_key = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
        const bool shift_f10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
        if (!menu_key && !shift_f10) {
            return false;
        }
        auto* grid = static_cast<QWidget*>(watched);
        const QPoint middle = grid->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, middle, grid->mapToGlobal(middle),
                               key->modifiers());
        QCoreApplication::sendEvent(grid, &menu);
        return true;
    }
};

} // namespace

std::unique_ptr<QMenu> matrix_menu(QWidget* owner, MatrixKind kind, const Session& session,
                                   Platform& platform, bool enabled) {
    auto menu = std::make_unique<QMenu>(owner);
    const auto add = [&](const char* text, std::function<void()> action) {
        QAction* item =
            menu->addAction(QCoreApplication::translate("quantaline::MatrixMenu", text));
        item->setEnabled(enabled);
        QObject::connect(item, &QAction::triggered, menu.get(), std::move(action));
    };
    const CodecAnalysis* codec = session.codec();
    if (codec != nullptr && !codec->mpeg4) {
        add(copy_values_text, [&session, kind] {
            if (const CodecList* list = session.shown_list(kind == MatrixKind::intra)) {
                QGuiApplication::clipboard()->setText(
                    QString::fromStdString(codec_list_grid(*list)));
            }
        });
        add(save_x264_text, [owner, &session, &platform] {
            save_encoder_file(owner, session, platform, Session::EncoderFile::x264);
        });
        add(save_x265_text, [owner, &session, &platform] {
            save_encoder_file(owner, session, platform, Session::EncoderFile::x265);
        });
        return menu;
    }
    const QuantMatrixPair& matrices = session.state().matrices;
    add(copy_values_text, [&matrices, kind] {
        const mpeg::Matrix& matrix =
            kind == MatrixKind::intra ? matrices.intra : matrices.non_intra;
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
    // The grid is one stop of the keyboard's round: its frame takes the focus.
    frame->setFocusPolicy(Qt::StrongFocus);
    frame->installEventFilter(new MenuKeys(frame));
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
    const std::string path = platform.choose_save_path(
        owner,
        QCoreApplication::translate("quantaline::MatrixMenu", "Enregistrer pour mpeg2enc")
            .toStdString(),
        session.mpeg2enc_suggested_path());
    if (path.empty()) {
        return;
    }
    if (const auto message = session.save_for_mpeg2enc(path)) {
        platform.show_message(owner, *message);
    }
}

void save_encoder_file(QWidget* owner, const Session& session, Platform& platform,
                       Session::EncoderFile file) {
    if (const auto refusal = session.encoder_file_refusal(file)) {
        platform.show_message(owner, *refusal);
        return;
    }
    const QString title =
        file == Session::EncoderFile::x264
            ? QCoreApplication::translate("quantaline::MatrixMenu", "Fichier x264 (--cqmfile)")
            : QCoreApplication::translate("quantaline::MatrixMenu",
                                          "Fichier x265 (--scaling-list)");
    const std::string path = platform.choose_save_path(owner, title.toStdString(),
                                                       session.encoder_file_suggested_path(file));
    if (path.empty()) {
        return;
    }
    if (const auto message = session.save_encoder_file(file, path)) {
        platform.show_message(owner, *message);
    }
}

} // namespace quantaline
