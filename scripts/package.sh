#!/usr/bin/env bash
# Builds a Release tree and the Debian package skarvel_VERSION_ARCH.deb, checks the package with
# lintian and prints its path as the last line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

# dpkg-shlibdeps (dpkg-dev) computes the package's Depends; lintian checks the result.
missing=()
for package in dpkg-dev lintian; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Debian's hardening and reproducibility flags, as a Debian package build sets them, with every
# hardening feature on (bindnow too).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
build=build-package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSKARVEL_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  "-DCMAKE_C_FLAGS=$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/skarvel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/skarvel_*.deb)
deb=$(realpath "$deb")

echo "lintian:"
lintian --fail-on error "$deb" || { echo "lintian found errors in $deb" >&2; exit 1; }

name=$(basename "$deb")
icon=/usr/share/icons/hicolor/128x128/apps/skarvel.png
cat <<EOF

Contents: dpkg-deb --contents $deb
To check the install in a fresh Debian 12 root (as root, with the package debootstrap installed):
  debootstrap bookworm /tmp/bookworm http://deb.debian.org/debian
  cp $deb /tmp/bookworm/tmp/
  chroot /tmp/bookworm sh -c 'apt-get update && apt-get install -y /tmp/$name'
  chroot /tmp/bookworm skarvel-cli theme save --wallpaper $icon /tmp/try.nth
  chroot /tmp/bookworm skarvel-cli theme open --yes /tmp/try.nth /tmp/unpacked
  chroot /tmp/bookworm skarvel-cli thumbnail /tmp/try.nth /tmp/try.png --size 128
EOF
echo "$deb"
