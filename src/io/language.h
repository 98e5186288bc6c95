#pragma once

#include "io/text.h"

#include <functional>

namespace quantaline {

// The value of an environment variable, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The language of a user whose environment is `lookup`, read as the C library reads it:
// the locale is the first non-empty of LC_ALL, LC_MESSAGES and LANG; none, "C" or "POSIX"
// is the unset locale, which is French. Otherwise LANGUAGE's first entry, when there is
// one, names the language before the locale does. A French language ("fr", "fr_CA",
// "fr_BE@euro", ...) is French; any other is English.
Language language_from_environment(const EnvironmentLookup& lookup);

// French for a Windows language identifier whose primary language is French, else English.
Language language_of_windows_language_id(unsigned language_id);

// The running user's language: the environment's, or on Windows the display language.
Language user_language();

} // namespace quantaline
