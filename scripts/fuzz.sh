#!/bin/sh
# fuzz.sh [seconds]: builds every libFuzzer target (tests/fuzz) with clang in build-fuzz/ and runs each for
# the given number of seconds (default 60), one after another. Each corpus grows in
# build-fuzz/fuzz/corpus/<target>, starting from the target's seeds; an input that fails is kept as
# build-fuzz/fuzz/<target>-crash-... and the script ends with status 1.
# Targets are built with UndefinedBehaviorSanitizer, which keeps them fast (thousands of inputs a second);
# KORVO_FUZZ_SANITIZERS=address,undefined adds AddressSanitizer: about half the speed, catches more.
set -e
cd "$(dirname "$0")/.."
seconds="${1:-60}"
# clang and its fuzzer runtime are needed only here, not to build or test the program.
scripts/install-deps.sh clang libclang-rt-dev
# ccache, when there is one, spares a repeated build (CI runs this after every test).
launcher=$(command -v ccache || true)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVO_FUZZ=ON \
    ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"} \
    -DKORVO_FUZZ_SANITIZERS="${KORVO_FUZZ_SANITIZERS:-undefined}" >/dev/null
cmake --build build-fuzz --target fuzz_all
out=build-fuzz/fuzz
status=0
for target in "$out"/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "$out/corpus/$name"
    if "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$name-" \
        "$out/corpus/$name" "$out/seeds/$name" >"$out/$name.log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -n 40 "$out/$name.log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$name.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/$name.log")
    echo "$name $result runs=$runs exec/s=$rate log=$out/$name.log"
done
exit $status
