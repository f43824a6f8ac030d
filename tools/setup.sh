#!/bin/sh
# Installs what building and testing Pelomar needs on Debian 12 or Ubuntu,
# skipping packages that are already there, and generates the zh_CN.UTF-8
# locale (Wine takes its ANSI code page from the locale: 936 for zh_CN).
# Usage: tools/setup.sh [run]   ("run" installs only what running needs)
set -eu

run_packages="cmake ninja-build python3 g++-mingw-w64-x86-64 doctest-dev wine64 locales fonts-noto-cjk fonts-wine"
test_packages="$run_packages clang libclang-rt-14-dev g++-mingw-w64-i686 xvfb xdotool
  x11-utils imagemagick python3-pil python3-xlib fonts-dejavu-core espeak-ng sox
  pulseaudio pulseaudio-utils"

if [ "${1:-}" = run ]; then packages=$run_packages; else packages=$test_packages; fi

sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  $sudo apt-get update -q
  # Ubuntu ships the libFuzzer runtime inside libclang-common-14-dev.
  if ! apt-cache show libclang-rt-14-dev >/dev/null 2>&1; then
    missing=$(echo "$missing" | sed 's/libclang-rt-14-dev/libclang-common-14-dev/')
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  if [ -f /etc/locale.gen ]; then
    $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  else
    $sudo locale-gen zh_CN.UTF-8 >/dev/null
  fi
fi
