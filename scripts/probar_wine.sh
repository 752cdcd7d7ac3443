#!/usr/bin/env bash
# Runs the Windows command-line updater (r27-actualizar.exe, MinGW-w64) under Wine
# against the simulated meter, through the Win32 serial calls: Wine's COM3 is a
# link to r27-sim's pseudo-terminal.
#
#   probar_wine.sh [--32] [--solo-ventana] [NATIVE_BUILD]
#                                   (default: build-ci; must be configured)
#
# 1. --solo-comprobar with the automatic search: finds the meter on COM3,
#    identifies it, writes nothing, exits 0.
# 2. --puerto COM4 --si on a meter at version 3.00: the update writes the
#    firmware (and what the tick decision adds), is proven, exits 0; the meter's
#    report shows the embedded firmware in flash and the new identity, and the
#    wire trace shows the switch to 500,000 baud (an x86_64 program is not a
#    WOW64 process, so it takes the fast-line path).
# 3. The window, r27-update.exe, under Xvfb on COM3, beside 2: its window, titled "UPDATE v3.01",
#    is found on the X screen, and its demonstration (--demo) clicks through a
#    whole update on a meter at version 3.00; the meter's report shows the
#    embedded firmware in flash, the FPGA set, the zone records in EEPROM and
#    the module application exact, and the wire trace shows the same line path
#    as the command line's. The 64-bit window runs in service mode: its
#    demonstration goes on from the pause, and after the update pictures the
#    "Historial" dialog, whose rows must list that update. In the pause it presses
#    Enter and Esc in the factory dialog, which must stay open. Both windows are
#    asked during the update whether the session may end (refused, with the
#    reason given to the system) and after it (allowed). The demonstration's
#    pictures are converted to PNG; R27_WINE_CAPTURAS=DIR keeps them there.
# 4. --historial --csv lists both runs, recorded in %LOCALAPPDATA%\R27, and
#    the window's.
# 5. The installer (r27-update-*-setup-*.exe) runs silently (/S): the programs and
#    idiomas.ini in Program Files (the 32-bit ones in Program Files (x86)), the
#    Start-menu entry, the entry in Add/Remove Programs; the installed window,
#    started in its folder, finds a meter that needs nothing; the uninstaller
#    removes all of it.
# --solo-ventana runs 3 and 5 alone (the window and the installer).
# Fails (non-zero) when a run or a check fails; prints the time of each part.
# The Windows build is made or brought up to date in build-windows.
#
# --32 runs the 32-bit build (build-windows/i686) instead. On 64-bit Windows, and
# under a Wine that has its 32-bit half (Debian: the i386 architecture and
# wine32), that program is a WOW64 process: the update stays at 115,200 baud, the
# trace must show no switch and the window's time question asks "22 min.".
set -euo pipefail

raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bits=64
solo_ventana=0
while [ $# -gt 0 ]; do
  case "$1" in
    --32) bits=32; shift ;;
    --solo-ventana) solo_ventana=1; shift ;;
    *) break ;;
  esac
done
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
declare -A sim_pid=()
xvfb_pid=""

# Stops the simulated meter of that name; it writes its report as it ends.
parar_sim() {
  local nombre="$1"
  if [ -n "${sim_pid[${nombre}]:-}" ]; then
    kill -TERM "${sim_pid[${nombre}]}" 2>/dev/null || true
    wait "${sim_pid[${nombre}]}" 2>/dev/null || true
    unset "sim_pid[${nombre}]"
  fi
}
terminar() {
  local estado=$?
  for nombre in "${!sim_pid[@]}"; do parar_sim "${nombre}"; done
  if [ -n "${xvfb_pid}" ]; then kill -TERM "${xvfb_pid}" 2>/dev/null || true; fi
  # Only this prefix's server.
  "${wineserver}" -k >/dev/null 2>&1 || true
  if [ "${estado}" -ne 0 ]; then
    for f in "${trabajo}"/*.salida "${trabajo}"/*.sim "${trabajo}"/informe_*.txt; do
      [ -f "$f" ] || continue
      echo "---- $(basename "$f") (last 40 lines)" >&2
      tail -n 40 "$f" >&2
    done
    for f in "${trabajo}/traza.txt" "${trabajo}/traza_ventana.txt"; do
      [ -f "$f" ] || continue
      echo "---- $(basename "$f") (last 20 lines)" >&2
      tail -n 20 "$f" >&2
    done
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
(flock 9 && cmake --build "${nativo}" -j2 --target r27-sim) 9>"${nativo}/.r27-compilar.lock" \
  >>"${trabajo}/compilar.salida" 2>&1 ||
  fallar "r27-sim could not be built in ${nativo}"
echo "Builds up to date: $(desde "$t") s"
actualizar="${windows}/app/linea/r27-actualizar.exe"
ventana="${windows}/app/win32/r27-update.exe"
sim="${nativo}/sim/r27-sim"
[ -f "${actualizar}" ] || fallar "${actualizar} was not built"
[ -f "${ventana}" ] || fallar "${ventana} was not built"
[ -x "${sim}" ] || fallar "${sim} was not built"

# The prefix. Wine's port driver maps the COM numbers named under
# HKLM\Software\Wine\Ports to those paths and gives the machine's own serial
# devices (/dev/ttyS*, ...) the numbers left over, rewriting dosdevices/comN each
# time it starts. So COM3 and COM4 are named there, as links to the simulators' symlinks,
# and COM1 and COM2 lead nowhere: the search must not probe a real serial port
# of this machine before it reaches COM3. Wine still opens those two (as ports
# that never answer), so the search probes each in vain before COM3.
t=$(ahora)
# The X screen of the window, there before the prefix's first program: Wine's
# desktop takes the display it starts with. Xvfb picks a free display and writes
# its number to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"${trabajo}/pantalla" \
  >"${trabajo}/xvfb.salida" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "${trabajo}/pantalla" ] && break
  sleep 0.05
done
[ -s "${trabajo}/pantalla" ] || fallar "Xvfb did not start"
export DISPLAY=":$(head -n 1 "${trabajo}/pantalla")"
"${wine}" wineboot -i >"${trabajo}/prefijo.salida" 2>&1 || fallar "wineboot could not create the prefix"
cat >"${trabajo}/puertos.reg" <<EOF
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]
"COM1"="${trabajo}/sin-puerto-1"
"COM2"="${trabajo}/sin-puerto-2"
"COM3"="${trabajo}/medidor3"
"COM4"="${trabajo}/medidor4"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Decorated"="N"
EOF
# Wine draws the frames' buttons with the Marlett font, which this Wine does not
# find where Debian puts it; the prefix gets a copy.
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "${WINEPREFIX}/drive_c/windows/Fonts/"
fi
(cd "${trabajo}" && "${wine}" reg import puertos.reg) >>"${trabajo}/prefijo.salida" 2>&1 ||
  fallar "the port map could not be written to the prefix's registry"
# (Without a window manager on the X screen, Wine draws the window frames itself:
# the pictures show the title bar.)
# The port driver reads the map when the prefix's server starts again: one
# server for both runs, its own output apart from theirs.
"${wineserver}" -k >/dev/null 2>&1 || true
"${wineserver}" -w >/dev/null 2>&1 || true
"${wineserver}" -p >"${trabajo}/wineserver.log" 2>&1 || fallar "wineserver did not start"
echo "Wine prefix ready: $(desde "$t") s"

# Starts the simulated meter NAME on COM number N with short timings (restart,
# sector work, burn, module update) and the report of its memories at exit; its
# symlink is the one the prefix maps to COM<N>.
lanzar_sim() {
  local nombre="$1" com="$2"
  shift 2
  local enlace="${trabajo}/medidor${com}"
  "${sim}" --com "${com}" --enlace "${enlace}" --informe "${trabajo}/informe_${nombre}.txt" \
    --t-reinicio 1000 --t-sector 200 --t-borrado-segmento 20 --t-programa-segmento 40 \
    --t-mpeg4 8 "$@" >"${trabajo}/${nombre}.sim" 2>&1 &
  sim_pid[${nombre}]=$!
  for _ in $(seq 100); do
    grep -q '^R27_PUERTOS=' "${trabajo}/${nombre}.sim" && break
    sleep 0.05
  done
  grep -q '^R27_PUERTOS=' "${trabajo}/${nombre}.sim" || fallar "r27-sim did not start"
  [ -L "${enlace}" ] || fallar "r27-sim made no symlink"
  [ "$(readlink "${WINEPREFIX}/dosdevices/com${com}" 2>/dev/null || true)" = "${enlace}" ] ||
    ln -sfn "${enlace}" "${WINEPREFIX}/dosdevices/com${com}"
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
if [ "${solo_ventana}" = 0 ]; then
lanzar_sim comprobar 3
ejecutar comprobar 120 --solo-comprobar --json
parar_sim comprobar
[ "${estado}" -eq 0 ] || fallar "--solo-comprobar exited ${estado}"
grep -q '"port":"COM3"' "${trabajo}/comprobar.salida" || fallar "the search did not find the meter on COM3"
grep -q '"identity_before":{[^}]*"version":"3.00.00000"' "${trabajo}/comprobar.salida" ||
  fallar "--solo-comprobar did not identify the meter (version 3.00.00000)"
[ -f "${trabajo}/informe_comprobar.txt" ] || fallar "r27-sim wrote no report"
[ "$(informe comprobar version)" = "3.00.00000" ] || fallar "--solo-comprobar changed the meter"
[ "$(informe comprobar reinicios)" = "0" ] || fallar "--solo-comprobar restarted the meter"
t_comprobar="${segundos}"
echo "Automatic search and identification under Wine (found on COM3): ${t_comprobar} s"
fi

# 3. (started here and checked after 2: both wait on their meters most of the
# time) The window under Xvfb on COM3: found by its title, and its
# demonstration's whole update.
t=$(ahora)
lanzar_sim ventana 3
t0=$(ahora)
# The 64-bit window in service mode, its update recorded and shown in its history
# dialog; the 32-bit one is the technician's plain wizard (the documentation's pictures).
servicio=()
if [ "${bits}" = 64 ]; then servicio=(--servicio); fi
(cd "${trabajo}" && timeout 600 "${wine}" "${ventana}" "${servicio[@]}" --demo demo --traza traza_ventana.txt) \
  >"${trabajo}/ventana.salida" 2>&1 </dev/null &
ventana_pid=$!
# The window, as the X server names it, looked for while the demonstration runs.
(
  while kill -0 "${ventana_pid}" 2>/dev/null; do
    if xwininfo -root -tree 2>/dev/null | grep -q '"UPDATE v3.01"'; then
      echo "UPDATE v3.01" >"${trabajo}/titulo"
      break
    fi
    sleep 0.2
  done
) &
buscador_pid=$!
# 2. A whole update that writes the firmware, proven and checked on the meter
# (on COM4, while the window updates the meter on COM3).
if [ "${solo_ventana}" = 0 ]; then
# R27_WINE_SIM adds options to this meter (a fault, say) to see the run fail.
read -r -a extra_sim <<<"${R27_WINE_SIM:-}"
lanzar_sim actualizar 4 "${extra_sim[@]}"
ejecutar actualizar 600 --puerto COM4 --si --traza traza.txt --json
parar_sim actualizar
[ "${estado}" -eq 0 ] || fallar "the update exited ${estado}"
grep -q '"check":{"proven":true' "${trabajo}/actualizar.salida" ||
  fallar "the update was not proven after writing"
[ "$(informe actualizar firmware)" = "igual" ] ||
  fallar "flash does not hold the embedded firmware: $(informe actualizar firmware)"
version="$(informe actualizar version)"
[ -n "${version}" ] && [ "${version}" != "3.00.00000" ] ||
  fallar "the meter's identity still reads ${version}"
grep -q "\"identity_after\":{[^}]*\"version\":\"${version}\"" \
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
echo "Update under Wine on COM4 (firmware and what the tick decision adds): ${t_actualizar} s"
echo "  meter after: firmware $(informe actualizar firmware), version ${version}," \
  "FPGA $(informe actualizar fpga), MPEG-4 $(informe actualizar mpeg4)," \
  "restarts $(informe actualizar reinicios)"
echo "  line: ${linea}"
fi

# 3. The window's checks.
set +e
wait "${ventana_pid}"
estado=$?
set -e
segundos=$(desde "$t0")
wait "${buscador_pid}" 2>/dev/null || true
parar_sim ventana
titulo="$(cat "${trabajo}/titulo" 2>/dev/null || true)"
[ -n "${titulo}" ] || fallar "no window titled UPDATE v3.01 was found on the X screen"
[ "${estado}" -eq 0 ] || fallar "the window's demonstration exited ${estado}"
grep -q '^result code: 0' "${trabajo}/ventana.salida" || fallar "the window's update did not end correct"
preguntas=$(grep -c '^question ' "${trabajo}/ventana.salida" || true)
pantallas=$(grep -c '^screen ' "${trabajo}/ventana.salida" || true)
[ "${preguntas}" -ge 1 ] && [ "${pantallas}" -ge 6 ] ||
  fallar "the demonstration pictured ${pantallas} screens and ${preguntas} questions"
for clave in firmware fpga_conjunto eeprom_zona mpeg4_modulo; do
  [ "$(informe ventana "${clave}")" = "igual" ] ||
    fallar "after the window's update the meter's ${clave} is not exact: $(informe ventana "${clave}")"
done
linea_rapida="$(awk '/ W 7 02 05 00 B4 FE 01 00\r?$/ { print NR; exit }' "${trabajo}/traza_ventana.txt")"
if [ "${bits}" = 64 ]; then
  [ -n "${linea_rapida}" ] || fallar "the window's trace shows no switch to 500,000 baud"
else
  [ -z "${linea_rapida}" ] || fallar "the window, a WOW64 process, switched to 500,000 baud"
  grep -q '^question .*22 min\.' "${trabajo}/ventana.salida" ||
    fallar "the window's time question does not ask 22 min."
fi
# Logging off while the meter is written is refused with the update's reason;
# once the run is over it is allowed again.
grep -q '^session end during the update: refused: .' "${trabajo}/ventana.salida" ||
  fallar "the window did not refuse the session's end during the update: $(grep '^session end during' "${trabajo}/ventana.salida" || echo never asked)"
grep -q '^session end after the update: allowed' "${trabajo}/ventana.salida" ||
  fallar "the window still refuses the session's end after the update"
historial_mostrado=""
if [ "${bits}" = 64 ]; then
  grep -q '^factory dialog: Enter and Esc pressed nothing' "${trabajo}/ventana.salida" ||
    fallar "a key pressed a button of the factory dialog: $(grep '^factory dialog' "${trabajo}/ventana.salida" || echo never opened)"
  grep -q '^service pause: ' "${trabajo}/ventana.salida" ||
    fallar "the service-mode demonstration never reached the pause"
  ls "${trabajo}"/demo/*-historial.bmp >/dev/null 2>&1 || fallar "no picture of the history dialog"
  # Time | port | before | after | steps | outcome | code | proven | reason, in the
  # window's language (Spanish, as the shipped file names it): this update is the
  # one on COM3 that ended updated (the command line's there only checked).
  historial_mostrado="$(grep -E '^history row [0-9]+: [^|]* \| COM3 \| [^|]* \| [^|]* \| [^|]*firmware[^|]* \| actualizado \| 0 \| sí \|' \
    "${trabajo}/ventana.salida" | head -n 1 || true)"
  [ -n "${historial_mostrado}" ] ||
    fallar "the history dialog did not list the window's update: $(grep '^history' "${trabajo}/ventana.salida" || echo nothing shown)"
fi
python3 "${raiz}/scripts/bmp_a_png.py" --borrar "${trabajo}"/demo/*.bmp
if [ -n "${R27_WINE_CAPTURAS:-}" ]; then
  mkdir -p "${R27_WINE_CAPTURAS}"
  cp "${trabajo}"/demo/*.png "${R27_WINE_CAPTURAS}/"
fi
echo "The window under Wine and Xvfb (${titulo}): a whole update by its demonstration: ${segundos} s"
echo "  ${pantallas} screens and ${preguntas} question pictured; $(grep '^question ' "${trabajo}/ventana.salida" | head -n 1)"
echo "  $(grep '^session end during the update: ' "${trabajo}/ventana.salida")"
echo "  meter after: firmware $(informe ventana firmware), FPGA set $(informe ventana fpga_conjunto)," \
  "zone records $(informe ventana eeprom_zona), module $(informe ventana mpeg4_modulo)"
if [ -n "${historial_mostrado}" ]; then
  echo "  service mode; $(grep '^history: ' "${trabajo}/ventana.salida"), the update among them:"
  echo "    ${historial_mostrado#history row }"
fi

if [ "${solo_ventana}" = 0 ]; then
# 4. Both runs of the command line and the window's update are in the history, in
# %LOCALAPPDATA%\R27 of the prefix's user, written under LockFileEx and read back as CSV.
ejecutar historial 60 --historial --csv
[ "${estado}" -eq 0 ] || fallar "--historial --csv exited ${estado}"
historial="$(ls "${WINEPREFIX}"/drive_c/users/*/AppData/Local/R27/historial.jsonl 2>/dev/null | head -n 1)"
[ -n "${historial}" ] || fallar "no history in the prefix's %LOCALAPPDATA%\\R27"
[ "$(wc -l <"${historial}")" -eq 3 ] || fallar "the history holds $(wc -l <"${historial}") records, not 3"
grep -q ',r27-actualizar,[^,]*,COM3,[^,]*,checked,0,' "${trabajo}/historial.salida" ||
  fallar "--historial --csv does not list the --solo-comprobar run"
grep -q ',r27-actualizar,[^,]*,COM4,[^,]*,updated,0,,yes,' "${trabajo}/historial.salida" ||
  fallar "--historial --csv does not list the proven update"
grep -q ',r27-update,[^,]*,COM3,[^,]*,updated,0,,yes,' "${trabajo}/historial.salida" ||
  fallar "--historial --csv does not list the window's proven update"
echo "History under Wine: 3 records in ${historial#"${WINEPREFIX}"/}"
fi

# 5. The installer, silent; the installed window; the uninstaller.
t0=$(ahora)
instalador="$(ls "${windows}"/r27-update-*-setup-*.exe 2>/dev/null | head -n 1)"
[ -n "${instalador}" ] || fallar "no installer in ${windows}"
programas="Program Files"
clave='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\R27Update'
if [ "${bits}" = 32 ]; then
  programas="Program Files (x86)"
  clave='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\R27Update'
fi
destino="${WINEPREFIX}/drive_c/${programas}/R27 Update"
acceso="${WINEPREFIX}/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/R27 Update/R27 Update.lnk"
set +e
timeout 180 "${wine}" "${instalador}" /S >"${trabajo}/instalador.salida" 2>&1 </dev/null
estado=$?
set -e
[ "${estado}" -eq 0 ] || fallar "the installer exited ${estado}"
for f in r27-update.exe r27-actualizar.exe idiomas.ini uninstall.exe; do
  [ -f "${destino}/${f}" ] || fallar "the installer left no ${f} in ${programas}\R27 Update"
done
[ -f "${acceso}" ] || fallar "the installer made no Start-menu entry"
"${wine}" reg query "${clave}" /v UninstallString >"${trabajo}/registro.salida" 2>&1 ||
  fallar "the installer registered no uninstaller in Add/Remove Programs"
# The installed window, started in its folder (as the Start-menu entry starts it).
# A meter at the embedded firmware's version (as the window's update left its
# meter), FPGA set and module: one of ours that needs nothing.
al_dia="$(informe ventana version)"
lanzar_sim instalado 3 --version "${al_dia%.*}" --build "${al_dia##*.}" --fpga 3.3 \
  --mpeg4 133,0,5,2
set +e
(cd "${destino}" && timeout 120 "${wine}" ./r27-update.exe --demo "${trabajo}/demo_instalado") \
  >"${trabajo}/instalado.salida" 2>&1 </dev/null
estado=$?
set -e
parar_sim instalado
[ "${estado}" -eq 0 ] || fallar "the installed window's demonstration exited ${estado}"
grep -q '^meter: found on COM3' "${trabajo}/instalado.salida" ||
  fallar "the installed window did not find the meter on COM3"
grep -q '^screen [0-9]*: .*|.*|' "${trabajo}/instalado.salida" ||
  fallar "the installed window showed no texts (no idiomas.ini beside it?)"
set +e
timeout 120 "${wine}" "${destino}/uninstall.exe" /S >"${trabajo}/desinstalador.salida" 2>&1 </dev/null
set -e
# The uninstaller runs from a copy of itself and returns at once: wait for it.
for _ in $(seq 120); do
  [ -d "${destino}" ] || break
  sleep 0.5
done
[ ! -d "${destino}" ] || fallar "the uninstaller left ${programas}\R27 Update"
[ ! -f "${acceso}" ] || fallar "the uninstaller left the Start-menu entry"
if "${wine}" reg query "${clave}" >/dev/null 2>&1; then
  fallar "the uninstaller left its entry in Add/Remove Programs"
fi
echo "Installer under Wine: $(basename "${instalador}") installed silently into ${programas}," \
  "its window found the meter, uninstalled: $(desde "$t0") s"
echo "Wine run (${bits}-bit build) passed."
