#include "session/open_folders.h"

#include "io/file_system.h"
#include "io/text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quantaline {

const Message drive_unavailable_message{MessageId::drive_unavailable};

namespace {

const std::string start_folder = "c:\\";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

FolderSystem local_folder_system() {
    FolderSystem system;
    system.is_folder = [](const std::string& path) {
        std::error_code ignored;
        return !path.empty() && std::filesystem::is_directory(path_from_utf8(path), ignored);
    };
#ifdef _WIN32
    system.windows = true;
    system.can_enter = system.is_folder;
    const char* home = std::getenv("USERPROFILE");
    std::error_code ignored;
    system.has_drive_c = std::filesystem::is_directory(L"C:\\", ignored);
#else
    system.can_enter = [](const std::string& path) {
        return ::access(path.c_str(), R_OK | X_OK) == 0;
    };
    const char* home = std::getenv("HOME");
#endif
    system.home = home != nullptr && *home != '\0' ? home : (system.windows ? "C:\\" : "/");
    return system;
}

std::string join_file_path(const std::string& folder, const std::string& file_name,
                           char separator) {
    if (!folder.empty() && folder.back() == separator) {
        return folder + file_name;
    }
    return folder + separator + file_name;
}

OpenFolders::OpenFolders(std::vector<std::string> drives, FolderSystem system,
                         std::string& remembered_drive, std::string& remembered_folder)
    : drives_(std::move(drives)), system_(std::move(system)), remembered_drive_(remembered_drive),
      remembered_folder_(remembered_folder) {
    system_.home = clean(system_.home);
}

bool OpenFolders::same(const std::string& a, const std::string& b) const {
    return system_.windows ? lower(a) == lower(b) : a == b;
}

// Native separators, no empty, "." or ".." parts, no separator at the end but a root's.
std::string OpenFolders::clean(const std::string& path) const {
    const char sep = separator();
    std::string text = path;
    if (system_.windows) {
        std::replace(text.begin(), text.end(), '/', '\\');
    }
    std::string root;
    std::size_t from = 0;
    if (system_.windows && text.size() >= 2 && text[1] == ':') {
        root = text.substr(0, 2) + sep;
        from = 2;
    } else if (!text.empty() && text[0] == sep) {
        root = std::string(1, sep);
    }
    std::vector<std::string> parts;
    for (std::size_t at = from; at <= text.size();) {
        const std::size_t end = std::min(text.find(sep, at), text.size());
        const std::string part = text.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string result = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        result += (i == 0 ? "" : std::string(1, sep)) + parts[i];
    }
    return result;
}

std::string OpenFolders::parent(const std::string& path) const {
    std::string cleaned = clean(path);
    const auto last = cleaned.rfind(separator());
    if (last == std::string::npos) {
        return cleaned;
    }
    return clean(cleaned.substr(0, last + 1));
}

std::string OpenFolders::with_separator(const std::string& folder) const {
    return !folder.empty() && folder.back() == separator() ? folder : folder + separator();
}

bool OpenFolders::names_drive_c(const std::string& text) const {
    const std::string name = lower(text);
    return name == start_folder || name == "c:";
}

std::string OpenFolders::existing_folder(const std::string& remembered) const {
    if (names_drive_c(remembered) && !system_.has_drive_c) {
        return system_.home;
    }
    std::string path = clean(remembered);
    const bool absolute =
        system_.windows ? path.size() >= 3 && path[1] == ':' : !path.empty() && path[0] == '/';
    if (!absolute) {
        return system_.home;
    }
    while (!system_.is_folder(path)) {
        const std::string up = parent(path);
        if (up == path) {
            return system_.home;
        }
        path = up;
    }
    return path;
}

std::string OpenFolders::drive_of(const std::string& folder) const {
    const std::string inside =
        system_.windows ? lower(with_separator(folder)) : with_separator(folder);
    std::string best;
    for (const std::string& drive : drives_) {
        const std::string root =
            system_.windows ? lower(with_separator(drive)) : with_separator(drive);
        if (inside.compare(0, root.size(), root) == 0 && drive.size() > best.size()) {
            best = drive;
        }
    }
    if (best.empty() && !drives_.empty()) {
        best = drives_.front();
    }
    return best;
}

std::string OpenFolders::drive_for(const std::string& remembered_drive) const {
    if (const auto index = find_drive(remembered_drive)) {
        return drives_[*index];
    }
    if (names_drive_c(remembered_drive)) {
        return drive_of(existing_folder(remembered_drive));
    }
    // A drive that has gone since: stay on the drive of the folder shown.
    return drive_of(folder_);
}

std::optional<std::size_t> OpenFolders::find_drive(const std::string& drive) const {
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (same(drives_[i], drive)) {
            return i;
        }
    }
    return std::nullopt;
}

void OpenFolders::show_drive(const std::string& drive) {
    // The existing item, whatever the case of its letter: "c:\" selects "C:\".
    if (const auto index = find_drive(drive)) {
        drive_ = drives_[*index];
        return;
    }
    drives_.push_back(drive);
    drive_ = drive;
}

void OpenFolders::set_folder(const std::string& folder) {
    folder_ = clean(folder);
    remembered_folder_ = folder_;
}

std::optional<Message> OpenFolders::load() {
    set_folder(existing_folder(remembered_folder_));
    show_drive(drive_of(folder_));
    const std::string drive = drive_for(remembered_drive_);
    if (!same(drive, drive_)) {
        return change_drive(drive);
    }
    return std::nullopt;
}

std::optional<Message> OpenFolders::change_drive(const std::string& drive) {
    const auto listed = find_drive(drive);
    // A listed drive goes by the list's own spelling: "c:\" opens "C:\".
    std::string folder = listed ? drives_[*listed] : drive;
    std::string shown = folder;
    if (names_drive_c(drive) && !listed) {
        // Drive C where there is none: the home folder, on the volume that holds it.
        folder = existing_folder(drive);
        shown = drive_of(folder);
    }
    show_drive(shown);
    if (!system_.is_folder(folder)) {
        if (names_drive_c(drive)) {
            // Drive C itself has no medium: nothing left to fall back on but home.
            set_folder(system_.home);
            show_drive(drive_of(folder_));
            remembered_drive_ = drive_;
        } else {
            change_drive(start_folder);
        }
        return drive_unavailable_message;
    }
    if (!system_.can_enter(folder)) {
        // The folder list, the file list and the remembered drive stay as they were, with
        // the selector on the new drive.
        return std::nullopt;
    }
    set_folder(folder);
    remembered_drive_ = drive_;
    return std::nullopt;
}

void OpenFolders::change_folder(const std::string& folder) {
    set_folder(folder);
    const std::string drive = drive_of(folder_);
    if (!same(drive, drive_)) {
        show_drive(drive);
        remembered_drive_ = drive_;
    }
}

std::vector<std::string> OpenFolders::folder_chain() const {
    const std::string root = with_separator(drive_of(folder_));
    std::vector<std::string> chain;
    for (std::string path = folder_;;) {
        chain.insert(chain.begin(), path);
        const std::string up = parent(path);
        if (up == path || same(with_separator(path), root)) {
            break;
        }
        path = up;
    }
    return chain;
}

} // namespace quantaline
