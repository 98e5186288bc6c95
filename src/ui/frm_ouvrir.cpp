#include "ui/frm_ouvrir.h"

#include "io/paths.h"
#include "ui/centre_on_screen.h"
#include "ui/controls.h"
#include "ui/platform.h"
#include "ui/qt_text.h"

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

namespace {

QString native(const std::string& path) {
    return QString::fromStdString(path);
}

constexpr int raw_name_role = Qt::UserRole;

} // namespace

FrmOuvrir::FrmOuvrir(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), platform_(platform),
      folders_(platform.drives(), local_folder_system(), state.remembered_drive,
               state.remembered_folder) {
    setObjectName(QStringLiteral("frm_ouvrir"));
    setWindowTitle(tr("Ouvrir un fichier mpg,  mpeg, m1v, mpv, m2v, mv2, vob"));
    setFont(default_font());
    setFixedSize(twips(7365), twips(2850));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    drive_list_ = new QComboBox(this);
    drive_list_->setObjectName(QStringLiteral("Drive1"));
    drive_list_->setGeometry(twips_rect(120, 120, 2325, 315));

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

    auto* open_button = add_button(this, QStringLiteral("Command1"), tr("Ouvrir"),
                                   twips_rect(5400, 2400, 975, 375));
    auto* cancel_button = add_button(this, QStringLiteral("Command2"), tr("Annuler"),
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

    // Loading: centred, then the remembered folder, then the remembered drive.
    centre_on_screen(*this, platform_);
    const auto message = folders_.load();
    show_place();
    if (message) {
        platform_.show_message(this, *message);
    }
}

QString FrmOuvrir::current_folder() const {
    return native(folders_.folder());
}

QString FrmOuvrir::current_drive() const {
    return drive_list_->currentText();
}

void FrmOuvrir::change_drive(const QString& drive) {
    const auto message = folders_.change_drive(drive.toStdString());
    show_place();
    if (message) {
        platform_.show_message(this, *message);
    }
}

void FrmOuvrir::change_folder(const QString& folder) {
    folders_.change_folder(QDir::toNativeSeparators(folder).toStdString());
    show_place();
}

void FrmOuvrir::show_place() {
    fill_drive_list();
    fill_folder_list();
    fill_file_list();
}

void FrmOuvrir::fill_drive_list() {
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    const auto& drives = folders_.drives();
    for (auto i = static_cast<std::size_t>(drive_list_->count()); i < drives.size(); ++i) {
        drive_list_->addItem(icon, native(drives[i]));
    }
    drive_list_->setCurrentIndex(drive_list_->findText(
        native(folders_.drive()), Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

void FrmOuvrir::fill_folder_list() {
    folder_list_->clear();
    // The chain from the drive's root down to the current folder, then its subfolders.
    const std::vector<std::string> chain = folders_.folder_chain();
    const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    for (const std::string& text : chain) {
        const QString path = native(text);
        const QString name =
            parent == nullptr ? path : QFileInfo(QDir::fromNativeSeparators(path)).fileName();
        auto* item =
            parent == nullptr ? new QTreeWidgetItem(folder_list_) : new QTreeWidgetItem(parent);
        item->setText(0, name);
        item->setIcon(0, open_icon);
        item->setData(0, Qt::UserRole, path);
        parent = item;
    }
    const QDir current(QDir::fromNativeSeparators(current_folder()));
    for (const QFileInfo& sub :
         current.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, sub.fileName());
        item->setIcon(0, closed_icon);
        item->setData(0, Qt::UserRole, QDir::toNativeSeparators(sub.absoluteFilePath()));
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
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(path_bytes(current_folder())), error)) {
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
    // Nothing chosen: the dialog stays open, as every file dialog does.
    if (selected.isEmpty()) {
        return;
    }
    const QVariant raw = selected.front()->data(raw_name_role);
    const std::string name =
        raw.isValid() ? raw.toByteArray().toStdString() : path_bytes(selected.front()->text());
    choice_.file_path = join_file_path(path_bytes(current_folder()), name, native_separator);
    choice_.open_cancelled = false;
    // The main window puts the arrow back once it has shown the analysis.
    platform_.show_hourglass();
    done(QDialog::Accepted);
}

void FrmOuvrir::annuler() {
    choice_.open_cancelled = true;
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
