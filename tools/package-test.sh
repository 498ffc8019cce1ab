#!/usr/bin/env bash
# Builds the Debian package, installs it with apt into a clean Debian bookworm
# (made once with debootstrap in build/pkgroot), and starts the installed
# program the way its menu entry does, under Xvfb. Needs root and the network.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/tools/setup.sh"
if ! command -v debootstrap >/dev/null; then
    apt-get install -y --no-install-recommends debootstrap
fi
cd "$here"
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack >/dev/null)
deb=$(ls build/release/ordisk_*_amd64.deb)
desktop-file-validate app/desktop/cz.ordisk.Ordisk.desktop
appstreamcli validate --no-net app/desktop/cz.ordisk.Ordisk.metainfo.xml

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
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/ordisk.deb xvfb xauth >/dev/null
chroot "$root" sh -c 'rm -rf /root/Ordisk'

# The menu entry's own command, run as the desktop runs it; the program must still be running after 5 s.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/cz.ordisk.Ordisk.desktop" | sed 's/\\\\/\\/g')
status=0
chroot "$root" env HOME=/root xvfb-run -a timeout 5 sh -c "cd / && eval '$exec_line'" || status=$?
if [ "$status" -ne 124 ]; then
    echo "the installed program did not keep running (exit $status)" >&2
    exit 1
fi
chroot "$root" test -f /root/Ordisk/db1.zaz
echo "installed, started from its menu entry, register created in ~/Ordisk"
