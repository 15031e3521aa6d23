#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

# libwmf cannot start without its font set (fonts-urw-base35, only a recommendation of its package),
# and then rejects every WMF. Its pkg-config file links -lexpat, yet the package does not pull in
# libexpat1-dev.
packages=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-svg-dev zlib1g-dev libjpeg62-turbo-dev libwmf-dev libexpat1-dev fonts-urw-base35 libemf2svg-dev
  libgtest-dev libcli11-dev
  zip unzip 7zip libarchive-tools python3 expat xvfb xauth x11-utils fonts-dejavu-core
  desktop-file-utils appstream help2man clang-format
)

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
