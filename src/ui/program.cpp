#include "ui/program.h"

#include "io/language.h"
#include "session/session.h"
#include "ui/header_frm.h"
#include "ui/platform.h"
#include "ui/qt_text.h"
#include "ui/startup.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace quantaline {

namespace {

// A file handed over while a dialog or a message box is up waits until it is closed.
void open_when_free(HeaderFrm& window, const std::string& path) {
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(200, &window, [&window, path] { open_when_free(window, path); });
        return;
    }
    window.showNormal();
    window.raise();
    window.activateWindow();
    window.open_file(path);
}

} // namespace

std::string file_argument(int argc, [[maybe_unused]] char** argv) {
    if (argc < 2) {
        return {};
    }
#ifdef Q_OS_WIN
    // argv is in the ANSI code page there; Qt's arguments come from the wide command line.
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.size() > 1 ? arguments.at(1) : QString();
#else
    const QString name = QFile::decodeName(argv[1]);
#endif
    // Native separators: on Windows the report names the video "C:\Clips\film.m2v", as the
    // open dialog does, not "C:/Clips/film.m2v".
    return name.isEmpty()
               ? std::string()
               : path_bytes(QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
}

int run_program(Platform& platform, const std::string& executable_path, const std::string& file,
                const std::function<void(HeaderFrm&, Session&)>& shown) {
    // A file for a copy that already runs goes to it, and this one ends without a word.
    if (!file.empty() && platform.another_copy_running() && platform.hand_over(file)) {
        return 0;
    }
    const Language language = user_language();
    set_text_language(language);
    install_translations(language);
    AppState state;
    Session session(state);
    HeaderFrm window(session, platform);
    if (!start_up(session, platform, window, executable_path)) {
        return 0;
    }
    platform.receive_hand_overs(
        [&window](const std::string& path) { open_when_free(window, path); });
    window.show();
    if (!file.empty()) {
        QTimer::singleShot(0, &window, [&window, file] { window.open_file(file); });
    }
    if (shown) {
        shown(window, session);
    }
    return QApplication::exec();
}

} // namespace quantaline
