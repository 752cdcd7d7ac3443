#!/usr/bin/env bash
# Cross-compiles the Qt-free core (serial link, flash, components, factory,
# embedded data, the window's logic) and its programs (r27-puertos.exe and the
# command-line updater r27-actualizar.exe) for 64-bit Windows with MinGW-w64,
# static and with warnings as errors. Installs the compiler when it is missing.
#
#   compilar_windows.sh [--generadores DIR_NATIVO] [--salida DIR] [--32]
#
# --32 builds the 32-bit programs instead (i686, into build-windows/i686 unless
# --salida says otherwise); on 64-bit Windows they run as WOW64 processes.
#
# The embedded data are written by generator programs that run on this machine,
# so the cross build imports them from a native build: DIR_NATIVO (e.g. build-ci,
# already configured) when given, otherwise a small native build of the
# generators alone in <salida>/generadores.
set -euo pipefail

raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
salida=""
nativo=""
bits=64
while [ $# -gt 0 ]; do
  case "$1" in
    --generadores) nativo="$2"; shift 2 ;;
    --salida) salida="$2"; shift 2 ;;
    --32) bits=32; shift ;;
    *) echo "compilar_windows.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

source "${raiz}/scripts/dependencias.sh"
if [ "${bits}" = 32 ]; then
  r27_instalar g++-mingw-w64-i686 nlohmann-json3-dev
  cadena="${raiz}/cmake/mingw-w64-i686.cmake"
  salida="${salida:-${raiz}/build-windows/i686}"
else
  r27_instalar "${r27_paquetes_windows_compilar[@]}"
  cadena="${raiz}/cmake/mingw-w64.cmake"
  salida="${salida:-${raiz}/build-windows}"
fi

generador=()
if command -v ninja >/dev/null 2>&1; then generador=(-G Ninja); fi

# The native generators: those of the given build, or a build of them alone.
if [ -z "${nativo}" ]; then
  nativo="${salida}/generadores"
  cmake -S "${raiz}" -B "${nativo}" "${generador[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DR27_APP=OFF -DR27_TESTS=OFF -DR27_BENCH=OFF >/dev/null
fi
nativo="$(cd "${nativo}" && pwd)"
if [ ! -f "${nativo}/generadores.cmake" ]; then
  echo "compilar_windows.sh: ${nativo} is not a configured native build (no generadores.cmake)" >&2
  exit 1
fi
cmake --build "${nativo}" -j2 --target r27_generadores

cmake -S "${raiz}" -B "${salida}" "${generador[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="${cadena}" \
  -DCMAKE_BUILD_TYPE=Release \
  -DR27_GENERADORES="${nativo}/generadores.cmake" \
  -DR27_SERIAL_ONLY=OFF -DR27_APP=OFF -DR27_TESTS=OFF -DR27_BENCH=OFF
cmake --build "${salida}" -j2

echo "Windows build (${bits}-bit) ready in ${salida}:"
for programa in "${salida}"/tools/*.exe "${salida}"/app/linea/*.exe; do
  if [ -f "${programa}" ]; then echo "  ${programa#"${salida}"/}"; fi
done
