#include "ui/qt_platform.h"

#include "io/paths.h"
#include "io/text.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#ifdef QUANTALINE_HAVE_CUPS
#include <cups/cups.h>
#endif

#ifdef Q_OS_WIN
#include "config/app_info.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>
// windows.h first: shellapi.h builds on its types.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#else
#include <QSocketNotifier>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace quantaline {

namespace {

QMessageBox::Icon box_icon(Icon icon) {
    switch (icon) {
    case Icon::critical:
        return QMessageBox::Critical;
    case Icon::exclamation:
        return QMessageBox::Warning;
    case Icon::information:
        return QMessageBox::Information;
    }
    return QMessageBox::Information;
}

std::string with_separator(const QString& folder) {
    return with_trailing_separator(QDir::toNativeSeparators(folder).toStdString());
}

// Qt hands the finished document to CUPS without looking at the answer, so a queue that
// refuses jobs would pass for a success. Its print engine runs in this thread with the same
// libcups, whose last status is then the answer to the job just sent.
bool print_job_accepted() {
#ifdef QUANTALINE_HAVE_CUPS
    return cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
#else
    return true;
#endif
}

// A document on a QPrinter. The painter's origin is the top-left corner of the printable
// area, which is where the first line starts.
class QtPrintDocument final : public PrintDocument {
  public:
    explicit QtPrintDocument(const QPrinterInfo& printer_info)
        : printer_(printer_info, QPrinter::HighResolution) {}

    bool begin(double points) {
        printer_.setDocName(QStringLiteral("Quantaline"));
        if (!printer_.isValid() || !painter_.begin(&printer_)) {
            return false;
        }
        // Only the size is set: the face and weight stay the printer's own. Latin text is
        // printed glyph by glyph, as the printer's own text output does: no ligatures, so
        // the page's text reads back as it was written.
        QFont font = painter_.font();
        font.setPointSizeF(points);
        font.setStyleStrategy(QFont::PreferNoShaping);
        painter_.setFont(font);
        metrics_ = std::make_unique<QFontMetricsF>(painter_.font(), &printer_);
        return true;
    }

    // QPrinter's own size is that of the printable area, in the painter's units.
    double page_width() const override { return printer_.width(); }
    double average_char_width() const override { return metrics_->averageCharWidth(); }
    double text_width(std::string_view utf8_text) const override {
        return metrics_->horizontalAdvance(from_utf8(utf8_text));
    }
    void print_text(double x, std::string_view utf8_text) override {
        // Only a path long enough to fill many lines reaches the foot of the page: what
        // follows it goes on the next one.
        if (line_ > 0 && (line_ + 1) * metrics_->lineSpacing() > printer_.height() &&
            printer_.newPage()) {
            line_ = 0;
        }
        const double baseline = line_ * metrics_->lineSpacing() + metrics_->ascent();
        painter_.drawText(QPointF(x, baseline), from_utf8(utf8_text));
    }
    void new_line() override { ++line_; }
    bool end_document() override {
        return painter_.end() && printer_.printerState() != QPrinter::Error &&
               printer_.printerState() != QPrinter::Aborted && print_job_accepted();
    }

  private:
    QPrinter printer_;
    QPainter painter_;
    std::unique_ptr<QFontMetricsF> metrics_;
    int line_ = 0;
};

} // namespace

QtPlatform::QtPlatform() {
#ifdef Q_OS_WIN
    // A drive without a medium (an empty DVD drive) answers the open dialog's look with a
    // failure the dialog reports itself; without this, Windows would first stop the program
    // on its own "no disk in the drive" box.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
#endif
}

Button QtPlatform::show_message(QWidget* owner, const Message& value) {
    // The box speaks the user's language.
    const ShownMessage message = shown(value);
    QMessageBox box(box_icon(message.icon), QString::fromStdString(message.title),
                    QString::fromStdString(message.text), QMessageBox::NoButton, owner);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = nullptr;
    if (message.buttons == Buttons::ok_cancel) {
        cancel = box.addButton(QMessageBox::Cancel);
        // The program's own word, whatever Qt's translation of the button.
        cancel->setText(QCoreApplication::translate("quantaline::QtPlatform", "Annuler"));
    }
    ok->setText(QStringLiteral("OK"));
    box.setDefaultButton(message.default_button == Button::cancel && cancel ? cancel : ok);
    // The hourglass of a long step must not hide the arrow over the box.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    return cancel != nullptr && box.clickedButton() == cancel ? Button::cancel : Button::ok;
}

void QtPlatform::show_hourglass() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtPlatform::show_arrow() {
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

void QtPlatform::open_target(QWidget* owner, const std::string& target,
                             const std::string& work_folder) {
#ifdef Q_OS_WIN
    const std::wstring file = QString::fromStdString(target).toStdWString();
    const std::wstring folder = QString::fromStdString(work_folder).toStdWString();
    HWND window = owner != nullptr ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    ShellExecuteW(window, L"open", file.c_str(), nullptr,
                  work_folder.empty() ? nullptr : folder.c_str(), 0);
#else
    (void)owner;
    (void)work_folder;
    const QString text = QString::fromStdString(target);
    const bool is_address = text.contains(QStringLiteral("://")) ||
                            text.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive);
    QDesktopServices::openUrl(is_address ? QUrl(text) : QUrl::fromLocalFile(text));
#endif
}

#ifdef Q_OS_WIN

namespace {

// WM_COPYDATA from a later copy to the running copy's main window: the tag says it is ours,
// the data is the file's path in UTF-8.
constexpr ULONG_PTR hand_over_tag = 0x51554131; // "QUA1"
constexpr DWORD longest_hand_over = 64 * 1024;

} // namespace

class HandOverServer final : public QAbstractNativeEventFilter {
  public:
    explicit HandOverServer(std::function<void(const std::string&)> open) : open_(std::move(open)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~HandOverServer() override {
        if (QCoreApplication* application = QCoreApplication::instance()) {
            application->removeNativeEventFilter(this);
        }
    }
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (type != "windows_generic_MSG") {
            return false;
        }
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_COPYDATA) {
            return false;
        }
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(msg->lParam);
        if (data == nullptr || data->dwData != hand_over_tag || data->cbData == 0 ||
            data->cbData > longest_hand_over || data->lpData == nullptr) {
            return false;
        }
        std::string path(static_cast<const char*>(data->lpData), data->cbData);
        *result = 1;
        // The sender waits inside SendMessage: open the file once it has its answer.
        QTimer::singleShot(0, [open = open_, path] { open(path); });
        return true;
    }

  private:
    std::function<void(const std::string&)> open_;
};

bool QtPlatform::hand_over(const std::string& path) {
    if (path.empty() || path.size() > longest_hand_over) {
        return false;
    }
    const std::wstring caption = QString::fromUtf8(app_info::main_window_caption).toStdWString();
    HWND window = FindWindowW(nullptr, caption.c_str());
    if (window == nullptr) {
        return false;
    }
    // The running copy may then come to the front.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    AllowSetForegroundWindow(process);
    COPYDATASTRUCT data{};
    data.dwData = hand_over_tag;
    data.cbData = static_cast<DWORD>(path.size());
    data.lpData = const_cast<char*>(path.data());
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 10000, &answer) != 0 &&
           answer == 1;
}

void QtPlatform::receive_hand_overs(std::function<void(const std::string&)> open) {
    hand_over_server_ = std::make_unique<HandOverServer>(std::move(open));
}

#else

namespace {

constexpr std::size_t longest_hand_over = std::size_t{64} * 1024;

bool socket_address(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(bytes.size()) >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

void set_timeout(int fd, int option, int seconds) {
    timeval limit{};
    limit.tv_sec = seconds;
    ::setsockopt(fd, SOL_SOCKET, option, &limit, sizeof limit);
}

} // namespace

// A Unix socket in the user's runtime folder: a later copy writes the file's path and
// waits for one byte that says it was taken.
class HandOverServer {
  public:
    HandOverServer(const QString& path, std::function<void(const std::string&)> open)
        : path_(path), open_(std::move(open)) {
        sockaddr_un address{};
        if (!socket_address(path_, address)) {
            return;
        }
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            return;
        }
        // This copy holds the lock, so a socket file left there is a dead copy's.
        ::unlink(address.sun_path);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 4) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { take(); });
    }
    ~HandOverServer() {
        if (fd_ >= 0) {
            notifier_.reset();
            ::close(fd_);
            ::unlink(QFile::encodeName(path_).constData());
        }
    }
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

  private:
    void take() {
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            return;
        }
        // A client that sends nothing cannot hold the window for long.
        set_timeout(client, SO_RCVTIMEO, 2);
        std::string path;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got <= 0 || path.size() + static_cast<std::size_t>(got) > longest_hand_over) {
                break;
            }
            path.append(buffer, static_cast<std::size_t>(got));
        }
        const bool taken = !path.empty();
        if (taken) {
            (void)!::write(client, "1", 1);
        }
        ::close(client);
        if (taken) {
            open_(path);
        }
    }

    QString path_;
    std::function<void(const std::string&)> open_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

bool QtPlatform::hand_over(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || !socket_address(hand_over_socket_path(), address)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    set_timeout(fd, SO_RCVTIMEO, 10);
    set_timeout(fd, SO_SNDTIMEO, 10);
    bool taken = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        std::size_t sent = 0;
        while (sent < path.size()) {
            const ssize_t wrote = ::write(fd, path.data() + sent, path.size() - sent);
            if (wrote <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(wrote);
        }
        ::shutdown(fd, SHUT_WR);
        char answer = 0;
        taken = sent == path.size() && ::read(fd, &answer, 1) == 1 && answer == '1';
    }
    ::close(fd);
    return taken;
}

void QtPlatform::receive_hand_overs(std::function<void(const std::string&)> open) {
    hand_over_server_ = std::make_unique<HandOverServer>(hand_over_socket_path(), std::move(open));
}

#endif

QtPlatform::~QtPlatform() {
#ifdef Q_OS_WIN
    if (copy_mutex_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(copy_mutex_));
    }
#endif
}

QString QtPlatform::hand_over_socket_path() {
    return QFileInfo(lock_file_path()).path() + QStringLiteral("/quantaline.socket");
}

QString QtPlatform::lock_file_path() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder + QStringLiteral("/quantaline.lock");
}

bool QtPlatform::another_copy_running() {
#ifdef Q_OS_WIN
    // A named mutex in the user's session: Windows lets it go when the process ends, however
    // it ends, so there is no stale lock to recover and no file left in the user's folders.
    if (copy_mutex_ != nullptr) {
        return false;
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Quantaline");
    if (mutex == nullptr) {
        // Nothing tells a second copy: let this one run rather than refuse every start.
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    copy_mutex_ = mutex;
    return false;
#else
    if (lock_ && lock_->isLocked()) {
        return false;
    }
    lock_ = std::make_unique<QLockFile>(lock_file_path());
    // Only a lock whose process has gone counts as stale: a copy that has been running
    // for hours still holds its lock.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        return false;
    }
    if (lock_->error() == QLockFile::LockFailedError) {
        return true;
    }
    // The runtime folder cannot be written: nothing tells a second copy, so let this
    // one run rather than refuse every start.
    return false;
#endif
}

QSize QtPlatform::screen_size() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(0, 0);
}

void QtPlatform::process_events() {
    QApplication::processEvents();
}

std::string QtPlatform::choose_save_path(QWidget* owner, const std::string& title,
                                         const std::string& suggested_path) {
    QFileDialog dialog(
        owner, QString::fromStdString(title), QString::fromStdString(suggested_path),
        QCoreApplication::translate("quantaline::QtPlatform",
                                    "Fichiers texte (*.txt);;Tous les fichiers (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

std::vector<std::string> QtPlatform::drives() {
    std::vector<std::string> result;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives()) {
        result.push_back(with_separator(drive.absoluteFilePath()));
    }
#else
    result.push_back(with_separator(QDir::rootPath()));
    std::vector<std::string> others;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Real volumes only: a device behind them, not proc, sysfs or tmpfs.
        if (!volume.device().startsWith("/dev/")) {
            continue;
        }
        const std::string root = with_separator(volume.rootPath());
        if (root != result.front()) {
            others.push_back(root);
        }
    }
    std::sort(others.begin(), others.end());
    others.erase(std::unique(others.begin(), others.end()), others.end());
    result.insert(result.end(), others.begin(), others.end());
#endif
    return result;
}

std::unique_ptr<PrintDocument> QtPlatform::start_document(double points) {
    const QPrinterInfo default_printer = QPrinterInfo::defaultPrinter();
    if (default_printer.isNull()) {
        return nullptr;
    }
    auto document = std::make_unique<QtPrintDocument>(default_printer);
    if (!document->begin(points)) {
        return nullptr;
    }
    return document;
}

void QtPlatform::end_program() {
    QApplication::exit(0);
}

} // namespace quantaline
