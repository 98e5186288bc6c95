#include "io/file_system.h"

#include "io/text.h"

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

std::string reason_text(const std::error_code& error) {
    if (error == not_a_regular_file_error()) {
        return TR_NOOP_TEXT("Message", "Ce n'est pas un fichier ordinaire");
    }
    // The C library speaks English unless a French locale is installed and chosen; the
    // reasons of a failed save are few, so they are spelled out here.
    static constexpr std::array<std::pair<std::errc, const char*>, 15> french = {{
        {std::errc::permission_denied, TR_NOOP_TEXT("Message", "Permission non accordée")},
        {std::errc::operation_not_permitted, TR_NOOP_TEXT("Message", "Opération non permise")},
        {std::errc::no_such_file_or_directory,
         TR_NOOP_TEXT("Message", "Aucun fichier ou dossier de ce nom")},
        {std::errc::no_space_on_device, TR_NOOP_TEXT("Message", "Plus de place sur le disque")},
        {std::errc::read_only_file_system,
         TR_NOOP_TEXT("Message", "Système de fichiers en lecture seule")},
        {std::errc::is_a_directory, TR_NOOP_TEXT("Message", "C'est un dossier")},
        {std::errc::not_a_directory,
         TR_NOOP_TEXT("Message", "Un élément du chemin n'est pas un dossier")},
        {std::errc::filename_too_long, TR_NOOP_TEXT("Message", "Nom de fichier trop long")},
        {std::errc::io_error, TR_NOOP_TEXT("Message", "Erreur d'entrée/sortie")},
        {std::errc::device_or_resource_busy,
         TR_NOOP_TEXT("Message", "Fichier ou périphérique occupé")},
        {std::errc::file_exists, TR_NOOP_TEXT("Message", "Le fichier existe déjà")},
        {std::errc::too_many_files_open, TR_NOOP_TEXT("Message", "Trop de fichiers ouverts")},
        {std::errc::directory_not_empty, TR_NOOP_TEXT("Message", "Le dossier n'est pas vide")},
        {std::errc::cross_device_link,
         TR_NOOP_TEXT("Message", "Déplacement impossible entre deux disques")},
        {std::errc::file_too_large, TR_NOOP_TEXT("Message", "Fichier trop volumineux")},
    }};
    for (const auto& [code, text] : french) {
        if (error == code) {
            return text;
        }
    }
    return error.message();
}

} // namespace quantaline
