#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, and only those
# that are missing. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    libgtest-dev libgmock-dev libbenchmark-dev
    liberfa-dev
    qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev fonts-liberation
    xvfb xauth
    # the Moon's accuracy test compares with the Swiss Ephemeris' swetest
    swetest swe-data
    libchm-dev fp-utils
    libhamlib-dev libhamlib-utils
    libsoapysdr-dev soapysdr-tools libfftw3-dev libgsl-dev libasound2-dev alsa-utils
    libcfitsio-dev
    librsvg2-bin poppler-utils
    python3-astropy python3-numpy
    clang libclang-rt-14-dev
    dpkg-dev fakeroot file lintian appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "install-deps: need root or sudo to install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
