#!/usr/bin/env bash
# Cross-compiles the Qt-free serial layer and r27-puertos.exe for 64-bit Windows
# into build-windows/. Installs the MinGW-w64 compiler when it is missing.
set -euo pipefail

raiz="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
salida="${raiz}/build-windows"

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
  sudo_si_hace_falta=()
  if [ "$(id -u)" -ne 0 ]; then sudo_si_hace_falta=(sudo); fi
  "${sudo_si_hace_falta[@]}" apt-get update
  "${sudo_si_hace_falta[@]}" apt-get install -y --no-install-recommends g++-mingw-w64-x86-64
fi

generador=()
if command -v ninja >/dev/null 2>&1; then generador=(-G Ninja); fi

cmake -S "${raiz}" -B "${salida}" "${generador[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="${raiz}/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DR27_SERIAL_ONLY=ON -DR27_APP=OFF -DR27_TESTS=OFF -DR27_BENCH=OFF
cmake --build "${salida}" -j2

echo "Windows build ready: ${salida}/tools/r27-puertos.exe"
