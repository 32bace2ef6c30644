#!/bin/sh
# Installs what is missing, builds, and starts KorvoTerm on a demo workspace in build/demo whose Terminal 1
# talks to a simulated Veltor controller (korvo-sim on a pty). The simulator ends with the program.
set -e
cd "$(dirname "$0")"
scripts/install-deps.sh
KORVO_TARGETS="korvoterm korvo-sim" scripts/build.sh build
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
    exit 1
fi
mkdir -p build/demo
cd build/demo

# The simulated controller: its first output line is the pty path.
simout=$(mktemp "${TMPDIR:-/tmp}/korvo-sim.XXXXXX")
../bin/korvo-sim --device veltor --pty --log korvo-sim.log >"$simout" 2>&1 &
simpid=$!
trap 'kill "$simpid" 2>/dev/null; rm -f "$simout"' EXIT
trap 'exit 130' INT TERM
pty=
tries=0
while [ -z "$pty" ] && [ "$tries" -lt 50 ]; do
    pty=$(head -n 1 "$simout" | grep '^/dev/' || true)
    [ -n "$pty" ] || { sleep 0.1; tries=$((tries + 1)); }
done
if [ -z "$pty" ]; then
    echo "run.sh: the controller simulator did not start:" >&2
    cat "$simout" >&2
    exit 1
fi

../../scripts/demo-workspace.sh korvoterm.ktm "$pty"
../bin/korvoterm "$@"
