// The test driver: the desktop program with what the window tests need to drive it from
// outside. The shipped program reads none of these variables.
//   QUANTALINE_MESSAGE_LOG        message boxes are appended to this file and answered with
//                                 their default button instead of being shown
//   QUANTALINE_PRINT_FILE         open this file through the open dialog, print, quit
//   QUANTALINE_SCREENSHOT_DIR/FILE the screenshot tour (screenshot_tour.h)
#include "print_run.h"
#include "screenshot_tour.h"
#include "session/session.h"
#include "support/messages.h"
#include "ui/program.h"
#include "ui/qt_platform.h"

#include <QApplication>
#include <QFile>

namespace {

class DriverPlatform final : public quantaline::QtPlatform {
  public:
    explicit DriverPlatform(QString message_log) : message_log_(std::move(message_log)) {}

    quantaline::Button show_message(QWidget* owner, const quantaline::Message& message) override {
        if (message_log_.isEmpty()) {
            return QtPlatform::show_message(owner, message);
        }
        QFile log(message_log_);
        if (log.open(QIODevice::Append)) {
            log.write(quantaline::icon_name(message.icon));
            log.write("\t");
            log.write(french(message).title.c_str());
            log.write("\t");
            log.write(french(message).text.c_str());
            log.write("\n");
        }
        return message.default_button;
    }

  private:
    QString message_log_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quantaline"));
    DriverPlatform platform(qEnvironmentVariable("QUANTALINE_MESSAGE_LOG"));
    return quantaline::run_program(platform, QCoreApplication::applicationFilePath().toStdString(),
                                   quantaline::file_argument(argc, argv),
                                   [](quantaline::HeaderFrm& window, quantaline::Session& session) {
                                       quantaline::start_screenshot_tour_if_asked(window,
                                                                                  session.state());
                                       quantaline::start_print_run_if_asked(window);
                                   });
}
