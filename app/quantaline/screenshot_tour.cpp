#include "screenshot_tour.h"

#include "shell/qt/frm_ouvrir.h"
#include "shell/qt/frm_propos.h"
#include "shell/qt/header_frm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace quantaline {

namespace {

void settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// What the screen shows where the window stands, frame included when there is one.
void save_screen(QWidget& window, const QString& path) {
    settle();
    QScreen* screen = window.screen();
    const QRect area = window.frameGeometry();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    }
}

void click(QWidget& parent, const char* name) {
    parent.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

} // namespace

void start_screenshot_tour_if_asked(HeaderFrm& window, AppState& state) {
    const QString folder = qEnvironmentVariable("QUANTALINE_SCREENSHOT_DIR");
    const QString stream = qEnvironmentVariable("QUANTALINE_SCREENSHOT_FILE");
    if (folder.isEmpty() || stream.isEmpty()) {
        return;
    }
    (void)state;
    QTimer::singleShot(500, &window, [&window, folder, stream] {
        // The dialog is modal: its part of the tour runs inside its own event loop.
        QTimer::singleShot(300, &window, [folder, stream] {
            auto* dialog = qobject_cast<FrmOuvrir*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                std::fprintf(stderr, "the open dialog did not show\n");
                QApplication::exit(1);
                return;
            }
            const QFileInfo file(stream);
            dialog->change_folder(file.absolutePath());
            auto* files = dialog->findChild<QListWidget*>(QStringLiteral("File1"));
            const auto found = files->findItems(file.fileName(), Qt::MatchExactly);
            if (!found.isEmpty()) {
                files->setCurrentItem(found.front());
            }
            save_screen(*dialog, folder + QStringLiteral("/frm_ouvrir.png"));
            click(*dialog, "Command1");
        });
        click(window, "btc_ouvrir");
        save_screen(window, folder + QStringLiteral("/header_frm.png"));

        QTimer::singleShot(300, &window, [folder] {
            auto* about = qobject_cast<FrmPropos*>(QApplication::activeModalWidget());
            if (about != nullptr) {
                save_screen(*about, folder + QStringLiteral("/frm_propos.png"));
                click(*about, "btc_ok");
            }
        });
        click(window, "btc_propos");
        click(window, "btc_quitter");
    });
}

} // namespace quantaline
