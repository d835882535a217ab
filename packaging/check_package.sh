#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it as a user would get it: every
# file in place (and no developer file), dependencies computed from the binaries, lintian
# without errors, the desktop entry and the AppStream data valid, and the programs running from
# the unpacked package with only LD_LIBRARY_PATH pointing into it.
#   check_package.sh CPACK CPACK_CONFIG VERSION LIBDIR BIN_TO_PKGLIB BIN_TO_PKGDATA APP_ID
# SPDX-License-Identifier: GPL-3.0-or-later
set -uo pipefail
cpack=$1 config=$2 version=$3 libdir=$4 to_pkglib=$5 to_pkgdata=$6 app_id=$7
build=$(dirname "$config")

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $1 is not installed (scripts/install-deps.sh installs it)"; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$cpack" -G DEB --config "$config" -B "$tmp/out" > "$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$tmp"/out/vrx73604_"$version"_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { ls "$tmp/out"; echo "FAIL: no vrx73604_${version}_*.deb"; exit 1; }
echo "package: $(basename "$deb")"

# Every file a user needs, at the place the programs look for it.
bindir=usr/bin
pkglib=$(realpath -m --relative-to=/ "/$bindir/$to_pkglib")
pkgdata=$(realpath -m --relative-to=/ "/$bindir/$to_pkgdata")
expected=(
    "$bindir/vrx73604" "$bindir/vrxctl" "$bindir/hwlink-probe"
    "usr/$libdir/libhwlink.so.$version" "usr/$libdir/libhwlink.so.0"
    "$pkglib/libFFt.so" "$pkgdata/73604.bit" "$pkgdata/vrxhelp.htm"
    lib/udev/rules.d/70-vrx73604.rules
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
    usr/share/icons/hicolor/scalable/apps/vrx73604.svg
    usr/share/icons/hicolor/128x128/apps/vrx73604.png
    usr/share/man/man1/vrx73604.1.gz usr/share/man/man1/vrxctl.1.gz
    usr/share/man/man1/hwlink-probe.1.gz
    usr/share/doc/vrx73604/copyright usr/share/doc/vrx73604/changelog.gz
)
# What only a developer needs stays out of the package.
unexpected=("usr/$libdir/libhwlink.so" usr/include/hwlink.h "$bindir/vrxhelp.htm")
dpkg-deb --contents "$deb" | awk '{ sub(/^\.\//, "", $6); print $6 }' > "$tmp/contents"
for f in "${expected[@]}"; do grep -qxF "$f" "$tmp/contents" || fail "missing in the package: $f"; done
for f in "${unexpected[@]}"; do grep -qxF "$f" "$tmp/contents" && fail "in the package: $f"; done

# Dependencies from the binaries: Qt and libusb for the programs, FFTW for libFFt.so, and where
# the program decodes, the package that holds the decoder library's Python decoders.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(tr ',|' '\n\n' <<< "$depends" | sed 's/^ *//; s/[ (].*//')
for d in libqt6widgets6 libusb-1.0-0 libfftw3-double3 libc6; do
    grep -qx "$d" <<< "$names" || fail "Depends lacks $d"
done
dpkg-deb -x "$deb" "$tmp/root"
if [ -d "$(dirname "$0")/../app/core/decode" ]; then
    decoders=$(pkg-config --variable=decodersdir libsigrokdecode)
    owner=$(dpkg-query -S "$decoders" 2>/dev/null | sed 's/[:,].*//')
    [[ -n $owner ]] && grep -qx "$owner" <<< "$names" || fail "Depends lacks the decoders' package $owner"
fi
# No run path into the build folder, only $ORIGIN-relative ones.
for f in "$bindir/vrx73604" "$bindir/vrxctl" "$bindir/hwlink-probe"; do
    runpath=$(readelf -d "$tmp/root/$f" | sed -n 's/.*\(RPATH\|RUNPATH\).*\[\(.*\)\]/\2/p')
    [[ -z $runpath || $runpath == '$ORIGIN'* ]] || fail "$f has the run path $runpath"
done
# The maintainer scripts reload the udev rules and replay the USB devices, nothing more.
dpkg-deb -e "$deb" "$tmp/control"
actions=$(grep -hv '^\s*#' "$tmp/control/postinst" "$tmp/control/postrm" | grep -oE 'udevadm [a-z]+ [^|]*' | sort -u)
[ "$actions" = "$(printf '%s\n' 'udevadm control --reload-rules ' \
    'udevadm trigger --subsystem-match=usb --action=change ' | sort -u)" ] ||
    fail "maintainer scripts do more than reload the rules and trigger usb: $actions"
grep -q 'TAG+="uaccess"' "$tmp/root/lib/udev/rules.d/70-vrx73604.rules" || fail "udev rule without uaccess"
grep -q 'MODE="0666"' "$tmp/root/lib/udev/rules.d/70-vrx73604.rules" && fail "udev rule opens the device to everyone"

if command -v lintian > /dev/null; then
    lintian --fail-on error --tag-display-limit 0 "$deb" > "$tmp/lintian" 2>&1
    rc=$?
    sed 's/^/lintian: /' "$tmp/lintian"
    [ $rc -eq 0 ] || fail "lintian reports errors"
else skip lintian; fi
if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$tmp/root/usr/share/applications/$app_id.desktop" ||
        fail "desktop-file-validate"
else skip desktop-file-validate; fi
if command -v appstreamcli > /dev/null; then
    appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/$app_id.metainfo.xml" ||
        fail "appstreamcli validate"
else skip appstreamcli; fi

# The programs from the unpacked package, with only LD_LIBRARY_PATH pointing into it.
run() { env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_DATA_HOME="$tmp/xdg" \
        LD_LIBRARY_PATH="$tmp/root/usr/$libdir" QT_QPA_PLATFORM=offscreen "$@"; }
mkdir -p "$tmp/home" "$tmp/xdg/vrx73604" "$tmp/work"
out=$(run "$tmp/root/$bindir/vrxctl" --demo info) && [[ $out == *$'configured\tdemo'* ]] ||
    fail "vrxctl --demo info: $out"
out=$(run "$tmp/root/$bindir/vrx73604" --help 2>&1) && [[ $out == *"usage: vrx73604"* ]] ||
    fail "vrx73604 --help: $out"
# The bitstream: the installed synthetic one serves the simulated instrument; one in the user's
# data folder comes before it, one in the working directory before both (a file the simulated
# FPGA refuses shows which was read).
sim_info() { (cd "$tmp/work" && run HWLINK_SIM_CLOCK=virtual "$tmp/root/$bindir/vrxctl" --sim usb info 2>&1); }
out=$(sim_info) && [[ $out == *$'configured\tyes'* ]] || fail "installed bitstream not used: $out"
out=$(cd "$tmp/work" && run HWLINK_SIM=usb HWLINK_SIM_CLOCK=virtual "$tmp/root/$bindir/hwlink-probe") &&
    [[ $out == *"$tmp/root/$pkgdata/73604.bit"*"FPGA:"*" configured"* ]] || fail "hwlink-probe: installed bitstream not used: $out"
echo "not a bitstream" > "$tmp/xdg/vrx73604/73604.bit"
out=$(sim_info); [[ $out == *"refused the bitstream $tmp/xdg/vrx73604/73604.bit"* ]] ||
    fail "the user's data folder does not come first: $out"
echo "not a bitstream" > "$tmp/work/73604.bit"
out=$(sim_info); [[ $out == *"refused the bitstream $tmp/work/73604.bit"* ]] ||
    fail "the working directory does not come first: $out"

[ $failures -eq 0 ] && echo "package checks passed" || { echo "$failures package checks failed"; exit 1; }
