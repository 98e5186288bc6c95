#pragma once

#include "io/message.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quantaline {

extern const Message drive_unavailable_message;

// What the open dialog's rules need to know of the disks. Paths are native: "\" and drive
// letters (compared whatever their case) when `windows` is set, "/" otherwise.
struct FolderSystem {
    std::function<bool(const std::string&)> is_folder;
    // Whether a folder's content can be listed.
    std::function<bool(const std::string&)> can_enter;
    std::string home;
    bool has_drive_c = false;
    bool windows = false;
};

// The disks as this machine has them.
FolderSystem local_folder_system();

// Builds the chosen file's path from the folder and the selected name: one separator
// between them, none added after a root folder.
std::string join_file_path(const std::string& folder, const std::string& file_name, char separator);

// The drive selector and the folder list of the open dialog, and the remembered drive and
// folder they share with the next opening. "c:\" stands for the home folder where there is
// no drive C.
class OpenFolders {
  public:
    OpenFolders(std::vector<std::string> drives, FolderSystem system, std::string& remembered_drive,
                std::string& remembered_folder);

    // The dialog's load step: the remembered folder (or its nearest existing parent), the
    // drive that holds it, then the remembered drive when it is another one.
    std::optional<Message> load();

    // The user picks a drive: its root, or the message and drive C when it has no medium.
    std::optional<Message> change_drive(const std::string& drive);
    // The user opens a folder; the selector follows the volume that holds it.
    void change_folder(const std::string& folder);

    const std::string& folder() const { return folder_; }
    const std::string& drive() const { return drive_; }
    // The selector's items: the platform's drives, and any the fall-backs had to add.
    const std::vector<std::string>& drives() const { return drives_; }
    // The folders from the drive's root down to the current folder.
    std::vector<std::string> folder_chain() const;

    // The folder a remembered folder text stands for: drive C where there is none is the
    // home folder; a folder that has gone gives way to its nearest existing parent, and
    // failing that the home folder.
    std::string existing_folder(const std::string& remembered) const;
    // The drive whose root holds `folder` (the longest that does), else the first drive.
    std::string drive_of(const std::string& folder) const;

  private:
    char separator() const { return system_.windows ? '\\' : '/'; }
    bool same(const std::string& a, const std::string& b) const;
    std::string clean(const std::string& path) const;
    std::string parent(const std::string& path) const;
    std::string with_separator(const std::string& folder) const;
    std::string drive_for(const std::string& remembered_drive) const;
    bool names_drive_c(const std::string& text) const;
    std::optional<std::size_t> find_drive(const std::string& drive) const;
    void show_drive(const std::string& drive);
    void set_folder(const std::string& folder);

    std::vector<std::string> drives_;
    FolderSystem system_;
    std::string& remembered_drive_;
    std::string& remembered_folder_;
    std::string folder_;
    std::string drive_;
};

} // namespace quantaline
