#!/bin/sh
# Installs what is missing, builds, and starts KorvoTerm on a demo workspace in build/demo.
set -e
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
    exit 1
fi
mkdir -p build/demo
cd build/demo
exec ../bin/korvoterm "$@"
