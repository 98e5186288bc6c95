#include "print_run.h"
#include "screenshot_tour.h"
#include "session/app_state.h"
#include "ui/header_frm.h"
#include "ui/qt_platform.h"
#include "ui/startup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quantaline"));

    quantaline::QtPlatform platform;
    quantaline::AppState state;
    quantaline::HeaderFrm window(state, platform);
    if (!quantaline::start_up(state, platform, window,
                              QCoreApplication::applicationFilePath().toStdString())) {
        return 0;
    }
    window.show();
    quantaline::start_screenshot_tour_if_asked(window, state);
    quantaline::start_print_run_if_asked(window);
    return QApplication::exec();
}
