#!/usr/bin/env bash
# Installs what building and testing Quorvel needs on Debian: the host
# compilers and GoogleTest, the mingw-w64 cross compiler for i686 (and clang
# with lld, which builds the Windows side a second time), and Wine
# (32-bit, in a 64-bit prefix) with Xvfb for the end-to-end tests.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang lld libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev
  g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 xvfb imagemagick python3
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
  "${missing[@]}" >/dev/null
