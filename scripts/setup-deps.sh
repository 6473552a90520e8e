#!/usr/bin/env bash
# Installs everything the builds, tests and benchmarks need. Safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format ccache shellcheck clang libclang-rt-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libmnl-dev libsodium-dev
  iproute2 iputils-ping arp-scan arpwatch nftables radvd
  wine wine64 xvfb xdotool x11-utils xclip imagemagick
  python3 python3-aiosmtpd rsyslog logrotate
  ieee-data locales
  debhelper dpkg-dev fakeroot lintian systemd groff-base man-db bash-completion zip unzip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
