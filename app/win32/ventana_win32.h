#pragma once
// The main window on Windows, drawn with the system's own parts: the wizard the
// technician clicks through, over the same core as the Qt window (Ventana_nucleo,
// Sesion_asistente, Servicio). The background, the pictures, the texts and the
// two flat picture buttons are painted by the window itself; the overall bar,
// the step ticks, the manual port panel and the menus are common controls.
// Sizes are the Qt window's, scaled by the screen's DPI.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/nucleo/servicio.h"
#include "app/nucleo/sesion_asistente.h"
#include "app/nucleo/ventana_nucleo.h"
#include "app/win32/dialogos_win32.h"
#include "app/win32/imagenes_win32.h"
#include "app/win32/sistema.h"

namespace r27 {

class Historial;

class Ventana_win32 final : public Ventana_nucleo,
                            public Vista_asistente,
                            public Interfaz_temporizador,
                            public Vista_servicio {
 public:
  // Size of the client area below the menu, in design pixels.
  static constexpr int kAncho_cliente = 601;
  static constexpr int kAlto_cliente = 401;
  static constexpr const wchar_t* kClase = L"R27_Tventana_brisco";
  static constexpr const wchar_t* kTitulo = L"UPDATE v3.01";

  // `servicio`: service mode (--servicio), whose update runs are recorded in
  // `historial` when one is given.
  Ventana_win32(HINSTANCE instancia, bool servicio, Historial* historial = nullptr);
  ~Ventana_win32() override;

  HWND Hwnd() const { return hwnd_; }
  // Shows the window; the start screen is already drawn.
  void Mostrar(int como);
  Sesion_asistente& Sesion() { return *sesion_; }
  // The three wizard lines as shown.
  std::array<std::string, 3> Lineas() const;

  // Interfaz_ventana: the drawing's part.
  void Procesar_mensajes() override;
  void Pitido(unsigned frecuencia_hz, unsigned duracion_ms) override;
  void Mensaje(const std::string& texto) override;
  bool Confirmar(const std::string& texto) override;

  // Vista_asistente.
  void Mostrar_pantalla(const Pantalla& pantalla) override;
  void Fijar_linea2(const std::string& texto) override;
  void Fijar_linea3(const std::string& texto) override;
  void Mostrar_imagen(int indice) override;
  void Mostrar_numeros(bool visibles) override;
  void Mostrar_boton(bool visible) override;
  void Ocultar_progreso() override;
  void Habilitar_menus(bool habilitados) override;
  bool Modo_automatico() const override { return automatico_; }
  void Elegir_manual() override { MenuPuertoClick(); }

  // Interfaz_temporizador: the disconnect watch, a 100 ms window timer.
  void Habilitar() override;
  void Deshabilitar() override;
  bool Habilitado() const override { return vigilando_; }

  // Vista_servicio.
  void Mostrar_ticks(bool visibles, bool habilitados) override;
  void Mostrar_pausa(bool en_pausa, const std::string& linea3) override;
  void Esperar_mientras(const std::function<bool()>& seguir) override;

  // Handlers, named as the Qt window's.
  void MenuSalirClick();
  void SpeedButton_exitClick();
  void Auto1Click();
  void MenuPuertoClick();
  void MenuPlanesClick(int conjunto);
  void About1Click();
  // "Configurar" in service mode.
  void Param_defectoClick();
  void Config_fpgaClick();
  void HistorialClick();
  // Why the window refused the session's end (the text the system shows beside
  // it), empty while it would allow it.
  const std::wstring& Motivo_fin_sesion() const { return motivo_fin_sesion_; }

  // The unattended demonstration: messages go here instead of a message box,
  // questions are answered here, and every screen shown is reported after it
  // is drawn.
  std::function<void(const std::string&)> al_mensaje_desatendido;
  std::function<bool(const std::string&)> al_confirmar_desatendido;
  std::function<void()> al_mostrar_pantalla;
  std::function<void()> al_avanzar_general;
  // Service mode's pause before the update has begun to wait for the wizard button.
  std::function<void()> al_esperar_pausa;

 private:
  static LRESULT CALLBACK Procedimiento(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l);
  LRESULT Atender(UINT mensaje, WPARAM w, LPARAM l);
  void Crear_controles();
  void Crear_menus();
  void Crear_panel_puerto();
  void Crear_fuentes();
  void Pintar(HDC dc);
  void Orden(int id, int codigo, HWND control);
  void Clic(int x, int y);
  bool Sobre_boton(int x, int y, bool asistente) const;
  void Reflejar_general();
  void Redibujar();
  void Texto_en(HDC dc, const std::wstring& texto, HFONT fuente, COLORREF color, RECT caja,
                UINT formato);
  // Design pixels to screen pixels.
  int E(int v) const { return MulDiv(v, dpi_, 96); }
  RECT Caja(int x, int y, int ancho, int alto) const;
  // Panel controls.
  void COM_Click(int item);
  void Com_extendedChange();
  void Com_extended_select();
  void Terminar_proceso();
  // The reason a session's end is refused, given to the system once per update.
  void Bloquear_fin_sesion();
  void Permitir_fin_sesion();

  HINSTANCE instancia_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  std::unique_ptr<Sesion_asistente> sesion_;
  std::unique_ptr<Servicio> servicio_;
  Historial* historial_ = nullptr;  // what service mode records and "Historial..." shows
  std::unique_ptr<Form_act_correcta_win32> act_correcta_;  // created hidden, never shown

  // What the painting shows.
  int imagen_ = 0;
  std::array<std::wstring, 3> lineas_;
  bool numeros_ = false;
  bool boton_ = true;
  bool progreso_general_ = false;
  std::wstring version_;
  std::wstring texto_progreso_;

  // Pictures at screen size.
  Imagen_win32 fondo_;
  Imagen_win32 boton_asistente_;
  Imagen_win32 salir_;
  std::array<Imagen_win32, 8> acciones_;
  HBRUSH pincel_fondo_ = nullptr;  // the background as a brush, for the ticks

  // Fonts.
  HFONT fuente_info_ = nullptr;
  HFONT fuente_numeros_ = nullptr;
  HFONT fuente_version_ = nullptr;
  HFONT fuente_progreso_ = nullptr;
  HFONT fuente_controles_ = nullptr;
  HFONT fuente_banda_ = nullptr;

  // Controls.
  HWND Barra_progreso_control = nullptr;
  HWND ProgressBar_general_control = nullptr;
  std::array<HWND, 7> Checks_{};
  HWND PConfigurarPuerto = nullptr;
  HWND COM = nullptr;
  std::array<HWND, 6> COM_radios{};
  HWND Com_extended = nullptr;
  HWND BConfigurarPuerto = nullptr;
  HMENU MenuPrincipal = nullptr;
  HMENU MenuArchivo = nullptr;
  HMENU MenuConfigurar = nullptr;
  HMENU MenuPlanes = nullptr;

  bool automatico_ = true;
  bool vigilando_ = false;
  bool salida_pedida_ = false;       // WM_QUIT seen inside a nested message loop
  std::wstring motivo_fin_sesion_;   // why the session's end was refused
  bool motivo_con_sistema_ = false;  // the system holds that reason
};

}  // namespace r27
