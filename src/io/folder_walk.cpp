#include "io/folder_walk.h"

#include "io/file_system.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace quantaline {

namespace fs = std::filesystem;

bool has_video_extension(const std::string& name) {
    constexpr std::array<std::string_view, 10> extensions = {
        ".m2v", ".mpg", ".mv2", ".mpeg", ".m1v", ".mpv", ".vob", ".ts", ".m2ts", ".mts"};
    for (const auto extension : extensions) {
        if (name.size() > extension.size()) {
            const auto tail = std::string_view(name).substr(name.size() - extension.size());
            if (std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
                    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
                })) {
                return true;
            }
        }
    }
    return false;
}

namespace {

void walk(const fs::path& folder, bool recursive, std::vector<std::string>& files,
          std::error_code& error) {
    struct Entry {
        std::string name;
        fs::path path;
        bool is_folder;
        bool is_link;
    };
    std::vector<Entry> entries;
    std::error_code failure;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, failure);
    for (; !failure && it != fs::directory_iterator(); it.increment(failure)) {
        std::error_code kind_error;
        const bool is_folder = it->is_directory(kind_error);
        const bool is_file = it->is_regular_file(kind_error);
        if (!is_folder && !is_file) {
            continue;
        }
        // A linked folder is not entered: links can make loops.
        const bool is_link = it->is_symlink(kind_error);
        entries.push_back({path_to_utf8(it->path().filename()), it->path(), is_folder, is_link});
    }
    if (failure && !error) {
        error = failure;
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    for (const auto& entry : entries) {
        if (entry.is_folder) {
            if (recursive && !entry.is_link) {
                walk(entry.path, recursive, files, error);
            }
        } else if (has_video_extension(entry.name)) {
            files.push_back(path_to_utf8(entry.path));
        }
    }
}

} // namespace

std::vector<std::string> video_files_in(const std::string& folder, bool recursive,
                                        std::error_code& error) {
    std::vector<std::string> files;
    error.clear();
    walk(path_from_utf8(folder), recursive, files, error);
    return files;
}

} // namespace quantaline
