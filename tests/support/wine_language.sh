# shellcheck shell=bash
# Sourced by the Wine suites. Wine takes the user's display language, which is the program's
# language on Windows, from the Unix locale it finds at start-up, and falls back to English
# when that locale is not generated on the machine. A suite that expects the program's texts
# in one language therefore runs Wine under a generated locale of that language.
#
#   wine_language fr     # or en; exports LC_MESSAGES, clears LANGUAGE and LC_ALL
#
# Returns 1 (after saying why) when the locale is missing and cannot be generated here.

wine_locale_of() {
    case $1 in
    fr) echo fr_FR.UTF-8 ;;
    en) echo en_US.UTF-8 ;;
    *) return 1 ;;
    esac
}

# Whether `locale -a` lists the locale, which it spells "fr_FR.utf8".
wine_locale_present() {
    local wanted
    wanted=$(echo "${1%%.*}.utf8" | tr '[:upper:]' '[:lower:]')
    locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$wanted"
}

wine_language() {
    local locale
    locale=$(wine_locale_of "$1") || { echo "no locale for language '$1'" >&2; return 1; }
    if ! wine_locale_present "$locale"; then
        local sudo=""
        if [ "$(id -u)" -ne 0 ]; then
            if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
                sudo="sudo -n"
            else
                echo "the locale $locale is not generated and generating it needs root" \
                    "(tools/install-deps.sh, or: localedef -i ${locale%%.*} -c -f UTF-8" \
                    "$locale)" >&2
                return 1
            fi
        fi
        $sudo localedef -i "${locale%%.*}" -c -f UTF-8 "$locale" >/dev/null 2>&1 || true
        wine_locale_present "$locale" || {
            echo "the locale $locale could not be generated (Debian package: locales)" >&2
            return 1
        }
    fi
    # Only the messages' locale: Wine's display language comes from it, while the character
    # set and the rest stay the caller's (under a French LC_ALL Wine no longer finds the
    # CUPS default printer).
    unset LANGUAGE LC_ALL
    export LC_MESSAGES=$locale
}
