#!/usr/bin/env bash
# Builds and opens the updater. When no meter is attached (no R27_PUERTOS given and
# no serial device found), it starts the simulated meter on a pseudo-terminal and
# points the updater at it. With no display it runs the window under Xvfb, clicks
# the wizard button twice and saves a picture of every screen it shows.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
source "$raiz/scripts/dependencias.sh"
r27_instalar "${r27_paquetes_base[@]}"

construccion="$raiz/build-release"
cmake -S "$raiz" -B "$construccion" -G Ninja -DCMAKE_BUILD_TYPE=Release -DR27_APP=ON \
  -DR27_TESTS=OFF -DR27_BENCH=OFF >/dev/null
# Every program (the window, the command line and its manual page, r27-puertos,
# r27-sim), so that the README's `cmake --install build-release` finds them all.
cmake --build "$construccion" -j"$(nproc)"

trabajo="$construccion/app/ventana"   # idiomas.ini lies beside the program
cd "$trabajo"

sim_pid=""
terminar() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
}
trap terminar EXIT

if [ -z "${R27_PUERTOS:-}" ] && ! ls /dev/ttyACM* /dev/ttyUSB* >/dev/null 2>&1; then
  salida_sim="$(mktemp)"
  # Short meter timings (restart, sector work, burn, module update) so a whole
  # update takes well under a minute; arguments given to this script come last
  # and win.
  "$construccion/sim/r27-sim" --com 3 --t-reinicio 1000 --t-sector 200 \
    --t-borrado-segmento 20 --t-programa-segmento 40 --t-mpeg4 8 "$@" >"$salida_sim" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q '^R27_PUERTOS=' "$salida_sim" && break
    sleep 0.05
  done
  linea="$(grep '^R27_PUERTOS=' "$salida_sim" | head -n1)"
  if [ -z "$linea" ]; then
    echo "The simulated meter did not start:"; cat "$salida_sim"; exit 1
  fi
  eval "export $linea"
  echo "No meter attached: the simulated meter answers on $R27_PUERTOS"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$construccion/app/ventana/r27-update"
else
  export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
  # No display: a real window under Xvfb clicks itself through the wizard and
  # saves a picture of every screen it shows.
  demo="$raiz/out/demo"
  rm -rf "$demo"
  xvfb-run -a -s "-screen 0 1024x768x24" "$construccion/app/ventana/r27-update" --demo "$demo"
  echo "No display: the wizard was clicked through and its screens saved in $demo"
fi
