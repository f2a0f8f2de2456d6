#!/usr/bin/env bash
# Soak: the program on the simulator for a while, then a shutdown loop.
#
#   tests/soak/soak.sh [BUILD_DIR]     (default: build)
#
#   SOAK_SECONDS    how long the soak runs (default 120; an hour: 3600; 0: only
#                   the shutdown loop, e.g. under AddressSanitizer, whose
#                   quarantine makes the memory check meaningless)
#   SOAK_SEED       seed of the random operations (default: the time)
#   SHUTDOWN_RUNS   program starts in the shutdown loop (default 10)
#
# The soak (soak_driver soak) plugs and pulls devices, turns knobs at the
# instruments, runs trigger trains and injects link faults through the
# simulator's control socket, and clicks the panels' controls with mouse
# events. It fails when an operator change the library accepted does not
# reach its device, when a panel ends up showing something else than its
# device reports, or when the resident memory grows. The shutdown loop starts
# the program, closes its window at a random moment with a request on its way
# (the initialise or an update) and wants a clean exit every time.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
driver=$build/tests/soak/soak_driver
seconds=${SOAK_SECONDS:-120}
seed=${SOAK_SEED:-$(date +%s)}
runs=${SHUTDOWN_RUNS:-10}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Qt's chatter about the headless platform is no finding.
quiet() { grep -v -e '^QStandardPaths' -e 'propagateSizeHints' || true; }

if [ "$seconds" -gt 0 ]; then
    echo "soak: ${seconds} s on the simulator, seed ${seed}"
    rc=0
    timeout $((seconds + 120)) "$driver" soak "$seconds" "$seed" 2>&1 | quiet || rc=$?
    [ "$rc" -eq 0 ] || { echo "soak: FAILED (exit $rc)"; exit 1; }
fi

echo "shutdown loop: ${runs} starts"
initialise=0 update=0
for ((i = 1; i <= runs; i++)); do
    close_after=$((RANDOM % 1500))
    rc=0
    timeout 60 "$driver" shutdown "$close_after" >"$log" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ] || grep -qE 'ERROR: AddressSanitizer|runtime error|terminate called' "$log"; then
        quiet <"$log"
        echo "shutdown loop: run $i (closed after ${close_after} ms) FAILED (exit $rc)"
        exit 1
    fi
    grep -q "with the initialise on its way" "$log" && initialise=$((initialise + 1))
    grep -q "with an update on its way" "$log" && update=$((update + 1))
done
echo "shutdown loop: ${runs} clean exits; closed with the initialise on its way ${initialise} times, with an update on its way ${update} times"
