#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, only
# those that are missing. Sourced by the run and test commands.
set -euo pipefail

r27_paquetes_base=(cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libgl-dev
  xvfb xauth fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev clang-format nlohmann-json3-dev
  dpkg-dev gcovr python3)
# The Windows stage: the MinGW-w64 cross compiler (with the header-only JSON
# library, which the cross build takes from the host's package), and Wine (64-bit only: Debian's
# wine64 runs the x86_64 programs without the i386 architecture) to run them.
r27_paquetes_windows_compilar=(g++-mingw-w64-x86-64 nlohmann-json3-dev)
r27_paquetes_windows=("${r27_paquetes_windows_compilar[@]}" wine64)

r27_instalar() {
  local faltan=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      faltan+=("$p")
    fi
  done
  if [ ${#faltan[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${faltan[*]}"
  local sudo=""
  if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${faltan[@]}"
}
