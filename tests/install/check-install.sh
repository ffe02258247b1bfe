#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that everything lands where a Linux desktop
# and the installed program look for it.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/verinox bin/verinox-help bin/gifcodec bin/verinox-checkd \
    share/verinox/hilfe/hilfe.html share/verinox/hilfe/img/check.gif \
    share/applications/verinox.desktop share/icons/hicolor/scalable/apps/verinox.svg \
    share/metainfo/com.example.verinox.verinox.metainfo.xml \
    lib/systemd/user/verinox-checkd.service \
    lib/systemd/user/default.target.wants/verinox-checkd.service; do
    [[ -e "$prefix/$file" ]] || { echo "missing: $file" >&2; exit 1; }
done
grep -q '^Exec=verinox$' "$prefix/share/applications/verinox.desktop"
# The installed codec tool runs from its installed place.
"$prefix/bin/gifcodec" info "$prefix/share/verinox/hilfe/img/check.gif" | grep -q 'frames\|Frame\|frame'
