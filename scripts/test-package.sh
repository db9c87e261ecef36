#!/usr/bin/env bash
# Installs the package that scripts/package.sh built into a clean Debian 12 and runs it there:
# the libraries of the programs and of the Qt plugins they load, tamsor-cli --help, tamsor-cli
# languages, the demo (read and export), and the desktop program starting without a display.
# The clean system is made once with debootstrap (in build-package/debian12-base/) and copied
# afresh for every run. Needs root and Debian's mirror.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
packages="${TAMSOR_PACKAGE_DIR:-$repo/build-package}"
deb="$(ls "$packages"/tamsor_*.deb | tail -n 1)"
base="$packages/debian12-base"
root="$packages/debian12"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"

if [ ! -x "$base/usr/bin/apt-get" ]; then
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" "$mirror"
fi
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/${deb##*/}" >/dev/null
echo "== installed: $(in_root dpkg-query -W -f='${Package} ${Version}\n' tamsor)"
echo "== depends:   $(in_root dpkg-query -W -f='${Depends}\n' tamsor)"
echo "== every library of the programs and of the Qt plugins they load is installed"
in_root sh -ec 'plugins=$(echo /usr/lib/*/qt6/plugins)
    for file in /usr/bin/tamsor /usr/bin/tamsor-cli /usr/bin/tamsor-sim \
                $plugins/platforms/libqxcb.so $plugins/platforms/libqoffscreen.so \
                $plugins/imageformats/libqsvg.so $plugins/iconengines/libqsvgicon.so \
                $plugins/sqldrivers/libqsqlite.so; do
        [ -e "$file" ] || { echo "missing: $file" >&2; exit 1; }
        if ldd "$file" | grep "not found"; then echo "in $file" >&2; exit 1; fi
    done'
echo "== tamsor-cli --help"
in_root tamsor-cli --help
echo "== tamsor-cli languages"
in_root tamsor-cli languages
echo "== the demo"
in_root sh -ec 'mkdir -p /tmp/demo && cp /usr/share/tamsor/examples/demo.* /tmp/demo/
    tamsor-cli read /tmp/demo/demo.zop
    tamsor-cli export /tmp/demo/demo.zop --out /tmp/demo/reports
    find /tmp/demo/reports -type f | sort'
echo "== tamsor starts without a display"
status=0
in_root env QT_QPA_PLATFORM=offscreen timeout 5 tamsor || status=$?
[ $status -eq 124 ] || { echo "tamsor ended with $status instead of running" >&2; exit 1; }
echo "== man pages"
in_root sh -c 'ls /usr/share/man/man1/tamsor.1.gz /usr/share/man/man1/tamsor-cli.1.gz /usr/share/man/man1/tamsor-sim.1.gz'
echo "package test passed"
