#!/usr/bin/env bash
# Line coverage of the program's and the simulator's code by the fuzz targets'
# corpora: what the fuzzers have learned (build-fuzz*/findings/TARGET/corpus)
# and the checked-in inputs, replayed once by a coverage build.
#
#   tests/fuzz/coverage.sh [BUILD_DIR]     (default: build-fuzz-cov)
#
# Prints the lines covered in device/, panels/, app/ and simulator/, each
# and together, from llvm-cov.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build-fuzz-cov}
targets=(completions blocks scenarios commands)
llvm=${LLVM_SUFFIX:--14}
flags="-fprofile-instr-generate -fcoverage-mapping"

# UBSan's runtime also brings the hooks of the fuzzers' instrumentation, which
# the build's helper programs, linked without libFuzzer, need.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DPELLIX_FUZZ=ON -DPELLIX_SANITIZE=undefined -DPELLIX_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}" >&2

profiles=$dir/profiles
rm -rf "$profiles"
mkdir -p "$profiles"
objects=()
for target in "${targets[@]}"; do
    inputs=("tests/fuzz/$target/corpus")
    for extra in tests/fuzz/$target/regressions build-fuzz*/findings/$target/corpus; do
        [ -d "$extra" ] && inputs+=("$extra")
    done
    [ "$target" = scenarios ] && inputs+=(simulator/scenarios)
    echo "coverage: fuzz_$target over ${inputs[*]}" >&2
    QT_QPA_PLATFORM=offscreen LLVM_PROFILE_FILE="$profiles/$target-%p.profraw" \
        "$dir/tests/fuzz/fuzz_$target" -runs=0 "${inputs[@]}" >/dev/null 2>&1
    objects+=(-object "$dir/tests/fuzz/fuzz_$target")
done
"llvm-profdata$llvm" merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"

# llvm-cov's table: the file (below the folders' common parent), then
# regions, functions, lines (total, missed, cover) and branches. Summed here
# by folder.
"llvm-cov$llvm" report "${objects[@]:1}" -instr-profile="$profiles/all.profdata" \
    "$PWD/device" "$PWD/panels" "$PWD/app" "$PWD/simulator" 2>/dev/null |
    awk '
        $1 ~ /^(device|panels|app|simulator)\// {
            folder = substr($1, 1, index($1, "/") - 1)
            lines[folder] += $8; missed[folder] += $9
        }
        END {
            n = split("device panels app simulator", order, " ")
            for (i = 1; i <= n; ++i) {
                f = order[i]
                printf "%-10s %5d of %5d lines (%.1f %%)\n", f "/", lines[f] - missed[f], lines[f],
                       100 * (lines[f] - missed[f]) / lines[f]
                all += lines[f]; allMissed += missed[f]
            }
            printf "%-10s %5d of %5d lines (%.1f %%)\n", "together", all - allMissed, all,
                   100 * (all - allMissed) / all
        }'
