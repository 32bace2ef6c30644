#!/bin/sh
# Configures and builds one build folder: build.sh <folder> [extra cmake arguments...]
# KORVO_TARGETS, when set, names the targets to build instead of everything.
set -e
dir="$1"
shift
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" ${KORVO_TARGETS:+--target $KORVO_TARGETS}
