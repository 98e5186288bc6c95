#include "print_run.h"

#include "scripted_open.h"
#include "ui/frm_ouvrir.h"
#include "ui/header_frm.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace quantaline {

void start_print_run_if_asked(HeaderFrm& window) {
    const QString stream = qEnvironmentVariable("QUANTALINE_PRINT_FILE");
    if (stream.isEmpty()) {
        return;
    }
    QTimer::singleShot(0, &window, [&window, stream] {
        // The open dialog is modal: the choice is made inside its own event loop.
        QTimer::singleShot(100, &window, [stream] {
            FrmOuvrir* dialog = select_in_open_dialog(stream);
            if (dialog == nullptr) {
                std::fprintf(stderr, "the open dialog did not show\n");
                QApplication::exit(1);
                return;
            }
            dialog->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        });
        window.findChild<QPushButton*>(QStringLiteral("btc_ouvrir"))->click();
        if (window.findChild<QLabel*>(QStringLiteral("Label10"))->text().isEmpty()) {
            std::fprintf(stderr, "%s was not opened\n", qPrintable(stream));
            QApplication::exit(1);
            return;
        }
        window.findChild<QPushButton*>(QStringLiteral("btc_imprimer"))->click();
        window.findChild<QPushButton*>(QStringLiteral("btc_quitter"))->click();
    });
}

} // namespace quantaline
