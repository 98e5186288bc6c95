#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace quantaline::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
  public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("quantaline-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The folder's path as the program folder: with its trailing separator.
    std::string folder() const { return (path_ / "").string(); }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const auto target = file(name);
        std::ofstream out(target, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return target;
    }
    std::string write_text(const std::string& name, const std::string& text) const {
        return write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }

  private:
    std::filesystem::path path_;
};

inline std::string read_all(const std::string& path) {
#ifdef _WIN32
    // The program's paths are UTF-8; a narrow name would be taken in the ANSI code page.
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
#else
    std::ifstream in(path, std::ios::binary);
#endif
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace quantaline::test
