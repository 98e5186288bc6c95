#include "screenshot_tour.h"

#include "scripted_open.h"
#include "ui/check_panel.h"
#include "ui/frm_exporter.h"
#include "ui/frm_flux_complet.h"
#include "ui/frm_ouvrir.h"
#include "ui/frm_propos.h"
#include "ui/header_frm.h"
#include "ui/picture_graph.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

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

// The graph's other views and the "Conformité" tab, its first finding chosen.
void save_flux_views(FrmFluxComplet& flux, const QString& folder) {
    auto* views = flux.findChild<QComboBox*>(QStringLiteral("cb_vue"));
    views->setCurrentIndex(0);
    save_screen(flux, folder + QStringLiteral("/frm_flux_debit.png"));
    views->setCurrentIndex(2);
    save_screen(flux, folder + QStringLiteral("/frm_flux_gop.png"));
    views->setCurrentIndex(1);
    flux.findChild<QTabWidget*>(QStringLiteral("onglets_flux"))->setCurrentIndex(2);
    if (flux.findings_table().rowCount() > 0) {
        flux.findings_table().selectRow(0);
    }
    save_screen(flux, folder + QStringLiteral("/frm_flux_conformite.png"));
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
    // In memory only, for the warning's picture: the dialog is left untouched, so the
    // configuration file is not rewritten.
    state.configuration.values_are_default = true;
    QTimer::singleShot(500, &window, [&window, folder, stream] {
        // The dialog is modal: its part of the tour runs inside its own event loop.
        QTimer::singleShot(300, &window, [folder, stream] {
            FrmOuvrir* dialog = select_in_open_dialog(stream);
            if (dialog == nullptr) {
                std::fprintf(stderr, "the open dialog did not show\n");
                QApplication::exit(1);
                return;
            }
            save_screen(*dialog, folder + QStringLiteral("/frm_ouvrir.png"));
            click(*dialog, "Command1");
        });
        click(window, "btc_ouvrir");
        save_screen(window, folder + QStringLiteral("/header_frm.png"));

        // The CCE export: its warning when the values are the defaults, answered OK, then
        // the export dialog, left by "Annuler" with its path box untouched.
        auto* export_steps = new QTimer(&window);
        export_steps->setInterval(100);
        auto busy = std::make_shared<bool>(false);
        QObject::connect(export_steps, &QTimer::timeout, &window, [folder, busy] {
            if (*busy) {
                return;
            }
            *busy = true;
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                save_screen(*box, folder + QStringLiteral("/cce_warning.png"));
                box->button(QMessageBox::Ok)->click();
            } else if (auto* dialog = qobject_cast<FrmExporter*>(modal)) {
                save_screen(*dialog, folder + QStringLiteral("/frm_exporter.png"));
                click(*dialog, "btc_annuler_export");
            }
            *busy = false;
        });
        export_steps->start();
        click(window, "btc_cce");
        export_steps->stop();

        QTimer::singleShot(300, &window, [folder] {
            auto* about = qobject_cast<FrmPropos*>(QApplication::activeModalWidget());
            if (about != nullptr) {
                save_screen(*about, folder + QStringLiteral("/frm_propos.png"));
                click(*about, "btc_ok");
            }
        });
        click(window, "btc_propos");

        // The end of the whole-stream read: the strip, then the "Flux complet" window.
        auto* read_end = new QTimer(&window);
        read_end->setInterval(50);
        auto waited = std::make_shared<QElapsedTimer>();
        waited->start();
        QObject::connect(read_end, &QTimer::timeout, &window, [&window, folder, read_end, waited] {
            auto* flux_button = window.findChild<QPushButton*>(QStringLiteral("btc_flux_complet"));
            const bool ended =
                !window.findChild<QLabel*>(QStringLiteral("lbl_flux"))->text().isEmpty();
            if (!ended && waited->elapsed() < 120000) {
                return;
            }
            read_end->stop();
            save_screen(window, folder + QStringLiteral("/header_frm_flux.png"));
            // The lists of an H.264, HEVC or MPEG-4 video: the last choice (HEVC's 32x32
            // lists with their DC values, H.264's 8x8 lists of a colour or of luma).
            if (auto* lists = window.findChild<QComboBox*>(QStringLiteral("cb_listes"));
                lists != nullptr && lists->isVisible() && lists->count() > 1) {
                lists->setCurrentIndex(lists->count() - 1);
                save_screen(window, folder + QStringLiteral("/header_frm_listes.png"));
            }
            if (flux_button->isEnabled()) {
                flux_button->click();
                // The sets of lists of the other codecs, the last set selected.
                if (FrmFluxComplet* listes = window.flux_complet_window();
                    listes != nullptr && listes->shows_lists()) {
                    listes->sets_table().selectRow(listes->sets_table().rowCount() - 1);
                    save_screen(*listes, folder + QStringLiteral("/frm_flux_listes.png"));
                    // Its check, the first finding chosen in the graph.
                    auto* tabs = listes->findChild<QTabWidget*>(QStringLiteral("onglets_flux"));
                    if (tabs != nullptr && tabs->isTabVisible(1)) {
                        tabs->setCurrentIndex(1);
                        QTableWidget& findings = listes->check_panel().findings_table();
                        if (findings.rowCount() > 0) {
                            findings.selectRow(0);
                        }
                        save_screen(*listes, folder + QStringLiteral("/frm_flux_listes_check.png"));
                        tabs->setCurrentIndex(0);
                    }
                }
                if (FrmFluxComplet* flux = window.flux_complet_window();
                    flux != nullptr && !flux->shows_lists()) {
                    save_screen(*flux, folder + QStringLiteral("/frm_flux_complet.png"));
                    save_flux_views(*flux, folder);
                    // A picture from the middle of the stream, its macroblocks shown.
                    flux->show_picture(flux->graph().picture_count() / 2);
                    auto* map_read = new QTimer(flux);
                    map_read->setInterval(50);
                    auto map_waited = std::make_shared<QElapsedTimer>();
                    map_waited->start();
                    QObject::connect(
                        map_read, &QTimer::timeout, flux,
                        [&window, flux, folder, map_read, map_waited] {
                            const QString text =
                                flux->findChild<QLabel*>(QStringLiteral("lbl_image"))->text();
                            if (!text.startsWith(QStringLiteral("Image ")) &&
                                map_waited->elapsed() < 120000) {
                                return;
                            }
                            map_read->stop();
                            save_screen(*flux, folder + QStringLiteral("/frm_flux_macroblocs.png"));
                            click(window, "btc_quitter");
                        });
                    map_read->start();
                    return;
                }
            }
            click(window, "btc_quitter");
        });
        read_end->start();
    });
}

} // namespace quantaline
