#include "ui/frm_ouvrir.h"

#include "ui/centre_on_screen.h"
#include "ui/controls.h"
#include "ui/platform.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

namespace quantaline {

const Message drive_unavailable_message{Icon::exclamation, "Erreur d'accès au périphérique",
                                        "Le peripherique n'est pas disponible", Buttons::ok,
                                        Button::ok};

namespace {

const QString start_folder = QStringLiteral("c:\\");

bool names_drive_c(const QString& text) {
    return text.compare(start_folder, Qt::CaseInsensitive) == 0 ||
           text.compare(QStringLiteral("c:"), Qt::CaseInsensitive) == 0;
}

bool drive_c_exists() {
#ifdef Q_OS_WIN
    return QFileInfo(QStringLiteral("C:/")).isDir();
#else
    return false;
#endif
}

Qt::CaseSensitivity path_case() {
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QString with_separator(const QString& folder) {
    return folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

// A path as the analysis opens it: UTF-8 on Windows, the file system's own bytes elsewhere.
std::string path_bytes(const QString& path) {
#ifdef Q_OS_WIN
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

constexpr int raw_name_role = Qt::UserRole;

} // namespace

std::string join_file_path(const std::string& folder, const std::string& file_name) {
    const char separator = QDir::separator().toLatin1();
    if (!folder.empty() && folder.back() == separator) {
        return folder + file_name;
    }
    return folder + separator + file_name;
}

QString existing_folder(const QString& remembered) {
    if (names_drive_c(remembered) && !drive_c_exists()) {
        return existing_folder(QDir::homePath());
    }
    QString path = QDir::cleanPath(QDir(QDir::fromNativeSeparators(remembered)).absolutePath());
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) {
            return native(QDir::homePath());
        }
        path = parent;
    }
    return native(path);
}

FrmOuvrir::FrmOuvrir(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), drives_(platform.drives()) {
    setObjectName(QStringLiteral("frm_ouvrir"));
    setWindowTitle(QStringLiteral("Ouvrir un fichier mpg,  mpeg, m1v, mpv, m2v, mv2, vob"));
    setFont(default_font());
    setFixedSize(twips(7365), twips(2850));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    drive_list_ = new QComboBox(this);
    drive_list_->setObjectName(QStringLiteral("Drive1"));
    drive_list_->setGeometry(twips_rect(120, 120, 2325, 315));
    for (const std::string& drive : drives_) {
        drive_list_->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon),
                             QString::fromStdString(drive));
    }

    folder_list_ = new QTreeWidget(this);
    folder_list_->setObjectName(QStringLiteral("Dir1"));
    folder_list_->setGeometry(twips_rect(120, 600, 2325, 1665));
    folder_list_->setHeaderHidden(true);
    folder_list_->setRootIsDecorated(false);
    folder_list_->setItemsExpandable(false);
    folder_list_->setIndentation(8);
    // The tree is always open down to the current folder: no branch arrows to click.
    folder_list_->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; }"));

    file_list_ = new QListWidget(this);
    file_list_->setObjectName(QStringLiteral("File1"));
    file_list_->setGeometry(twips_rect(2550, 75, 4785, 2235));
    file_list_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* open_button = add_button(this, QStringLiteral("Command1"), QStringLiteral("Ouvrir"),
                                   twips_rect(5400, 2400, 975, 375));
    auto* cancel_button = add_button(this, QStringLiteral("Command2"), QStringLiteral("Annuler"),
                                     twips_rect(6450, 2400, 855, 375));

    setTabOrder(drive_list_, folder_list_);
    setTabOrder(folder_list_, file_list_);
    setTabOrder(file_list_, open_button);
    setTabOrder(open_button, cancel_button);

    connect(open_button, &QPushButton::clicked, this, &FrmOuvrir::ouvrir);
    connect(cancel_button, &QPushButton::clicked, this, &FrmOuvrir::annuler);
    connect(file_list_, &QListWidget::itemDoubleClicked, this, &FrmOuvrir::ouvrir);
    connect(folder_list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        change_folder(item->data(0, Qt::UserRole).toString());
    });
    connect(drive_list_, &QComboBox::activated, this,
            [this](int index) { change_drive(drive_list_->itemText(index)); });

    // Loading: centred, then the remembered folder, then the remembered drive. The
    // selector starts on the drive of the folder shown, so a reopened dialog shows the
    // remembered folder unless the remembered drive is another one.
    centre_on_screen(*this, platform_);
    change_folder(existing_folder(QString::fromStdString(state_.remembered_folder)));
    show_drive(drive_of(folder_));
    const QString drive = drive_for(QString::fromStdString(state_.remembered_drive));
    if (drive.compare(current_drive(), path_case()) != 0) {
        change_drive(drive);
    }
}

QString FrmOuvrir::current_drive() const {
    return drive_list_->currentText();
}

QString FrmOuvrir::drive_of(const QString& folder) const {
    const QString inside = with_separator(folder);
    QString best;
    for (const std::string& text : drives_) {
        const QString drive = QString::fromStdString(text);
        if (inside.startsWith(with_separator(drive), path_case()) && drive.size() > best.size()) {
            best = drive;
        }
    }
    if (best.isEmpty() && !drives_.empty()) {
        best = QString::fromStdString(drives_.front());
    }
    return best;
}

QString FrmOuvrir::drive_for(const QString& remembered_drive) const {
    for (const std::string& text : drives_) {
        if (remembered_drive.compare(QString::fromStdString(text), path_case()) == 0) {
            return QString::fromStdString(text);
        }
    }
    if (names_drive_c(remembered_drive)) {
        return drive_of(existing_folder(remembered_drive));
    }
    // A drive that has gone since: stay on the drive of the folder shown.
    return drive_of(folder_);
}

void FrmOuvrir::show_drive(const QString& drive) {
    int index = drive_list_->findText(drive, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0) {
        drive_list_->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), drive);
        index = drive_list_->count() - 1;
    }
    drive_list_->setCurrentIndex(index);
}

void FrmOuvrir::change_drive(const QString& drive) {
    QString folder = drive;
    QString shown = drive;
    if (names_drive_c(drive) && drive_list_->findText(drive, Qt::MatchFixedString) < 0) {
        // Drive C where there is none: the home folder, on the volume that holds it.
        folder = existing_folder(drive);
        shown = drive_of(folder);
    }
    show_drive(shown);
    const QFileInfo target(folder);
    if (!target.isDir()) {
        platform_.show_message(this, drive_unavailable_message);
        change_drive(start_folder);
        return;
    }
    if (!target.isReadable() || !target.isExecutable()) {
        // Any other failure leaves the folder list, the file list and the remembered
        // drive as they were, with the selector on the new drive.
        return;
    }
    change_folder(folder);
    state_.remembered_drive = current_drive().toStdString();
}

void FrmOuvrir::change_folder(const QString& folder) {
    folder_ = native(folder);
    fill_folder_list();
    fill_file_list();
    state_.remembered_folder = folder_.toStdString();
}

void FrmOuvrir::fill_folder_list() {
    folder_list_->clear();
    const QString root = drive_of(folder_);
    // The chain from the drive's root down to the current folder, then its subfolders.
    QStringList chain;
    for (QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder_));;) {
        chain.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path ||
            with_separator(native(path)).compare(with_separator(root), path_case()) == 0) {
            break;
        }
        path = parent;
    }
    const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    for (const QString& path : chain) {
        const QString name = parent == nullptr ? native(path) : QFileInfo(path).fileName();
        auto* item =
            parent == nullptr ? new QTreeWidgetItem(folder_list_) : new QTreeWidgetItem(parent);
        item->setText(0, name);
        item->setIcon(0, open_icon);
        item->setData(0, Qt::UserRole, native(path));
        parent = item;
    }
    const QDir current(QDir::fromNativeSeparators(folder_));
    for (const QFileInfo& sub :
         current.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, sub.fileName());
        item->setIcon(0, closed_icon);
        item->setData(0, Qt::UserRole, native(sub.absoluteFilePath()));
    }
    folder_list_->expandAll();
    folder_list_->setCurrentItem(parent);
    folder_list_->scrollToItem(parent);
}

void FrmOuvrir::fill_file_list() {
    file_list_->clear();
    // The names are read as the file system holds them, so that a name that is not valid
    // UTF-8 (an old disk written in Latin-1) can still be opened; the list shows it as well
    // as it can. The patterns ignore the case: CLIP.MPG is listed.
    const QStringList patterns = QString::fromLatin1(video_file_pattern).split(QLatin1Char(';'));
    std::vector<std::pair<QString, std::string>> names;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path_bytes(folder_)), error)) {
        std::error_code ignored;
        if (!entry.is_regular_file(ignored)) {
            continue;
        }
        std::string raw = entry.path().filename().string();
        QString shown = QFile::decodeName(QByteArray::fromStdString(raw));
#ifdef Q_OS_WIN
        shown = QString::fromStdWString(entry.path().filename().wstring());
        raw = shown.toStdString();
#endif
        if (QDir::match(patterns, shown)) {
            names.emplace_back(std::move(shown), std::move(raw));
        }
    }
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [shown, raw] : names) {
        auto* item = new QListWidgetItem(shown, file_list_);
        item->setData(raw_name_role, QByteArray::fromStdString(raw));
    }
    file_list_->clearSelection();
    file_list_->setCurrentRow(-1);
}

void FrmOuvrir::ouvrir() {
    const QList<QListWidgetItem*> selected = file_list_->selectedItems();
    std::string name;
    if (!selected.isEmpty()) {
        const QVariant raw = selected.front()->data(raw_name_role);
        name =
            raw.isValid() ? raw.toByteArray().toStdString() : path_bytes(selected.front()->text());
    }
    state_.file_path = join_file_path(path_bytes(folder_), name);
    // The main window puts the arrow back once it has shown the analysis.
    platform_.show_hourglass();
    done(QDialog::Accepted);
}

void FrmOuvrir::annuler() {
    state_.open_cancelled = true;
    done(QDialog::Rejected);
}

void FrmOuvrir::reject() {
    annuler();
}

void FrmOuvrir::keyPressEvent(QKeyEvent* event) {
    // Neither button answers Escape.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quantaline
