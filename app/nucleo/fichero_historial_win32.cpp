// The history on Windows: %LOCALAPPDATA%\R27, LockFileEx and FlushFileBuffers.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/nucleo/fichero_historial.h"

namespace r27 {

namespace {

std::string Error_sistema() {
  const DWORD codigo = GetLastError();
  char texto[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, codigo, 0, texto, sizeof texto, nullptr);
  std::string r(texto, n);
  while (!r.empty() && (r.back() == '\n' || r.back() == '\r' || r.back() == ' ')) r.pop_back();
  return r.empty() ? "Windows error " + std::to_string(codigo) : r;
}

// Closes the handle (and so lets its lock go) on every way out.
class Manejador {
 public:
  explicit Manejador(HANDLE h) : h_(h) {}
  ~Manejador() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Manejador(const Manejador&) = delete;
  Manejador& operator=(const Manejador&) = delete;
  HANDLE h() const { return h_; }

 private:
  HANDLE h_;
};

HANDLE Abrir(const std::filesystem::path& fichero, DWORD acceso, DWORD creacion) {
  return CreateFileW(fichero.wstring().c_str(), acceso,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, creacion,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The whole file, and any length it grows to: readers and writers lock the same range.
bool Cerrojo(HANDLE h, DWORD modo) {
  OVERLAPPED o{};
  return LockFileEx(h, modo, 0, MAXDWORD, MAXDWORD, &o) != 0;
}

}  // namespace

std::filesystem::path Carpeta_historial() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local && local[0] != L'\0') return std::filesystem::path(local) / "R27";
  const wchar_t* perfil = _wgetenv(L"USERPROFILE");
  if (perfil && perfil[0] != L'\0')
    return std::filesystem::path(perfil) / "AppData" / "Local" / "R27";
  return {};
}

std::string Anexar_con_cerrojo(const std::filesystem::path& fichero, const std::string& linea) {
  // Append access alone: every write lands at the end of the file.
  const Manejador f(Abrir(fichero, GENERIC_READ | FILE_APPEND_DATA, OPEN_ALWAYS));
  if (f.h() == INVALID_HANDLE_VALUE) return Error_sistema();
  if (!Cerrojo(f.h(), LOCKFILE_EXCLUSIVE_LOCK)) return Error_sistema();
  LARGE_INTEGER tamano{};
  if (!GetFileSizeEx(f.h(), &tamano)) return Error_sistema();
  std::string datos;
  // A line cut short by a run that ended mid-write: this record starts after it.
  if (tamano.QuadPart > 0) {
    OVERLAPPED o{};
    const ULONGLONG ultimo_byte = static_cast<ULONGLONG>(tamano.QuadPart - 1);
    o.Offset = static_cast<DWORD>(ultimo_byte & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(ultimo_byte >> 32);
    char ultimo = '\n';
    DWORD leidos = 0;
    if (ReadFile(f.h(), &ultimo, 1, &leidos, &o) && leidos == 1 && ultimo != '\n') datos = "\n";
  }
  datos += linea;
  datos += '\n';
  size_t hecho = 0;
  while (hecho < datos.size()) {
    OVERLAPPED o{};
    o.Offset = o.OffsetHigh = 0xFFFFFFFFu;  // at the end of the file
    DWORD escritos = 0;
    if (!WriteFile(f.h(), datos.data() + hecho, static_cast<DWORD>(datos.size() - hecho), &escritos,
                   &o) ||
        escritos == 0)
      return Error_sistema();
    hecho += escritos;
  }
  if (!FlushFileBuffers(f.h())) return Error_sistema();
  return {};
}

std::string Leer_con_cerrojo(const std::filesystem::path& fichero, std::string& contenido,
                             bool& existe) {
  contenido.clear();
  existe = false;
  const Manejador f(Abrir(fichero, GENERIC_READ, OPEN_EXISTING));
  if (f.h() == INVALID_HANDLE_VALUE) {
    const DWORD codigo = GetLastError();
    if (codigo == ERROR_FILE_NOT_FOUND || codigo == ERROR_PATH_NOT_FOUND) return {};
    return Error_sistema();
  }
  existe = true;
  // A record being appended is read whole or not at all.
  if (!Cerrojo(f.h(), 0)) return Error_sistema();
  char bloque[65536];
  for (;;) {
    DWORD leidos = 0;
    if (!ReadFile(f.h(), bloque, sizeof bloque, &leidos, nullptr)) return Error_sistema();
    if (leidos == 0) break;
    contenido.append(bloque, leidos);
  }
  return {};
}

}  // namespace r27
