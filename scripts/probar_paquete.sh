#!/usr/bin/env bash
# The Debian package, end to end: cpack builds the .deb from a built tree, dpkg -i
# installs it, the installed programs run from /usr/bin, and dpkg -P removes it.
#
#   probar_paquete.sh [BUILD]     BUILD: a configured and built tree (default build-ci)
#
# Checks: the package holds every installed file; the installed command line
# checks the simulated meter (r27-sim of BUILD on COM3) and exits 0; the installed
# window, started from a folder without idiomas.ini, shows the texts of the
# installed language file.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
construccion="$(cd "${1:-$raiz/build-ci}" && pwd)"
paquete=r27-actualizador

sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi

trabajo="$(mktemp -d)"
sim_pid=""
terminar() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  if dpkg-query -W -f='${Status}' "$paquete" 2>/dev/null | grep -q "ok installed"; then
    $sudo dpkg -P "$paquete" >/dev/null || true
  fi
  rm -rf "$trabajo"
}
trap terminar EXIT
fallar() { echo "probar_paquete: $*" >&2; exit 1; }

echo "-- cpack"
cpack --config "$construccion/CPackConfig.cmake" -B "$trabajo/deb" >"$trabajo/cpack.log" 2>&1 ||
  { cat "$trabajo/cpack.log"; fallar "cpack failed"; }
deb="$(ls "$trabajo"/deb/${paquete}_*.deb 2>/dev/null | head -n1 || true)"
[ -n "$deb" ] || fallar "cpack made no .deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
dpkg -c "$deb"

echo "-- dpkg -i"
# A machine without the Qt libraries gets them from the package's dependencies.
if ! $sudo dpkg -i "$deb"; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -f -y -qq --no-install-recommends
fi
dpkg-query -W -f='${Status}\n' "$paquete" | grep -q "install ok installed" || fallar "not installed"

esperados=(/usr/bin/r27-update /usr/share/r27/idiomas.ini
  /usr/share/applications/r27-update.desktop
  /usr/share/icons/hicolor/scalable/apps/r27-update.svg
  /usr/lib/udev/rules.d/60-r27-medidor.rules)
if [ -e "$construccion/app/linea/r27-actualizar" ]; then esperados+=(/usr/bin/r27-actualizar); fi
dpkg -L "$paquete" >"$trabajo/lista"
for f in "${esperados[@]}"; do
  grep -qx "$f" "$trabajo/lista" || fallar "$f is not in the package"
  [ -e "$f" ] || fallar "$f was not installed"
done

# The installed window, from an empty folder, takes its texts from
# /usr/share/r27/idiomas.ini: its first screen matches the one drawn with the
# shipped file in the working folder, and differs from one without texts.
echo "-- r27-update from /usr/bin"
captura() {  # captura <folder> <picture>
  (cd "$1" && QT_QPA_PLATFORM=offscreen timeout 30 /usr/bin/r27-update --captura "$2") ||
    fallar "r27-update --captura failed in $1"
}
mkdir -p "$trabajo/vacia" "$trabajo/con_fichero" "$trabajo/sin_textos"
cp "$raiz/data/idiomas.ini" "$trabajo/con_fichero/"
printf '[COMUN]\nIDIOMA=EN\n' >"$trabajo/sin_textos/idiomas.ini"
captura "$trabajo/vacia" "$trabajo/instalado.png"
captura "$trabajo/con_fichero" "$trabajo/local.png"
captura "$trabajo/sin_textos" "$trabajo/sin_textos.png"
cmp -s "$trabajo/instalado.png" "$trabajo/local.png" ||
  fallar "the installed window did not show the texts of the installed idiomas.ini"
if cmp -s "$trabajo/instalado.png" "$trabajo/sin_textos.png"; then
  fallar "the first screen looks the same without texts: the check proves nothing"
fi

if [ -x /usr/bin/r27-actualizar ]; then
  echo "-- r27-actualizar --solo-comprobar against r27-sim on COM3"
  "$construccion/sim/r27-sim" --com 3 >"$trabajo/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q '^R27_PUERTOS=' "$trabajo/sim.log" && break
    sleep 0.05
  done
  linea="$(grep '^R27_PUERTOS=' "$trabajo/sim.log" | head -n1)"
  [ -n "$linea" ] || { cat "$trabajo/sim.log"; fallar "r27-sim did not start"; }
  salida=0
  # Its record goes to a data folder of the check's own, not the user's history.
  (cd "$trabajo/vacia" && eval "export $linea" && export XDG_DATA_HOME="$trabajo/datos" &&
    timeout 60 /usr/bin/r27-actualizar --solo-comprobar --puerto COM3) || salida=$?
  [ "$salida" -eq 0 ] || fallar "r27-actualizar --solo-comprobar exited $salida"
  [ "$(wc -l <"$trabajo/datos/r27/historial.jsonl")" -eq 1 ] ||
    fallar "r27-actualizar --solo-comprobar left no record in the history"
fi

echo "-- dpkg -P"
$sudo dpkg -P "$paquete" >/dev/null
for f in "${esperados[@]}"; do [ ! -e "$f" ] || fallar "$f is left after removal"; done
echo "The package installs, runs and removes cleanly."
