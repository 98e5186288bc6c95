#include "ui/program.h"
#include "ui/qt_platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quantaline"));
    quantaline::QtPlatform platform;
    return quantaline::run_program(platform, QCoreApplication::applicationFilePath().toStdString(),
                                   quantaline::file_argument(argc, argv));
}
