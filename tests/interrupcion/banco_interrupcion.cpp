#include "tests/interrupcion/banco_interrupcion.h"

#include <algorithm>
#include <cstdio>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "app/nucleo/pantallas.h"
#include "flash/imagenes_arranque.h"

namespace r27::pruebas {

namespace {

Textos_idioma Textos_con_claves() {
  Textos_idioma t;
  for (size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];
  t.aviso_desconectado = kAviso_desconectado.clave;
  t.aviso_desconectado_grabando = kAviso_desconectado_grabando.clave;
  return t;
}

std::string Hex(size_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "0x%zX", v);
  return b;
}

// Where two byte ranges first differ, as "name at 0x..", or empty.
void Comparar(const char* nombre, const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
              std::vector<std::string>& diferencias) {
  if (a.size() != b.size()) {
    diferencias.push_back(std::string(nombre) + ": " + std::to_string(a.size()) + " bytes, not " +
                          std::to_string(b.size()));
    return;
  }
  const auto d = std::mismatch(a.begin(), a.end(), b.begin());
  if (d.first == a.end()) return;
  const auto i = static_cast<size_t>(d.first - a.begin());
  const auto n = static_cast<size_t>(std::count_if(
      a.begin(), a.end(), [&, j = size_t{0}](uint8_t x) mutable { return x != b[j++]; }));
  diferencias.push_back(std::string(nombre) + ": first at " + Hex(i) + " (" + Hex(a[i]) +
                        " expected, " + Hex(b[i]) + " found), " + std::to_string(n) +
                        " bytes differ");
}

}  // namespace

Copia_medidor Copiar(const sim::Medidor_simulado& m) {
  Copia_medidor c;
  for (int k = 0; k < sim::kNum_segmentos_flash; ++k) {
    const auto s = m.Segmento_flash(k);
    c.flash.insert(c.flash.end(), s.begin(), s.end());
  }
  c.eeprom.assign(m.Eeprom().begin(), m.Eeprom().end());
  for (int i = 0; i < 3; ++i) {
    const auto s = m.Memoria().Preparacion(static_cast<uint8_t>(m.Config().graficos_segmento + i));
    c.graficos.insert(c.graficos.end(), s.begin(), s.end());
  }
  c.aplicacion_mpeg4 = m.Mpeg4().aplicacion;
  c.etapa2_mpeg4 = m.Mpeg4().etapa2;
  c.versiones_mpeg4 = m.Mpeg4().versiones;
  return c;
}

std::vector<std::string> Diferencias(const Copia_medidor& esperada, const Copia_medidor& real) {
  std::vector<std::string> d;
  Comparar("flash", esperada.flash, real.flash, d);
  Comparar("EEPROM", esperada.eeprom, real.eeprom, d);
  Comparar("screen-graphics area", esperada.graficos, real.graficos, d);
  Comparar("module application", esperada.aplicacion_mpeg4, real.aplicacion_mpeg4, d);
  Comparar("module stage-2 program", esperada.etapa2_mpeg4, real.etapa2_mpeg4, d);
  const auto& a = esperada.versiones_mpeg4;
  const auto& b = real.versiones_mpeg4;
  if (a.aplicacion != b.aplicacion || a.build != b.build ||
      a.decodificadores != b.decodificadores || a.arranque != b.arranque)
    d.push_back("module versions: " + std::to_string(b.aplicacion) + "." + std::to_string(b.build) +
                ", not " + std::to_string(a.aplicacion) + "." + std::to_string(a.build));
  return d;
}

Banco_interrupcion::Banco_interrupcion(sim::Config_medidor config)
    : medidor(std::move(config), v.reloj.Ahora_us()),
      textos(Textos_con_claves()),
      directorio(backend),
      asistente(v, conexion, vista, directorio, textos),
      actualizacion(v, conexion, timer, vista, textos),
      lineas(Imagen_firmware()),
      graficos(v) {
  backend.Conectar(1, medidor);
  Abrir_hex(v, lineas, hex);
  v.lineas = &lineas;
  v.hex = hex.get();
  v.graficos = &graficos;
  conexion.consulta_windows64 = [] { return false; };
  asistente.ejecutar_actualizacion = [this] { actualizacion.Ejecutar_actualizacion(asistente); };
  v.barra_progreso.Al_cambiar([this] { Anotar_barra(); });
}

void Banco_interrupcion::Anotar_barra() {
  std::array<uint32_t, sim::kNum_peticiones> cuentas{};
  for (int i = 0; i < sim::kNum_peticiones; ++i)
    cuentas[static_cast<size_t>(i)] = medidor.Cuenta(static_cast<sim::Peticion>(i));
  const Barra& b = v.barra_progreso;
  if (tramos.empty() || b.Maximo() != maximo_visto_ || b.Minimo() != minimo_visto_) {
    maximo_visto_ = b.Maximo();
    minimo_visto_ = b.Minimo();
    tramos.push_back({b.Maximo(), v.reloj.Ahora_us(), cuentas, cuentas});
    return;
  }
  tramos.back().fin = cuentas;
}

Resultado_actualizacion Banco_interrupcion::Actualizar() {
  v.respuestas = {true, true};
  v.estado.codigo_error = 0;
  asistente.Actualizar1Click();
  Resultado_actualizacion r;
  r.ultima_imagen = vista.imagen;
  r.correcta = vista.imagen == kImagen_correcta;
  r.codigo = v.estado.codigo_error;
  r.abandono = v.estado.motivo_error.Texto();
  r.fin_us = v.reloj.Ahora_us();
  return r;
}

void Banco_interrupcion::Reenchufar() {
  medidor.Reenchufar(v.reloj.Ahora_us());
  v.reloj.Dormir_ms(5000);
}

}  // namespace r27::pruebas
