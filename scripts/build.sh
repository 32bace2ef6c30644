#!/bin/sh
# Configures and builds one build folder: build.sh <folder> [extra cmake arguments...]
set -e
dir="$1"
shift
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir"
