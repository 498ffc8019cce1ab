#!/usr/bin/env bash
# Installs what building and testing Ordisk needs on Debian bookworm, if missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libsqlite3-dev sqlite3 libcsv-dev libxlsxwriter-dev libzip-dev libgtest-dev libbenchmark-dev
    appstream desktop-file-utils dpkg-dev
    clang-14 libclang-rt-14-dev clang-format
    fonts-dejavu-core
    locales unzip poppler-utils libxcb1-dev
)
# bench/run.sh measures the first frame on a virtual X server.
if [ "${1:-}" = --bench ]; then
    packages+=(xvfb)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The command line's test compares every export made under a Czech locale with one made
# under C: the Czech locale must exist.
if ! locale -a 2>/dev/null | grep -qix 'cs_CZ\.utf8'; then
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Generating the locale cs_CZ.UTF-8"
    if grep -q '^# *cs_CZ.UTF-8 UTF-8' /etc/locale.gen; then
        "${sudo[@]}" sed -i 's/^# *cs_CZ.UTF-8 UTF-8/cs_CZ.UTF-8 UTF-8/' /etc/locale.gen
    else
        echo 'cs_CZ.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo[@]}" locale-gen
fi
