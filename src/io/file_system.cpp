#include "io/file_system.h"

#include <array>
#include <utility>

namespace quantaline {

std::filesystem::path path_from_utf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string path_to_utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::FILE* open_file(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    const std::string narrow(mode);
    return _wfopen(path.c_str(), std::wstring(narrow.begin(), narrow.end()).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

namespace {

class ReaderCategory final : public std::error_category {
  public:
    const char* name() const noexcept override { return "quantaline reader"; }
    std::string message(int) const override { return "not a regular file"; }
};

} // namespace

std::error_code not_a_regular_file_error() {
    static const ReaderCategory category;
    return {1, category};
}

Text reason_text(const std::error_code& error) {
    if (error == not_a_regular_file_error()) {
        return piece(TextId::not_a_regular_file);
    }
    // The reasons a user meets when saving or opening have a wording of their own; any other
    // is the system's.
    static constexpr std::array<std::pair<std::errc, TextId>, 15> worded = {{
        {std::errc::permission_denied, TextId::permission_denied},
        {std::errc::operation_not_permitted, TextId::operation_not_permitted},
        {std::errc::no_such_file_or_directory, TextId::no_such_file_or_directory},
        {std::errc::no_space_on_device, TextId::no_space_on_device},
        {std::errc::read_only_file_system, TextId::read_only_file_system},
        {std::errc::is_a_directory, TextId::is_a_directory},
        {std::errc::not_a_directory, TextId::not_a_directory},
        {std::errc::filename_too_long, TextId::filename_too_long},
        {std::errc::io_error, TextId::io_error},
        {std::errc::device_or_resource_busy, TextId::device_or_resource_busy},
        {std::errc::file_exists, TextId::file_exists},
        {std::errc::too_many_files_open, TextId::too_many_files_open},
        {std::errc::directory_not_empty, TextId::directory_not_empty},
        {std::errc::cross_device_link, TextId::cross_device_link},
        {std::errc::file_too_large, TextId::file_too_large},
    }};
    for (const auto& [code, id] : worded) {
        if (error == code) {
            return piece(id);
        }
    }
    return literal_text(error.message());
}

} // namespace quantaline
