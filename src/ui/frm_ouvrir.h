#pragma once

#include "session/app_state.h"
#include "session/open_folders.h"

#include <QDialog>
#include <QString>
#include <string>

class QComboBox;
class QListWidget;
class QTreeWidget;

namespace quantaline {

class Platform;

// The file patterns of the file list; a name is listed when it matches any one of them,
// whatever the case of its letters. MPEG-1/2 first, then the containers and elementary
// streams of MPEG-4 Part 2, H.264 and HEVC (a transport stream may hold either).
inline constexpr const char* video_file_pattern =
    "*.m2v;*.mpg;*.mv2;*.mpeg;*.m1v;*.mpv;*.vob;*.ts;*.m2ts;*.mts;"
    "*.mp4;*.m4v;*.mkv;*.avi;*.264;*.h264;*.265;*.hevc";

// What the open dialog hands back: the chosen file, or that the choice was cancelled.
struct OpenChoice {
    std::string file_path;
    bool open_cancelled = true;
};

// The open dialog. Created for each choice and destroyed when it closes; the remembered
// drive and folder in AppState are where the next one starts. Controls: Drive1, Dir1,
// File1, Command1 ("Ouvrir") and Command2 ("Annuler").
class FrmOuvrir : public QDialog {
    Q_OBJECT
  public:
    FrmOuvrir(AppState& state, Platform& platform, QWidget* parent = nullptr);

    const OpenChoice& choice() const { return choice_; }

    // The folder list's current folder, as it reports it (native separators, no
    // trailing separator except for a root).
    QString current_folder() const;
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
    void show_place();
    void fill_drive_list();
    void fill_folder_list();
    void fill_file_list();

    Platform& platform_;
    OpenFolders folders_;
    OpenChoice choice_;
    QComboBox* drive_list_ = nullptr;
    QTreeWidget* folder_list_ = nullptr;
    QListWidget* file_list_ = nullptr;
};

} // namespace quantaline
