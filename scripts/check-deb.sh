#!/bin/sh
# check-deb.sh [root-folder [package.deb]]: builds the Debian package with dpkg-buildpackage from a clean copy
# of the source tree (unless a package is named) and checks it with lintian, which must report no error and
# no warning. Then it installs it with apt on a fresh Debian 12 (a minimal bookworm root made with debootstrap;
# default /tmp/korvoterm-deb12, reused when it exists) and checks the installed package there as a new user
# meets it: korvo-cli and korvo-sim answer --help, the manual pages open with man, korvo-cli completes in
# bash, the file types and the AppStream metainfo are in place, korvoterm starts headless for a user, reads
# its keyword lists from /usr/share/korvoterm and writes only in that user's folders, and a program file
# opened as the desktop entry opens it comes back unchanged.
# Needs root (debootstrap, chroot, mount), strace and the network; not part of ./test.sh.
set -e
cd "$(dirname "$0")/.."
root="${1:-/tmp/korvoterm-deb12}"
deb="$2"
mirror=$(sed -n 's/^URIs: *\(.*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
mirror="${mirror:-http://deb.debian.org/debian}"

# dpkg-buildpackage also wants build-essential besides what debian/control names.
scripts/install-deps.sh debootstrap strace dpkg-dev build-essential debhelper lintian
if [ -z "$deb" ]; then
    # The tree as git knows it (changes not yet committed included), without build folders.
    src=/tmp/korvoterm-src
    rm -rf "$src"
    mkdir -p "$src/korvoterm"
    git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$src/korvoterm"
    (cd "$src/korvoterm" && dpkg-buildpackage -us -uc -b >"$src/build.log" 2>&1) ||
        { tail -n 40 "$src/build.log"; exit 1; }
    deb=$(ls "$src"/korvoterm_*.deb)
fi
echo "Package: $deb"
dpkg-deb -f "$deb" Depends
lintian --fail-on error,warning "$deb"

[ -x "$root/usr/bin/apt-get" ] || debootstrap --variant=minbase bookworm "$root" "$mirror"
cleanup() { umount "$root/dev/pts" "$root/proc" 2>/dev/null || true; }
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
cp "$deb" "$root/tmp/korvoterm.deb"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
in_root apt-get update -q >/dev/null
# What a desktop brings besides the package: man, bash completion, the MIME and desktop databases, AppStream
# (--reinstall: a root made earlier may hold a package of the same version).
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall /tmp/korvoterm.deb man-db bash-completion \
    shared-mime-info desktop-file-utils appstream >/dev/null
in_root id tester >/dev/null 2>&1 || in_root useradd -m tester
as_user() { chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester LANG=C.UTF-8 "$@"; }

fail() {
    echo "FAILED: $*"
    exit 1
}
as_user korvo-cli --help >/dev/null || fail "korvo-cli --help"
as_user korvo-sim --help >/dev/null || fail "korvo-sim --help"
as_user korvo-cli upload --help | grep -q "^--json fields:" || fail "korvo-cli upload --help names no JSON fields"
for page in korvoterm korvo-cli korvo-sim; do
    as_user env MANPAGER=cat man "$page" 2>/dev/null | grep -q "^SEE ALSO" || fail "man $page"
done
as_user env MANPAGER=cat man korvo-cli | grep -q "recordsSent" || fail "man korvo-cli names no JSON fields"
completed=$(as_user bash -c '. /usr/share/bash-completion/bash_completion; __load_completion korvo-cli
    COMP_LINE="korvo-cli up"; COMP_POINT=${#COMP_LINE}; COMP_WORDS=(korvo-cli up); COMP_CWORD=1
    _korvo_cli korvo-cli up korvo-cli; echo "${COMPREPLY[*]}"')
[ "$completed" = "upload upgrade" ] || fail "korvo-cli up<TAB> offers \"$completed\""
grep -q '^text/x-veltor-program:\*\.vxt$' "$root/usr/share/mime/globs" || fail "*.vxt is not a Veltor program"
grep -q '^application/x-korvoterm-workspace:\*\.ktm$' "$root/usr/share/mime/globs" || fail "*.ktm is no workspace"
grep -q '^text/x-veltor-program=.*korvoterm.desktop' "$root/usr/share/applications/mimeinfo.cache" ||
    fail "Veltor programs do not open in KorvoTerm"
in_root appstreamcli validate --no-net /usr/share/metainfo/example.korvoterm.KorvoTerm.metainfo.xml >/dev/null ||
    fail "the AppStream metainfo does not validate"

# A workspace with a Veltor program open, so that the editor loads the Veltor keyword list at start.
printf '[Setup]\r\nDocCt=1\r\nCommCt=1\r\n\r\n[Pgm_1]\r\nState=0\r\nName=/home/tester/demo.vxt\r\n' \
    >"$root/home/tester/korvoterm.ktm"
printf "'[PROGRAMS]\r\nPG 100\r\nend\r\n" >"$root/home/tester/demo.vxt"
chroot "$root" chown tester:tester /home/tester/korvoterm.ktm /home/tester/demo.vxt
# SIGTERM after a few seconds: the program saves the workspace and ends (status 124 from timeout).
run_korvoterm() {
    status=0
    strace -f -e trace=openat,creat,mkdir,rename -o /tmp/korvoterm-deb12.strace \
        chroot --userspec=tester:tester "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester LANG=C.UTF-8 \
        QT_QPA_PLATFORM=offscreen sh -c "cd && timeout 8 $1" || status=$?
    [ "$status" -eq 124 ] || fail "$1 ended with status $status before the time-out"
}
run_korvoterm korvoterm
grep -q 'share/korvoterm/VELTOR_ALL.rw", O_RDONLY' /tmp/korvoterm-deb12.strace ||
    fail "korvoterm did not read /usr/share/korvoterm/VELTOR_ALL.rw"
[ -f "$root/usr/share/korvoterm/help/index.html" ] || fail "no help pages in /usr/share/korvoterm/help"
# Every file it created or renamed lies in the user's home or /tmp.
outside=$(grep -E 'O_CREAT|creat\(|mkdir\(|rename\(' /tmp/korvoterm-deb12.strace | grep -v '= -1' |
    grep -vE '"(/home/tester|/tmp|/dev)|"korvoterm|"demo' || true)
[ -z "$outside" ] || fail "korvoterm wrote outside the user's folders: $outside"
grep -q '^\[Pgm_1\]' "$root/home/tester/korvoterm.ktm" || fail "the workspace was not saved on SIGTERM"

# A double click on a program file: the desktop entry's command with the file for %f.
printf "'[PROGRAMS]\r\nPG 200\r\nend\r\n" >"$root/home/tester/axis.vxt"
cp "$root/home/tester/axis.vxt" /tmp/korvoterm-deb12.axis
chroot "$root" chown tester:tester /home/tester/axis.vxt
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/korvoterm.desktop")
run_korvoterm "$(echo "$exec_line" | sed 's|%f|/home/tester/axis.vxt|')"
cmp -s /tmp/korvoterm-deb12.axis "$root/home/tester/axis.vxt" || fail "opening axis.vxt changed it"
[ ! -e "$root/home/tester/axis.bak" ] || fail "opening axis.vxt moved it aside"
grep -q '^Name=/home/tester/axis.vxt' "$root/home/tester/korvoterm.ktm" || fail "axis.vxt did not open in a window"
echo "check-deb: $deb passes lintian, installs and runs on Debian 12"
