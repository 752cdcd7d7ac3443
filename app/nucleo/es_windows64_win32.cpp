// WOW64 through IsWow64Process, looked up at run time because older kernels do
// not export it; without it the process cannot be a 32-bit one on 64-bit Windows.
#include <windows.h>

#include "app/nucleo/es_windows64.h"

namespace r27 {

bool Es_windows64() {
  using Funcion_wow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleA("kernel32");
  if (kernel == nullptr) return false;
  auto funcion = reinterpret_cast<Funcion_wow64>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  if (funcion == nullptr) return false;
  BOOL wow64 = FALSE;
  if (!funcion(GetCurrentProcess(), &wow64)) return false;
  return wow64 != FALSE;
}

}  // namespace r27
