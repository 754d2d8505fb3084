#!/usr/bin/env bash
# Installs the Debian package into a scratch root as dpkg does (its own database, the
# maintainer scripts run against the root), uses the installation there, builds the
# example host against it with find_package(OrvCfg) and with pkg-config, and purges the
# package again: nothing may be left behind.
#   package_check.sh ORVCFG_DEB [SOURCE_DIR]
set -euo pipefail
deb=$(realpath "$1")
source_dir=$(realpath "${2:-$(dirname "$0")/../..}")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
opt=$root/opt/orv
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { # description expected actual
    [ "$2" = "$3" ] || fail "$1: expected \"$2\", got \"$3\""
}
# Everything in the root but dpkg's own records.
tree() { (cd "$root" && find . -path ./var -prune -o -print | sort); }
dpkg_root() {
    dpkg --root="$root" --log=/dev/null --force-not-root --force-script-chrootless \
         --force-depends "$@" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; return 1; }
}
orvcfg() { env -u ORV_LOCALDIR "$opt/bin/orvcfg" "$@"; }

before=$(tree)
dpkg_root -i "$deb"

# What the package lays out, and what dpkg records about it.
for f in bin/orvcfg bin/orvcli.xsd config/Orv.properties config/OrvTrace.properties config/orvcli.xml \
         install/orv_install.properties include/orv/OrvCfg.h lib/liborvcfg.so lib/pkgconfig/orvcfg.pc \
         lib/cmake/OrvCfg/OrvCfgConfig.cmake; do
    [ -e "$opt/$f" ] || fail "the package lacks /opt/orv/$f"
done
for f in usr/share/man/man1/orvcfg.1.gz usr/share/man/man5/orvcfg.properties.5.gz \
         usr/share/bash-completion/completions/orvcfg usr/share/doc/orvcfg/copyright; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done
expect "the link on the PATH" /opt/orv/bin/orvcfg "$(readlink "$root/usr/bin/orvcfg")"
expect "conffiles" "/opt/orv/config/Orv.properties /opt/orv/config/OrvTrace.properties /opt/orv/config/orvcli.xml" \
    "$(dpkg-query --root="$root" -W -f='${Conffiles}\n' orvcfg | awk 'NF {print $1}' | sort | xargs)"

# The installation at work.
dirs=$(orvcfg dirs --json)
[[ $dirs == *"\"installation\":\"$opt\""* && $dirs == *'"installationType":"global"'* && $dirs == *'"status":0'* ]] \
    || fail "orvcfg dirs: $dirs"
expect "get config_dir" /opt/orv/config "$(orvcfg get config_dir)"
expect "get trace_level" MIN "$(orvcfg get trace_level)"
orvcfg set trace_level MAX || fail "orvcfg set trace_level MAX: $?"
expect "the trace library's level after set" 6 "$(grep -c '^[a-z]*\.loggers\.trcLogger\.level=DEBUG_MAX$' "$opt/config/OrvTrace.properties")"
orvcfg parse >/dev/null || fail "orvcfg parse of the shipped document: $?"

# Installing the package again keeps the changed configuration file.
dpkg_root -i "$deb"
expect "trace_level after reinstalling" MAX "$(orvcfg get trace_level)"

# The example host, built against the installed package both ways, runs in its bin/.
cmake -S "$source_dir/examples/host" -B "$work/host" -DCMAKE_PREFIX_PATH="$opt" >/dev/null
cmake --build "$work/host" >/dev/null
flags=$(PKG_CONFIG_LIBDIR="$opt/lib/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$root" pkg-config --cflags --libs orvcfg)
# shellcheck disable=SC2086
g++ -std=c++17 -Wall -Wextra -Werror "$source_dir/examples/host/main.cpp" $flags -o "$work/orvhost-pc"
for host in "$work/host/orvhost" "$work/orvhost-pc"; do
    cp "$host" "$opt/bin/orvhost"
    # The pkg-config host's run path names /opt/orv/lib; here the libraries are in the root.
    out=$(LD_LIBRARY_PATH="$opt/lib" env -u ORV_LOCALDIR "$opt/bin/orvhost") || fail "$host: $?: $out"
    [[ $out == *"errors: 0"* ]] || fail "$host: $out"
    rm "$opt/bin/orvhost"
done

# Purging leaves the root as it was.
dpkg_root -P orvcfg
after=$(tree)
[ "$before" = "$after" ] || fail "left behind after purge: $(comm -13 <(echo "$before") <(echo "$after") | xargs)"

if ((failures)); then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "package: installed, used and purged cleanly in a scratch root"
