#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages. Safe to run again:
# it does nothing when everything is already there.
# Usage: setup.sh [fuzz]  (fuzz: also clang and its libFuzzer and sanitizer runtimes)
set -euo pipefail

packages=(
  cmake make g++ googletest
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386
  xvfb xdotool x11-utils imagemagick fonts-wqy-zenhei fonts-arphic-gbsn00lp locales
  iproute2 iputils-ping procps util-linux e2fsprogs sed coreutils time
  python3 python3-pil
  clang-tidy cppcheck
  osslsigncode softhsm2 libengine-pkcs11-openssl
  fonts-wine  # Wine's own fonts: Marlett draws the caption's buttons
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ -n "${need_i386:-}" ] || [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
  [ -n "${need_i386:-}" ] && dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine shows the program's GBK texts only under a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
