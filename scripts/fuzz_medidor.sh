#!/bin/sh
# The long fuzz run of the meter's side: builds fuzz_medidor with clang, ASan and
# UBSan (build-fuzz), runs libFuzzer for 10 million executions in all over the
# checked-in corpus plus a working corpus, then prints and keeps the result:
# executions, rate, coverage (libFuzzer's cov: and ft:, and the edges of each
# layer of the updater from -print_coverage), and what was found.
#
#   scripts/fuzz_medidor.sh                 10,000,000 executions on 2 workers
#   EJECUCIONES=200000 scripts/fuzz_medidor.sh
#   scripts/fuzz_medidor.sh --fusionar      merges the working corpus into the
#                                           checked-in one (libFuzzer -merge=1)
#
# A merge keeps the working inputs that reach what the checked-in ones do not, and
# names each after what it reaches: run kind, connection outcome, result code and
# the first 8 digits of its SHA-1 (firmware_conectado_sin_codigo_1a2b3c4d).
#
# Environment: EJECUCIONES (total executions), TRABAJOS (workers, 2), TIEMPO_MAXIMO
# (seconds per worker, a guard: 5 h), LONGITUD_MAXIMA (input bytes, 1024),
# CONSTRUCCION (build directory, build-fuzz), RESULTADO (file the result goes to,
# <build>/fuzz_medidor/resultado.txt). Runs under nice 19: others build here.
set -eu

raiz=$(cd "$(dirname "$0")/.." && pwd)
construccion=${CONSTRUCCION:-$raiz/build-fuzz}
ejecuciones=${EJECUCIONES:-10000000}
trabajos=${TRABAJOS:-2}
tiempo_maximo=${TIEMPO_MAXIMO:-18000}
longitud_maxima=${LONGITUD_MAXIMA:-1024}
trabajo=$construccion/fuzz_medidor
resultado=${RESULTADO:-$trabajo/resultado.txt}
corpus_fijo=$raiz/tests/fuzz/corpus_medidor

CC=clang CXX=clang++ cmake -S "$raiz" -B "$construccion" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DR27_APP=OFF -DR27_BENCH=OFF -DR27_FUZZ=ON >/dev/null
nice -n 19 cmake --build "$construccion" -j2 --target fuzz_medidor
programa=$construccion/tests/fuzz/fuzz_medidor

if [ "${1:-}" = "--fusionar" ]; then
  # Only inputs that reach what the checked-in ones do not go in.
  nice -n 19 "$programa" -merge=1 -max_len="$longitud_maxima" -timeout=60 -rss_limit_mb=3072 \
    "$corpus_fijo" "$trabajo/corpus" >"$trabajo/fusion.txt" 2>&1 </dev/null || true
  recorridos="conexion zona fpga firmware mpeg4 teclado planes borrado velocidad todos actualizacion asistente"
  codigos=$(sed -n 's/^inline constexpr int32_t kCodigo_\([a-z0-9_]*\) = \([0-9]*\);.*/\2 \1/p' \
    "$raiz/link/codigos_resultado.h")
  for f in "$corpus_fijo"/*; do
    base=$(basename "$f")
    # libFuzzer names what it adds by its SHA-1; named files were named before.
    echo "$base" | grep -Eq '^[0-9a-f]{40}$' || continue
    medida=$(R27_MEDIDA=1 "$programa" -runs=1 "$f" 2>&1 | sed -n 's/^medida: //p' | head -1)
    n=$(echo "$medida" | sed -n 's/^run \([0-9]*\).*/\1/p')
    c=$(echo "$medida" | sed -n 's/.*, code \([0-9]*\)$/\1/p')
    recorrido=$(echo $recorridos | cut -d' ' -f$((n + 1)))
    case "$medida" in *"not connected"*) conexion=sin_medidor ;; *) conexion=conectado ;; esac
    codigo=$(echo "$codigos" | awk -v c="$c" '$1 == c { print $2 }')
    mv "$f" "$corpus_fijo/${recorrido}_${conexion}_${codigo:-sin_codigo}_$(echo "$base" | cut -c1-8)"
  done
  echo "checked-in corpus: $(ls "$corpus_fijo" | wc -l) inputs"
  exit 0
fi

mkdir -p "$trabajo/corpus" "$trabajo/hallazgos"
rm -f "$trabajo"/fuzz-*.log
por_trabajo=$(( (ejecuciones + trabajos - 1) / trabajos ))
inicio=$(date +%s)
cd "$trabajo"
# Each worker fuzzes into the working corpus, seeded by the checked-in one (read
# only). Slow inputs (long transfers) get less of the time than fast ones.
nice -n 19 "$programa" -jobs="$trabajos" -workers="$trabajos" -runs="$por_trabajo" \
  -max_total_time="$tiempo_maximo" -max_len="$longitud_maxima" -timeout=60 -rss_limit_mb=3072 \
  -entropic_scale_per_exec_time=1 -print_final_stats=1 -artifact_prefix="$trabajo/hallazgos/" \
  "$trabajo/corpus" "$corpus_fijo" >/dev/null 2>&1 || true
fin=$(date +%s)

# Executions: each worker's "Done N runs", or its last status line when it died.
total=0
for registro in "$trabajo"/fuzz-*.log; do
  n=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$registro" | tail -1)
  [ -n "$n" ] || n=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$registro" | tail -1)
  total=$((total + ${n:-0}))
done
ultima=$(grep -h -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$trabajo"/fuzz-*.log | sort -t' ' -k1.2 -n | tail -1)
cov=$(grep -h -o 'cov: [0-9]*' "$trabajo"/fuzz-*.log | awk '{ if ($2 > m) m = $2 } END { print m + 0 }')
ft=$(grep -h -o 'ft: [0-9]*' "$trabajo"/fuzz-*.log | awk '{ if ($2 > m) m = $2 } END { print m + 0 }')
hallazgos=$(find "$trabajo/hallazgos" -type f | wc -l)
informes=$(grep -h -c -E 'ERROR: (AddressSanitizer|libFuzzer)|runtime error:|fuzz_medidor: the updater' \
  "$trabajo"/fuzz-*.log | awk '{ s += $1 } END { print s + 0 }')
segundos=$((fin - inicio))
[ "$segundos" -gt 0 ] || segundos=1

# Edge coverage per layer: the final corpus replayed once with -print_coverage.
nice -n 19 "$programa" -runs=0 -print_coverage=1 "$trabajo/corpus" "$corpus_fijo" \
  >"$trabajo/cobertura.txt" 2>&1 || true
capas=$(awk -v raiz="$raiz/" '/^(COVERED|UNCOVERED)_FUNC:/ {
    split($5, e, "/"); capa = $NF
    if (index(capa, raiz) != 1) next
    capa = substr(capa, length(raiz) + 1); sub(/\/[^\/]*$/, "", capa)
    while (sub(/^[^\/]+\/\.\.\//, "", capa)) {}  # build-fuzz/../link is link
    if (capa ~ /^tests/) next
    clave = $0; sub(/^[A-Z_]*: hits: [0-9]* /, "", clave)  # a function listed twice counts once
    if (clave in visto) next
    visto[clave] = 1
    c[capa] += e[1]; t[capa] += e[2]
  } END { for (k in c) printf "  %-12s %6d of %6d edges (%.0f%%)\n", k, c[k], t[k], 100 * c[k] / t[k] }' \
  "$trabajo/cobertura.txt" | sort)

{
  echo "fuzz_medidor, $(date -u '+%Y-%m-%d %H:%M UTC'), $(git -C "$raiz" rev-parse --short HEAD)"
  echo "executions: $total in ${segundos} s on $trabajos workers ($((total / segundos)) exec/s)"
  echo "libFuzzer: cov: $cov ft: $ft; corpus: $(ls "$trabajo/corpus" | wc -l) inputs"
  echo "last status: $ultima"
  echo "findings (crash, timeout, oom, slow-unit files): $hallazgos; reports in the logs: $informes"
  echo "edges reached, by layer:"
  echo "$capas"
} | tee "$resultado"
