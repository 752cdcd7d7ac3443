// The updater's window on Windows: the application "Update", its window, the
// message loop.
//
//   r27-update                        the updater
//   r27-update --servicio             service mode: the factory and FPGA dialogs in
//                                     "Configurar", the step ticks shown for the
//                                     technician to change before each update, and
//                                     every update run recorded in the history
//   r27-update --captura <file.bmp>   saves a picture of the first screen and ends
//   r27-update --demo <folder>        presses the wizard button twice, saves a
//                                     picture of every screen and question into
//                                     <folder> (01-pantalla.bmp, ...), prints the
//                                     messages instead of showing boxes, answers
//                                     every question OK, and ends; exit status 0
//                                     when every picture was saved. With
//                                     --servicio it goes on from the pause, and
//                                     after the update pictures the history
//                                     dialog and prints the rows it shows
//   r27-update --formularios <folder> saves pictures of the About box, the
//                                     correct-update box and the three service
//                                     dialogs, and ends
//   r27-update --traza <file>         writes every byte on the wire to <file>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/guion_demostracion.h"
#include "app/nucleo/historial.h"
#include "app/win32/captura_win32.h"
#include "app/win32/dialogos_win32.h"
#include "app/win32/imagenes_win32.h"
#include "app/win32/sistema.h"
#include "app/win32/texto_win32.h"
#include "app/win32/ventana_win32.h"
#include "link/traza_linea.h"

namespace {

using r27::Ventana_win32;
namespace fs = std::filesystem;

struct Opciones {
  bool servicio = false;
  std::wstring captura;
  std::wstring demo;
  std::wstring formularios;
  std::wstring traza;
  bool valida = true;
};

Opciones Leer_opciones() {
  Opciones o;
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 1; argv && i < n; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--servicio") {
      o.servicio = true;
    } else if (a == L"--captura" && i + 1 < n) {
      o.captura = argv[++i];
    } else if (a == L"--demo" && i + 1 < n) {
      o.demo = argv[++i];
    } else if (a == L"--formularios" && i + 1 < n) {
      o.formularios = argv[++i];
    } else if (a == L"--traza" && i + 1 < n) {
      o.traza = argv[++i];
    } else {
      o.valida = false;
    }
  }
  if (argv) LocalFree(argv);
  return o;
}

// Writes to standard output (when the program has one) and to a file.
class Doble final : public std::streambuf {
 public:
  Doble(std::streambuf* a, std::streambuf* b) : a_(a), b_(b) {}

 protected:
  int overflow(int c) override {
    if (c == EOF) return 0;
    if (a_) a_->sputc(static_cast<char>(c));
    if (b_) b_->sputc(static_cast<char>(c));
    return c;
  }
  int sync() override {
    if (a_) a_->pubsync();
    if (b_) b_->pubsync();
    return 0;
  }

 private:
  std::streambuf* a_;
  std::streambuf* b_;
};

// The question box the window would show, found among this thread's windows.
BOOL CALLBACK Mirar_caja(HWND h, LPARAM l) {
  wchar_t clase[16] = {};
  GetClassNameW(h, clase, 16);
  if (std::wstring(clase) == L"#32770" && IsWindowVisible(h)) {
    *reinterpret_cast<HWND*>(l) = h;
    return FALSE;
  }
  return TRUE;
}

HWND Caja_de_pregunta() {
  HWND encontrada = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &Mirar_caja, reinterpret_cast<LPARAM>(&encontrada));
  return encontrada;
}

// The demonstration's pictures as this window takes them. A question is the
// system's own message box, pictured over the window and answered OK from a
// timer that runs inside the box's own message loop.
class Capturas_win32 final : public r27::Capturas_demostracion {
 public:
  explicit Capturas_win32(Ventana_win32& v) : v_(v) {}

  bool Guardar_pantalla(const fs::path& fichero) override {
    v_.Procesar_mensajes();
    return r27::Guardar_ventana_bmp(v_.Hwnd(), fichero);
  }

  bool Guardar_pregunta(const std::string& texto, const fs::path& fichero) override {
    pregunta_ = {&v_, fichero, false, false};
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, &Capturas_win32::Mirar);
    const int r = MessageBoxW(v_.Hwnd(), r27::Ancho(texto).c_str(), L"", MB_OKCANCEL);
    KillTimer(nullptr, timer);
    return pregunta_.guardada && r == IDOK;
  }

  std::array<std::string, 3> Lineas() const override { return v_.Lineas(); }

 private:
  struct Pregunta {
    Ventana_win32* v;
    fs::path fichero;
    bool vista;
    bool guardada;
  };
  static inline Pregunta pregunta_{};

  static void CALLBACK Mirar(HWND, UINT, UINT_PTR, DWORD) {
    if (pregunta_.vista) return;
    HWND caja = Caja_de_pregunta();
    if (!caja) return;
    pregunta_.vista = true;
    // Over the window's centre, as the picture shows it.
    RECT v, c;
    GetWindowRect(pregunta_.v->Hwnd(), &v);
    GetWindowRect(caja, &c);
    SetWindowPos(caja, HWND_TOP, v.left + (v.right - v.left - (c.right - c.left)) / 2,
                 v.top + (v.bottom - v.top - (c.bottom - c.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateWindow(caja);
    pregunta_.guardada = r27::Guardar_ventana_con_bmp(pregunta_.v->Hwnd(), caja, pregunta_.fichero);
    PostMessageW(caja, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }

  Ventana_win32& v_;
};

// The rows of the list in the dialog `dialogo`, as it shows them.
r27::Guion_demostracion::Filas Filas_lista(HWND dialogo) {
  r27::Guion_demostracion::Filas filas;
  HWND lista = FindWindowExW(dialogo, nullptr, WC_LISTVIEWW, nullptr);
  if (!lista) return filas;
  HWND cabecera = reinterpret_cast<HWND>(SendMessageW(lista, LVM_GETHEADER, 0, 0));
  const int columnas = static_cast<int>(SendMessageW(cabecera, HDM_GETITEMCOUNT, 0, 0));
  const int n = static_cast<int>(SendMessageW(lista, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::vector<std::string> celdas;
    for (int c = 0; c < columnas; ++c) {
      wchar_t texto[1024] = {};
      LVITEMW item{};
      item.iSubItem = c;
      item.pszText = texto;
      item.cchTextMax = static_cast<int>(std::size(texto));
      SendMessageW(lista, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&item));
      celdas.push_back(r27::Utf8(texto));
    }
    filas.push_back(std::move(celdas));
  }
  return filas;
}

// The history dialog as "Historial..." opens it: pictured into `fichero` once
// drawn, its rows read, closed.
std::optional<r27::Guion_demostracion::Filas> Mostrar_historial(Ventana_win32& v,
                                                                const fs::path& fichero) {
  std::optional<r27::Guion_demostracion::Filas> filas;
  r27::al_mostrar_dialogo_win32 = [&](HWND h) {
    if (r27::Guardar_ventana_bmp(h, fichero)) filas = Filas_lista(h);
    PostMessageW(h, WM_CLOSE, 0, 0);
  };
  v.HistorialClick();
  r27::al_mostrar_dialogo_win32 = nullptr;
  return filas;
}

// What the system hears when it asks the window whether the session may end:
// "allowed", or "refused" with the reason the window gave it.
std::string Fin_de_sesion(Ventana_win32& v) {
  if (SendMessageW(v.Hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != FALSE) return "allowed";
  if (v.Motivo_fin_sesion().empty()) return "refused, no reason given";
  return "refused: " + r27::Utf8(v.Motivo_fin_sesion());
}

bool dialogo_abierto_tras_teclas = false;

// The timer that looks at the dialog once the keys have been handled (a timer
// procedure has the system's calling convention, which a lambda has not on 32 bits).
void CALLBACK Mirar_dialogo(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(hwnd, id);
  dialogo_abierto_tras_teclas = IsWindowVisible(hwnd) != FALSE;
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

// The factory dialog as "Parametros por defecto..." opens it, Enter and then Esc
// pressed in it as the technician would: true when it is still open afterwards,
// neither key having pressed OK or Cancel. It is then closed by its close box.
bool Teclas_en_fabrica(Ventana_win32& v) {
  static HWND dialogo = nullptr;
  bool& abierto = dialogo_abierto_tras_teclas;
  dialogo = nullptr;
  abierto = false;
  r27::al_mostrar_dialogo_win32 = [](HWND h) {
    dialogo = h;
    HWND foco = GetFocus();
    if (!foco || (foco != h && !IsChild(h, foco))) foco = h;
    for (WPARAM tecla : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
      PostMessageW(foco, WM_KEYDOWN, tecla, 1);
      PostMessageW(foco, WM_KEYUP, tecla, 0xC0000001);
    }
    // Looked at once the keys have been handled; a dialog they closed is gone.
    SetTimer(h, 1, 300, Mirar_dialogo);
  };
  v.Param_defectoClick();
  r27::al_mostrar_dialogo_win32 = nullptr;
  return dialogo && abierto;
}

int Demostracion(Ventana_win32& v, const fs::path& carpeta, bool servicio) {
  std::error_code ec;
  fs::create_directories(carpeta, ec);
  std::ofstream registro(carpeta / "demo.txt");
  Doble doble(std::cout.rdbuf(), registro ? registro.rdbuf() : nullptr);
  std::ostream salida(&doble);
  Capturas_win32 capturas(v);
  r27::Guion_demostracion guion(carpeta, ".bmp", capturas, salida);
  v.al_mensaje_desatendido = [&](const std::string& texto) { guion.Mensaje(texto); };
  v.al_confirmar_desatendido = [&](const std::string& texto) { return guion.Pregunta(texto); };
  // Logging off is asked about once while the update writes the meter.
  bool sesion_preguntada = false;
  v.al_avanzar_general = [&] {
    guion.General_avanzada(v.ProgressBar_general());
    if (!sesion_preguntada && v.Estado().actualizando && v.ProgressBar_general().Posicion() > 0) {
      sesion_preguntada = true;
      salida << "session end during the update: " << Fin_de_sesion(v) << std::endl;
    }
  };
  v.al_mostrar_pantalla = [&] { guion.Pantalla_mostrada(); };
  const auto pulsar = [&] { v.Sesion().Pulsar_asistente(); };
  v.al_esperar_pausa = [&] {
    salida << "factory dialog: "
           << (Teclas_en_fabrica(v) ? "Enter and Esc pressed nothing" : "a key pressed a button")
           << std::endl;
    guion.Pausa_servicio(pulsar);
  };
  bool bien = guion.Ejecutar(pulsar);
  salida << "session end after the update: " << Fin_de_sesion(v) << std::endl;
  if (servicio)
    bien = guion.Historial([&](const fs::path& f) { return Mostrar_historial(v, f); }) && bien;
  v.al_esperar_pausa = nullptr;
  v.al_mostrar_pantalla = nullptr;
  v.al_avanzar_general = nullptr;
  v.al_confirmar_desatendido = nullptr;
  v.al_mensaje_desatendido = nullptr;
  // Whether the search reached a meter (refused or not), and the run's code.
  const r27::Desenlace_busqueda d = v.Sesion().Asistente_().desenlace;
  const bool encontrado =
      d != r27::Desenlace_busqueda::sin_busqueda && d != r27::Desenlace_busqueda::no_encontrado &&
      d != r27::Desenlace_busqueda::sin_permiso && d != r27::Desenlace_busqueda::ocupado;
  salida << "meter: " << (encontrado ? "found" : "not found") << " on COM" << v.Estado().puerto
         << std::endl;
  salida << "result code: " << v.Estado().codigo_error << std::endl;
  return bien ? 0 : 1;
}

int Formularios(Ventana_win32& v, HINSTANCE instancia, const fs::path& carpeta) {
  std::error_code ec;
  fs::create_directories(carpeta, ec);
  int numero = 0;
  bool bien = true;
  r27::al_mostrar_dialogo_win32 = [&](HWND h) {
    wchar_t nombre[32];
    swprintf(nombre, 32, L"%02d-formulario.bmp", ++numero);
    bien = r27::Guardar_ventana_bmp(h, carpeta / nombre) && bien;
    PostMessageW(h, WM_CLOSE, 0, 0);
  };
  v.About1Click();
  {
    r27::Form_act_correcta_win32 correcta(instancia, v.Hwnd(),
                                          GetDeviceCaps(GetDC(nullptr), LOGPIXELSX));
    ShowWindow(correcta.Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(correcta.Hwnd());
    v.Procesar_mensajes();
    r27::al_mostrar_dialogo_win32(correcta.Hwnd());
  }
  v.Param_defectoClick();
  v.Config_fpgaClick();
  v.HistorialClick();
  r27::al_mostrar_dialogo_win32 = nullptr;
  return bien && numero == 5 ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instancia, HINSTANCE, LPWSTR, int mostrar) {
  const Opciones opciones = Leer_opciones();
  if (!opciones.valida) {
    MessageBoxW(
        nullptr,
        L"r27-update [--servicio] [--traza <file>] [--captura <file.bmp> | --demo <folder> | "
        L"--formularios <folder>]",
        L"Update", MB_OK);
    return 2;
  }
  INITCOMMONCONTROLSEX controles{sizeof controles,
                                 ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controles);
  r27::Gdiplus_activo gdiplus;

  try {
    const bool servicio = opciones.servicio || !opciones.formularios.empty();
    // Service mode records every update run in the user's history (it outlives the window).
    r27::Historial historial(r27::Historial::Del_usuario());
    auto ventana = std::make_unique<Ventana_win32>(instancia, servicio, &historial);
    if (!opciones.traza.empty()) {
      std::unique_ptr<r27::Traza_linea> traza =
          r27::Traza_linea::Abrir(fs::path(opciones.traza).string());
      if (!traza) {
        MessageBoxW(nullptr, (L"Cannot open the trace file " + opciones.traza).c_str(), L"Update",
                    MB_OK);
        return 2;
      }
      ventana->Puerto().Fijar_traza(std::move(traza));
    }
    ventana->Mostrar(mostrar);
    ventana->Procesar_mensajes();

    if (!opciones.captura.empty())
      return r27::Guardar_ventana_bmp(ventana->Hwnd(), fs::path(opciones.captura)) ? 0 : 1;
    if (!opciones.demo.empty()) return Demostracion(*ventana, fs::path(opciones.demo), servicio);
    if (!opciones.formularios.empty())
      return Formularios(*ventana, instancia, fs::path(opciones.formularios));

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    return 0;
  } catch (const std::exception& e) {
    // What escapes is shown, and the program still ends normally.
    MessageBoxW(nullptr, r27::Ancho(e.what()).c_str(), L"Update", MB_OK | MB_ICONERROR);
    return 0;
  }
}
