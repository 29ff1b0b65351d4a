#!/usr/bin/env bash
# Builds the Debian package and checks it: lintian finds no error, the AppStream
# and desktop-entry validators pass, and it installs and purges cleanly in a
# throwaway root. Nothing here touches the machine's own /usr, /etc or dpkg
# database.
set -euo pipefail
cd "$(dirname "$0")/.."
pkg=brenvar-rgb-fan-controller
deb=$(scripts/package.sh)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "== lintian $(basename "$deb")"
lintian --fail-on error --info "$deb"

echo "== validators"
dpkg-deb -x "$deb" "$work/contents"
appstreamcli validate --no-net "$work"/contents/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$work/contents/usr/share/applications/$pkg.desktop"
for side in 16 32 48 64 128 256; do
    file "$work/contents/usr/share/icons/hicolor/${side}x$side/apps/$pkg.png" | grep -q "PNG image data, $side x $side," ||
        fail "no ${side} px icon"
done

echo "== install and purge in a throwaway root"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The maintainer scripts run outside a chroot here (DPKG_ROOT is set): a
# udevadm that records its calls shows they leave the machine's udev alone.
mkdir "$work/bin"
printf '#!/bin/sh\necho "$*" >>"%s/udevadm.log"\n' "$work" >"$work/bin/udevadm"
chmod +x "$work/bin/udevadm"
# The root holds no libraries, hence --force-depends; dpkg's complaints about
# them are shown only when a step fails.
rootdpkg() {
    PATH="$work/bin:$PATH" dpkg --root="$root" --log="$work/dpkg.log" \
        --force-depends --force-script-chrootless "$@" >"$work/dpkg.out" 2>&1 ||
        { cat "$work/dpkg.out" >&2; fail "dpkg $* failed"; }
}
host_before=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)

rootdpkg -i "$deb"
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}\n' "$pkg" | grep -qx "install ok installed" ||
    fail "not installed in the throwaway root"
files=(usr/bin/$pkg usr/lib/$pkg/$pkg usr/lib/$pkg/Image/background.png usr/lib/$pkg/Language/en.qm
    usr/share/applications/$pkg.desktop usr/share/icons/hicolor/scalable/apps/$pkg.svg
    usr/share/metainfo/com.brenvar.RGBFanController.metainfo.xml usr/lib/udev/rules.d/70-$pkg.rules
    usr/share/doc/$pkg/copyright usr/share/doc/$pkg/changelog.gz usr/share/doc/$pkg/README.md.gz
    usr/share/man/man1/$pkg.1.gz
    usr/lib/systemd/user/$pkg.service)
for f in "${files[@]}"; do
    [ -e "$root/$f" ] || fail "$f missing after install"
done
zcat "$root/usr/share/doc/$pkg/README.md.gz" | cmp -s - README.md || fail "the packaged README is not this README"
[ "$(readlink -f "$root/usr/bin/$pkg")" = "$root/usr/lib/$pkg/$pkg" ] || fail "usr/bin/$pkg points elsewhere"
unit=$root/usr/lib/systemd/user/$pkg.service
grep -qx "ExecStart=/usr/bin/$pkg" "$unit" || fail "the user service starts another program"
# A service that gave up would leave the fans at their last speed and the alarm off.
sed -n '/^\[Unit\]/,/^\[/p' "$unit" | grep -qx "StartLimitIntervalSec=0" || fail "the user service gives up after repeated crashes"
grep -qE "^RestartSec=[1-9]" "$unit" || fail "the user service restarts without a pause"

rootdpkg --purge "$pkg"
left=$(find "$root" -mindepth 1 -not -path "$root/var" -not -path "$root/var/*")
[ -z "$left" ] || fail "left behind after purge: $left"
[ ! -e "$work/udevadm.log" ] || fail "maintainer scripts ran udevadm: $(cat "$work/udevadm.log")"
[ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)" = "$host_before" ] ||
    fail "the machine's own dpkg database changed"
echo "package checks passed"
