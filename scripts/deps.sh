#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs with apt-get the Debian 12 packages Vorlan needs to build and test,
# and only those that are missing: nothing is installed when all are there.
#   scripts/deps.sh build   what building and running needs
#   scripts/deps.sh test    that, and what the tests use (JDK, zip, clang, the
#                           fonts the window's tests use, the package tools
#                           (lintian, appstream, bash-completion), two window
#                           managers and the accessibility bus)
set -euo pipefail

build_packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins
                libzip-dev zlib1g-dev libdeflate-dev libblkid-dev libssl-dev nlohmann-json3-dev)
test_packages=(libgtest-dev ecj openjdk-17-jdk-headless zip unzip python3 openssl python3-cryptography
               clang clang-format clang-tidy libclang-rt-14-dev fonts-dejavu-core dpkg-dev desktop-file-utils
               lintian appstream bash-completion xvfb openbox xfwm4 dbus-daemon at-spi2-core python3-pyatspi
               x11-utils xdotool strace)

wanted=("${build_packages[@]}")
[ "${1:-build}" = test ] && wanted+=("${test_packages[@]}")

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
