#!/usr/bin/env bash
# The full soak: 200 consecutive whole updates of one simulated meter (in process,
# on the virtual clock) with faults on 1% of the requests, then 200 more with
# faults on 0.01%, and a summary of each: runs, result codes, faults fired, time.
#
#   scripts/soak.sh [build directory]     (default: build)
#   R27_RONDAS=n   runs per soak (200)     R27_SEMILLA=n   the seed (printed)
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$raiz/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$raiz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DR27_APP=OFF \
    -DR27_BENCH=OFF
fi
cmake --build "$build" -j2 --target pruebas_resistencia
export R27_RONDAS="${R27_RONDAS:-200}"
inicio=$(date +%s)
estado=0
"$build/tests/campana/pruebas_resistencia" --gtest_brief=1 || estado=$?
echo "soak: wall time $(( $(date +%s) - inicio )) s in all, exit status $estado"
exit "$estado"
