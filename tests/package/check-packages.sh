#!/usr/bin/env bash
# Makes the Debian packages from the built tree once, checks them with lintian, unpacks them into
# a throw-away root and runs the installed tools from there.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "package check: $*" >&2
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
for package in verinox gifcodec verinox-checkd; do
    debs=("$work"/out/"${package}"_*.deb)
    [[ -f "${debs[0]}" ]] || fail "no package $package"
    printf -v "deb_${package//-/_}" %s "${debs[0]}"
done

# Dependencies come from the binaries; the program needs the service it asks.
field() { dpkg-deb -f "$1" "$2"; }
field "$deb_verinox" Depends | grep -q 'libqt6webenginewidgets6' || fail "verinox lacks its Qt dependencies"
field "$deb_verinox" Depends | grep -Eq 'verinox-checkd \(= [0-9.]+\)' ||
    field "$deb_verinox" Recommends | grep -q 'verinox-checkd' || fail "verinox names no check service"
field "$deb_verinox_checkd" Depends | grep -q 'libc-ares2' || fail "verinox-checkd lacks libc-ares2"
field "$deb_gifcodec" Depends | grep -q 'libc6' || fail "gifcodec lacks libc6"

lintian --fail-on error --tag-display-limit 0 "$deb_verinox" "$deb_gifcodec" "$deb_verinox_checkd" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }

# Installed with dpkg into a fresh root where dpkg may change owners (as root), else unpacked.
# Their libraries are the machine's: the binaries run outside the root.
root=$work/root
if [[ $(id -u) -eq 0 ]]; then
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    touch "$root/var/lib/dpkg/status"
    dpkg --root="$root" --force-depends -i "$deb_verinox" "$deb_gifcodec" "$deb_verinox_checkd" \
        >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg cannot install them"; }
else
    for deb in "$deb_verinox" "$deb_gifcodec" "$deb_verinox_checkd"; do
        dpkg-deb -x "$deb" "$root"
    done
fi
for file in bin/verinox bin/verinox-help bin/gifcodec bin/verinox-checkd \
    share/verinox/hilfe/hilfe.html share/verinox/hilfe/img/check.gif \
    share/applications/verinox.desktop share/icons/hicolor/scalable/apps/verinox.svg \
    share/metainfo/com.example.verinox.verinox.metainfo.xml \
    share/verinox-checkd/disposable.txt lib/systemd/user/verinox-checkd.service \
    share/man/man1/verinox.1.gz share/man/man1/gifcodec.1.gz share/man/man1/verinox-checkd.1.gz; do
    [[ -e "$root/usr/$file" ]] || fail "missing: /usr/$file"
done
# The user unit starts the installed service, not the one of the build that made the package.
grep -q '^ExecStart=/usr/bin/verinox-checkd ' "$root/usr/lib/systemd/user/verinox-checkd.service" ||
    fail "the user unit does not start /usr/bin/verinox-checkd"
[[ $(readlink -f "$root/usr/lib/systemd/user/default.target.wants/verinox-checkd.service") == \
    "$root/usr/lib/systemd/user/verinox-checkd.service" ]] || fail "the user unit is not enabled"
for program in verinox verinox-help gifcodec verinox-checkd; do
    ! ldd "$root/usr/bin/$program" | grep -q 'not found' || fail "$program misses libraries"
done
appstreamcli validate-tree --no-net "$root/usr" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "the installed metadata does not validate"; }

# The installed tools run from the throw-away root.
"$root/usr/bin/gifcodec" info "$root/usr/share/verinox/hilfe/img/check.gif" | grep -qi 'frame' ||
    fail "gifcodec info failed"
"$root/usr/bin/gifcodec" decode "$root/usr/share/verinox/hilfe/img/check.gif" -o "$work/frame.bmp"
[[ $(head -c 2 "$work/frame.bmp") == BM ]] || fail "gifcodec decode wrote no bitmap"
"$root/usr/bin/verinox-checkd" --help | grep -q -- '--listen' || fail "verinox-checkd --help failed"
# The installed program finds what it needs and keeps running until it is stopped. (Whether the
# page sandbox can run here is no question of the package.)
status=0
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 timeout -k 5 5 "$root/usr/bin/verinox" \
    >"$work/verinox.log" 2>&1 || status=$?
[[ $status -eq 124 ]] || { cat "$work/verinox.log" >&2; fail "the installed program ended with $status"; }
