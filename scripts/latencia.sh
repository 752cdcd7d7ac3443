#!/usr/bin/env bash
# What a USB serial adapter's latency timer does to a whole update, measured on
# the simulated meter: r27-actualizar updates r27-sim --ritmo on a pseudo-terminal
# with no adapter (latency 0) and behind adapters of the given latencies, and the
# time of each step and of the whole update goes to docs/rendimiento_latencia.tsv.
#
#   scripts/latencia.sh [--compilacion DIR] [--tiempo-real] [LATENCIA_MS...]
#                       [-- OPCIONES_SIM...]
#
# LATENCIA_MS: the adapter's timer in ms (default: 0 1 16). The options after "--"
# go to r27-sim (default: --t-mpeg4 20, the module's own update shortened from
# 300 s, which no latency changes). A run that finds no meter (exit 31: behind a
# slow timer the answer to the connection probe can miss its 4 ms read) wrote
# nothing, and is tried again, up to 20 times; the attempts are recorded.
# --compilacion DIR: a configured build folder (default build-bench, Release).
# --tiempo-real: the updater and the meter under SCHED_FIFO (chrt -f 20), so that
#   other work on the machine delays neither; both sleep nearly all the time.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
compilacion="$raiz/build-bench"
latencias=()
prioridad=()
opciones_sim=(--t-mpeg4 20)
while [[ $# -gt 0 ]]; do
  case "$1" in
    --compilacion) compilacion="$2"; shift 2 ;;
    --tiempo-real) prioridad=(chrt -f 20); shift ;;
    --) shift; opciones_sim=("$@"); break ;;
    *) latencias+=("$1"); shift ;;
  esac
done
[[ ${#latencias[@]} -gt 0 ]] || latencias=(0 1 16)

if [[ ! -f "$compilacion/CMakeCache.txt" ]]; then
  cmake -S "$raiz" -B "$compilacion" -G Ninja -DCMAKE_BUILD_TYPE=Release -DR27_APP=ON \
    -DR27_BENCH=ON >/dev/null
fi
cmake --build "$compilacion" -j2 --target r27-sim r27-actualizar
sim="$compilacion/sim/r27-sim"
actualizar="$compilacion/app/linea/r27-actualizar"

datos="$raiz/docs/rendimiento_latencia.tsv"
trabajo="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$trabajo"' EXIT
# The measured runs go to a history of their own, not the user's.
export XDG_DATA_HOME="$trabajo"
printf 'latencia_ms\tintentos\tpaso\testado\tduracion_s\n' >"$datos"
echo "latency runs: $(date -u '+%Y-%m-%d %H:%M UTC'), priority: ${prioridad[*]:-normal}, r27-sim options: --ritmo ${opciones_sim[*]}, load before: $(uptime)" >&2

for latencia in "${latencias[@]}"; do
  enlace="$trabajo/medidor-$latencia"
  ${prioridad[@]+"${prioridad[@]}"} "$sim" --enlace "$enlace" --ritmo --latencia "$latencia" "${opciones_sim[@]}" \
    >"$trabajo/sim.txt" 2>&1 &
  pid_sim=$!
  for _ in $(seq 50); do [[ -e "$enlace" ]] && break; sleep 0.1; done
  intentos=0
  salida=31
  while [[ $salida -eq 31 && $intentos -lt 20 ]]; do
    intentos=$((intentos + 1))
    salida=0
    ${prioridad[@]+"${prioridad[@]}"} "$actualizar" --puerto "$enlace" --si --json >"$trabajo/resumen.json" 2>"$trabajo/errores.txt" ||
      salida=$?
  done
  kill "$pid_sim"
  wait "$pid_sim" || true
  if [[ $salida -ne 0 ]]; then
    echo "latency $latencia ms: r27-actualizar ended $salida after $intentos attempts" >&2
    tail -3 "$trabajo/errores.txt" >&2
  fi
  python3 - "$trabajo/resumen.json" "$latencia" "$intentos" >>"$datos" <<'EOF'
import json, sys
resumen = json.load(open(sys.argv[1]))
latencia, intentos = sys.argv[2], sys.argv[3]
for paso in resumen["steps"]:
    if paso["ran"]:
        print(f'{latencia}\t{intentos}\t{paso["name"]}\t{paso["state"]}\t{paso["duration_s"]:.3f}')
print(f'{latencia}\t{intentos}\twhole update\t{resumen["outcome"]}\t{resumen["duration_s"]:.3f}')
EOF
done
echo "load after: $(uptime)" >&2
column -t -s $'\t' "$datos"
