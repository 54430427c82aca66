#!/usr/bin/env bash
# Installs what the builds need when it is missing (Debian 12).
#   install-deps.sh native   the Linux build and its tests
#   install-deps.sh all      also the two Windows builds, 64-bit Wine, and 32-bit Wine
#                            with qemu-i386 in a cache folder of their own (tools/wine/env32.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
want=${1:-all}
packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev libhivex-dev libhivex-bin libwin-hivex-perl
          time)
if [ "$want" = all ]; then
  packages+=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
             binutils-mingw-w64-x86-64 wine64 locales clang lld llvm)
fi
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  as_root apt-get update -q >/dev/null
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
fi

if [ "$want" = all ]; then
  # Wine takes the ANSI code page from the locale (932 from ja_JP, 1252 from en_US),
  # and names files in Japanese only when the locale exists.
  for locale in ja_JP.UTF-8 en_US.UTF-8; do
    if ! locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}"; then
      as_root sed -i "s/^# *\(${locale} UTF-8\)/\1/" /etc/locale.gen
      grep -q "^${locale} UTF-8" /etc/locale.gen || echo "${locale} UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
      as_root locale-gen >/dev/null
    fi
  done
  # 32-bit Wine and qemu-i386 for the win32 build's tests, fetched once into their folder.
  bash -c ". '$here/../tools/wine/env32.sh' && w32_prepare"
fi
