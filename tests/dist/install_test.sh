#!/usr/bin/env bash
# Installs the build into a scratch root and checks what lands there: the
# executable, the desktop entry, the AppStream metainfo, every icon, the man
# page, the Debian copyright and changelog and the systemd user units for
# unattended trims, with the entry, the metainfo, the units
# and the man page validated where the validators are installed.
#   usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "install: $*" >&2; exit 1; }
expected=(
  usr/bin/kestrune
  usr/share/applications/io.example.Kestrune.desktop
  usr/share/man/man1/kestrune.1.gz
  usr/share/metainfo/io.example.Kestrune.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/kestrune.svg
  usr/share/doc/kestrune/copyright
  usr/share/doc/kestrune/changelog.gz
  usr/lib/systemd/user/kestrune-trim.service
  usr/lib/systemd/user/kestrune-trim.timer
)
for size in 16 22 24 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x${size}/apps/kestrune.png"); done
for f in "${expected[@]}"; do [ -f "$root/$f" ] || fail "missing $f"; done
[ -x "$root/usr/bin/kestrune" ] || fail "usr/bin/kestrune is not executable"
found=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
[ "$found" = "$want" ] || fail "unexpected files installed:$(comm -23 <(echo "$found") <(echo "$want") | sed 's/^/ /')"
for size in 16 32 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/kestrune.png" | grep -q "$size x $size" || fail "icon $size is not ${size}x${size}"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/io.example.Kestrune.desktop" || fail "desktop entry invalid"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/io.example.Kestrune.metainfo.xml" >/dev/null ||
    fail "metainfo invalid"
fi
if command -v systemd-analyze >/dev/null; then
  # Their syntax as systemd reads it, and the timer's unit beside it.
  verify=$(cd "$root/usr/lib/systemd/user" || exit 1
    systemd-analyze verify --man=no ./kestrune-trim.timer 2>&1 | grep -v 'is not executable: No such file' || true)
  [ -z "$verify" ] || fail "systemd units: $verify"
fi
if command -v groff >/dev/null; then
  warnings=$(zcat "$root/usr/share/man/man1/kestrune.1.gz" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "man page: $warnings"
fi
echo "install: ${#expected[@]} files in place"
