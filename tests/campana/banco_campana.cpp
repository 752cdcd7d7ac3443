#include "tests/campana/banco_campana.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <span>

#include "app/nucleo/imagen_firmware.h"
#include "app/nucleo/pantallas.h"
#include "app/nucleo/paso_firmware.h"
#include "components/configuraciones_fpga.h"
#include "components/imagen_fpga.h"
#include "components/planes.h"
#include "components/programador_mpeg4.h"
#include "factory/tfparam_defecto.h"
#include "incrustado/teclado_hex.h"
#include "link/codigos_resultado.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27::pruebas {
namespace {

using sim::kTamano_segmento;
using sim::Peticion;

constexpr size_t kBytes_flash = size_t{sim::kNum_segmentos_flash} * kTamano_segmento;
constexpr std::array<Paso, 7> kOrden_pasos{Paso::Teclado, Paso::Borrado,  Paso::Planes, Paso::Zona,
                                           Paso::Fpga,    Paso::Firmware, Paso::Mpeg4};

// Thrown from the window's message loop when a run passes its virtual time limit.
struct Desborde {};

Textos_idioma Textos_con_claves() {
  Textos_idioma t;
  for (size_t i = 0; i < kNumero_textos; ++i) t.textos[i] = kClaves_textos[i];
  return t;
}

bool Planes_corren(const Pasos& p) { return p.planes && !p.firmware; }

bool Marcado(const Pasos& p, Paso paso) {
  switch (paso) {
    case Paso::Teclado:
      return p.teclado;
    case Paso::Borrado:
      return p.borrar;
    case Paso::Planes:
      return Planes_corren(p);
    case Paso::Zona:
      return p.zona;
    case Paso::Fpga:
      return p.fpga;
    case Paso::Firmware:
      return p.firmware;
    case Paso::Mpeg4:
      return p.mpeg4;
    case Paso::Ninguno:
      break;
  }
  return false;
}

// --- What the steps write, built apart from the code under test where it can be --

enum class Zona_memoria : uint8_t { Flash, Eeprom };

struct Region {
  std::string nombre;
  Paso paso;
  Zona_memoria zona;
  size_t inicio;  // flash: segment * 64 KiB + offset; EEPROM: address
  std::vector<uint8_t> esperado;
};

struct Imagenes {
  std::map<int, std::vector<uint8_t>> firmware;
  std::vector<uint8_t> fpga;  // flash segments 48.. as the burn leaves them
  std::vector<uint8_t> planes;
  std::vector<uint8_t> zona;  // the record buffer: configuration, then the four profiles
  std::array<std::array<uint8_t, 64>, 256> teclado{};
  std::array<uint8_t, 64> seguridad{};
  std::array<uint8_t, 2> suma{};
};

std::array<uint8_t, 64> Bytes_de(std::string_view digitos) {
  std::array<uint8_t, 64> b{};
  for (size_t i = 0; i < 64 && 2 * i + 1 < digitos.size(); ++i)
    b[i] = static_cast<uint8_t>(std::stoul(std::string(digitos.substr(2 * i, 2)), nullptr, 16));
  return b;
}

const Imagenes& Imagenes_embebidas() {
  static const Imagenes im = [] {
    Imagenes r;
    r.firmware = Segmentos_de_hex(Imagen_firmware());
    std::vector<std::span<const uint8_t>> conjunto;
    for (const auto& c : Configuraciones_fpga()) conjunto.push_back(c.datos);
    const auto fpga = Construir_imagen_fpga(conjunto);
    const uint32_t segmentos = (fpga->longitud_total >> 16) + 1;
    r.fpga.assign(fpga->bytes.begin(), fpga->bytes.begin() + segmentos * kTamano_segmento);

    r.planes.assign(kTamano_segmento, 0xFF);
    const auto plan = Imagen_plan(0);
    std::copy(plan.begin(), plan.end(), r.planes.begin());

    // The records for this meter as it is: language, region and status block from
    // the model's configuration, not from what the updater read.
    const sim::Config_medidor c = Config_campana(kCompleta);
    Ventana_falsa otra;
    otra.estado.idioma_medidor = c.idioma;
    otra.estado.region_usa = c.region == "USA";
    otra.estado.estado_b5 = (c.bloque_estado[26] & 0x20) == 0;
    otra.estado.indice_plan = 0;
    TFParam_defecto registros(otra);
    registros.Construir_configuracion(c.idioma);
    for (uint8_t p = 0; p < 4; ++p) registros.Construir_perfil(p, c.idioma);
    r.zona.assign(registros.Buffer().begin(), registros.Buffer().end());

    // The keyboard text: 256 data lines of 141 characters, the security record
    // (a 17-character address line, then a data line) and the checksum record.
    const auto d = datos::teclado_hex();
    const std::string_view t(reinterpret_cast<const char*>(d.data()), d.size());
    constexpr size_t kLinea = 141, kDireccion = 17, kDigitos = 9;
    for (size_t i = 0; i < 256; ++i) r.teclado[i] = Bytes_de(t.substr(i * kLinea + kDigitos, 128));
    const size_t seguridad = 256 * kLinea + kDireccion;
    r.seguridad = Bytes_de(t.substr(seguridad + kDigitos, 128));
    const auto suma = Bytes_de(t.substr(seguridad + kLinea + kDireccion + kDigitos, 4));
    r.suma = {suma[0], suma[1]};
    return r;
  }();
  return im;
}

std::vector<Region> Regiones(const Pasos& pasos) {
  const Imagenes& im = Imagenes_embebidas();
  std::vector<Region> r;
  auto flash = [&](std::string nombre, Paso paso, int segmento, uint32_t desde,
                   std::vector<uint8_t> esperado) {
    r.push_back({std::move(nombre), paso, Zona_memoria::Flash,
                 size_t(segmento) * kTamano_segmento + desde, std::move(esperado)});
  };
  if (pasos.borrar) {
    // The stored-tables reset is an EEPROM page write (0x50 0x52 0x08): the marker
    // of the default configuration record, then zeros. The sector erases name
    // flash segments directly.
    std::vector<uint8_t> reinicio(32, 0x00);
    reinicio[0] = 0xA0;
    r.push_back({"stored-tables reset", Paso::Borrado, Zona_memoria::Eeprom, 0x0200, reinicio});
    for (int segmento : {0x01, 0x20, 0x21})
      flash("erased sector " + std::to_string(segmento), Paso::Borrado, segmento, 0,
            std::vector<uint8_t>(kTamano_segmento, 0xFF));
  }
  if (Planes_corren(pasos)) flash("channel plans", Paso::Planes, kSector_planes, 0, im.planes);
  if (pasos.zona) {
    auto eeprom = [&](std::string nombre, size_t direccion, size_t desde, size_t n) {
      r.push_back(
          {std::move(nombre), Paso::Zona, Zona_memoria::Eeprom, direccion,
           std::vector<uint8_t>(im.zona.begin() + long(desde), im.zona.begin() + long(desde + n))});
    };
    eeprom("factory configuration", 0x0100, 0, 254);
    eeprom("default configuration", 0x0200, 0, 254);
    eeprom("profiles", 0x0300, 256, 1024);
  }
  if (pasos.fpga) {
    // Burnt by the firmware's burn when the firmware is ticked, by its own otherwise.
    const Paso dueno = pasos.firmware ? Paso::Firmware : Paso::Fpga;
    for (size_t s = 0; s * kTamano_segmento < im.fpga.size(); ++s) {
      flash("FPGA set segment " + std::to_string(48 + s), dueno, int(48 + s), 0,
            std::vector<uint8_t>(im.fpga.begin() + long(s * kTamano_segmento),
                                 im.fpga.begin() + long((s + 1) * kTamano_segmento)));
    }
  }
  if (pasos.firmware) {
    for (const auto& [k, bytes] : im.firmware)
      flash("firmware segment " + std::to_string(k), Paso::Firmware, k, 0, bytes);
  }
  return r;
}

std::string Hex(uint8_t b) {
  char t[8];
  std::snprintf(t, sizeof t, "0x%02X", b);
  return t;
}

const char* Nombre_estado(Estado_paso e) {
  switch (e) {
    case Estado_paso::Sin_empezar:
      return "not started";
    case Estado_paso::Hecho:
      return "done";
    case Estado_paso::Libre:
      return "failed";
  }
  return "?";
}

void Anotar(std::vector<std::string>& errores, const char* memoria, size_t i,
            const std::string& donde, uint8_t real, uint8_t esperado) {
  char t[64];
  std::snprintf(t, sizeof t, "%s at 0x%06zX: ", memoria, i);
  errores.push_back(t + donde + " holds " + Hex(real) + ", expected " + Hex(esperado));
}

// One memory against what it should hold. The regions are laid over the copy from
// before in the steps' order: a done step's bytes replace what was there, a failed
// step's bytes are free until a later done step writes them again, a step not
// started leaves them as they were. One line per region, and per 64 KiB outside
// the regions, that differs.
struct Region_en_capa {
  const Region* region;
  Estado_paso estado;
};

void Comparar(std::span<const uint8_t> real, std::span<const uint8_t> antes,
              const std::vector<Region_en_capa>& regiones, const char* memoria,
              std::vector<std::string>& errores) {
  std::vector<uint8_t> esperado(antes.begin(), antes.end());
  std::vector<bool> libre(esperado.size(), false);
  for (const auto& [r, e] : regiones) {
    for (size_t i = 0; i < r->esperado.size(); ++i) {
      if (e == Estado_paso::Hecho) {
        esperado[r->inicio + i] = r->esperado[i];
        libre[r->inicio + i] = false;
      } else if (e == Estado_paso::Libre) {
        libre[r->inicio + i] = true;
      }
    }
  }
  // A byte is named after the last region laid over it.
  auto region_de = [&](size_t i) -> const Region_en_capa* {
    const Region_en_capa* de = nullptr;
    for (const auto& rc : regiones)
      if (i >= rc.region->inicio && i < rc.region->inicio + rc.region->esperado.size()) de = &rc;
    return de;
  };
  std::vector<std::string> vistos;
  for (size_t i = 0; i < real.size(); ++i) {
    if (real[i] == esperado[i] || libre[i]) continue;
    const Region_en_capa* rc = region_de(i);
    const std::string donde = rc ? rc->region->nombre + " (" + Nombre_paso(rc->region->paso) + " " +
                                       Nombre_estado(rc->estado) + ")"
                                 : "outside every step's regions";
    const std::string clave = rc ? donde : donde + std::to_string(i / kTamano_segmento);
    if (std::find(vistos.begin(), vistos.end(), clave) != vistos.end()) continue;
    vistos.push_back(clave);
    Anotar(errores, memoria, i, donde, real[i], esperado[i]);
  }
}

}  // namespace

const char* Nombre_tramo(Tramo t) {
  switch (t) {
    case Tramo::Conexion:
      return "connection";
    case Tramo::Teclado:
      return "keyboard";
    case Tramo::Borrado:
      return "erase";
    case Tramo::Planes:
      return "plans";
    case Tramo::Zona:
      return "zone";
    case Tramo::Fpga:
      return "FPGA";
    case Tramo::Firmware_envio:
      return "firmware records";
    case Tramo::Firmware_grabacion:
      return "firmware burn";
    case Tramo::Mpeg4_etapa1:
      return "MPEG-4 stage 1";
    case Tramo::Mpeg4_resto:
      return "MPEG-4 stage 2 and completion";
    case Tramo::Cierre:
      return "closing";
    case Tramo::Fin:
      return "after the run";
  }
  return "?";
}

Paso Paso_de(Tramo t) {
  switch (t) {
    case Tramo::Teclado:
      return Paso::Teclado;
    case Tramo::Borrado:
      return Paso::Borrado;
    case Tramo::Planes:
      return Paso::Planes;
    case Tramo::Zona:
      return Paso::Zona;
    case Tramo::Fpga:
      return Paso::Fpga;
    case Tramo::Firmware_envio:
    case Tramo::Firmware_grabacion:
      return Paso::Firmware;
    case Tramo::Mpeg4_etapa1:
    case Tramo::Mpeg4_resto:
      return Paso::Mpeg4;
    case Tramo::Conexion:
    case Tramo::Cierre:
    case Tramo::Fin:
      break;
  }
  return Paso::Ninguno;
}

const char* Nombre_paso(Paso p) {
  switch (p) {
    case Paso::Ninguno:
      return "no step";
    case Paso::Teclado:
      return "keyboard";
    case Paso::Borrado:
      return "erase";
    case Paso::Planes:
      return "plans";
    case Paso::Zona:
      return "zone";
    case Paso::Fpga:
      return "FPGA";
    case Paso::Firmware:
      return "firmware";
    case Paso::Mpeg4:
      return "MPEG-4";
  }
  return "?";
}

std::vector<int32_t> Codigos_de(Tramo t) {
  switch (Paso_de(t)) {
    case Paso::Teclado:
      return {kCodigo_teclado_id, kCodigo_teclado_verificacion, kCodigo_teclado_sin_respuesta};
    case Paso::Borrado:
      return {kCodigo_bloque_vacio, kCodigo_borrar_sector};
    case Paso::Planes:
      return {kCodigo_subir_bloques, kCodigo_orden_plan};
    case Paso::Zona:
      // The fast-line switch runs in this part, before the zone.
      return {kCodigo_zona_perfiles, kCodigo_zona_fabrica, kCodigo_zona_defecto,
              kCodigo_subir_bloques};
    case Paso::Fpga:
      return {kCodigo_preparar_fpga, kCodigo_fpga_borrado, kCodigo_fpga_bloque,
              kCodigo_fpga_grabacion};
    case Paso::Firmware:
      return {kCodigo_firmware_staging, kCodigo_firmware_envio, kCodigo_firmware_abortado,
              kCodigo_firmware_grabacion};
    case Paso::Mpeg4:
      return {kCodigo_paso_previo_mpeg4, kCodigo_mpeg4_etapa1,  kCodigo_mpeg4_etapa2,
              kCodigo_mpeg4_abortado,    kCodigo_mpeg4_sin_fin, kCodigo_mpeg4_sin_inicio};
    case Paso::Ninguno:
      break;
  }
  if (t == Tramo::Cierre) return {kCodigo_comprobacion};
  return {};
}

Paso Paso_de_codigo(int32_t codigo, Tramo tramo) {
  if (codigo == kCodigo_subir_bloques) return tramo == Tramo::Planes ? Paso::Planes : Paso::Zona;
  for (Tramo t : {Tramo::Teclado, Tramo::Borrado, Tramo::Planes, Tramo::Zona, Tramo::Fpga,
                  Tramo::Firmware_envio, Tramo::Mpeg4_etapa1}) {
    const auto c = Codigos_de(t);
    if (std::find(c.begin(), c.end(), codigo) != c.end()) return Paso_de(t);
  }
  return Paso::Ninguno;
}

Tramo Tramo_de_peticion(const std::vector<Frontera>& f, sim::Peticion p, uint32_t cuenta) {
  const auto i = static_cast<size_t>(p);
  if (f.empty() || cuenta <= f.front().cuentas[i]) return Tramo::Conexion;
  for (size_t k = 0; k + 1 < f.size(); ++k)
    if (cuenta <= f[k + 1].cuentas[i]) return f[k].tramo;
  return Tramo::Fin;
}

Intervalo Peticiones_en(const std::vector<Frontera>& f, Tramo t, sim::Peticion p) {
  const auto i = static_cast<size_t>(p);
  for (size_t k = 0; k + 1 < f.size(); ++k)
    if (f[k].tramo == t) return {f[k].cuentas[i] + 1, f[k + 1].cuentas[i]};
  return {};
}

std::array<Estado_paso, 8> Estados_pasos(const Pasos& pasos, bool correcta, int32_t codigo,
                                         Tramo tramo_fallo) {
  std::array<Estado_paso, 8> e{};
  e.fill(Estado_paso::Sin_empezar);
  if (correcta || codigo == kCodigo_comprobacion) {
    e.fill(Estado_paso::Hecho);
    return e;
  }
  Paso fallido = Paso_de_codigo(codigo, tramo_fallo);
  if (fallido == Paso::Ninguno) fallido = Paso_de(tramo_fallo);
  bool despues = false;
  for (Paso p : kOrden_pasos) {
    if (!Marcado(pasos, p)) continue;
    if (p == fallido) {
      e[size_t(p)] = Estado_paso::Libre;
      despues = true;
    } else if (!despues) {
      e[size_t(p)] = Estado_paso::Hecho;
    } else {
      // A failed keyboard does not stop the run: what follows may have run.
      e[size_t(p)] = fallido == Paso::Teclado ? Estado_paso::Libre : Estado_paso::Sin_empezar;
    }
  }
  return e;
}

std::vector<std::string> Comprobar_memoria(const sim::Medidor_simulado& m,
                                           const Copia_medidor& antes,
                                           const std::vector<Capa>& capas) {
  std::vector<std::string> errores;
  std::vector<std::vector<Region>> regiones_capas;
  for (const Capa& c : capas) regiones_capas.push_back(Regiones(c.pasos));
  // The module and the keyboard controller as the last run that got to them left them.
  Estado_paso modulo = Estado_paso::Sin_empezar, teclado = Estado_paso::Sin_empezar;
  for (const Capa& c : capas) {
    const Estado_paso em = c.estados[size_t(Paso::Mpeg4)];
    const Estado_paso et = c.estados[size_t(Paso::Teclado)];
    if (c.pasos.mpeg4 && em != Estado_paso::Sin_empezar) modulo = em;
    if (c.pasos.teclado && et != Estado_paso::Sin_empezar) teclado = et;
  }

  for (Zona_memoria zona : {Zona_memoria::Flash, Zona_memoria::Eeprom}) {
    const bool es_flash = zona == Zona_memoria::Flash;
    std::vector<Region_en_capa> de;
    for (size_t k = 0; k < capas.size(); ++k)
      for (Paso paso : kOrden_pasos)
        for (const Region& r : regiones_capas[k])
          if (r.zona == zona && r.paso == paso) de.push_back({&r, capas[k].estados[size_t(paso)]});
    std::vector<uint8_t> real;
    if (es_flash) {
      real.reserve(kBytes_flash);
      for (int k = 0; k < sim::kNum_segmentos_flash; ++k) {
        const auto s = m.Segmento_flash(k);
        real.insert(real.end(), s.begin(), s.end());
      }
    } else {
      real.assign(m.Eeprom().begin(), m.Eeprom().end());
    }
    Comparar(real, es_flash ? antes.flash : antes.eeprom, de, es_flash ? "flash" : "EEPROM",
             errores);
  }

  const sim::Estado_mpeg4& a = m.Mpeg4();
  if (modulo == Estado_paso::Hecho) {
    if (!std::ranges::equal(a.aplicacion, Aplicacion_mpeg4()))
      errores.push_back("MPEG-4 module (done): the application is not the embedded image");
    if (!std::ranges::equal(a.etapa2, Etapa2_mpeg4()))
      errores.push_back("MPEG-4 module (done): the stage-2 program is not the embedded one");
  } else if (modulo == Estado_paso::Sin_empezar &&
             (a.aplicacion != antes.mpeg4.aplicacion || a.etapa2 != antes.mpeg4.etapa2 ||
              a.actualizaciones != antes.mpeg4.actualizaciones)) {
    errores.push_back("MPEG-4 module (not started): updated");
  }

  const Imagenes& im = Imagenes_embebidas();
  const sim::Estado_teclado& t = m.Teclado();
  if (teclado == Estado_paso::Hecho) {
    for (size_t i = 0; i < t.bloques.size(); ++i) {
      if (t.bloques[i] != im.teclado[i]) {
        errores.push_back("keyboard (done): block " + std::to_string(i) +
                          " is not the embedded text's");
        break;
      }
    }
    if (t.seguridad != im.seguridad) errores.push_back("keyboard (done): security record");
    if (t.suma != im.suma) errores.push_back("keyboard (done): checksum record");
    if (t.resultado != 18) errores.push_back("keyboard (done): the exchange did not end on 18");
  } else if (teclado == Estado_paso::Sin_empezar &&
             (t.bloques != antes.teclado.bloques || t.seguridad != antes.teclado.seguridad ||
              t.suma != antes.teclado.suma)) {
    errores.push_back("keyboard (not started): reprogrammed");
  }
  return errores;
}

sim::Config_medidor Config_campana(const Pasos& pasos) {
  sim::Config_medidor c;
  c.t_mpeg4_us = 20'000'000;  // the module update, shortened
  if (!pasos.firmware) {
    c.version = "3.01";
    c.mpeg4_actual = c.mpeg4_nueva;
  }
  return c;
}

Banco_campana::Banco_campana(sim::Config_medidor config)
    : Banco_actualizacion(std::move(config), false),
      textos(Textos_con_claves()),
      asistente(v, conexion, vista, directorio_vacio, textos),
      actualizacion(v, conexion, timer, vista, textos) {
  conexion.consulta_windows64 = [] { return false; };
  Linea(1).grabar = false;
  v.barra_general.Al_cambiar([this] { Al_mover_barra(); });
  v.al_procesar_mensajes = [this] {
    if (en_marcha_ && v.reloj.Ahora_us() > limite_absoluto_us_) throw Desborde{};
  };
}

void Banco_campana::Sembrar_memoria() {
  sim::Memoria_simulada& mem = medidor->Memoria();
  auto conservar = [](int k, size_t i) {
    return (k == 0x18 && i < 0x1C) || (k == 0x30 && i < 16) ||
           (k == 0 && i >= 0x6010 && i < 0x6030);
  };
  for (int k = 0; k < sim::kNum_segmentos_flash; ++k) {
    auto s = mem.Segmento_flash(k);
    for (size_t i = 0; i < s.size(); ++i)
      if (!conservar(k, i)) s[i] = static_cast<uint8_t>(k * 37 + i * 13 + (i >> 9));
  }
  auto e = mem.Eeprom();
  for (size_t i = 0; i < e.size(); ++i) e[i] = static_cast<uint8_t>(i * 7 + (i >> 8) + 0x5A);
}

Copia_medidor Banco_campana::Copiar() const {
  Copia_medidor c;
  c.flash.reserve(kBytes_flash);
  for (int k = 0; k < sim::kNum_segmentos_flash; ++k) {
    const auto s = medidor->Segmento_flash(k);
    c.flash.insert(c.flash.end(), s.begin(), s.end());
  }
  c.eeprom.assign(medidor->Eeprom().begin(), medidor->Eeprom().end());
  c.mpeg4 = medidor->Mpeg4();
  c.teclado = medidor->Teclado();
  return c;
}

bool Banco_campana::Buscar(int intentos) {
  for (int i = 0; i < intentos; ++i) {
    if (!v.estado.conectado) Conectar(1);
    if (v.estado.conectado) {
      conexion.Medidor_listo();  // reads the status block, as the wizard does
      return true;
    }
    v.reloj.Dormir_ms(5000);
  }
  return false;
}

void Banco_campana::Marcar(const Pasos& p) { Marcar_pasos(v.estado, p); }

std::array<uint32_t, sim::kNum_peticiones> Banco_campana::Cuentas() const {
  std::array<uint32_t, sim::kNum_peticiones> c{};
  for (int i = 0; i < sim::kNum_peticiones; ++i) c[size_t(i)] = medidor->Cuenta(Peticion(i));
  return c;
}

Tramo Banco_campana::Tramo_de_base(int32_t base) const {
  if (inicios_.empty() || base >= total_) return Tramo::Cierre;
  Tramo t = inicios_.front().first;
  for (const auto& [tramo, inicio] : inicios_)
    if (inicio <= base) t = tramo;
  return t;
}

void Banco_campana::Al_mover_barra() {
  if (!en_marcha_ || !v.estado.actualizando) return;
  const Tramo t = Tramo_de_base(v.estado.progreso_base);
  if (t != fronteras_.back().tramo) fronteras_.push_back({t, v.reloj.Ahora_us(), Cuentas()});
}

Resultado_run Banco_campana::Ejecutar(uint64_t limite_us) {
  // The parts of this run from its ticks and the steps' budgets.
  const Estado_ventana& e = v.estado;
  inicios_.clear();
  int32_t base = 0;
  auto tramo = [&](bool marcado, Tramo t, int presupuesto) {
    if (!marcado) return;
    inicios_.push_back({t, base});
    base += presupuesto;
  };
  tramo(e.Check_teclado, Tramo::Teclado, kPresupuesto_teclado);
  tramo(e.Check_borrar, Tramo::Borrado, kPresupuesto_borrado);
  tramo(e.Check_planes && !e.Check_firmware, Tramo::Planes, kPresupuesto_planes);
  tramo(e.Check_configuracion, Tramo::Zona, kPresupuesto_zona);
  tramo(e.Check_fpga, Tramo::Fpga, kPresupuesto_fpga);
  tramo(e.Check_firmware, Tramo::Firmware_envio, kParte_paso_firmware);
  tramo(e.Check_firmware, Tramo::Firmware_grabacion, kPresupuesto_firmware - kParte_paso_firmware);
  tramo(e.Check_mpeg4_apl, Tramo::Mpeg4_etapa1, kParte_etapa1_mpeg4);
  tramo(e.Check_mpeg4_apl, Tramo::Mpeg4_resto, kPresupuesto_mpeg4 - kParte_etapa1_mpeg4);
  total_ = base;

  Resultado_run r;
  const uint64_t t0 = v.reloj.Ahora_us();
  fronteras_.clear();
  fronteras_.push_back({inicios_.empty() ? Tramo::Cierre : inicios_.front().first, t0, Cuentas()});
  limite_absoluto_us_ = t0 + limite_us;
  en_marcha_ = true;
  v.respuestas = {true, true};
  try {
    actualizacion.Ejecutar_actualizacion(asistente);
  } catch (const Desborde&) {
    r.desbordada = true;
  }
  en_marcha_ = false;
  fronteras_.push_back({Tramo::Fin, v.reloj.Ahora_us(), Cuentas()});
  r.codigo = v.estado.codigo_error;
  r.correcta = vista.imagen == kImagen_correcta;
  r.duracion_us = v.reloj.Ahora_us() - t0;
  r.fronteras = fronteras_;
  const Desenlace_actualizacion& d = actualizacion.Desenlace();
  r.motivo = d.motivo;
  if (r.motivo) r.abandono = r.motivo->Texto();
  for (const Desenlace_paso& p : d.pasos)
    if (p.fallo && r.motivo && *p.fallo == *r.motivo) r.paso_del_motivo = p.paso;
  return r;
}

std::vector<std::string> Banco_campana::Comprobar_ventana(const Resultado_run& r) const {
  std::vector<std::string> e;
  if (r.desbordada) return {"the run did not end within its virtual time limit"};
  if (vista.pantallas.empty()) return {"no screen shown"};
  if (r.correcta) {
    if (!(vista.pantallas.back() == Pantalla_correcta(textos)))
      e.push_back("not the correct screen");
  } else {
    if (!(vista.pantallas.back() == Pantalla_fallida(textos, r.codigo)))
      e.push_back("not the failed screen with code " + std::to_string(r.codigo));
    if (r.codigo == 0) e.push_back("the failed screen without a result code");
  }
  if (!vista.menus) e.push_back("menus left disabled");
  if (vista.boton) e.push_back("the wizard button shown after the run");
  if (asistente.paso_asistente != 0) e.push_back("the wizard is not ready for a new search");
  if (v.estado.actualizando) e.push_back("still marked as updating");
  if (v.estado.conectado) e.push_back("still connected after the run");
  if (v.estado.linea.BaudRate != kBaudios_normales)
    e.push_back("the port left at " + std::to_string(v.estado.linea.BaudRate) + " baud");
  return e;
}

namespace {

struct Medida_limpia {
  uint64_t duracion_us;
  std::vector<Frontera> fronteras;
};

const Medida_limpia& Medir(const Pasos& p) {
  static std::map<int, Medida_limpia> medidas;
  const int clave = p.teclado | p.borrar << 1 | p.planes << 2 | p.zona << 3 | p.fpga << 4 |
                    p.firmware << 5 | p.mpeg4 << 6;
  auto it = medidas.find(clave);
  if (it != medidas.end()) return it->second;
  Banco_campana b(Config_campana(p));
  b.Sembrar_memoria();
  if (!b.Buscar_y_marcar(p)) {
    std::fprintf(stderr, "clean run: the meter was not found\n");
    std::abort();
  }
  const auto inicio = std::chrono::steady_clock::now();
  const Resultado_run r = b.Ejecutar(uint64_t{4} * 3600 * 1'000'000);
  if (std::getenv("R27_INFORME")) {
    std::printf("clean run: %.1f s on the virtual clock, %.3f s of wall time\n",
                double(r.duracion_us) / 1e6,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count());
  }
  if (!r.correcta || r.codigo != 0) {
    std::fprintf(stderr, "clean run failed with code %d: %s\n", r.codigo, r.abandono.c_str());
    std::abort();
  }
  return medidas.emplace(clave, Medida_limpia{r.duracion_us, r.fronteras}).first->second;
}

}  // namespace

uint64_t Duracion_limpia_us(const Pasos& p) { return Medir(p).duracion_us; }
const std::vector<Frontera>& Fronteras_limpias(const Pasos& p) { return Medir(p).fronteras; }

}  // namespace r27::pruebas
