#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Sourced by test.sh and run.sh; safe to run any number of times.
set -euo pipefail

PKT_PACKAGES=(
  cmake ninja-build g++          # the build
  libgtest-dev libgmock-dev      # GoogleTest, GoogleMock
  libbenchmark-dev               # Google Benchmark (bench/pktbench)
  libcli11-dev                   # pktdump's argument parser (header-only)
  qt6-base-dev qt6-charts-dev libgl-dev   # the desktop application
  libqt6opengl6-dev              # Qt Charts' CMake package requires Qt OpenGL
  libre2-dev pkg-config          # RE2: the match expression's regular expressions
  nlohmann-json3-dev             # pktdump --json (header-only)
  ccache                         # faster rebuilds
  libarchive-dev zlib1g-dev      # packed logs unpacked while merging (xz, zstd, bzip2, zip; gzip)
  qt6-translations-l10n          # Qt's own dialogs in Russian (qtbase_ru)
  dpkg-dev                       # dpkg-shlibdeps: the .deb's dependencies (CPack)
  gzip xz-utils zstd bzip2 zip   # the packers the tests pack sample logs with
)

pkt_install_deps() {
  local missing=()
  local p
  for p in "${PKT_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
