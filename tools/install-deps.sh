#!/usr/bin/env bash
# Installs the Debian packages listed in tools/packages.txt that are missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
missing=()
while read -r package; do
    package=${package%%#*}
    package=$(echo "$package" | xargs)
    [ -n "$package" ] || continue
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done < "$here/packages.txt"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -ne 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The Wine suites run Wine under a French and an English locale (the program's language on
# Windows follows it); a locale Wine cannot find falls back to English.
for locale in fr_FR en_US; do
    locale -a 2>/dev/null | grep -qix "$locale.utf8" ||
        $sudo localedef -i "$locale" -c -f UTF-8 "$locale.UTF-8" ||
        echo "could not generate the locale $locale.UTF-8"
done
