#!/usr/bin/env bash
# Installs the Debian packages that building and testing orvcfg need, when they are missing.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(cmake g++ make pkg-config libxerces-c-dev libzip-dev zip libgtest-dev libgmock-dev libbenchmark-dev
          scdoc man-db dpkg-dev valgrind)
if [ "${ORV_SETUP_PACKAGE:-0}" = 1 ]; then
  packages+=(lintian)
fi
if [ "${ORV_SETUP_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# The Windows build: the cross compilers of the POSIX thread model (std::thread and
# std::mutex work), wine to run what they build, and what fetches and unpacks the Debian
# source packages of the Windows dependencies (scripts/win-deps.sh).
if [ "${ORV_SETUP_WIN:-0}" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
             wine wine64 dpkg-dev googletest)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}" >&2
$sudo apt-get update -qq >/dev/null
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
