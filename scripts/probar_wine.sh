#!/usr/bin/env bash
# Runs the Windows command-line updater (r27-actualizar.exe, MinGW-w64) under Wine
# against the simulated meter, through the Win32 serial calls: Wine's COM3 is a
# link to r27-sim's pseudo-terminal.
#
#   probar_wine.sh [--32] [NATIVE_BUILD]     (default: build-ci; must be configured)
#
# 1. --solo-comprobar with the automatic search: finds the meter on COM3,
#    identifies it, writes nothing, exits 0.
# 2. --puerto COM3 --si on a meter at version 3.00: the update writes the
#    firmware (and what the tick decision adds), is proven, exits 0; the meter's
#    report shows the embedded firmware in flash and the new identity, and the
#    wire trace shows the switch to 500,000 baud (an x86_64 program is not a
#    WOW64 process, so it takes the fast-line path).
# 3. --historial --csv lists both runs, recorded in %LOCALAPPDATA%\R27.
# Fails (non-zero) when a run or a check fails; prints the time of each part.
# The Windows build is made or brought up to date in build-windows.
#
# --32 runs the 32-bit build (build-windows/i686) instead. On 64-bit Windows, and
# under a Wine that has its 32-bit half (Debian: the i386 architecture and
# wine32), that program is a WOW64 process: the update stays at 115,200 baud and
# the trace must show no switch.
set -euo pipefail

raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bits=64
if [ "${1:-}" = --32 ]; then
  bits=32
  shift
fi
nativo="${1:-${raiz}/build-ci}"
[ -d "${nativo}" ] || { echo "probar_wine.sh: ${nativo} is not a configured native build" >&2; exit 1; }
nativo="$(cd "${nativo}" && pwd)"
windows="${raiz}/build-windows"
opcion_bits=()
if [ "${bits}" = 32 ]; then
  windows="${raiz}/build-windows/i686"
  opcion_bits=(--32)
fi

source "${raiz}/scripts/dependencias.sh"
r27_instalar "${r27_paquetes_windows[@]}"

ahora() { date +%s.%N; }
desde() { awk -v a="$1" -v b="$(ahora)" 'BEGIN { printf "%.1f", b - a }'; }
fallar() { echo "probar_wine.sh: FAILED: $*" >&2; exit 1; }

# Debian's wine64 package alone installs no 'wine' command on the PATH.
wine="$(command -v wine64 || true)"
[ -n "${wine}" ] || wine="$(command -v wine || true)"
[ -n "${wine}" ] || wine=/usr/lib/wine/wine64
wineserver="$(command -v wineserver64 || true)"
[ -n "${wineserver}" ] || wineserver="$(command -v wineserver || true)"
[ -n "${wineserver}" ] || wineserver=/usr/lib/wine/wineserver64
[ -x "${wine}" ] || fallar "no wine64 found"
if [ "${bits}" = 32 ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
  fallar "a 32-bit program needs Wine's 32-bit half: dpkg --add-architecture i386, apt-get install wine32:i386"
fi

trabajo="$(mktemp -d /tmp/r27-wine.XXXXXX)"
export WINEPREFIX="${trabajo}/prefijo"
export WINEDEBUG=-all
# No Mono or Gecko: the updater needs neither, and asking for them costs time.
export WINEDLLOVERRIDES="mscoree,mshtml="
sim_pid=""

parar_sim() {
  if [ -n "${sim_pid}" ]; then
    kill -TERM "${sim_pid}" 2>/dev/null || true
    wait "${sim_pid}" 2>/dev/null || true
    sim_pid=""
  fi
}
terminar() {
  local estado=$?
  parar_sim
  # Only this prefix's server.
  "${wineserver}" -k >/dev/null 2>&1 || true
  if [ "${estado}" -ne 0 ]; then
    for f in "${trabajo}"/*.salida "${trabajo}"/*.sim "${trabajo}"/informe_*.txt; do
      [ -f "$f" ] || continue
      echo "---- $(basename "$f") (last 40 lines)" >&2
      tail -n 40 "$f" >&2
    done
    if [ -f "${trabajo}/traza.txt" ]; then
      echo "---- traza.txt (last 20 lines)" >&2
      tail -n 20 "${trabajo}/traza.txt" >&2
    fi
  fi
  # R27_WINE_CONSERVAR=1 keeps the prefix, the outputs, the reports and the trace.
  if [ "${R27_WINE_CONSERVAR:-0}" = 1 ]; then
    echo "Kept: ${trabajo}" >&2
  else
    rm -rf "${trabajo}"
  fi
  exit "${estado}"
}
trap terminar EXIT

# The programs: the updater for Windows, the simulated meter of the native build.
t=$(ahora)
bash "${raiz}/scripts/compilar_windows.sh" "${opcion_bits[@]}" --generadores "${nativo}" --salida "${windows}" \
  >"${trabajo}/compilar.salida" 2>&1 || fallar "the Windows build failed"
cmake --build "${nativo}" -j2 --target r27-sim >>"${trabajo}/compilar.salida" 2>&1 ||
  fallar "r27-sim could not be built in ${nativo}"
echo "Builds up to date: $(desde "$t") s"
actualizar="${windows}/app/linea/r27-actualizar.exe"
sim="${nativo}/sim/r27-sim"
[ -f "${actualizar}" ] || fallar "${actualizar} was not built"
[ -x "${sim}" ] || fallar "${sim} was not built"

# The prefix. Wine's port driver maps the COM numbers named under
# HKLM\Software\Wine\Ports to those paths and gives the machine's own serial
# devices (/dev/ttyS*, ...) the numbers left over, rewriting dosdevices/comN each
# time it starts. So COM3 is named there, as a link to the simulator's symlink,
# and COM1 and COM2 lead nowhere: the search must not probe a real serial port
# of this machine before it reaches COM3. Wine still opens those two (as ports
# that never answer), so the search probes each in vain before COM3.
t=$(ahora)
"${wine}" wineboot -i >"${trabajo}/prefijo.salida" 2>&1 || fallar "wineboot could not create the prefix"
cat >"${trabajo}/puertos.reg" <<EOF
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]
"COM1"="${trabajo}/sin-puerto-1"
"COM2"="${trabajo}/sin-puerto-2"
"COM3"="${trabajo}/medidor"
EOF
(cd "${trabajo}" && "${wine}" reg import puertos.reg) >>"${trabajo}/prefijo.salida" 2>&1 ||
  fallar "the port map could not be written to the prefix's registry"
# The port driver reads the map when the prefix's server starts again: one
# server for both runs, its own output apart from theirs.
"${wineserver}" -k >/dev/null 2>&1 || true
"${wineserver}" -w >/dev/null 2>&1 || true
"${wineserver}" -p >"${trabajo}/wineserver.log" 2>&1 || fallar "wineserver did not start"
echo "Wine prefix ready: $(desde "$t") s"

# Starts the simulated meter with short timings (restart, sector work, burn,
# module update) and the report of its memories at exit; its symlink is COM3.
lanzar_sim() {
  local nombre="$1"
  shift
  "${sim}" --com 3 --enlace "${trabajo}/medidor" --informe "${trabajo}/informe_${nombre}.txt" \
    --t-reinicio 1000 --t-sector 200 --t-borrado-segmento 20 --t-programa-segmento 40 \
    --t-mpeg4 8 "$@" >"${trabajo}/${nombre}.sim" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q '^R27_PUERTOS=' "${trabajo}/${nombre}.sim" && break
    sleep 0.05
  done
  grep -q '^R27_PUERTOS=' "${trabajo}/${nombre}.sim" || fallar "r27-sim did not start"
  [ -L "${trabajo}/medidor" ] || fallar "r27-sim made no symlink"
  [ "$(readlink "${WINEPREFIX}/dosdevices/com3" 2>/dev/null || true)" = "${trabajo}/medidor" ] ||
    ln -sfn "${trabajo}/medidor" "${WINEPREFIX}/dosdevices/com3"
}

# Runs the updater under Wine in the work folder (file names relative to it);
# leaves its exit status in $estado and its time in $segundos.
ejecutar() {
  local nombre="$1" limite="$2"
  shift 2
  local t0
  t0=$(ahora)
  set +e
  (cd "${trabajo}" && timeout "${limite}" "${wine}" "${actualizar}" "$@") \
    >"${trabajo}/${nombre}.salida" 2>&1 </dev/null
  estado=$?
  set -e
  segundos=$(desde "$t0")
}

# Reads one key of the meter's report.
informe() { sed -n "s/^$2=//p" "${trabajo}/informe_$1.txt"; }

# 1. The automatic search and the identification, nothing written.
lanzar_sim comprobar
ejecutar comprobar 120 --solo-comprobar --json
parar_sim
[ "${estado}" -eq 0 ] || fallar "--solo-comprobar exited ${estado}"
grep -q '"port":"COM3"' "${trabajo}/comprobar.salida" || fallar "the search did not find the meter on COM3"
grep -q '"identity_before":{[^}]*"version":"3.00","build":"00000"' "${trabajo}/comprobar.salida" ||
  fallar "--solo-comprobar did not identify the meter (version 3.00, build 00000)"
[ -f "${trabajo}/informe_comprobar.txt" ] || fallar "r27-sim wrote no report"
[ "$(informe comprobar version)" = "3.00.00000" ] || fallar "--solo-comprobar changed the meter"
[ "$(informe comprobar reinicios)" = "0" ] || fallar "--solo-comprobar restarted the meter"
t_comprobar="${segundos}"
echo "Automatic search and identification under Wine (found on COM3): ${t_comprobar} s"

# 2. A whole update that writes the firmware, proven and checked on the meter.
# R27_WINE_SIM adds options to this meter (a fault, say) to see the run fail.
read -r -a extra_sim <<<"${R27_WINE_SIM:-}"
lanzar_sim actualizar "${extra_sim[@]}"
ejecutar actualizar 600 --puerto COM3 --si --traza traza.txt --json
parar_sim
[ "${estado}" -eq 0 ] || fallar "the update exited ${estado}"
grep -q '"check":{"proven":true' "${trabajo}/actualizar.salida" ||
  fallar "the update was not proven after writing"
[ "$(informe actualizar firmware)" = "igual" ] ||
  fallar "flash does not hold the embedded firmware: $(informe actualizar firmware)"
version="$(informe actualizar version)"
[ -n "${version}" ] && [ "${version}" != "3.00.00000" ] ||
  fallar "the meter's identity still reads ${version}"
grep -q "\"identity_after\":{[^}]*\"version\":\"${version%.*}\",\"build\":\"${version##*.}\"" \
  "${trabajo}/actualizar.salida" || fallar "the updater read another identity after the update than the meter holds (${version})"
# The fast line: the rate request (code 1, 500,000 baud) written to 0xFEB4 of page 0,
# answered, and the run went on at that rate; a WOW64 process never asks for it.
[ -f "${trabajo}/traza.txt" ] || fallar "no wire trace"
# (A Windows program ends its text lines with CR LF.)
linea_rapida="$(awk '/ W 7 02 05 00 B4 FE 01 00\r?$/ { print NR; exit }' "${trabajo}/traza.txt")"
if [ "${bits}" = 64 ]; then
  [ -n "${linea_rapida}" ] || fallar "the trace shows no switch to 500,000 baud"
  lineas_despues=$(($(wc -l <"${trabajo}/traza.txt") - linea_rapida))
  [ "${lineas_despues}" -gt 100 ] || fallar "the trace ends right after the switch to 500,000 baud"
  linea="switched to 500,000 baud (not a WOW64 process), ${lineas_despues} trace lines after"
else
  [ -z "${linea_rapida}" ] || fallar "a WOW64 process switched to 500,000 baud"
  linea="stayed at 115,200 baud (a WOW64 process), $(wc -l <"${trabajo}/traza.txt") trace lines"
fi
t_actualizar="${segundos}"
echo "Update under Wine on COM3 (firmware and what the tick decision adds): ${t_actualizar} s"
echo "  meter after: firmware $(informe actualizar firmware), version ${version}," \
  "FPGA $(informe actualizar fpga), MPEG-4 $(informe actualizar mpeg4)," \
  "restarts $(informe actualizar reinicios)"
echo "  line: ${linea}"

# 3. Both runs are in the history, in %LOCALAPPDATA%\R27 of the prefix's user,
# written under LockFileEx and read back as CSV.
ejecutar historial 60 --historial --csv
[ "${estado}" -eq 0 ] || fallar "--historial --csv exited ${estado}"
historial="$(ls "${WINEPREFIX}"/drive_c/users/*/AppData/Local/R27/historial.jsonl 2>/dev/null | head -n 1)"
[ -n "${historial}" ] || fallar "no history in the prefix's %LOCALAPPDATA%\\R27"
[ "$(wc -l <"${historial}")" -eq 2 ] || fallar "the history holds $(wc -l <"${historial}") records, not 2"
grep -q ',r27-actualizar,[^,]*,COM3,[^,]*,checked,0,' "${trabajo}/historial.salida" ||
  fallar "--historial --csv does not list the --solo-comprobar run"
grep -q ',r27-actualizar,[^,]*,COM3,[^,]*,updated,0,,yes,' "${trabajo}/historial.salida" ||
  fallar "--historial --csv does not list the proven update"
echo "History under Wine: 2 records in ${historial#"${WINEPREFIX}"/}"
echo "Wine run (${bits}-bit build) passed."
