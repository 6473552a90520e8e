#!/usr/bin/env bash
# Makes what administrators install, under build/:
#   deb  vetrel_VERSION_amd64.deb, the Debian package (debian/, debhelper and the CMake build)
#   win  vetrel-VERSION-win64.zip: vetrel.exe, README.ru.txt and LICENSE.txt
# Installs what it needs first. Usage: package.sh deb|win...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(vetrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
commit=$(git -C "$root" rev-parse --short=12 HEAD 2>/dev/null || true)

need() {  # Debian packages
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

deb() {
  need build-essential debhelper dpkg-dev fakeroot cmake ninja-build pkg-config libmnl-dev \
    libsodium-dev git
  # The package is built from a copy of what it needs, so debhelper's files and the results
  # stay under build/ and the checkout is never touched.
  local out=$root/build/deb stage=$root/build/deb/vetrel-$version
  rm -rf "$out"
  mkdir -p "$stage"
  cp -a "$root"/{CMakeLists.txt,cmake,src,packaging,doc,debian,README.md,LICENSE} "$stage/"
  [ -n "$commit" ] && echo "$commit" >"$stage/commit"
  # The changelog carries the version of CMakeLists.txt, the one place it is set.
  local when
  when=$(date -R -d "@$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)")
  cat >"$stage/debian/changelog" <<CHANGES
vetrel ($version) unstable; urgency=medium

  * Version $version${commit:+ (git $commit)}.

 -- The Vetrel developers <vetrel@example.org>  $when
CHANGES
  if command -v ccache >/dev/null; then
    export CCACHE_DIR=${CCACHE_DIR:-$(ccache --get-config cache_dir)} CCACHE_BASEDIR=$stage
  fi
  (cd "$stage" && DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" \
    dpkg-buildpackage -b -us -uc --no-sign >"$out/build.log" 2>&1) ||
    { tail -n 40 "$out/build.log" >&2; echo "package: the Debian build failed ($out/build.log)" >&2; exit 1; }
  cp "$out/vetrel_${version}_amd64.deb" "$root/build/"
  echo "build/vetrel_${version}_amd64.deb"
}

win() {
  # The cross build the tests use (build/mingw), so CI builds vetrel.exe once.
  need zip build-essential cmake ninja-build g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 mingw-w64-tools googletest
  bash "$root/scripts/build.sh" mingw >/dev/null
  local stage=$root/build/win/vetrel-$version zip=$root/build/vetrel-$version-win64.zip
  rm -rf "$root/build/win" "$zip"
  mkdir -p "$stage"
  cp "$root/build/mingw/vetrel.exe" "$stage/"
  # Notepad's forms: UTF-8 with a byte order mark, CR LF.
  { printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$root/doc/README.ru.txt"; } >"$stage/README.ru.txt"
  sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
  (cd "$root/build/win" && zip -q -X -r "$zip" "vetrel-$version")
  echo "build/vetrel-$version-win64.zip"
}

[ $# -gt 0 ] || { echo "usage: package.sh deb|win..." >&2; exit 2; }
for what in "$@"; do
  case "$what" in
    deb) deb ;;
    win) win ;;
    *) echo "package: unknown target $what (deb or win)" >&2; exit 2 ;;
  esac
done
