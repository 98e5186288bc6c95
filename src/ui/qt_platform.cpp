#include "ui/qt_platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
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
#include <shellapi.h>
#include <windows.h>
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

std::string with_separator(QString folder) {
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder.toStdString();
}

QString from_utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

    double average_char_width() const override { return metrics_->averageCharWidth(); }
    double text_width(std::string_view utf8_text) const override {
        return metrics_->horizontalAdvance(from_utf8(utf8_text));
    }
    void print_text(double x, std::string_view utf8_text) override {
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

QtPlatform::QtPlatform() : message_log_(qEnvironmentVariable("QUANTALINE_MESSAGE_LOG")) {}

QtPlatform::~QtPlatform() = default;

Button QtPlatform::show_message(QWidget* owner, const Message& message) {
    if (!message_log_.isEmpty()) {
        QFile log(message_log_);
        if (log.open(QIODevice::Append)) {
            log.write(icon_name(message.icon));
            log.write("\t");
            log.write(message.title.c_str());
            log.write("\t");
            log.write(message.text.c_str());
            log.write("\n");
        }
        return message.default_button;
    }
    QMessageBox box(box_icon(message.icon), QString::fromStdString(message.title),
                    QString::fromStdString(message.text), QMessageBox::NoButton, owner);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = nullptr;
    if (message.buttons == Buttons::ok_cancel) {
        cancel = box.addButton(QMessageBox::Cancel);
        // The interface is French whatever the desktop's language.
        cancel->setText(QStringLiteral("Annuler"));
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

QString QtPlatform::lock_file_path() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder + QStringLiteral("/quantaline.lock");
}

bool QtPlatform::another_copy_running() {
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
}

QSize QtPlatform::screen_size() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(0, 0);
}

void QtPlatform::process_events() {
    QApplication::processEvents();
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
