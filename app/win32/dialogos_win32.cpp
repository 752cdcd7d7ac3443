// The small windows: one window class whose procedure hands every message to
// the window's own handler, and a modal loop that runs until it closes.
#include "app/win32/dialogos_win32.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/historial.h"
#include "app/nucleo/vista_historial.h"
#include "app/win32/imagenes_win32.h"
#include "app/win32/recursos.h"
#include "app/win32/texto_win32.h"
#include "components/tcfpga.h"
#include "components/texto_control.h"
#include "factory/textos_param_defecto.h"
#include "factory/tfparam_defecto.h"

namespace r27 {

std::function<void(HWND)> al_mostrar_dialogo_win32;

namespace {

constexpr const wchar_t* kClase_dialogo = L"R27_Dialogo";

// One small window: its handlers and what it paints itself.
struct Dialogo {
  std::function<bool(int id, int codigo, HWND control)> al_orden;  // WM_COMMAND
  std::function<void(HDC)> al_pintar;
  std::function<void(const DRAWITEMSTRUCT&)> al_dibujar_control;
  // WM_NOTIFY: true when handled, with the message's result in `resultado`.
  std::function<bool(NMHDR& aviso, LRESULT& resultado)> al_notificar;
  std::function<bool()> puede_cerrar;  // the close box
  HBRUSH fondo = nullptr;              // behind the static controls
  bool cerrado = false;
};

LRESULT CALLBACK Procedimiento_dialogo(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l) {
  if (mensaje == WM_NCCREATE)
    SetWindowLongPtrW(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
  auto* d = reinterpret_cast<Dialogo*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!d) return DefWindowProcW(hwnd, mensaje, w, l);
  switch (mensaje) {
    case WM_COMMAND:
      if (d->al_orden && d->al_orden(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l))) return 0;
      break;
    case WM_PAINT:
      if (d->al_pintar) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        d->al_pintar(dc);
        EndPaint(hwnd, &ps);
        return 0;
      }
      break;
    case WM_DRAWITEM:
      if (d->al_dibujar_control) {
        d->al_dibujar_control(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        return TRUE;
      }
      break;
    case WM_NOTIFY:
      if (d->al_notificar) {
        LRESULT resultado = 0;
        if (d->al_notificar(*reinterpret_cast<NMHDR*>(l), resultado)) return resultado;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (d->fondo) {
        SetBkMode(reinterpret_cast<HDC>(w), TRANSPARENT);
        return reinterpret_cast<LRESULT>(d->fondo);
      }
      break;
    case WM_CLOSE:
      if (!d->puede_cerrar || d->puede_cerrar()) d->cerrado = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, mensaje, w, l);
}

void Registrar(HINSTANCE instancia) {
  static bool hecho = false;
  if (hecho) return;
  hecho = true;
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = Procedimiento_dialogo;
  c.hInstance = instancia;
  c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  c.lpszClassName = kClase_dialogo;
  RegisterClassExW(&c);
}

// A window of `cliente_ancho` x `cliente_alto` screen pixels centred on `dueno`.
HWND Crear(HINSTANCE instancia, HWND dueno, Dialogo& d, const std::wstring& titulo, DWORD estilo,
           int cliente_ancho, int cliente_alto) {
  Registrar(instancia);
  RECT r{0, 0, cliente_ancho, cliente_alto};
  AdjustWindowRectEx(&r, estilo, FALSE, WS_EX_DLGMODALFRAME);
  const int ancho = r.right - r.left;
  const int alto = r.bottom - r.top;
  RECT de{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (dueno) GetWindowRect(dueno, &de);
  const int x = de.left + (de.right - de.left - ancho) / 2;
  const int y = de.top + (de.bottom - de.top - alto) / 2;
  return CreateWindowExW(WS_EX_DLGMODALFRAME, kClase_dialogo, titulo.c_str(), estilo, x < 0 ? 0 : x,
                         y < 0 ? 0 : y, ancho, alto, dueno, nullptr, instancia, &d);
}

// Shows `hwnd` and runs messages until it closes; the owner is disabled meanwhile.
void Modal(HWND hwnd, HWND dueno, Dialogo& d) {
  if (dueno) EnableWindow(dueno, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  if (al_mostrar_dialogo_win32) al_mostrar_dialogo_win32(hwnd);
  MSG m;
  while (!d.cerrado) {
    const BOOL r = GetMessageW(&m, nullptr, 0, 0);
    if (r == 0 || r == -1) {
      PostQuitMessage(0);  // for the outer loop
      break;
    }
    if (!IsDialogMessageW(hwnd, &m)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  if (dueno) {
    EnableWindow(dueno, TRUE);
    SetActiveWindow(dueno);
  }
  DestroyWindow(hwnd);
}

HFONT Fuente_dialogo(int dpi) {
  NONCLIENTMETRICSW m{};
  m.cbSize = sizeof m;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
  LOGFONTW f = m.lfMessageFont;
  (void)dpi;  // the system's message font is already at the screen's scale
  return CreateFontIndirectW(&f);
}

struct Fuente_propia {
  HFONT f;
  explicit Fuente_propia(HFONT fuente) : f(fuente) {}
  ~Fuente_propia() {
    if (f) DeleteObject(f);
  }
};

// Controls of a small window, laid out in design pixels.
class Constructor {
 public:
  Constructor(HINSTANCE instancia, HWND padre, int dpi, HFONT fuente)
      : instancia_(instancia), padre_(padre), dpi_(dpi), fuente_(fuente) {}
  int E(int v) const { return MulDiv(v, dpi_, 96); }
  HWND Control(const wchar_t* clase, const std::wstring& texto, DWORD estilo, int x, int y,
               int ancho, int alto, int id = 0, DWORD extendido = 0) {
    HWND h = CreateWindowExW(
        extendido, clase, texto.c_str(), WS_CHILD | WS_VISIBLE | estilo, E(x), E(y), E(ancho),
        E(alto), padre_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instancia_, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_), FALSE);
    return h;
  }

 private:
  HINSTANCE instancia_;
  HWND padre_;
  int dpi_;
  HFONT fuente_;
};

std::wstring A(std::string_view s) { return Ancho(std::string(s)); }

// The object's text shown in a control, now and on every change, until the
// returned guard goes.
struct Reflejo {
  Texto_control* texto = nullptr;
  ~Reflejo() {
    if (texto) texto->Al_cambiar(nullptr);
  }
};
void Reflejar(Texto_control& texto, HWND control, Reflejo& guarda) {
  SetWindowTextW(control, Ancho(texto.Texto()).c_str());
  texto.Al_cambiar([&texto, control] {
    SetWindowTextW(control, Ancho(texto.Texto()).c_str());
    UpdateWindow(control);
  });
  guarda.texto = &texto;
}

}  // namespace

// ---- About and the correct-update box ----------------------------------

void Mostrar_about_win32(HINSTANCE instancia, HWND dueno, int dpi) {
  const Imagen_win32 imagen = Imagen_win32::Cargar(R27_IMAGEN_ABOUT, 373, 390, dpi);
  Dialogo d;
  d.al_pintar = [&](HDC dc) { imagen.Dibujar(dc, 0, 0); };
  // Sized to its content: the picture fills the client area.
  HWND hwnd = Crear(instancia, dueno, d, L"About", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    imagen.Ancho(), imagen.Alto());
  Modal(hwnd, dueno, d);
}

struct Form_act_correcta_win32::Partes {
  Dialogo d;
  Imagen_win32 imagen;
  HFONT fuente = nullptr;
  HBRUSH plata = nullptr;
  HWND hwnd = nullptr;
};

Form_act_correcta_win32::Form_act_correcta_win32(HINSTANCE instancia, HWND dueno, int dpi)
    : partes_(std::make_unique<Partes>()) {
  Partes& p = *partes_;
  p.imagen = Imagen_win32::Cargar(R27_IMAGEN_CORRECTA, 64, 64, dpi);
  p.fuente = Fuente_dialogo(dpi);
  p.plata = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
  p.d.fondo = p.plata;
  // A dialog border without border icons; client 192 x 96, silver.
  p.hwnd = Crear(instancia, dueno, p.d, L"", WS_POPUP | WS_CAPTION, MulDiv(192, dpi, 96),
                 MulDiv(96, dpi, 96));
  Constructor c(instancia, p.hwnd, dpi, p.fuente);
  c.Control(WC_BUTTONW, L"", BS_GROUPBOX, 16, 8, 161, 73);
  c.Control(WC_STATICW, L"Actualizaci\u00f3n", SS_LEFT, 16 + 80, 8 + 24, 80, 16);
  c.Control(WC_STATICW, L"correcta !", SS_LEFT, 16 + 88, 8 + 40, 72, 16);
  p.d.al_pintar = [&p, dpi](HDC dc) {
    RECT r;
    GetClientRect(p.hwnd, &r);
    FillRect(dc, &r, p.plata);
    p.imagen.Dibujar(dc, MulDiv(16, dpi, 96), MulDiv(8 + 8, dpi, 96));
  };
}

Form_act_correcta_win32::~Form_act_correcta_win32() {
  if (partes_->hwnd) DestroyWindow(partes_->hwnd);
  DeleteObject(partes_->fuente);
  DeleteObject(partes_->plata);
}

HWND Form_act_correcta_win32::Hwnd() const { return partes_->hwnd; }

// ---- "Parametros por defecto" ------------------------------------------

void Dialogo_param_defecto_win32(HINSTANCE instancia, HWND dueno, int dpi, TFParam_defecto& param) {
  using T = Dialogo_param_defecto;
  Fuente_propia fuente(Fuente_dialogo(dpi));
  const Imagen_win32 ok = Imagen_win32::Cargar(R27_IMAGEN_CORRECTA, 64, 64, dpi);
  const Imagen_win32 cancelar = Imagen_win32::Cargar(R27_IMAGEN_CANCELAR, 64, 64, dpi);
  Dialogo d;
  d.puede_cerrar = [&] { return !param.En_curso(); };
  HWND hwnd = Crear(instancia, dueno, d, A(T::kTitulo), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    MulDiv(T::kAncho, dpi, 96), MulDiv(T::kAlto, dpi, 96));
  Constructor c(instancia, hwnd, dpi, fuente.f);

  // Two radio groups on the left, four groups of boxes on the right, the two
  // lines and the picture buttons at the bottom.
  constexpr int kMargen = 12, kAncho_radios = 156, kX_grupos = kMargen + kAncho_radios + 12;
  constexpr int kAncho_grupos = T::kAncho - kX_grupos - kMargen;
  constexpr int kTitulo = 22, kFila = 22, kEntre = 6, kX_fila = 14;
  constexpr int kY_lineas = 382, kAlto_linea = 28, kLado_boton = 65;
  auto alto_grupo = [&](int filas) { return kTitulo + filas * kFila + 8; };

  // OK and Cancel are clicked, never pressed from the keyboard: their ids are not
  // IDOK and IDCANCEL, which the dialog keys send for Enter and Esc, and they
  // take no keyboard focus (no tab stop), so no key reaches them.
  enum : int { kId_ok = 10, kId_cancelar = 11, kId_casillas = 100, kId_radios = 200 };
  std::vector<HWND> radios;
  int y = kMargen;
  auto radio_grupo = [&](std::string_view titulo, std::span<const std::string_view> items,
                         int base) {
    c.Control(WC_BUTTONW, A(titulo), BS_GROUPBOX, kMargen, y, kAncho_radios,
              alto_grupo(static_cast<int>(items.size())));
    int fila = 0;
    for (std::string_view item : items) {
      HWND r =
          c.Control(WC_BUTTONW, A(item),
                    BS_AUTORADIOBUTTON | WS_TABSTOP | (fila == 0 ? WS_GROUP : 0), kMargen + kX_fila,
                    y + kTitulo + fila * kFila, kAncho_radios - 2 * kX_fila, kFila, base + fila);
      if (fila == 0) SendMessageW(r, BM_SETCHECK, BST_CHECKED, 0);
      radios.push_back(r);
      ++fila;
    }
    y += alto_grupo(static_cast<int>(items.size())) + kEntre;
  };
  radio_grupo(T::kModelo, T::kModelos, kId_radios);
  radio_grupo(T::kIdioma, T::kIdiomas, kId_radios + 10);

  struct Fila {
    Casilla* casilla;
    std::string_view texto;
  };
  struct Grupo {
    std::string_view titulo;
    std::vector<Fila> filas;
  };
  const Grupo grupos[] = {
      {T::kGrabar_eeprom,
       {{&param.check_grabar_conf_fabrica, T::kConf_fabrica},
        {&param.check_grabar_conf_actual, T::kConf_actual},
        {&param.check_grabar_perfiles, T::kPerfiles}}},
      {T::kBorrar_eeprom, {{&param.check_borrar_incidencias, T::kIncidencias}}},
      {T::kBorrar_flash,
       {{&param.check_borrar_tablas, T::kTablas},
        {&param.check_borrar_memorias, T::kMemorias},
        {&param.check_borrar_macromedidas, T::kMacromedidas},
        {&param.check_borrar_logs, T::kLogs}}},
      {T::kGrabar_flash,
       {{&param.check_grabar_planes, T::kPlanes}, {&param.check_grabar_opciones, T::kOpciones}}},
  };
  std::vector<std::pair<HWND, Casilla*>> casillas;
  y = kMargen;
  for (const Grupo& g : grupos) {
    c.Control(WC_BUTTONW, A(g.titulo), BS_GROUPBOX, kX_grupos, y, kAncho_grupos,
              alto_grupo(static_cast<int>(g.filas.size())));
    int fila = 0;
    for (const Fila& f : g.filas) {
      HWND h = c.Control(WC_BUTTONW, A(f.texto), BS_AUTOCHECKBOX | WS_TABSTOP, kX_grupos + kX_fila,
                         y + kTitulo + fila * kFila, kAncho_grupos - 2 * kX_fila, kFila,
                         kId_casillas + static_cast<int>(casillas.size()));
      SendMessageW(h, BM_SETCHECK, f.casilla->marcada ? BST_CHECKED : BST_UNCHECKED, 0);
      EnableWindow(h, f.casilla->habilitada);
      casillas.emplace_back(h, f.casilla);
      ++fila;
    }
    y += alto_grupo(static_cast<int>(g.filas.size())) + kEntre;
  }

  const int ancho_linea = T::kAncho - 2 * kMargen - 2 * kLado_boton - 20;
  HWND estado = c.Control(WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_SUNKEN, kMargen, kY_lineas,
                          ancho_linea, kAlto_linea);
  HWND accion = c.Control(WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_SUNKEN, kMargen,
                          kY_lineas + kAlto_linea + kEntre, ancho_linea, kAlto_linea);
  Reflejo r1, r2;
  Reflejar(param.Panel_estado, estado, r1);
  Reflejar(param.Panel_accion, accion, r2);
  const int x_cancelar = T::kAncho - kMargen - kLado_boton;
  HWND boton_cancelar = c.Control(WC_BUTTONW, L"Cancel", BS_OWNERDRAW, x_cancelar, kY_lineas,
                                  kLado_boton, kLado_boton, kId_cancelar);
  HWND boton_ok = c.Control(WC_BUTTONW, L"OK", BS_OWNERDRAW, x_cancelar - 8 - kLado_boton,
                            kY_lineas, kLado_boton, kLado_boton, kId_ok);
  // Flat picture buttons.
  d.al_dibujar_control = [&](const DRAWITEMSTRUCT& di) {
    FillRect(di.hDC, &di.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const Imagen_win32& imagen = di.CtlID == kId_ok ? ok : cancelar;
    const int x = (di.rcItem.right - imagen.Ancho()) / 2 + ((di.itemState & ODS_SELECTED) ? 1 : 0);
    const int yy = (di.rcItem.bottom - imagen.Alto()) / 2 + ((di.itemState & ODS_SELECTED) ? 1 : 0);
    imagen.Dibujar(di.hDC, x, yy);
    if (di.itemState & ODS_SELECTED)
      DrawEdge(di.hDC, const_cast<RECT*>(&di.rcItem), BDR_SUNKENOUTER, BF_RECT);
  };
  param.al_cerrar = [&] { d.cerrado = true; };
  auto habilitar = [&](bool si) {
    for (auto& [h, casilla] : casillas) EnableWindow(h, si && casilla->habilitada);
    for (HWND r : radios) EnableWindow(r, si);
    EnableWindow(boton_ok, si);
    EnableWindow(boton_cancelar, si);
  };
  d.al_orden = [&](int id, int codigo, HWND control) {
    if (codigo != BN_CLICKED) return false;
    if (id >= kId_casillas && id < kId_casillas + static_cast<int>(casillas.size())) {
      casillas[static_cast<size_t>(id - kId_casillas)].second->marcada =
          SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    } else if (id >= kId_radios && id < kId_radios + 10) {
      param.RadioGroup_modelo = id - kId_radios;  // kept as chosen; nothing reads it
    } else if (id >= kId_radios + 10 && id < kId_radios + 20) {
      param.RadioGroup_idioma = id - kId_radios - 10;
    } else if (id == kId_ok && control == boton_ok) {
      // The waits let window messages run: nothing else may be clicked meanwhile.
      habilitar(false);
      param.Button_okClick();
      habilitar(true);
    } else if (id == kId_cancelar && control == boton_cancelar) {
      param.Button_cancelClick();
    }
    return true;
  };
  Modal(hwnd, dueno, d);
  param.al_cerrar = nullptr;
}

// ---- "Configuracion fpga" ----------------------------------------------

void Dialogo_fpga_win32(HINSTANCE instancia, HWND dueno, int dpi, TCFpga& fpga,
                        const std::function<bool()>& antes_de_grabar) {
  using T = Dialogo_fpga;
  Fuente_propia fuente(Fuente_dialogo(dpi));
  Dialogo d;
  d.puede_cerrar = [&] { return !fpga.En_curso(); };
  constexpr int kAncho = 420, kAlto = 300;
  HWND hwnd = Crear(instancia, dueno, d, A(T::kTitulo), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    MulDiv(kAncho, dpi, 96), MulDiv(kAlto, dpi, 96));
  Constructor c(instancia, hwnd, dpi, fuente.f);
  enum : int {
    kId_numero = 10,
    kId_descripcion,
    kId_fichero,
    kId_anterior,
    kId_siguiente,
    kId_ok,
    kId_cancelar
  };
  // Captions on the left, values on the right.
  const wchar_t* rotulos[] = {L"Numero de configuraciones :", L"Configuraciones :",
                              L"Configuracion actual :", L"Fichero :", L"Descripcion :"};
  for (int i = 0; i < 5; ++i) c.Control(WC_STATICW, rotulos[i], SS_LEFT, 12, 14 + 28 * i, 170, 20);
  HWND numero =
      c.Control(WC_EDITW, L"", ES_NUMBER | WS_TABSTOP | WS_BORDER, 190, 12, 40, 22, kId_numero);
  SendMessageW(numero, EM_SETLIMITTEXT, 1, 0);  // one digit within the count the dialog allows
  HWND cantidad = c.Control(WC_STATICW, L"", SS_LEFT, 190, 14 + 28, 200, 20);
  HWND actual = c.Control(WC_STATICW, L"", SS_LEFT, 190, 14 + 56, 200, 20);
  HWND nombre = c.Control(WC_STATICW, L"", SS_LEFT | SS_PATHELLIPSIS, 190, 14 + 84, 215, 20);
  HWND descripcion = c.Control(WC_EDITW, L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 190,
                               12 + 112, 120, 22, kId_descripcion);
  SendMessageW(descripcion, EM_SETLIMITTEXT, TCFpga::kLongitud_descripcion, 0);
  HWND fichero = c.Control(WC_BUTTONW, A(T::kCargar_fichero), BS_PUSHBUTTON | WS_TABSTOP, 12, 152,
                           kAncho - 24, 26, kId_fichero);
  HWND anterior = c.Control(WC_BUTTONW, A(T::kAnterior), BS_PUSHBUTTON | WS_TABSTOP, 12, 184,
                            (kAncho - 30) / 2, 26, kId_anterior);
  HWND siguiente = c.Control(WC_BUTTONW, A(T::kSiguiente), BS_PUSHBUTTON | WS_TABSTOP,
                             18 + (kAncho - 30) / 2, 184, (kAncho - 30) / 2, 26, kId_siguiente);
  HWND estado =
      c.Control(WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_SUNKEN, 12, 222, kAncho - 24, 26);
  HWND ok =
      c.Control(WC_BUTTONW, A(T::kGrabar), BS_PUSHBUTTON | WS_TABSTOP, 12, 260, 230, 28, kId_ok);
  HWND cancelar = c.Control(WC_BUTTONW, A(T::kCancelar), BS_PUSHBUTTON | WS_TABSTOP, kAncho - 112,
                            260, 100, 28, kId_cancelar);

  Reflejo r1, r2, r3, r4, r5;
  Reflejar(fpga.Label_cantidad_configuraciones, cantidad, r1);
  Reflejar(fpga.Label_configuracion_actual, actual, r2);
  Reflejar(fpga.Label_nombre, nombre, r3);
  Reflejar(fpga.Lbl_estado_fpga, estado, r4);
  bool escribiendo = false;
  SetWindowTextW(descripcion, Ancho(fpga.Edit_descripcion.Texto()).c_str());
  fpga.Edit_descripcion.Al_cambiar([&] {
    // Only a change: setting the same text would move the cursor while typing.
    if (escribiendo) return;
    SetWindowTextW(descripcion, Ancho(fpga.Edit_descripcion.Texto()).c_str());
  });
  r5.texto = &fpga.Edit_descripcion;
  fpga.al_cerrar = [&] { d.cerrado = true; };

  auto texto_de = [](HWND h) {
    std::wstring t(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    t.resize(static_cast<size_t>(GetWindowTextW(h, t.data(), static_cast<int>(t.size()))));
    return Utf8(t);
  };
  auto habilitar = [&](bool si) {
    for (HWND h : {numero, descripcion, fichero, siguiente, anterior, ok, cancelar})
      EnableWindow(h, si);
  };
  d.al_orden = [&](int id, int codigo, HWND) {
    switch (id) {
      case kId_numero:
        if (codigo == EN_CHANGE) {
          const std::string t = texto_de(numero);
          // The count stays within the configurations the updater carries.
          if (t.empty() || (t[0] >= '0' + TCFpga::kMinimo_configuraciones &&
                            t[0] <= '0' + TCFpga::kMaximo_configuraciones))
            fpga.Edit_num_configuraciones(t);
        }
        return true;
      case kId_descripcion:
        if (codigo == EN_CHANGE) {
          escribiendo = true;
          fpga.Editar_descripcion(texto_de(descripcion));
          escribiendo = false;
        }
        return true;
      case kId_fichero: {
        if (codigo != BN_CLICKED || fpga.configuracion_actual < 1) return true;
        wchar_t ruta[MAX_PATH] = {};  // the file name preset empty
        OPENFILENAMEW o{};
        o.lStructSize = sizeof o;
        o.hwndOwner = hwnd;
        o.lpstrFilter = L".rbf\0*.rbf\0";
        o.lpstrFile = ruta;
        o.nMaxFile = MAX_PATH;
        o.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        fpga.But_nombre_ficheroClick(GetOpenFileNameW(&o) ? Utf8(ruta) : std::string());
        return true;
      }
      case kId_anterior:
        if (codigo == BN_CLICKED) fpga.But_anteriorClick();
        return true;
      case kId_siguiente:
        if (codigo == BN_CLICKED) fpga.But_siguienteClick();
        return true;
      case kId_ok:
        if (codigo == BN_CLICKED) {
          // The waits let window messages run: nothing else may be clicked meanwhile.
          habilitar(false);
          if (!antes_de_grabar || antes_de_grabar()) fpga.Button_okClick();
          habilitar(true);
        }
        return true;
      case kId_cancelar:
        if (codigo == BN_CLICKED) fpga.Button_cancelClick();
        return true;
      default:
        return false;
    }
  };
  Modal(hwnd, dueno, d);
  fpga.al_cerrar = nullptr;
}

// ---- "Historial" -------------------------------------------------------

namespace {

COLORREF Color_gdi(Color_rgb c) { return RGB(c.r, c.g, c.b); }

// The widest of `textos` in screen pixels, in `fuente`.
int Ancho_texto(HFONT fuente, const std::vector<std::wstring>& textos) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ antes = SelectObject(dc, fuente);
  int ancho = 0;
  for (const std::wstring& t : textos) {
    SIZE s{};
    GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &s);
    if (s.cx > ancho) ancho = s.cx;
  }
  SelectObject(dc, antes);
  ReleaseDC(nullptr, dc);
  return ancho;
}

}  // namespace

void Dialogo_historial_win32(HINSTANCE instancia, HWND dueno, int dpi,
                             const Lectura_historial& lectura, const std::string& fichero,
                             const Textos_historial& textos) {
  const Vista_historial vista = Vista_de(lectura, fichero, textos);
  Fuente_propia fuente(Fuente_dialogo(dpi));
  const auto E = [dpi](int v) { return MulDiv(v, dpi, 96); };
  const auto D = [dpi](int pixeles) { return MulDiv(pixeles, 96, dpi); };  // to design pixels

  // Each column as wide as its widest cell or heading, the reason included.
  constexpr size_t kColumnas = Vista_historial::kColumnas;
  constexpr int kRelleno = 16;  // the list's own space around a cell's text
  std::array<std::vector<std::wstring>, kColumnas> celdas;
  for (size_t c = 0; c < kColumnas; ++c) celdas[c].push_back(Ancho(vista.cabeceras[c]));
  for (const Fila_historial& f : vista.filas)
    for (size_t c = 0; c < kColumnas; ++c) celdas[c].push_back(Ancho(f.celdas[c]));
  std::array<int, kColumnas> anchos{};
  int suma = 0;
  for (size_t c = 0; c < kColumnas; ++c) {
    anchos[c] = Ancho_texto(fuente.f, celdas[c]) + E(kRelleno);
    suma += anchos[c];
  }

  // Wide enough for every column within the screen's work area; the list
  // scrolls sideways past that.
  constexpr int kMargen = 12, kAncho_minimo = 720, kAncho_maximo = 1400, kAlto = 420;
  constexpr int kAlto_linea = 20, kAlto_boton = 28, kAncho_boton = 100;
  constexpr size_t kLineas_avisos = 3;
  RECT trabajo{0, 0, 1024, 768};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &trabajo, 0);
  const int ancho_lista = D(suma + GetSystemMetrics(SM_CXVSCROLL) + E(4));
  const int ancho = std::max(
      std::min({ancho_lista + 2 * kMargen, kAncho_maximo, D(trabajo.right - trabajo.left) - 40}),
      std::min(kAncho_minimo, D(trabajo.right - trabajo.left) - 40));
  const int alto = std::min(kAlto, D(trabajo.bottom - trabajo.top) - 60);
  // The warnings below the list, up to three lines high; more scroll.
  const int lineas_avisos = static_cast<int>(std::min<size_t>(vista.avisos.size(), kLineas_avisos));
  const int alto_avisos = lineas_avisos ? lineas_avisos * 16 + 8 : 0;

  enum : int { kId_lista = 10, kId_avisos };
  Dialogo d;
  HWND hwnd = Crear(instancia, dueno, d, Ancho(vista.titulo), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    E(ancho), E(alto));
  Constructor c(instancia, hwnd, dpi, fuente.f);

  c.Control(WC_STATICW, Ancho(vista.linea_fichero), SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX,
            kMargen, kMargen, ancho - 2 * kMargen, kAlto_linea);
  const int y_lista = kMargen + kAlto_linea + 6;
  const int y_boton = alto - kMargen - kAlto_boton;
  const int alto_lista = y_boton - 8 - y_lista - (alto_avisos ? alto_avisos + 6 : 0);
  HWND lista = c.Control(
      WC_LISTVIEWW, L"",
      LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP,
      kMargen, y_lista, ancho - 2 * kMargen, alto_lista, kId_lista);
  SendMessageW(lista, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER);
  for (size_t col = 0; col < kColumnas; ++col) {
    std::wstring cabecera = celdas[col][0];
    LVCOLUMNW columna{};
    columna.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    columna.pszText = cabecera.data();
    columna.cx = anchos[col];
    columna.iSubItem = static_cast<int>(col);
    SendMessageW(lista, LVM_INSERTCOLUMNW, col, reinterpret_cast<LPARAM>(&columna));
  }
  for (size_t fila = 0; fila < vista.filas.size(); ++fila) {
    for (size_t col = 0; col < kColumnas; ++col) {
      std::wstring texto = celdas[col][fila + 1];
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(fila);
      item.iSubItem = static_cast<int>(col);
      item.pszText = texto.data();
      SendMessageW(lista, col == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, fila,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  // A list narrower than its place: the last column takes the rest.
  RECT dentro{};
  GetClientRect(lista, &dentro);
  if (suma < dentro.right)
    SendMessageW(lista, LVM_SETCOLUMNWIDTH, kColumnas - 1, LVSCW_AUTOSIZE_USEHEADER);
  // The rows' colours by how each run ended.
  d.al_notificar = [&](NMHDR& aviso, LRESULT& resultado) {
    if (aviso.hwndFrom != lista || aviso.code != NM_CUSTOMDRAW) return false;
    auto& dibujo = reinterpret_cast<NMLVCUSTOMDRAW&>(aviso);
    if (dibujo.nmcd.dwDrawStage == CDDS_PREPAINT) {
      resultado = CDRF_NOTIFYITEMDRAW;
      return true;
    }
    if (dibujo.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
      const size_t fila = dibujo.nmcd.dwItemSpec;
      if (fila < vista.filas.size())
        if (const std::optional<Colores_fila> colores = Colores_de(vista.filas[fila].clase)) {
          dibujo.clrText = Color_gdi(colores->texto);
          dibujo.clrTextBk = Color_gdi(colores->fondo);
        }
      resultado = CDRF_DODEFAULT;
      return true;
    }
    return false;
  };

  if (alto_avisos) {
    std::wstring avisos;
    for (const std::string& a : vista.avisos) avisos += (avisos.empty() ? L"" : L"\r\n") + Ancho(a);
    const DWORD barra = vista.avisos.size() > kLineas_avisos ? WS_VSCROLL : 0;
    c.Control(WC_EDITW, avisos, ES_MULTILINE | ES_READONLY | WS_BORDER | barra, kMargen,
              y_boton - 8 - alto_avisos, ancho - 2 * kMargen, alto_avisos, kId_avisos);
  }
  c.Control(WC_BUTTONW, Ancho(vista.cerrar), BS_DEFPUSHBUTTON | WS_TABSTOP,
            ancho - kMargen - kAncho_boton, y_boton, kAncho_boton, kAlto_boton, IDOK);
  d.al_orden = [&](int id, int codigo, HWND) {
    if ((id == IDOK || id == IDCANCEL) && codigo == BN_CLICKED) {
      d.cerrado = true;
      return true;
    }
    return false;
  };
  SetFocus(lista);
  Modal(hwnd, dueno, d);
}

}  // namespace r27
