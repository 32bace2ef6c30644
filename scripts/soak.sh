#!/usr/bin/env bash
# Runs random korvo-cli jobs against korvo-sim on a faulty line for a while and counts how each ended:
#   scripts/soak.sh [minutes]        (default 30; SOAK_SEED=N starts the seeds elsewhere)
# Every job ends completed, failed cleanly (exit 1/2 with a message), hung (killed after SOAK_HANG_S s),
# crashed (a signal, a sanitizer report, or the simulator dying), or lost: exit 0 with a listing that
# differs from a fault-free one, a download whose listing the device does not hold afterwards (read back
# over the mended line, see korvo-sim's SIGUSR1), a verify that calls a differing listing identical, or a
# failure without a word. Each case that is not completed or clean prints its seed and both commands, so
# it can be replayed by hand.
#
# The jobs run as a careful user on a noisy line runs them: uploads and verifies with --reads 3 (one reading
# cannot show damage inside a listing; at these rates, up to one byte in a hundred, two readings alike are
# still now and then alike in their damage), downloads with --timeout-s (a lost line end would otherwise
# wait for Ctrl+C).
set -u

minutes=${1:-30}
bin=${KORVO_BIN:-$(dirname "$0")/../build/bin}
cli=$bin/korvo-cli
sim=$bin/korvo-sim
scale=${SOAK_TIME_SCALE:-10}
# The longest time-out of these jobs is a few seconds of the device's time (a reply, an echo); at
# --time-scale 10 ten times that is well under a minute, so a job still running then has stopped moving.
hang_s=${SOAK_HANG_S:-60}
seed=${SOAK_SEED:-$(date +%s)}

[ -x "$cli" ] && [ -x "$sim" ] || {
    echo "soak: build korvo-cli and korvo-sim first (looked in $bin)" >&2
    exit 2
}

work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

run=0 completed=0 clean=0 hung=0 crashed=0 lost=0

# start_sim ARGS...: starts the simulator on a pty; sets sim_pid and pty, or fails.
start_sim() {
    : >"$work/sim.out"
    "$sim" --pty "$@" >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    local i
    for i in $(seq 100); do
        pty=$(head -n1 "$work/sim.out")
        case $pty in /dev/*) return 0 ;; esac
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.05
    done
    return 1
}

# stop_sim: ends the simulator; prints "died" when it had ended by a signal of its own.
stop_sim() {
    local status
    if kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    else
        wait "$sim_pid" 2>/dev/null
        status=$?
        [ "$status" -gt 128 ] && echo died
    fi
    grep -q 'Sanitizer\|runtime error' "$work/sim.err" && echo died
    sim_pid=
}

report() { # report CLASS SEED SIMARGS CLIARGS DETAIL
    echo "soak: $1 seed=$2 detail: $5" >&2
    echo "  korvo-sim --pty $3" >&2
    echo "  korvo-cli --time-scale $scale --quiet --port PTY $4" >&2
}

# The reference listings: a fault-free upload of each device's memory, and one with other values and
# another program, which a download must leave in the device (and a verify must not call identical).
for dev in veltor fendra nb; do
    start_sim --device "$dev" || { echo "soak: korvo-sim did not start" >&2; exit 2; }
    "$cli" --time-scale "$scale" --quiet --port "$pty" --device "$dev" upload -o "$work/$dev.ref" ||
        { echo "soak: fault-free upload of $dev failed" >&2; exit 2; }
    stop_sim >/dev/null
    sed -e 's/^\(VA [A-Z]* = \)/\17/' -e 's/^\([0-9][0-9]*  .*[0-9]\)\r$/\11\r/' "$work/$dev.ref" >"$work/$dev.mod"
    cmp -s "$work/$dev.ref" "$work/$dev.mod" && { echo "soak: the changed $dev listing is the same" >&2; exit 2; }
done

# pick VAR WORDS...: sets VAR to one of the words. No $(...) here: a subshell would reseed $RANDOM and the
# seed would no longer replay the job.
pick() {
    local var=$1
    shift
    shift $((RANDOM % $#))
    printf -v "$var" %s "$1"
}

end=$(($(date +%s) + minutes * 60))
while [ "$(date +%s)" -lt "$end" ]; do
    seed=$((seed + 1))
    RANDOM=$seed
    pick dev veltor fendra nb
    pick job upload upload verify download send find-baud ram fkey can-read spi-send
    pick drop 0 0.0005 0.002 0.01
    pick corrupt 0 0.0005 0.002 0.01
    pick dup 0 0.0005 0.002
    pick cut none none stall reset hangup
    # Only a download sends thousands of bytes; the other jobs send a few commands, so cut those early.
    at=$((RANDOM % 3000))
    [ "$job" = download ] || at=$((at % 40))
    pick baud 4800 9600 19200 38400
    pick target module dongle
    pick listing ref mod
    sim_args="--line-faults drop=$drop,corrupt=$corrupt,dup=$dup,seed=$seed"
    case $cut in
    stall) sim_args="$sim_args --stall-after $at" ;;
    reset) sim_args="$sim_args --reset-after $at" ;;
    hangup) sim_args="$sim_args --hangup-after $at" ;;
    esac
    out=$work/out
    case $job in
    upload) sim_args="--device $dev $sim_args" cli_args="--device $dev upload -o $out --reads 3" ;;
    verify) sim_args="--device $dev $sim_args" cli_args="--device $dev verify $work/$dev.$listing --reads 3" ;;
    download) sim_args="--device $dev $sim_args" cli_args="--device $dev download $work/$dev.mod --timeout-s 5" ;;
    send) sim_args="--device $dev $sim_args" cli_args="--device $dev send LIST --wait-ms 300" ;;
    ram)
        [ "$dev" = nb ] && dev=veltor # only these two dump their RAM
        sim_args="--device $dev $sim_args" cli_args="--device $dev ram --block Motor"
        ;;
    fkey) sim_args="--device $dev $sim_args" cli_args="--device $dev fkey --contents LIST^M^p^r3" ;;
    find-baud) sim_args="--device $dev --baud $baud $sim_args" cli_args="--device $dev find-baud" ;;
    can-read)
        sim_args="--can $target $sim_args" cli_args="can-read --target $target -o $out"
        ;;
    spi-send) sim_args="--spi-converter $sim_args" cli_args="--settings 19200,N,8,1 spi-send 02 10 AB 03 10 00" ;;
    esac

    rm -f "$out"
    # shellcheck disable=SC2086 # the argument strings are word lists by design
    if ! start_sim $sim_args; then
        crashed=$((crashed + 1)) run=$((run + 1))
        report crashed "$seed" "$sim_args" "$cli_args" "korvo-sim did not start: $(head -c 300 "$work/sim.err")"
        stop_sim >/dev/null
        continue
    fi
    # shellcheck disable=SC2086
    timeout -k 5 "$hang_s" "$cli" --time-scale "$scale" --quiet --port "$pty" $cli_args \
        >"$work/stdout" 2>"$work/stderr"
    status=$?
    # What a download left in the device, read back over the mended line.
    if [ "$job" = download ] && [ "$status" -eq 0 ] && kill -USR1 "$sim_pid" 2>/dev/null; then
        timeout -k 5 "$hang_s" "$cli" --time-scale "$scale" --quiet --port "$pty" --device "$dev" upload \
            -o "$out" >/dev/null 2>"$work/check.err" || echo "read back failed: $(head -c 200 "$work/check.err")" >"$out"
    fi
    sim_state=$(stop_sim)
    run=$((run + 1))
    message=$(head -c 300 "$work/stderr" | tr '\n' ' ')
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        hung=$((hung + 1))
        report hung "$seed" "$sim_args" "$cli_args" "no end after ${hang_s}s"
    elif [ "$status" -gt 128 ] || grep -q 'Sanitizer\|runtime error' "$work/stderr" || [ -n "$sim_state" ]; then
        crashed=$((crashed + 1))
        report crashed "$seed" "$sim_args" "$cli_args" "exit $status sim=${sim_state:-ok} $message"
    elif [ "$status" -eq 0 ]; then
        if [ "$job" = upload ] && ! cmp -s "$out" "$work/$dev.ref"; then
            lost=$((lost + 1))
            report lost "$seed" "$sim_args" "$cli_args" \
                "exit 0, listing differs: $(diff "$work/$dev.ref" "$out" | grep -c '^[<>]') lines"
        elif [ "$job" = download ] && [ -f "$out" ] && ! cmp -s "$out" "$work/$dev.mod"; then
            lost=$((lost + 1))
            report lost "$seed" "$sim_args" "$cli_args" \
                "exit 0, the device holds another listing: $(diff "$work/$dev.mod" "$out" | head -c 300 | tr '\n' ' ')"
        elif [ "$job" = verify ] && [ "$listing" = mod ]; then
            lost=$((lost + 1))
            report lost "$seed" "$sim_args" "$cli_args" "exit 0 comparing a listing the device does not hold"
        else
            completed=$((completed + 1))
        fi
    elif grep -q . "$work/stderr" || { [ "$job" = verify ] && grep -q . "$work/stdout"; }; then
        # verify's message is the diff on stdout
        clean=$((clean + 1))
    else
        lost=$((lost + 1))
        report lost "$seed" "$sim_args" "$cli_args" "exit $status without a message"
    fi
done

echo "soak ${minutes} min: $run jobs, $completed completed, $clean failed cleanly, $hung hung," \
    "$crashed crashed, $lost lost without a message"
[ $((hung + crashed + lost)) -eq 0 ]
