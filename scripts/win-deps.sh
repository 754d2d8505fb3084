#!/usr/bin/env bash
# Builds the Windows x64 dependencies of orvcfg with mingw-w64: zlib, libzip and
# Xerces-C++ from Debian's source packages, GoogleTest from the googletest package's
# sources. They go into a cache directory outside the build tree, named after the
# versions, so that later runs (and other build trees) reuse them.
#   scripts/win-deps.sh    prints the prefix that holds the dependencies
# ORV_WIN_CACHE chooses the cache root (default: ~/.cache/orvcfg-win).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
cache=${ORV_WIN_CACHE:-$HOME/.cache/orvcfg-win}
jobs=$(nproc 2>/dev/null || echo 2)

log() { echo "win-deps: $*" >&2; }

# Runs a build step quietly; on failure shows the end of what it said.
quiet() {
  "$@" >"$work/step.log" 2>&1 || { tail -n 40 "$work/step.log" >&2; log "failed: $*"; exit 1; }
}

# The source versions are those of the Linux development packages that setup installs,
# so both builds use the same code.
source_version() { dpkg-query -W -f '${source:Version}' "$1"; }
zlib_v=$(source_version zlib1g-dev)
libzip_v=$(source_version libzip-dev)
xerces_v=$(source_version libxerces-c-dev)
gtest_v=$(dpkg-query -W -f '${Version}' googletest)
compiler_v=$(x86_64-w64-mingw32-g++-posix -dumpversion)

key="zlib-${zlib_v#*:}_libzip-${libzip_v}_xerces-c-${xerces_v}_googletest-${gtest_v}_mingw-${compiler_v}"
prefix=$cache/$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

# apt-get source needs deb-src entries: add that type to the configured Debian sources.
if ! apt-get source --print-uris "zlib=$zlib_v" >/dev/null 2>&1; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  log "adding deb-src to the Debian sources"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    $sudo sed -i -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb deb-src/' "$f"
  done
  $sudo apt-get update -qq >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orvcfg-win-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix"

# Fetches and unpacks a source package at the given version; prints its directory.
fetch() { # source-package version
  (cd "$work" && apt-get source -qq "$1=$2" >/dev/null 2>&1) || {
    log "cannot fetch the source package $1 $2"; exit 1; }
  find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n1
}

cross() { # source-dir build-dir cmake-args...
  local src=$1 dir=$2; shift 2
  quiet cmake -S "$src" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DORV_WIN_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Wno-dev "$@"
}

log "zlib $zlib_v"
src=$(fetch zlib "$zlib_v")
# Debian's zlib source leaves out win32/, whose resource script the DLL build compiles:
# a version resource of our own stands in for it.
mkdir -p "$src/win32"
printf '1 VERSIONINFO\nFILEVERSION 1,0,0,0\nBEGIN\nEND\n' > "$src/win32/zlib1.rc"
cross "$src" "$work/zlib-build"
quiet cmake --build "$work/zlib-build" -j"$jobs"
quiet cmake --install "$work/zlib-build"

log "libzip $libzip_v"
src=$(fetch libzip "$libzip_v")
cross "$src" "$work/libzip-build" -DBUILD_SHARED_LIBS=ON \
  -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF \
  -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF \
  -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
  -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
quiet cmake --build "$work/libzip-build" -j"$jobs"
quiet cmake --install "$work/libzip-build"

# Only the library: Xerces' own test and sample programs do not cross-build. Installing
# its src/ directory installs the library, its headers and its CMake package.
log "xerces-c $xerces_v"
src=$(fetch xerces-c "$xerces_v")
cross "$src" "$work/xerces-build" -DBUILD_SHARED_LIBS=ON \
  -Dnetwork=OFF -Dtranscoder=windows -Dmessage-loader=inmemory
quiet cmake --build "$work/xerces-build" --target xerces-c -j"$jobs"
quiet cmake --install "$work/xerces-build/src"

log "googletest $gtest_v"
cross /usr/src/googletest "$work/gtest-build" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
quiet cmake --build "$work/gtest-build" -j"$jobs"
quiet cmake --install "$work/gtest-build"

touch "$prefix/.complete"
log "done: $prefix"
echo "$prefix"
