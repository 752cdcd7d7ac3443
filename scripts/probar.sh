#!/usr/bin/env bash
# Builds and runs every test: the normal build, the sanitizer (ASan + UBSan) build,
# and the Windows cross-compiles (64- and 32-bit) run under Wine.
#
# The tests that drive r27-sim in real time (label tiempo_real) and the README's
# command-line example spend nearly all their time waiting on the line, so they
# run in the background beside the package stage and the sanitizer build;
# likewise the Wine runs beside the sanitizer tests. They start once the normal
# build's other tests are done, which keep both processors busy. Each background
# stage's output is printed when it is waited for, and a failure there fails the
# run.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
source "$raiz/scripts/dependencias.sh"
r27_instalar "${r27_paquetes_base[@]}" "${r27_paquetes_windows[@]}"
r27_instalar_windows32

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
nucleos="$(nproc)"
registros="$(mktemp -d)"
inicio=$(date +%s)
etapa() { echo "== $* ($(($(date +%s) - inicio)) s) =="; }
# A failed stage leaves no background stage running.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

# Waits for a background stage; prints its output; fails the run if it failed.
esperar_fondo() {
  local pid="$1" nombre="$2" registro="$3"
  local estado=0
  wait "$pid" || estado=$?
  etapa "$nombre: output"
  cat "$registro"
  if [ "$estado" -ne 0 ]; then
    echo "$nombre FAILED (exit $estado)" >&2
    exit "$estado"
  fi
}

etapa "Formatting (clang-format, the checked-in .clang-format)"
git -C "$raiz" ls-files -z '*.cpp' '*.h' | (cd "$raiz" && xargs -0 clang-format --dry-run --Werror)

etapa "Layers: headers included by folder, no library including one above it"
python3 "$raiz/scripts/prueba_capas.py"
python3 "$raiz/scripts/incluir_por_carpeta.py" --comprobar
python3 "$raiz/scripts/comprobar_capas.py"

# The normal build: every program, the benchmarks and every test. It also measures
# coverage (R27_COBERTURA: the updater's own libraries and r27-actualizar compile
# with --coverage and without optimisation); every test adds its counts, the
# programs the real-time tests start and the installed package's runs included,
# and the table is printed at the end. The sanitizer build below runs the tests
# of the Qt-free core once more, under ASan and UBSan.
etapa "Build"
cmake -S "$raiz" -B "$raiz/build-ci" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DR27_APP=ON \
  -DR27_PRUEBAS_NUCLEO=ON -DR27_COBERTURA=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build "$raiz/build-ci" -j"$nucleos"
# Counts of an earlier run in this tree would add to this run's.
find "$raiz/build-ci" -name '*.gcda' -delete
# The test lists are discovered when ctest first reads them; two ctest runs side
# by side would both write them, and one could read a half-written list.
ctest --test-dir "$raiz/build-ci" -N >/dev/null

etapa "Tests: the Qt-free core, the window and the fault campaign"
ctest --test-dir "$raiz/build-ci" --output-on-failure -j"$nucleos" --timeout 300 -LE tiempo_real

# The real-time tests run once: each must pass on its first run beside the
# sanitizer build.
etapa "Tests in real time against r27-sim (in the background)"
ctest --test-dir "$raiz/build-ci" --output-on-failure -j3 --timeout 300 -L tiempo_real \
  >"$registros/tiempo_real.txt" 2>&1 &
pid_tiempo_real=$!

etapa "README: its install and command-line example, as written (in the background)"
bash "$raiz/scripts/probar_readme.sh" "$raiz/build-ci" >"$registros/readme.txt" 2>&1 &
pid_readme=$!

etapa "Package: the .deb built, installed with dpkg -i and run from /usr/bin"
bash "$raiz/scripts/probar_paquete.sh" "$raiz/build-ci"

# The sanitizer build holds the Qt-free core and all its tests: every parser of
# bytes and files, the serial layer, the programmers, the sequence, the command
# line, the simulated meter and the fuzz corpora replayed. The window's tests run
# in the normal build. It measures no coverage: UBSan's checks are branches of
# their own that never fire, and gcov numbers a line's branches in the order the
# compiler made them, so they would not merge with the normal build's.
etapa "Sanitizer build (ASan + UBSan)"
cmake -S "$raiz" -B "$raiz/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DR27_APP=OFF \
  -DR27_SANITIZE=ON -DR27_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1"
# At the lowest priority, so the real-time tests beside it finish sooner; they
# must pass beside a compile at ordinary priority too.
nice -n 19 cmake --build "$raiz/build-asan" -j"$nucleos"

esperar_fondo "$pid_tiempo_real" "Tests in real time" "$registros/tiempo_real.txt"
esperar_fondo "$pid_readme" "README commands" "$registros/readme.txt"

etapa "Windows: cross-compile of the Qt-free core, r27-actualizar.exe and the window r27-update.exe"
# The data generators of build-ci serve the cross build.
bash "$raiz/scripts/compilar_windows.sh" --generadores "$raiz/build-ci"

etapa "Windows: r27-actualizar.exe, the window and the installer under Wine against r27-sim (in the background)"
(
  estado=0
  bash "$raiz/scripts/probar_wine.sh" "$raiz/build-ci" || estado=$?
  echo "$estado" >"$registros/wine.fin"
  exit "$estado"
) >"$registros/wine.txt" 2>&1 &
pid_wine=$!

# The 32-bit window, a WOW64 process under Wine's 32-bit half, and its installer:
# compiled beside the tests below, run once the sanitizer tests or the 64-bit Wine
# stage are over, whichever ends first (two whole updates under Wine at once
# beside the tests load the machine; waiting for both left it idle at the end).
etapa "Windows 32-bit: cross-compile, then the window and the installer under Wine (in the background)"
(
  bash "$raiz/scripts/compilar_windows.sh" --32 --generadores "$raiz/build-ci"
  while [ ! -f "$registros/wine.fin" ] && [ ! -f "$registros/asan.fin" ]; do sleep 2; done
  bash "$raiz/scripts/probar_wine.sh" --32 --solo-ventana "$raiz/build-ci"
) >"$registros/wine32.txt" 2>&1 &
pid_wine32=$!

# The fault matrix, the interrupted runs and the soak (label campana) are whole
# updates on the virtual clock; they run in the normal build, where they take a
# fifth of the time. So do two tests that repeat whole updates the other tests
# already run here: each ending in six languages, to read its words, and an
# update behind an adapter's latency timer, to count its periods.
etapa "Sanitizer tests: the Qt-free core"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$raiz/build-asan" --output-on-failure -j"$nucleos" --timeout 600 \
  -LE "tiempo_real|campana" -E "^(Idioma_salida\.CadaFinalEnUnSoloIdioma|Latencia\.UnaActualizacionEnteraTrasElAdaptador)$"
touch "$registros/asan.fin"

esperar_fondo "$pid_wine" "Windows run under Wine" "$registros/wine.txt"
esperar_fondo "$pid_wine32" "Windows 32-bit run under Wine" "$registros/wine32.txt"

# After every program of build-ci has ended (the Wine runs' r27-sim are the last).
etapa "Coverage: lines and branches per folder, every test of the normal build"
python3 "$raiz/scripts/cobertura.py" "$raiz/build-ci"
etapa "All builds and tests passed"
