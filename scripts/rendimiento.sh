#!/usr/bin/env bash
# Builds the performance bench (Release, build-bench), runs every transfer and a
# whole update against r27-sim paced at the line rate, and regenerates the
# report's data: docs/rendimiento_datos.tsv (one line per run),
# docs/rendimiento_maquina.txt (date, machine, load, options),
# docs/rendimiento_tablas.md (the tables) and docs/rendimiento_pasos.svg (the plot).
#
#   scripts/rendimiento.sh [--veces N] [--tiempo-real] [--sin-fijar] [PASO...]
#                          [-- OPCIONES_SIM...]
#
# --veces N: runs of each transfer, each followed by the reference's replay (3).
# --tiempo-real: bench and meter under SCHED_FIFO (chrt -f 20), so that other
#   work on the machine delays neither; both sleep nearly all the time.
# On a machine of two cores or more the bench (updater and reference) runs on
#   core 0 and the simulated meter on core 1, as a real meter never takes the
#   PC's processor; --sin-fijar leaves both wherever the system puts them.
# PASO: firmware fpga mpeg4 zona planes teclado completa (all when none given).
# The options after "--" go to r27-sim (e.g. --t-mpeg4 60).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
veces=3
prioridad=()
nombre=rendimiento
pasos=()
opciones_sim=()
fijar=()
[[ $(nproc) -ge 2 ]] && fijar=(--cpu 0 --cpu-sim 1)
while [[ $# -gt 0 ]]; do
  case "$1" in
    --veces) veces="$2"; shift 2 ;;
    --tiempo-real) prioridad=(chrt -f 20); shift ;;
    --sin-fijar) fijar=(); shift ;;
    --) shift; opciones_sim=("$@"); break ;;
    *) pasos+=("$1"); shift ;;
  esac
done
[[ ${#pasos[@]} -gt 0 ]] || pasos=(firmware fpga mpeg4 zona planes teclado completa)

compilacion="$raiz/build-bench"
cmake -S "$raiz" -B "$compilacion" -G Ninja -DCMAKE_BUILD_TYPE=Release -DR27_APP=ON \
  -DR27_BENCH=ON >/dev/null
cmake --build "$compilacion" -j2 --target bench_rendimiento r27-sim

docs="$raiz/docs"
datos="$docs/${nombre}_datos.tsv"
maquina="$docs/${nombre}_maquina.txt"
rm -f "$datos"
{
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "machine: $(uname -srm), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
  echo "build: Release (-O3), $(c++ --version | head -1)"
  echo "runs per transfer: $veces; priority: ${prioridad[*]:-normal}; cores: ${fijar[*]:-any}"
  echo "r27-sim options: --ritmo ${opciones_sim[*]:-}"
  echo "load before: $(uptime)"
} >"$maquina"

${prioridad[@]+"${prioridad[@]}"} "$compilacion/bench/rendimiento/bench_rendimiento" --veces "$veces" \
  ${fijar[@]+"${fijar[@]}"} --salida "$datos" "${pasos[@]}" -- ${opciones_sim[@]+"${opciones_sim[@]}"}

echo "load after: $(uptime)" >>"$maquina"
python3 "$raiz/bench/grafica_pasos.py" "$datos" --tabla "$docs/${nombre}_tablas.md" \
  --svg "$docs/${nombre}_pasos.svg"
cat "$maquina" "$docs/${nombre}_tablas.md"
