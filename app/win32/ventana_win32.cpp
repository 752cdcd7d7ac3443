// The main window on Windows: its design, its painting, its controls and menus,
// and the message loop the core's waits run.
#include "app/win32/ventana_win32.h"

#include <cstdio>

#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/historial.h"
#include "app/nucleo/panel_puerto.h"
#include "app/win32/dialogos_win32.h"
#include "app/win32/recursos.h"
#include "app/win32/texto_win32.h"
#include "link/directorio_puertos.h"

namespace r27 {

namespace {

// Menu commands and control identifiers.
enum : int {
  kId_actualizar = 101,
  kId_salir = 102,
  kId_auto = 201,
  kId_manual = 202,
  kId_planes = 210,  // .. 214
  kId_param_defecto = 220,
  kId_config_fpga = 221,
  kId_historial = 222,
  kId_ticks = 300,   // .. 306
  kId_radios = 400,  // .. 405
  kId_combo = 410,
  kId_ok_panel = 411,
  kId_grupo_com = 412,
  kId_barra_paso = 420,
  kId_barra_general = 421,
};
enum : UINT_PTR { kTimer_vigilancia = 1, kTimer_pausa = 2 };

// Colours the pictures are drawn in (as the Qt window's).
constexpr COLORREF kColor_texto = RGB(0x17, 0x2A, 0x3F);
constexpr COLORREF kColor_acento = RGB(0xE8, 0x86, 0x12);
constexpr COLORREF kColor_fondo = RGB(0xDD, 0xE3, 0xEA);

// Design of the form (design pixels).
constexpr int kPixeles_numeros = 32;
constexpr int kPixeles_info = 16;
constexpr int kPixeles_version = 19;
constexpr int kPixeles_progreso = 12;
constexpr int kFila_ticks = 368;
constexpr RECT kCaja_version{461, 116, 461 + 118, 116 + 24};
constexpr RECT kCaja_asistente{280, 224, 280 + 128, 224 + 128};
constexpr RECT kCaja_salir{0, 342, 32, 342 + 32};
constexpr int kX_lineas = 224;
constexpr int kY_lineas[3] = {152, 200, 248};
constexpr int kX_numeros = 192;
constexpr int kY_numeros[3] = {144, 192, 240};

constexpr const wchar_t* kClase_panel = L"R27_PConfigurarPuerto";
// The disconnect watch.
constexpr UINT kIntervalo_vigilancia_ms = 100;

HFONT Fuente(const LOGFONTW& base, int pixeles, bool negrita) {
  LOGFONTW f = base;
  f.lfHeight = -pixeles;
  f.lfWidth = 0;
  f.lfWeight = negrita ? FW_BOLD : FW_NORMAL;
  f.lfQuality = CLEARTYPE_QUALITY;
  return CreateFontIndirectW(&f);
}

// The manual port panel: white, a black band with "USB", its controls'
// notifications handed to the main window.
LRESULT CALLBACK Procedimiento_panel(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l) {
  switch (mensaje) {
    case WM_COMMAND:
      return SendMessageW(GetParent(hwnd), mensaje, w, l);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(w), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      const UINT dpi = static_cast<UINT>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      RECT banda{1, 1, r.right - 1, 1 + MulDiv(40, static_cast<int>(dpi), 96)};
      FillRect(dc, &banda, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      banda.left += MulDiv(16, static_cast<int>(dpi), 96);
      HFONT fuente = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
      HGDIOBJ antes = SelectObject(dc, fuente);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      DrawTextW(dc, Ancho(kTitulo_panel).c_str(), -1, &banda,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      SelectObject(dc, antes);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETFONT:
      SetPropW(hwnd, L"fuente", reinterpret_cast<HANDLE>(w));
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(hwnd, L"fuente"));
    case WM_DESTROY:
      RemovePropW(hwnd, L"fuente");
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, mensaje, w, l);
}

void Registrar_clases(HINSTANCE instancia, WNDPROC procedimiento) {
  static bool registradas = false;
  if (registradas) return;
  registradas = true;
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = procedimiento;
  c.hInstance = instancia;
  c.hIcon = LoadIconW(instancia, MAKEINTRESOURCEW(R27_ICONO));
  c.hIconSm = static_cast<HICON>(LoadImageW(instancia, MAKEINTRESOURCEW(R27_ICONO), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), 0));
  c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  c.lpszClassName = Ventana_win32::kClase;
  RegisterClassExW(&c);

  WNDCLASSEXW p{};
  p.cbSize = sizeof p;
  p.lpfnWndProc = Procedimiento_panel;
  p.hInstance = instancia;
  p.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  p.lpszClassName = kClase_panel;
  RegisterClassExW(&p);
}

}  // namespace

Ventana_win32::Ventana_win32(HINSTANCE instancia, bool servicio, Historial* historial)
    : Ventana_nucleo(nullptr), instancia_(instancia), historial_(historial) {
  Registrar_clases(instancia_, &Ventana_win32::Procedimiento);
  {
    HDC pantalla = GetDC(nullptr);
    dpi_ = GetDeviceCaps(pantalla, LOGPIXELSX);
    ReleaseDC(nullptr, pantalla);
    if (dpi_ <= 0) dpi_ = 96;
  }

  // The start-up: every state field, the language file, the embedded firmware
  // image and the version line.
  Arrancar(Ruta_idiomas());
  version_ = Ancho(Linea_version_());
  texto_progreso_ = Ancho(textos_[Texto::PROGRESO_GENERAL]);

  // The pictures at screen size, and the background as a brush.
  fondo_ = Imagen_win32::Cargar(R27_IMAGEN_FONDO, 600, 400, dpi_);
  boton_asistente_ = Imagen_win32::Cargar(R27_IMAGEN_BOTON_ASISTENTE, 128, 128, dpi_);
  salir_ = Imagen_win32::Cargar(R27_IMAGEN_SALIR, 32, 32, dpi_);
  for (int i = 0; i < kNumero_imagenes_accion; ++i)
    acciones_[static_cast<size_t>(i)] =
        Imagen_win32::Cargar(R27_IMAGEN_ACCION0 + i, 128, 128, dpi_);
  pincel_fondo_ =
      fondo_.Vacia() ? CreateSolidBrush(kColor_fondo) : CreatePatternBrush(fondo_.Mapa());
  Crear_fuentes();

  // The window: system menu and minimise only, sized to its client area.
  const DWORD estilo = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  Crear_menus();
  RECT r{0, 0, E(kAncho_cliente), E(kAlto_cliente)};
  AdjustWindowRectEx(&r, estilo, TRUE, 0);
  hwnd_ =
      CreateWindowExW(0, kClase, kTitulo, estilo, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                      r.bottom - r.top, nullptr, MenuPrincipal, instancia_, this);
  Crear_controles();
  act_correcta_ = std::make_unique<Form_act_correcta_win32>(instancia_, hwnd_, dpi_);

  sesion_ = std::make_unique<Sesion_asistente>(*this, *this, *this, Directorio_sistema(), textos_);
  if (servicio) {
    servicio_ = std::make_unique<Servicio>(*this, *sesion_, *this, historial);
    AppendMenuW(MenuConfigurar, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(MenuConfigurar, MF_STRING, kId_param_defecto,
                Ancho(Servicio::kTexto_param_defecto).c_str());
    AppendMenuW(MenuConfigurar, MF_STRING, kId_config_fpga,
                Ancho(Servicio::kTexto_config_fpga).c_str());
    AppendMenuW(MenuConfigurar, MF_STRING, kId_historial, Ancho(textos_.historial.menu).c_str());
    DrawMenuBar(hwnd_);
  }

  ProgressBar_general().Al_cambiar([this] {
    Reflejar_general();
    if (al_avanzar_general) al_avanzar_general();
  });
  Barra_progreso().Al_cambiar([this] {
    const Barra& b = Barra_progreso();
    SendMessageW(Barra_progreso_control, PBM_SETRANGE32, static_cast<WPARAM>(b.Minimo()),
                 b.Maximo());
    SendMessageW(Barra_progreso_control, PBM_SETPOS, static_cast<WPARAM>(b.Posicion()), 0);
  });

  // The start screen.
  Mostrar_pantalla(Pantalla_inicio(textos_, Linea_version_()));
}

Ventana_win32::~Ventana_win32() {
  if (Estado().conectado && sesion_) sesion_->Cerrar();
  Barra_progreso().Al_cambiar(nullptr);
  ProgressBar_general().Al_cambiar(nullptr);
  servicio_.reset();
  sesion_.reset();
  act_correcta_.reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (HFONT f : {fuente_info_, fuente_numeros_, fuente_version_, fuente_progreso_,
                  fuente_controles_, fuente_banda_})
    if (f) DeleteObject(f);
  if (pincel_fondo_) DeleteObject(pincel_fondo_);
  Liberar();
}

RECT Ventana_win32::Caja(int x, int y, int ancho, int alto) const {
  return RECT{E(x), E(y), E(x + ancho), E(y + alto)};
}

void Ventana_win32::Crear_fuentes() {
  NONCLIENTMETRICSW m{};
  m.cbSize = sizeof m;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
  const LOGFONTW& base = m.lfMessageFont;
  fuente_info_ = Fuente(base, E(kPixeles_info), false);
  fuente_numeros_ = Fuente(base, E(kPixeles_numeros), true);
  fuente_version_ = Fuente(base, E(kPixeles_version), true);
  fuente_progreso_ = Fuente(base, E(kPixeles_progreso), false);
  fuente_banda_ = Fuente(base, E(22), true);
  fuente_controles_ = CreateFontIndirectW(&base);
}

void Ventana_win32::Crear_menus() {
  const Menu_textos& m = textos_.menu;
  MenuPrincipal = CreateMenu();
  MenuArchivo = CreatePopupMenu();
  AppendMenuW(MenuArchivo, MF_STRING, kId_actualizar, Ancho(m.Actualizar1).c_str());
  AppendMenuW(MenuArchivo, MF_STRING, kId_salir, Ancho(m.MenuSalir).c_str());
  AppendMenuW(MenuPrincipal, MF_POPUP, reinterpret_cast<UINT_PTR>(MenuArchivo),
              Ancho(m.MenuArchivo).c_str());

  MenuConfigurar = CreatePopupMenu();
  AppendMenuW(MenuConfigurar, MF_STRING | MF_CHECKED, kId_auto, Ancho(m.Auto1).c_str());
  AppendMenuW(MenuConfigurar, MF_STRING, kId_manual, Ancho(m.MenuPuerto).c_str());
  // The plan sets: none is checked until the technician picks one.
  MenuPlanes = CreatePopupMenu();
  const std::array<const std::string*, 5> conjuntos{
      &m.Planes_europa, &m.Planes_asia, &m.Planes_america, &m.Planes_este, &m.Planes_australia};
  for (size_t k = 0; k < conjuntos.size(); ++k)
    AppendMenuW(MenuPlanes, MF_STRING, kId_planes + k, Ancho(*conjuntos[k]).c_str());
  AppendMenuW(MenuConfigurar, MF_POPUP, reinterpret_cast<UINT_PTR>(MenuPlanes),
              Ancho(m.MenuPlanes).c_str());
  AppendMenuW(MenuPrincipal, MF_POPUP, reinterpret_cast<UINT_PTR>(MenuConfigurar),
              Ancho(m.MenuConfigurar).c_str());
  // "Ayuda" (help page, About) is hidden in the design: it is not on the bar.
}

void Ventana_win32::Crear_controles() {
  auto control = [&](const wchar_t* clase, const wchar_t* texto, DWORD estilo, RECT caja, int id,
                     HWND padre) {
    HWND h =
        CreateWindowExW(0, clase, texto, WS_CHILD | estilo, caja.left, caja.top,
                        caja.right - caja.left, caja.bottom - caja.top, padre,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instancia_, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_controles_), FALSE);
    return h;
  };
  // The step bar is never shown; the overall bar shows during an update.
  Barra_progreso_control =
      control(PROGRESS_CLASSW, L"", PBS_SMOOTH, Caja(40, 280, 521, 25), kId_barra_paso, hwnd_);
  ProgressBar_general_control =
      control(PROGRESS_CLASSW, L"", PBS_SMOOTH, Caja(40, 304, 521, 25), kId_barra_general, hwnd_);
  Reflejar_general();

  // The step ticks: only the program (or the technician in service mode) sets them.
  for (size_t i = 0; i < kTicks_pasos.size(); ++i) {
    Checks_[i] =
        control(WC_BUTTONW, Ancho(kTicks_pasos[i].texto).c_str(), BS_AUTOCHECKBOX | WS_TABSTOP,
                Caja(40 + 76 * static_cast<int>(i), kFila_ticks, 74, 20),
                kId_ticks + static_cast<int>(i), hwnd_);
  }
  Crear_panel_puerto();
}

void Ventana_win32::Crear_panel_puerto() {
  const RECT c = Caja(8, 96, 585, 257);
  PConfigurarPuerto =
      CreateWindowExW(0, kClase_panel, L"", WS_CHILD | WS_CLIPCHILDREN, c.left, c.top,
                      c.right - c.left, c.bottom - c.top, hwnd_, nullptr, instancia_, nullptr);
  SetWindowLongPtrW(PConfigurarPuerto, GWLP_USERDATA, dpi_);
  SendMessageW(PConfigurarPuerto, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_banda_), FALSE);
  auto control = [&](const wchar_t* clase, const wchar_t* texto, DWORD estilo, RECT caja, int id) {
    HWND h =
        CreateWindowExW(0, clase, texto, WS_CHILD | WS_VISIBLE | estilo, caja.left, caja.top,
                        caja.right - caja.left, caja.bottom - caja.top, PConfigurarPuerto,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instancia_, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_controles_), FALSE);
    return h;
  };
  COM = control(WC_BUTTONW, Ancho(kTitulo_radio).c_str(), BS_GROUPBOX, Caja(32, 64, 250, 136),
                kId_grupo_com);
  for (int i = 0; i < kPuertos_radio; ++i) {
    // Two columns: 1-3 on the left, 4-6 on the right.
    COM_radios[static_cast<size_t>(i)] =
        control(WC_BUTTONW, std::to_wstring(i + 1).c_str(),
                BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0),
                Caja(32 + 24 + (i / 3) * 110, 64 + 30 + (i % 3) * 32, 80, 26), kId_radios + i);
  }
  SendMessageW(COM_radios[0], BM_SETCHECK, BST_CHECKED, 0);
  Com_extended = control(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                         Caja(330, 96, 160, 200), kId_combo);
  BConfigurarPuerto = control(WC_BUTTONW, Ancho(kTexto_ok_panel).c_str(),
                              BS_PUSHBUTTON | WS_TABSTOP, Caja(470, 208, 90, 32), kId_ok_panel);
}

void Ventana_win32::Mostrar(int como) {
  ShowWindow(hwnd_, como);
  UpdateWindow(hwnd_);
}

std::array<std::string, 3> Ventana_win32::Lineas() const {
  return {Utf8(lineas_[0]), Utf8(lineas_[1]), Utf8(lineas_[2])};
}

// ---- Painting ----------------------------------------------------------

void Ventana_win32::Texto_en(HDC dc, const std::wstring& texto, HFONT fuente, COLORREF color,
                             RECT caja, UINT formato) {
  HGDIOBJ antes = SelectObject(dc, fuente);
  SetTextColor(dc, color);
  DrawTextW(dc, texto.c_str(), static_cast<int>(texto.size()), &caja,
            formato | DT_NOPREFIX | DT_SINGLELINE);
  SelectObject(dc, antes);
}

void Ventana_win32::Pintar(HDC dc) {
  RECT cliente;
  GetClientRect(hwnd_, &cliente);
  FillRect(dc, &cliente, pincel_fondo_ ? pincel_fondo_ : GetSysColorBrush(COLOR_BTNFACE));
  if (!fondo_.Vacia()) {
    // The picture is 600 x 400 of the 601 x 401 client area: the rest in its colour.
    HBRUSH borde = CreateSolidBrush(kColor_fondo);
    FillRect(dc, &cliente, borde);
    DeleteObject(borde);
    fondo_.Dibujar(dc, 0, 0);
  }
  if (imagen_ >= 0 && imagen_ < kNumero_imagenes_accion)
    acciones_[static_cast<size_t>(imagen_)].Dibujar(dc, E(40), E(136));
  if (boton_) boton_asistente_.Dibujar(dc, E(kCaja_asistente.left), E(kCaja_asistente.top));
  salir_.Dibujar(dc, E(kCaja_salir.left), E(kCaja_salir.top));

  SetBkMode(dc, TRANSPARENT);
  if (numeros_) {
    // Tighter than the font's own spacing so "1." keeps clear of the text beside it.
    const int antes = SetTextCharacterExtra(dc, -E(4));
    for (int i = 0; i < 3; ++i)
      Texto_en(dc, std::to_wstring(i + 1) + L".", fuente_numeros_, kColor_acento,
               RECT{E(kX_numeros), E(kY_numeros[i]), E(kX_lineas), E(kY_numeros[i] + 48)},
               DT_LEFT | DT_TOP);
    SetTextCharacterExtra(dc, antes);
  }
  for (int i = 0; i < 3; ++i)
    Texto_en(dc, lineas_[static_cast<size_t>(i)], fuente_info_, kColor_texto,
             RECT{E(kX_lineas), E(kY_lineas[i]), cliente.right, E(kY_lineas[i] + 24)},
             DT_LEFT | DT_TOP);
  // The version line is right-aligned: its right edge stays put while it grows.
  Texto_en(dc, version_, fuente_version_, kColor_texto,
           RECT{E(40), E(kCaja_version.top), E(kCaja_version.right), E(kCaja_version.bottom)},
           DT_RIGHT | DT_VCENTER);
  if (progreso_general_)
    Texto_en(dc, texto_progreso_, fuente_progreso_, kColor_texto,
             RECT{E(40), E(288), E(561), E(303)}, DT_LEFT | DT_TOP);
}

void Ventana_win32::Redibujar() {
  InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateWindow(hwnd_);
}

void Ventana_win32::Reflejar_general() {
  const Barra& b = ProgressBar_general();
  // An empty range shows an empty bar.
  const int maximo = b.Maximo() > b.Minimo() ? b.Maximo() : b.Minimo() + 1;
  SendMessageW(ProgressBar_general_control, PBM_SETRANGE32, static_cast<WPARAM>(b.Minimo()),
               maximo);
  SendMessageW(ProgressBar_general_control, PBM_SETPOS,
               static_cast<WPARAM>(b.Maximo() > b.Minimo() ? b.Posicion() : b.Minimo()), 0);
}

// ---- The core's view ---------------------------------------------------

void Ventana_win32::Mostrar_pantalla(const Pantalla& pantalla) {
  if (pantalla.imagen >= 0 && pantalla.imagen < kNumero_imagenes_accion) imagen_ = pantalla.imagen;
  for (size_t i = 0; i < 3; ++i) lineas_[i] = Ancho(pantalla.lineas[i]);
  numeros_ = pantalla.numeros_visibles;
  boton_ = pantalla.boton_visible;
  if (pantalla.progreso_general_visible) {
    progreso_general_ = *pantalla.progreso_general_visible;
    ShowWindow(ProgressBar_general_control, progreso_general_ ? SW_SHOW : SW_HIDE);
  }
  Redibujar();
  Procesar_mensajes();
  if (al_mostrar_pantalla) al_mostrar_pantalla();
}

void Ventana_win32::Fijar_linea2(const std::string& texto) {
  lineas_[1] = Ancho(texto);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Ventana_win32::Fijar_linea3(const std::string& texto) {
  lineas_[2] = Ancho(texto);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Ventana_win32::Mostrar_imagen(int indice) {
  if (indice < 0 || indice >= kNumero_imagenes_accion) return;
  imagen_ = indice;
  Redibujar();
  Procesar_mensajes();
}

void Ventana_win32::Mostrar_numeros(bool visibles) {
  numeros_ = visibles;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Ventana_win32::Mostrar_boton(bool visible) {
  boton_ = visible;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Ventana_win32::Ocultar_progreso() {
  ShowWindow(Barra_progreso_control, SW_HIDE);
  ShowWindow(ProgressBar_general_control, SW_HIDE);
  progreso_general_ = false;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void Ventana_win32::Habilitar_menus(bool habilitados) {
  // "Archivo" and "Configurar" ("Ayuda" is not on the bar).
  const UINT estado = MF_BYPOSITION | (habilitados ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(MenuPrincipal, 0, estado);
  EnableMenuItem(MenuPrincipal, 1, estado);
  DrawMenuBar(hwnd_);
  // The manual port panel with them: a port chosen during a search or an update
  // would send the reconnects and the check after writing to another port.
  for (HWND control : COM_radios) EnableWindow(control, habilitados);
  for (HWND control : {COM, Com_extended, BConfigurarPuerto}) EnableWindow(control, habilitados);
  // The run is over: logging off no longer meets the update's reason.
  if (habilitados) Permitir_fin_sesion();
}

void Ventana_win32::Habilitar() {
  vigilando_ = true;
  SetTimer(hwnd_, kTimer_vigilancia, kIntervalo_vigilancia_ms, nullptr);
}

void Ventana_win32::Deshabilitar() {
  vigilando_ = false;
  KillTimer(hwnd_, kTimer_vigilancia);
}

void Ventana_win32::Bloquear_fin_sesion() {
  if (!motivo_fin_sesion_.empty()) return;
  motivo_fin_sesion_ = Ancho(textos_[Texto::AVISOACT]);
  motivo_con_sistema_ = ShutdownBlockReasonCreate(hwnd_, motivo_fin_sesion_.c_str()) != FALSE;
}

void Ventana_win32::Permitir_fin_sesion() {
  if (motivo_con_sistema_) ShutdownBlockReasonDestroy(hwnd_);
  motivo_con_sistema_ = false;
  motivo_fin_sesion_.clear();
}

// ---- Service mode ------------------------------------------------------

void Ventana_win32::Mostrar_ticks(bool visibles, bool habilitados) {
  const Estado_ventana& e = Estado();
  for (size_t i = 0; i < Checks_.size(); ++i) {
    SendMessageW(Checks_[i], BM_SETCHECK, e.*kTicks_pasos[i].marcado ? BST_CHECKED : BST_UNCHECKED,
                 0);
    EnableWindow(Checks_[i], habilitados);
    ShowWindow(Checks_[i], visibles ? SW_SHOW : SW_HIDE);
  }
}

void Ventana_win32::Mostrar_pausa(bool en_pausa, const std::string& linea3) {
  lineas_[2] = Ancho(linea3);
  boton_ = en_pausa;
  // The service dialogs may work on the meter now; the rest of the menus stay off.
  EnableMenuItem(MenuPrincipal, 1, MF_BYPOSITION | (en_pausa ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(hwnd_);
  Redibujar();
}

void Ventana_win32::Esperar_mientras(const std::function<bool()>& seguir) {
  // The timer wakes the loop, so a change made outside any message is seen too.
  SetTimer(hwnd_, kTimer_pausa, Servicio::kIntervalo_pausa_ms, nullptr);
  if (al_esperar_pausa) al_esperar_pausa();
  MSG m;
  while (seguir()) {
    const BOOL r = GetMessageW(&m, nullptr, 0, 0);
    if (r == 0 || r == -1) {
      // The program is asked to end: the loops stop, and the request waits for
      // the outer loop.
      Estado().saliendo = true;
      salida_pedida_ = true;
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  KillTimer(hwnd_, kTimer_pausa);
  if (salida_pedida_) PostQuitMessage(0);
}

void Ventana_win32::Param_defectoClick() {
  if (!servicio_) return;
  servicio_->Param_defectoClick([this](TFParam_defecto& param) {
    Dialogo_param_defecto_win32(instancia_, hwnd_, dpi_, param);
  });
}

void Ventana_win32::Config_fpgaClick() {
  if (!servicio_) return;
  servicio_->Config_fpgaClick([this](TCFpga& fpga, const std::function<bool()>& antes_de_grabar) {
    Dialogo_fpga_win32(instancia_, hwnd_, dpi_, fpga, antes_de_grabar);
  });
}

void Ventana_win32::HistorialClick() {
  if (!servicio_) return;
  const Lectura_historial lectura = historial_ ? historial_->Leer() : Lectura_historial{};
  // The path as the technician reads it: UTF-16 from the system, UTF-8 to the core.
  const std::string fichero = historial_ ? Utf8(historial_->Fichero().wstring()) : std::string();
  Dialogo_historial_win32(instancia_, hwnd_, dpi_, lectura, fichero, textos_.historial);
}

// ---- The drawing's part of Interfaz_ventana ----------------------------

void Ventana_win32::Procesar_mensajes() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      // Asked to end inside a wait: the loops stop; the outer loop ends the program.
      Estado().saliendo = true;
      salida_pedida_ = true;
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (salida_pedida_) PostQuitMessage(0);
}

void Ventana_win32::Pitido(unsigned frecuencia_hz, unsigned duracion_ms) {
  Beep(frecuencia_hz, duracion_ms);
}

void Ventana_win32::Mensaje(const std::string& texto) {
  if (al_mensaje_desatendido) {
    al_mensaje_desatendido(texto);
    return;
  }
  MessageBoxW(hwnd_, Ancho(texto).c_str(), L"Update", MB_OK);
}

bool Ventana_win32::Confirmar(const std::string& texto) {
  if (al_confirmar_desatendido) return al_confirmar_desatendido(texto);
  return MessageBoxW(hwnd_, Ancho(texto).c_str(), L"", MB_OKCANCEL) == IDOK;
}

// ---- Handlers ----------------------------------------------------------

void Ventana_win32::Terminar_proceso() {
  std::fflush(nullptr);
  ExitProcess(0);
}

void Ventana_win32::MenuSalirClick() {
  switch (Salida_menu(Estado())) {
    case Salida::avisar:
      Mensaje(textos_[Texto::AVISOACT]);
      return;
    case Salida::rechazar:
      return;
    case Salida::terminar:
      Terminar_proceso();
  }
}

void Ventana_win32::SpeedButton_exitClick() {
  if (Salida_boton(Estado()) == Salida::terminar) Terminar_proceso();
}

void Ventana_win32::Auto1Click() {
  automatico_ = true;
  CheckMenuItem(MenuConfigurar, kId_auto, MF_CHECKED);
  CheckMenuItem(MenuConfigurar, kId_manual, MF_UNCHECKED);
  ShowWindow(PConfigurarPuerto, SW_HIDE);
}

void Ventana_win32::MenuPuertoClick() {
  automatico_ = false;
  CheckMenuItem(MenuConfigurar, kId_auto, MF_UNCHECKED);
  CheckMenuItem(MenuConfigurar, kId_manual, MF_CHECKED);
  SetWindowPos(PConfigurarPuerto, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void Ventana_win32::MenuPlanesClick(int conjunto) {
  if (!Elegir_planes(Estado(), conjunto)) return;
  CheckMenuRadioItem(MenuPlanes, kId_planes, kId_planes + kConjuntos_elegibles - 1,
                     kId_planes + conjunto, MF_BYCOMMAND);
  SendMessageW(Checks_[3], BM_SETCHECK, BST_CHECKED, 0);  // Check_planes
}

void Ventana_win32::About1Click() { Mostrar_about_win32(instancia_, hwnd_, dpi_); }

void Ventana_win32::COM_Click(int item) {
  Elegir_puerto_radio(Estado(), item);
  SendMessageW(Com_extended, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void Ventana_win32::Com_extendedChange() {
  // The name shown now stays chosen while its port exists.
  wchar_t mostrado[32] = {};
  const LRESULT i = SendMessageW(Com_extended, CB_GETCURSEL, 0, 0);
  if (i != CB_ERR && SendMessageW(Com_extended, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 31)
    SendMessageW(Com_extended, CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(mostrado));
  const Lista_puertos lista = Rellenar_lista_puertos(Directorio_sistema(), Utf8(mostrado));
  SendMessageW(Com_extended, CB_RESETCONTENT, 0, 0);
  for (const std::string& nombre : lista.nombres)
    SendMessageW(Com_extended, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Ancho(nombre).c_str()));
  SendMessageW(Com_extended, CB_SETCURSEL, static_cast<WPARAM>(lista.elegido), 0);
}

void Ventana_win32::Com_extended_select() {
  const LRESULT i = SendMessageW(Com_extended, CB_GETCURSEL, 0, 0);
  if (i == CB_ERR) return;
  wchar_t nombre[32] = {};
  if (SendMessageW(Com_extended, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= 31) return;
  SendMessageW(Com_extended, CB_GETLBTEXT, static_cast<WPARAM>(i),
               reinterpret_cast<LPARAM>(nombre));
  const std::string titulo = Elegir_puerto_lista(Estado(), Utf8(nombre));
  if (titulo.empty()) return;
  SetWindowTextW(COM, Ancho(titulo).c_str());
  // No radio item stands for this port any more.
  for (HWND r : COM_radios) SendMessageW(r, BM_SETCHECK, BST_UNCHECKED, 0);
}

bool Ventana_win32::Sobre_boton(int x, int y, bool asistente) const {
  const RECT& c = asistente ? kCaja_asistente : kCaja_salir;
  if (asistente && !boton_) return false;
  return x >= E(c.left) && x < E(c.right) && y >= E(c.top) && y < E(c.bottom);
}

void Ventana_win32::Clic(int x, int y) {
  if (Sobre_boton(x, y, true)) {
    sesion_->Pulsar_asistente();
  } else if (Sobre_boton(x, y, false)) {
    SpeedButton_exitClick();
  }
}

void Ventana_win32::Orden(int id, int codigo, HWND control) {
  if (id >= kId_planes && id < kId_planes + kConjuntos_elegibles) {
    MenuPlanesClick(id - kId_planes);
    return;
  }
  if (id >= kId_ticks && id < kId_ticks + 7) {
    if (codigo == BN_CLICKED && servicio_)
      servicio_->Marcar_tick(static_cast<size_t>(id - kId_ticks),
                             SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
    return;
  }
  if (id >= kId_radios && id < kId_radios + kPuertos_radio) {
    if (codigo == BN_CLICKED) COM_Click(id - kId_radios);
    return;
  }
  switch (id) {
    case kId_actualizar:
      sesion_->Actualizar();
      break;
    case kId_salir:
      MenuSalirClick();
      break;
    case kId_auto:
      Auto1Click();
      break;
    case kId_manual:
      MenuPuertoClick();
      break;
    case kId_param_defecto:
      Param_defectoClick();
      break;
    case kId_config_fpga:
      Config_fpgaClick();
      break;
    case kId_historial:
      HistorialClick();
      break;
    case kId_combo:
      // Filled when the technician enters it or opens its list, so it always
      // names the ports that exist now.
      if (codigo == CBN_DROPDOWN || codigo == CBN_SETFOCUS) Com_extendedChange();
      if (codigo == CBN_SELCHANGE) Com_extended_select();
      break;
    case kId_ok_panel:
      ShowWindow(PConfigurarPuerto, SW_HIDE);
      break;
    default:
      break;
  }
}

// ---- The window procedure ----------------------------------------------

LRESULT CALLBACK Ventana_win32::Procedimiento(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l) {
  if (mensaje == WM_NCCREATE) {
    auto* crear = reinterpret_cast<CREATESTRUCTW*>(l);
    auto* v = static_cast<Ventana_win32*>(crear->lpCreateParams);
    v->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
  }
  auto* v = reinterpret_cast<Ventana_win32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!v) return DefWindowProcW(hwnd, mensaje, w, l);
  try {
    return v->Atender(mensaje, w, l);
  } catch (const std::exception& e) {
    // What escapes a handler is shown, and the window goes on.
    MessageBoxW(hwnd, Ancho(e.what()).c_str(), L"Update", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxW(hwnd, L"Unknown exception", L"Update", MB_OK | MB_ICONERROR);
  }
  return 0;
}

LRESULT Ventana_win32::Atender(UINT mensaje, WPARAM w, LPARAM l) {
  switch (mensaje) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      // Drawn off screen first, then copied: no flicker.
      RECT r;
      GetClientRect(hwnd_, &r);
      HDC memoria = CreateCompatibleDC(dc);
      HBITMAP mapa = CreateCompatibleBitmap(dc, r.right, r.bottom);
      HGDIOBJ antes = SelectObject(memoria, mapa);
      Pintar(memoria);
      BitBlt(dc, 0, 0, r.right, r.bottom, memoria, 0, 0, SRCCOPY);
      SelectObject(memoria, antes);
      DeleteObject(mapa);
      DeleteDC(memoria);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // The ticks stand on the background picture: its own piece behind each.
      HDC dc = reinterpret_cast<HDC>(w);
      HWND control = reinterpret_cast<HWND>(l);
      RECT r;
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      SetBrushOrgEx(dc, -r.left, -r.top, nullptr);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, kColor_texto);
      return reinterpret_cast<LRESULT>(pincel_fondo_);
    }
    case WM_SETCURSOR: {
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(hwnd_, &p);
      if (LOWORD(l) == HTCLIENT && (Sobre_boton(p.x, p.y, true) || Sobre_boton(p.x, p.y, false))) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONUP:
      Clic(GET_X_LPARAM(l), GET_Y_LPARAM(l));
      return 0;
    case WM_COMMAND:
      Orden(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l));
      return 0;
    case WM_TIMER:
      if (w == kTimer_vigilancia) sesion_->Vigilar();
      return 0;
    case WM_QUERYENDSESSION:
      // Logging off or shutting down while the meter is written is refused, and
      // the system shows the reason beside the window.
      if (Estado().actualizando) {
        Bloquear_fin_sesion();
        return FALSE;
      }
      Permitir_fin_sesion();
      return TRUE;
    case WM_CLOSE:
      // Refused while an update runs; otherwise the connection loops stop and
      // the message loop ends once the work in hand returns.
      if (Cierre_permitido(Estado())) {
        ShowWindow(hwnd_, SW_HIDE);
        PostQuitMessage(0);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, mensaje, w, l);
}

}  // namespace r27
