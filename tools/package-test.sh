#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it with apt into a
# clean Debian bookworm (made once with debootstrap in build/pkgroot), reads its
# manual page and starts the installed program the way its menu entry does, under
# Xvfb, with a home folder and without one. Needs root and the network.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh"
for tool in debootstrap lintian; do
    if ! command -v "$tool" >/dev/null; then
        apt-get install -y --no-install-recommends "$tool"
    fi
done
cd "$here"
cmake --preset release >/dev/null
cmake --build --preset release
# Only this build's package: one of an earlier version left behind would be taken too.
rm -f build/release/ordisk_*_amd64.deb
(cd build/release && cpack >/dev/null)
deb=$(ls build/release/ordisk_*_amd64.deb)
desktop-file-validate app/desktop/cz.ordisk.Ordisk.desktop
appstreamcli validate --no-net --pedantic build/release/app/cz.ordisk.Ordisk.metainfo.xml
# No error and no warning; informational tags are shown too.
lintian --fail-on error,warning --tag-display-limit 0 -I "$deb"

root=$here/build/pkgroot
if [ ! -x "$root/usr/bin/apt-get" ]; then
    rm -rf "$root"
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT
cp "$deb" "$root/tmp/ordisk.deb"
chroot "$root" apt-get update -qq
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/ordisk.deb xvfb xauth man-db >/dev/null
chroot "$root" sh -c 'rm -rf /root/Ordisk /Ordisk'
chroot "$root" env MANPAGER=cat man ordisk | grep -q "db1.zaz"
chroot "$root" ordisk --help | grep -q "Použití: ordisk"
# The command line's import and export in the clean system: libcsv comes with the package's dependencies.
chroot "$root" sh -c 'cd /tmp && rm -f db1.zaz && printf "jmeno;prijmeni\nJan;Novák\n" >lide.csv &&
    ordisk --import lide lide.csv && ordisk --export lide | grep -q "Novák" && rm -f db1.zaz lide.csv'

# The menu entry's own command, run as the desktop runs it; the program must still be running after 5 s.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/cz.ordisk.Ordisk.desktop" | sed 's/\\\\/\\/g')
status=0
chroot "$root" env HOME=/root xvfb-run -a timeout 5 sh -c "cd / && eval '$exec_line'" || status=$?
if [ "$status" -ne 124 ]; then
    echo "the installed program did not keep running (exit $status)" >&2
    exit 1
fi
chroot "$root" test -f /root/Ordisk/db1.zaz

# Without a home the program says so in a message box (it is still showing it after 5 s)
# and writes nothing anywhere.
status=0
chroot "$root" env -u HOME xvfb-run -a timeout 5 sh -c "cd / && eval '$exec_line'" || status=$?
if [ "$status" -ne 124 ] || chroot "$root" test -e /Ordisk; then
    echo "without a home: exit $status, /Ordisk $(chroot "$root" test -e /Ordisk && echo made || echo not made)" >&2
    exit 1
fi
echo "lintian clean; installed, manual page read, started from its menu entry, register created in ~/Ordisk"
