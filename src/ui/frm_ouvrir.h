#pragma once

#include "session/app_state.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QComboBox;
class QListWidget;
class QTreeWidget;

namespace quantaline {

class Platform;

// The file patterns of the file list; a name is listed when it matches any one of them,
// whatever the case of its letters.
inline constexpr const char* video_file_pattern = "*.m2v;*.mpg;*.mv2;*.mpeg;*.m1v;*.mpv;*.vob";

extern const Message drive_unavailable_message;

// Builds the chosen file's path from the folder list's folder and the file list's
// selection: one separator between them, none added after a root folder.
std::string join_file_path(const std::string& folder, const std::string& file_name);

// The folder a remembered folder text stands for: "c:\" is the home folder where there
// is no drive C; a folder that has gone gives way to its nearest existing parent, and
// failing that the home folder.
QString existing_folder(const QString& remembered);

// The open dialog. Created for each choice and destroyed when it closes; it hands
// back its result in AppState (file_path, or open_cancelled). Controls: Drive1, Dir1,
// File1, Command1 ("Ouvrir") and Command2 ("Annuler").
class FrmOuvrir : public QDialog {
    Q_OBJECT
  public:
    FrmOuvrir(AppState& state, Platform& platform, QWidget* parent = nullptr);

    // The folder list's current folder, as it reports it (native separators, no
    // trailing separator except for a root).
    QString current_folder() const { return folder_; }
    QString current_drive() const;

    // What the user does by double-clicking a folder and by picking a drive.
    void change_folder(const QString& folder);
    void change_drive(const QString& drive);

  public slots:
    void ouvrir();
    void annuler();
    // The title-bar close button and the system key for it act as "Annuler".
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void fill_folder_list();
    void fill_file_list();
    void show_drive(const QString& drive);
    QString drive_of(const QString& folder) const;
    QString drive_for(const QString& remembered_drive) const;

    AppState& state_;
    Platform& platform_;
    std::vector<std::string> drives_;
    QString folder_;
    QComboBox* drive_list_ = nullptr;
    QTreeWidget* folder_list_ = nullptr;
    QListWidget* file_list_ = nullptr;
};

} // namespace quantaline
