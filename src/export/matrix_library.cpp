#include "export/matrix_library.h"

#include "io/file_system.h"
#include "io/text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quantaline {

extern const std::string_view builtin_matrix_library_text;

namespace {

namespace fs = std::filesystem;

// A matrix file is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t largest_matrix_file = std::uintmax_t{64} * 1024;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (is_blank(text.front()) || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (is_blank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The lines of `text`, without their LF.
std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool is_skipped_line(std::string_view line) {
    const std::string_view content = trimmed(line);
    return content.empty() || content.front() == '#';
}

// One value 1 to 255, all digits; nothing otherwise.
std::optional<std::uint8_t> matrix_value(std::string_view field) {
    field = trimmed(field);
    if (field.empty() || field.size() > 3 ||
        !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : field) {
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

Text line_problem(std::size_t number, Text what) {
    return piece(TextId::library_line, {literal_text(std::to_string(number)), std::move(what)});
}

std::vector<NamedMatrices> parse_builtin_library() {
    std::vector<NamedMatrices> entries;
    const auto lines = lines_of(builtin_matrix_library_text);
    std::string name;
    std::string body;
    const auto finish = [&] {
        if (name.empty()) {
            return;
        }
        Text problem;
        auto entry = read_matrix_values(body, problem);
        if (!entry) {
            // The data file is part of the program; its unit test keeps it well formed.
            std::abort();
        }
        entry->name = name;
        entries.push_back(*entry);
    };
    for (const auto line : lines) {
        const std::string_view content = trimmed(line);
        if (content.size() > 2 && content.front() == '[' && content.back() == ']') {
            finish();
            name = std::string(content.substr(1, content.size() - 2));
            body.clear();
        } else {
            body += std::string(line) + '\n';
        }
    }
    finish();
    return entries;
}

bool has_matrix_file_extension(const fs::path& path) {
    const std::string extension = path_to_utf8(path.extension());
#ifdef _WIN32
    // File names on Windows ignore case: "NAME.TXT" is a *.txt file there.
    return extension.size() == 4 && extension[0] == '.' && (extension[1] | 0x20) == 't' &&
           (extension[2] | 0x20) == 'x' && (extension[3] | 0x20) == 't';
#else
    return extension == ".txt";
#endif
}

std::optional<std::string> read_small_file(const fs::path& path, Text& problem) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error) {
        problem = reason_text(error);
        return std::nullopt;
    }
    if (size > largest_matrix_file) {
        problem = piece(TextId::library_too_large);
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open()) {
        problem = piece(TextId::library_unreadable);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::optional<NamedMatrices> read_matrix_values(std::string_view text, Text& problem) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3); // a byte-order mark left by a Windows editor
    }
    NamedMatrices result;
    std::size_t rows = 0;
    std::size_t number = 0;
    for (const auto line : lines_of(text)) {
        ++number;
        if (is_skipped_line(line)) {
            continue;
        }
        if (rows == 16) {
            problem = line_problem(number, piece(TextId::library_too_many_lines));
            return std::nullopt;
        }
        mpeg::Matrix& matrix = rows < 8 ? result.intra : result.non_intra;
        std::size_t column = 0;
        std::string_view rest = line;
        while (true) {
            const auto comma = rest.find(',');
            const auto value = matrix_value(rest.substr(0, comma));
            if (!value) {
                problem = line_problem(number, piece(TextId::library_eight_values_expected));
                return std::nullopt;
            }
            if (column == 8) {
                problem = line_problem(number, piece(TextId::library_more_than_eight_values));
                return std::nullopt;
            }
            matrix[(rows % 8) * 8 + column++] = *value;
            if (comma == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(comma + 1);
        }
        if (column != 8) {
            problem = line_problem(
                number, piece(column == 1 ? TextId::library_one_value : TextId::library_values,
                              {literal_text(std::to_string(column))}));
            return std::nullopt;
        }
        ++rows;
    }
    if (rows != 16) {
        problem = piece(TextId::library_line_count, {literal_text(std::to_string(rows))});
        return std::nullopt;
    }
    return result;
}

const std::vector<NamedMatrices>& builtin_matrices() {
    static const std::vector<NamedMatrices> entries = parse_builtin_library();
    return entries;
}

std::string user_matrix_folder() {
#ifdef _WIN32
    const wchar_t* app_data = _wgetenv(L"APPDATA");
    if (app_data == nullptr || *app_data == L'\0') {
        return {};
    }
    return path_to_utf8(fs::path(app_data) / "Quantaline" / "matrices" / "");
#else
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/Quantaline/matrices/";
    }
    if (home != nullptr && *home != '\0') {
        return std::string(home) + "/.config/Quantaline/matrices/";
    }
    return {};
#endif
}

Message matrix_file_skipped_message(const std::string& file_name, const Text& problem) {
    return Message{MessageId::matrix_library_file_skipped, {literal_text(file_name), problem}};
}

MatrixLibrary load_matrix_library(const std::string& user_folder) {
    MatrixLibrary library{builtin_matrices(), {}, {}};
    if (user_folder.empty()) {
        return library;
    }
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(path_from_utf8(user_folder), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        if (has_matrix_file_extension(it->path()) && it->is_regular_file(ignored)) {
            files.push_back(it->path());
        }
    }
    if (error && error != std::errc::no_such_file_or_directory &&
        error != std::errc::not_a_directory) {
        library.messages.push_back(matrix_file_skipped_message(user_folder, reason_text(error)));
    }
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return path_to_utf8(a.filename()) < path_to_utf8(b.filename());
    });
    for (const auto& file : files) {
        const std::string file_name = path_to_utf8(file.filename());
        std::error_code ignored;
        const auto size = fs::file_size(file, ignored);
        const auto changed = fs::last_write_time(file, ignored).time_since_epoch().count();
        library.folder_state +=
            file_name + '\n' + std::to_string(size) + ' ' + std::to_string(changed) + '\n';
        Text problem;
        std::optional<NamedMatrices> entry;
        if (const auto bytes = read_small_file(file, problem)) {
            entry = read_matrix_values(*bytes, problem);
        }
        if (!entry) {
            library.messages.push_back(matrix_file_skipped_message(file_name, problem));
            continue;
        }
        entry->name = path_to_utf8(file.stem());
        library.entries.push_back(std::move(*entry));
    }
    return library;
}

int matrix_distance(const mpeg::Matrix& a, const mpeg::Matrix& b) {
    int distance = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        distance += std::abs(int{a[i]} - int{b[i]});
    }
    return distance;
}

std::optional<MatrixMatch> nearest_matrix(const std::vector<NamedMatrices>& library,
                                          const mpeg::Matrix& matrix, MatrixKind kind) {
    std::optional<MatrixMatch> nearest;
    for (const auto& entry : library) {
        const int distance =
            matrix_distance(matrix, kind == MatrixKind::intra ? entry.intra : entry.non_intra);
        if (!nearest || distance < nearest->distance) {
            nearest = MatrixMatch{entry.name, distance};
        }
    }
    return nearest;
}

std::string matrix_match_text(const std::optional<MatrixMatch>& match) {
    if (!match) {
        return {};
    }
    if (match->distance == 0) {
        return fill_text(tr_text("Matrix", "Matrice connue : %1"), {match->name});
    }
    return fill_text(tr_text("Matrix", "Matrice la plus proche : %1 (distance %2)"),
                     {match->name, std::to_string(match->distance)});
}

std::string exact_matrix_name(const std::vector<NamedMatrices>& library, const mpeg::Matrix& matrix,
                              MatrixKind kind) {
    const auto match = nearest_matrix(library, matrix, kind);
    return match && match->distance == 0 ? match->name : std::string();
}

} // namespace quantaline
