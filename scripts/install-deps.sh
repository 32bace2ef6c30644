#!/bin/sh
# Installs the Debian 12 packages KorvoTerm needs to build, test and run, and any packages named as
# arguments (scripts/fuzz.sh adds clang); does nothing when all are present.
# fonts-dejavu-core brings the fixed-pitch face that the editor and terminal fall back to.
set -e
PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-serialport-dev \
libqscintilla2-qt6-dev libvterm-dev libgl-dev xvfb xauth xdotool fonts-dejavu-core desktop-file-utils $*"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
