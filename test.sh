#!/bin/sh
# Installs what is missing, builds, and runs every test: once normally, once under ASan + UBSan.
set -e
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/check-layers.sh
export QT_QPA_PLATFORM=offscreen
scripts/build.sh build
ctest --test-dir build --output-on-failure -j2
scripts/build.sh build-asan -DKORVO_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2
