#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Ostrel need, if any is missing,
# and the packages named as arguments (scripts/fuzz.sh adds clang and its runtime).
set -euo pipefail
# libpwizlite-dev (mzML and mzXML) needs the Boost headers but does not depend on them; the
# program's own reading of mzML arrays needs zlib.
packages=(cmake g++ make qt6-base-dev libqcustomplot-dev libgtest-dev libbenchmark-dev
          libpwizlite-dev libboost-dev zlib1g-dev fonts-dejavu-core xvfb xauth qt6-translations-l10n "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages need root: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
