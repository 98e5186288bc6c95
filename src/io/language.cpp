#include "io/language.h"

#include <cstdlib>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quantaline {

namespace {

// "fr", "fr_FR.UTF-8", "fr@euro", ... but not "french" nor "fra".
bool is_french(std::string_view name) {
    return name.starts_with("fr") &&
           (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@');
}

std::string_view non_empty(const char* value) {
    return value != nullptr ? std::string_view(value) : std::string_view();
}

} // namespace

Language language_from_environment(const EnvironmentLookup& lookup) {
    std::string_view locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = non_empty(lookup(name));
        if (!locale.empty()) {
            break;
        }
    }
    if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.")) {
        return Language::french;
    }
    const std::string_view languages = non_empty(lookup("LANGUAGE"));
    const std::string_view first = languages.substr(0, languages.find(':'));
    return is_french(first.empty() ? locale : first) ? Language::french : Language::english;
}

Language language_of_windows_language_id(unsigned language_id) {
    constexpr unsigned primary_mask = 0x3FF; // PRIMARYLANGID
    constexpr unsigned lang_french = 0x0C;   // LANG_FRENCH
    return (language_id & primary_mask) == lang_french ? Language::french : Language::english;
}

Language user_language() {
#ifdef _WIN32
    return language_of_windows_language_id(GetUserDefaultUILanguage());
#else
    return language_from_environment([](const char* name) { return std::getenv(name); });
#endif
}

} // namespace quantaline
