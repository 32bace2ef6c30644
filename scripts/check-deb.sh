#!/bin/sh
# check-deb.sh [root-folder [package.deb]]: builds the Debian package (in build/) unless one is named, installs it with apt on a fresh Debian 12
# (a minimal bookworm root made with debootstrap; default /tmp/korvoterm-deb12, reused when it exists) and
# checks the installed programs there: korvo-cli and korvo-sim answer --help, korvoterm starts headless
# for a user, reads its keyword lists from /usr/share/korvoterm and writes only in that user's folders.
# Needs root (debootstrap, chroot, mount), strace and the network; not part of ./test.sh.
set -e
cd "$(dirname "$0")/.."
root="${1:-/tmp/korvoterm-deb12}"
deb="$2"
mirror=$(sed -n 's/^URIs: *\(.*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
mirror="${mirror:-http://deb.debian.org/debian}"

scripts/install-deps.sh debootstrap strace dpkg-dev
if [ -z "$deb" ]; then
    scripts/build.sh build
    (cd build && rm -f korvoterm_*.deb && cpack -G DEB >/dev/null)
    deb=$(ls build/korvoterm_*.deb)
fi
echo "Package: $deb"
dpkg-deb -f "$deb" Depends

[ -x "$root/usr/bin/apt-get" ] || debootstrap --variant=minbase bookworm "$root" "$mirror"
cleanup() { umount "$root/dev/pts" "$root/proc" 2>/dev/null || true; }
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
cp "$deb" "$root/tmp/korvoterm.deb"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/korvoterm.deb >/dev/null
in_root id tester >/dev/null 2>&1 || in_root useradd -m tester
as_user() { chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester LANG=C.UTF-8 "$@"; }

fail() {
    echo "FAILED: $*"
    exit 1
}
as_user korvo-cli --help >/dev/null || fail "korvo-cli --help"
as_user korvo-sim --help >/dev/null || fail "korvo-sim --help"

# A workspace with a Veltor program open, so that the editor loads the Veltor keyword list at start.
printf '[Setup]\r\nDocCt=1\r\nCommCt=1\r\n\r\n[Pgm_1]\r\nState=0\r\nName=/home/tester/demo.vxt\r\n' \
    >"$root/home/tester/korvoterm.ktm"
printf "'[PROGRAMS]\r\nPG 100\r\nend\r\n" >"$root/home/tester/demo.vxt"
chroot "$root" chown tester:tester /home/tester/korvoterm.ktm /home/tester/demo.vxt
# SIGTERM after a few seconds: the program saves the workspace and ends (status 124 from timeout).
status=0
strace -f -e trace=openat,creat,mkdir,rename -o /tmp/korvoterm-deb12.strace \
    chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen sh -c 'cd && timeout 8 korvoterm' || status=$?
[ "$status" -eq 124 ] || fail "korvoterm ended with status $status before the time-out"
grep -q 'share/korvoterm/VELTOR_ALL.rw", O_RDONLY' /tmp/korvoterm-deb12.strace ||
    fail "korvoterm did not read /usr/share/korvoterm/VELTOR_ALL.rw"
[ -f "$root/usr/share/korvoterm/help/index.html" ] || fail "no help pages in /usr/share/korvoterm/help"
# Every file it created or renamed lies in the user's home or /tmp.
outside=$(grep -E 'O_CREAT|creat\(|mkdir\(|rename\(' /tmp/korvoterm-deb12.strace | grep -v '= -1' |
    grep -vE '"(/home/tester|/tmp|/dev)|"korvoterm|"demo' || true)
[ -z "$outside" ] || fail "korvoterm wrote outside the user's folders: $outside"
grep -q '^\[Pgm_1\]' "$root/home/tester/korvoterm.ktm" || fail "the workspace was not saved on SIGTERM"
echo "check-deb: $deb installs and runs on Debian 12"
