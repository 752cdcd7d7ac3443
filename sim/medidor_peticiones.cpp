// What the meter does with each request it understands, and what it answers.
#include <algorithm>
#include <cstring>
#include <limits>

#include "sim/medidor_simulado.h"

namespace r27::sim {
namespace {

constexpr uint8_t kLectura = 0x10;          // answer that opens every read
constexpr uint8_t kEscritura_bus = 0x20;    // bus or EEPROM write done
constexpr uint8_t kBloque_ok = '0';         // block packet stored
constexpr uint8_t kListo = 'f';             // ready
constexpr uint8_t kBorrado_ok = 'p';        // staging erase done
constexpr uint8_t kSin_graficos = 0x40;     // first stage: no graphics area
constexpr uint8_t kSegunda_etapa = 0x55;    // second stage started
constexpr uint8_t kCargador_ok = 0xAD;      // loader running
constexpr uint8_t kConfirmado = 0x60;       // sector confirmed
constexpr uint8_t kBloque_area_ok = 0xA5;   // 0x5A block stored
constexpr uint8_t kSector_ok = 0xB5;        // 0x5B sector written / erased
constexpr uint8_t kModulo_listo = 0xBB;     // MPEG-4 module update finished
constexpr uint8_t kPreparado_mpeg4 = 0x0D;  // answer to 0x0D 0x00
constexpr uint8_t kDispositivo_registros = 0x3F;
constexpr uint8_t kDispositivo_eeprom = 0x52;
constexpr uint8_t kSegmento_aplicacion_mpeg4 = 0xB0;
constexpr uint8_t kSegmento_etapa2_mpeg4 = 0x81;

uint8_t Xor(const uint8_t* p, size_t n) {
  uint8_t x = 0;
  for (size_t i = 0; i < n; ++i) x ^= p[i];
  return x;
}

// The sector byte the burn reports while it erases segment k (the first sector
// of the segment when sectors 0..7 are the boot sectors of segment 0).
uint8_t Byte_borrado(int k) { return k == 0 ? 0 : static_cast<uint8_t>(k + 7); }

}  // namespace

void Medidor_simulado::Escribir_identidad() {
  auto id = memoria_.Segmento_flash(0x18);
  std::fill_n(id.begin(), 0x1C, uint8_t{0});
  std::memcpy(id.data(), config_.familia.data(), std::min<size_t>(config_.familia.size(), 11));
  std::memcpy(id.data() + 12, config_.region.data(), std::min<size_t>(config_.region.size(), 3));
  std::memcpy(id.data() + 0x10, config_.version.data(),
              std::min<size_t>(config_.version.size(), 4));
  std::memcpy(id.data() + 0x16, config_.build.data(), std::min<size_t>(config_.build.size(), 5));

  // FPGA set directory: count 5, entry 0 ("TV" at 258), whose bytes 8 and 9 hold
  // the configuration version the updater reads as bytes 10 and 11.
  auto fpga = memoria_.Segmento_flash(0x30);
  const uint8_t directorio[16] = {
      5, 0, 0, 0, 0x68, 0x01, 0x9A, '0', 0x02, 0x01, config_.fpga_menor, config_.fpga_mayor,
      0, 0, 0, 0};
  std::copy(std::begin(directorio), std::end(directorio), fpga.begin());

  auto estado = memoria_.Segmento_flash(0);
  std::copy(config_.bloque_estado.begin(), config_.bloque_estado.end(), estado.begin() + 0x6010);
}

void Medidor_simulado::Atender(Peticion tipo, const std::vector<uint8_t>& p, uint64_t t) {
  uint64_t r = t + config_.t_respuesta_us;
  switch (tipo) {
    case Peticion::Sondeo:
      Responder({config_.rechazo             ? uint8_t{0x6D}
                 : etapa_ == Etapa::Arranque ? uint8_t{0xD5}
                                             : uint8_t{0x5D}},
                r);
      break;
    case Peticion::Liberacion:
      break;  // the computer lets go; nothing to answer
    case Peticion::Lectura_memoria:
      Leer_memoria(p, r);
      break;
    case Peticion::Lectura_bus:
      Leer_bus(p, r);
      break;
    case Peticion::Escritura_memoria:
      Escribir_memoria(p, r);
      break;
    case Peticion::Escritura_bus:
      Escribir_bus(p, r);
      break;
    case Peticion::Escritura_eeprom:
      Escribir_eeprom(p, r);
      break;
    case Peticion::Bloque:
      Bloque(p, r);
      break;
    case Peticion::Carga_programa:
      Cargar_programa(p, r);
      break;
    case Peticion::Carga_arranque:
      Cargar_arranque(p, r);
      break;
    case Peticion::Confirmar_sector:
      Confirmar_sector(p, r);
      break;
    case Peticion::Borrado_preparacion:
      Borrar_preparacion(p, r);
      break;
    case Peticion::Grabacion:
      Grabar(p, r);
      break;
    case Peticion::Borrado_sector:
      Borrar_sector(p, r);
      break;
    case Peticion::Preparar_mpeg4:
      if (p[1] == 0x00) Responder({kPreparado_mpeg4}, r);
      break;
    case Peticion::Fin:
      // The loader hands back to the firmware: the meter restarts.
      if (p[1] == 0x00 && etapa_ == Etapa::Cargador) Reiniciar(r);
      break;
    case Peticion::Bloque_preparacion:
      Bloque_preparacion(p, r);
      break;
    case Peticion::Sector_preparacion:
      Sector_preparacion(p, r);
      break;
    case Peticion::Listo:
      Responder({kListo}, r);
      break;
    case Peticion::Relleno:
      Responder({config_.respuesta_relleno}, r);
      break;
    case Peticion::Teclado:
      Empezar_teclado(r);
      break;
    case Peticion::Paquete_teclado:
      Paquete_teclado(p, t);
      break;
    case Peticion::Info_mpeg4:
      Info_mpeg4(r);
      break;
    case Peticion::Serie_mpeg4:
      Serie_mpeg4(r);
      break;
    case Peticion::Actualizar_mpeg4:
      Actualizar_mpeg4(p, r);
      break;
    case Peticion::Cualquiera:
    case Peticion::Desconocida:
      break;
  }
}

// 0x01 page offL offH count -> 0x10, count, count bytes.
void Medidor_simulado::Leer_memoria(const std::vector<uint8_t>& p, uint64_t t) {
  uint32_t base = (uint32_t{p[1]} << 16) | p[2] | (uint32_t{p[3]} << 8);
  std::vector<uint8_t> r = {kLectura, p[4]};
  for (uint32_t i = 0; i < p[4]; ++i) r.push_back(memoria_.Leer((base + i) & 0xFFFFFF));
  Responder(r, t);
}

// 0x01 0x50 device count register -> 0x10, count + 1, count, the registers.
// Only device 0x3F answers reads; the register is the low nibble of the last byte
// (the flag and mode bits select nothing in this device).
void Medidor_simulado::Leer_bus(const std::vector<uint8_t>& p, uint64_t t) {
  if ((p[2] & 0x7F) != kDispositivo_registros) return;
  uint8_t cuenta = std::min<uint8_t>(p[3], 16);
  uint8_t registro = p[4] & 0x0F;
  std::vector<uint8_t> r = {kLectura, static_cast<uint8_t>(cuenta + 1), cuenta};
  for (uint8_t i = 0; i < cuenta; ++i) r.push_back(registros_bus_[(registro + i) & 0x0F]);
  Responder(r, t);
}

// 0x02 N+3 page offL offH data: no answer. A write of the baud-rate reload value
// at 0xFEB4 switches the line once the write is in.
void Medidor_simulado::Escribir_memoria(const std::vector<uint8_t>& p, uint64_t /*t*/) {
  if (p.size() < 5) return;
  uint32_t base = (uint32_t{p[2]} << 16) | p[3] | (uint32_t{p[4]} << 8);
  bool velocidad = false;
  for (size_t i = 5; i < p.size(); ++i) {
    uint32_t a = (base + static_cast<uint32_t>(i - 5)) & 0xFFFFFF;
    memoria_.Escribir(a, p[i]);
    velocidad |= a == 0x00FEB4 || a == 0x00FEB5;
  }
  if (velocidad) {
    baudios_ = Baudios_de_codigo(
        static_cast<uint16_t>(memoria_.Leer(0x00FEB4) | (memoria_.Leer(0x00FEB5) << 8)));
  }
}

// 0x02 N+3 0x50 0x3F register n v1..vn -> 0x20. The first data byte counts the
// register values that follow, as in the read answer. Bits 0x41 in register 8
// enable the device, which then raises its ready bit 0x10.
void Medidor_simulado::Escribir_bus(const std::vector<uint8_t>& p, uint64_t t) {
  if (p.size() < 6 || p[3] != kDispositivo_registros) return;
  uint8_t registro = p[4] & 0x0F;
  size_t n = std::min<size_t>(p[5], p.size() - 6);
  for (size_t i = 0; i < n; ++i) registros_bus_[(registro + i) & 0x0F] = p[6 + i];
  if ((registros_bus_[8] & 0x41) == 0x41 && !config_.bus_sin_listo) registros_bus_[8] |= 0x10;
  Responder({kEscritura_bus}, t);
}

// 0x02 N+5 0x50 0x52 0x08 addrH addrL data -> 0x20 once the pages are written.
// A write past the end of the EEPROM is refused.
void Medidor_simulado::Escribir_eeprom(const std::vector<uint8_t>& p, uint64_t t) {
  if (p.size() < 7 || p[4] != 0x08) return;
  uint32_t direccion = (uint32_t{p[5]} << 8) | p[6];
  size_t n = p.size() - 7;
  if (direccion + n > kTamano_eeprom) return;
  std::copy(p.begin() + 7, p.end(), memoria_.Eeprom().begin() + direccion);
  uint64_t paginas = (n + 63) / 64;
  Responder({kEscritura_bus}, t + paginas * config_.t_pagina_eeprom_us);
}

// 0x03 count+4 addrL addrH segment data check -> "0" when the check matches.
void Medidor_simulado::Bloque(const std::vector<uint8_t>& p, uint64_t t) {
  if (p[1] < 4 || p.size() != size_t{p[1]} + 2) return;
  size_t n = p[1] - 4u;
  if (Xor(p.data() + 1, 4 + n) != p[5 + n]) return;
  uint16_t direccion = static_cast<uint16_t>(p[2] | (p[3] << 8));
  memoria_.Preparar(p[4], direccion, std::span<const uint8_t>(p.data() + 5, n));
  Responder({kBloque_ok}, t);
}

// 0x04 lenL lenH program. The 144-byte first stage answers "J" and the graphics
// area (segment byte, address high, low), or 0x40 without one; the 1096-byte
// second stage, which only the first stage can take in, answers 0x55 then 0xAD.
void Medidor_simulado::Cargar_programa(const std::vector<uint8_t>& p, uint64_t t) {
  size_t longitud = p[1] | (size_t{p[2]} << 8);
  std::vector<uint8_t> programa(p.begin() + 3, p.end());
  uint64_t r = t + config_.t_carga_us;
  if (longitud == 144) {
    cargador_.primera_etapa = std::move(programa);
    primera_etapa_cargada_ = true;
    if (config_.graficos) {
      Responder(
          {'J', config_.graficos_segmento, static_cast<uint8_t>(config_.graficos_direccion >> 8),
           static_cast<uint8_t>(config_.graficos_direccion & 0xFF)},
          r);
    } else {
      Responder({kSin_graficos}, r);
    }
  } else if (longitud == 1096 && primera_etapa_cargada_) {
    cargador_.segunda_etapa = std::move(programa);
    etapa_ = Etapa::Cargador;
    Responder({kSegunda_etapa, kCargador_ok}, r);
  }
}

// The boot stage's raw load: 32 bytes (already kept), then 1096 -> 0xAD.
void Medidor_simulado::Cargar_arranque(const std::vector<uint8_t>& p, uint64_t t) {
  cargador_.arranque.insert(cargador_.arranque.end(), p.begin(), p.end());
  etapa_ = Etapa::Cargador;
  Responder({kCargador_ok}, t + config_.t_carga_us);
}

// 0x07 0x06 0x00 0x00 S 0xFD 0xFF E -> "p" once staged segments S..E are erased.
void Medidor_simulado::Borrar_preparacion(const std::vector<uint8_t>& p, uint64_t t) {
  if (p[1] != 0x06 || p[2] != 0x00 || p[3] != 0x00 || p[5] != 0xFD || p[6] != 0xFF) return;
  int n = 0;
  for (int s = p[4]; s <= p[7]; ++s, ++n) memoria_.Borrar_preparacion(static_cast<uint8_t>(s));
  Responder({kBorrado_ok}, t + uint64_t(n) * config_.t_borrado_preparacion_us);
}

// 0x09 0x40 map[64]: erase phase 0x8A 0x8A with a sector byte per segment, then
// the programming phase 0x8B 0x8B with the segment byte 0xAB + k of each segment
// as it is written, then 0x80 0x80. The meter hears nothing meanwhile. Until the
// last segment is written the firmware is not marked whole, so a burn cut short
// leaves the meter starting in its boot stage. A meter configured with
// grabacion_sin_efecto answers the same and keeps its old flash, whole.
void Medidor_simulado::Grabar(const std::vector<uint8_t>& p, uint64_t t) {
  if (p[1] != 0x40) return;
  std::vector<int> segmentos;
  for (int k = 0; k < kNum_segmentos_flash; ++k) {
    if (p[2 + k] != 0) segmentos.push_back(k);
  }
  // A restart in the middle: every segment erased, half of them written.
  size_t a_escribir = decision_.reinicio ? segmentos.size() / 2 : segmentos.size();
  // A power cut on its way stops the work where it falls: a segment whose erase
  // has begun reads blank, one being programmed holds the bytes written so far.
  const uint64_t corte = corte_us_ ? *corte_us_ : std::numeric_limits<uint64_t>::max();
  if (!config_.grabacion_sin_efecto) firmware_entera_ = false;
  uint64_t tt = t;
  Responder({0x8A, 0x8A}, tt);
  for (int k : segmentos) {
    if (tt >= corte) return;
    tt += config_.t_borrado_segmento_us;
    if (!config_.grabacion_sin_efecto) memoria_.Borrar_flash(k, 0, kTamano_segmento);
    Responder({Byte_borrado(k)}, tt);
  }
  tt += config_.t_respuesta_us;
  Responder({0x8B, 0x8B}, tt);
  for (size_t i = 0; i < a_escribir; ++i) {
    int k = segmentos[i];
    if (tt >= corte) return;
    Responder({static_cast<uint8_t>(kPrimer_segmento_flash + k)}, tt);
    const uint64_t inicio = tt;
    tt += config_.t_programa_segmento_us;
    if (tt > corte) {
      const auto escritos = static_cast<size_t>(uint64_t{kTamano_segmento} * (corte - inicio) /
                                                config_.t_programa_segmento_us);
      auto origen = memoria_.Preparacion(static_cast<uint8_t>(kPrimer_segmento_flash + k));
      if (!config_.grabacion_sin_efecto)
        std::copy_n(origen.begin(), escritos, memoria_.Segmento_flash(k).begin());
      return;
    }
    if (!config_.grabacion_sin_efecto) memoria_.Grabar_segmento(k);
  }
  if (decision_.reinicio) {
    Reiniciar(tt);
    return;
  }
  if (tt >= corte) return;
  firmware_entera_ = true;
  fin_grabacion_us_ = tt;
  Responder({0x80, 0x80}, tt);
  Quedar_sordo(tt);
}

// 0x0C n -> n once the sector is erased.
void Medidor_simulado::Borrar_sector(const std::vector<uint8_t>& p, uint64_t t) {
  auto rango = Sector_pequeno(p[1]);
  if (!rango) return;
  memoria_.Borrar_flash(rango->segmento, rango->desplazamiento, rango->tamano);
  Quedar_sordo(t + config_.t_sector_us);
  Responder({p[1]}, t + config_.t_sector_us);
}

// 0x06 n -> n, 0x60 (or 0x60 alone) once the staged bytes of sector n are in flash.
void Medidor_simulado::Confirmar_sector(const std::vector<uint8_t>& p, uint64_t t) {
  auto rango = Sector_pequeno(p[1]);
  if (!rango) return;
  auto origen =
      memoria_.Preparacion(static_cast<uint8_t>(kPrimer_segmento_flash + rango->segmento));
  auto destino = memoria_.Segmento_flash(rango->segmento);
  std::copy_n(origen.begin() + rango->desplazamiento, rango->tamano,
              destino.begin() + rango->desplazamiento);
  Quedar_sordo(t + config_.t_sector_us);
  if (config_.confirmar_sin_eco) {
    Responder({kConfirmado}, t + config_.t_sector_us);
  } else {
    Responder({p[1], kConfirmado}, t + config_.t_sector_us);
  }
}

// 0x5A a2 a1 a0 data[128] check -> 0xA5 when the check (XOR of the address and
// data bytes) matches and the block fits the area.
void Medidor_simulado::Bloque_preparacion(const std::vector<uint8_t>& p, uint64_t t) {
  if (Xor(p.data() + 1, 131) != p[132]) return;
  uint32_t direccion = (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  if (!memoria_.Preparar_area(direccion, std::span<const uint8_t>(p.data() + 4, 128))) return;
  Responder({kBloque_area_ok}, t);
}

// 0x5B src[3] len[3] sector p1 p2 xor_data xor_header -> 0xB5. Length 0 erases
// the sector; otherwise the staged bytes from src are written into it (and the
// sectors after it when longer than one) after the data check matched, and the
// meter restarts to take the new plans in. Sector n is flash segment n.
void Medidor_simulado::Sector_preparacion(const std::vector<uint8_t>& p, uint64_t t) {
  if (Xor(p.data() + 1, 10) != p[11]) return;
  uint32_t origen = (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  uint32_t longitud = (uint32_t{p[4]} << 16) | (uint32_t{p[5]} << 8) | p[6];
  int sector = p[7];
  uint32_t sectores = longitud == 0 ? 1 : (longitud + kTamano_segmento - 1) / kTamano_segmento;
  if (sector + sectores > uint32_t{kNum_segmentos_flash}) return;
  auto area = memoria_.Area_sectores();
  if (origen > area.size() || longitud > area.size() - origen) return;
  if (Xor(area.data() + origen, longitud) != p[10]) return;
  for (uint32_t i = 0; i < sectores; ++i) {
    memoria_.Borrar_flash(sector + static_cast<int>(i), 0, kTamano_segmento);
  }
  for (uint32_t i = 0; i < longitud; ++i) {
    memoria_.Segmento_flash(sector + static_cast<int>(i / kTamano_segmento))[i % kTamano_segmento] =
        area[origen + i];
  }
  uint64_t fin = t + config_.t_sector_us;
  Quedar_sordo(fin);
  Responder({kSector_ok}, fin);
  if (longitud > 0) Reiniciar(fin);
}

// 0xBF -> 0xFB, unused, app version hi lo, app build hi lo, decoders, boot.
void Medidor_simulado::Info_mpeg4(uint64_t t) {
  if (!mpeg4_.presente) return;
  const Versiones_mpeg4& v = mpeg4_.versiones;
  Responder({0xFB, 0x00, static_cast<uint8_t>(v.aplicacion >> 8),
             static_cast<uint8_t>(v.aplicacion & 0xFF), static_cast<uint8_t>(v.build >> 8),
             static_cast<uint8_t>(v.build & 0xFF), v.decodificadores, v.arranque},
            t);
}

// 0xC0 -> 0x0C, 64 (the length), 64 serial-number bytes.
void Medidor_simulado::Serie_mpeg4(uint64_t t) {
  if (!mpeg4_.presente) return;
  std::vector<uint8_t> r = {0x0C, 64};
  for (size_t i = 0; i < 64; ++i) {
    r.push_back(i < config_.mpeg4_serie.size() ? static_cast<uint8_t>(config_.mpeg4_serie[i]) : 0);
  }
  Responder(r, t);
}

// 0xCC (0x4C) 00 00 20 00 size[LE32]: the loader hands over at 115,200 baud; the
// module takes the application staged from segment byte 0xB0 and the stage-2
// program staged at 0x81, and after t_mpeg4_us the meter sends 0xBB and restarts.
// Without a module, or with an image that does not start with "RDHB", no 0xBB.
void Medidor_simulado::Actualizar_mpeg4(const std::vector<uint8_t>& p, uint64_t t) {
  if (p[1] != 0x00 || p[2] != 0x00 || p[3] != 0x20 || p[4] != 0x00) return;
  uint32_t tamano = p[5] | (uint32_t{p[6]} << 8) | (uint32_t{p[7]} << 16) | (uint32_t{p[8]} << 24);
  mpeg4_.codigo_inicio = p[0];
  mpeg4_.tamano_pedido = tamano;
  baudios_ = kBaudios_inicio;
  uint64_t fin = t + config_.t_mpeg4_us;
  if (!mpeg4_.presente) {
    Reiniciar(t);
    return;
  }
  if (decision_.reinicio) {
    Reiniciar(t + config_.t_mpeg4_us / 2);
    return;
  }
  // The module takes a new application only once it has the whole of it: an
  // update cut short leaves it running the previous one, with its versions.
  if (corte_us_ && *corte_us_ < fin) return;
  uint32_t maximo = (256u - kSegmento_aplicacion_mpeg4) * kTamano_segmento;
  std::vector<uint8_t> aplicacion;
  aplicacion.reserve(std::min(tamano, maximo));
  for (uint32_t i = 0; i < std::min(tamano, maximo); ++i) {
    aplicacion.push_back(memoria_.Preparacion(static_cast<uint8_t>(
        kSegmento_aplicacion_mpeg4 + i / kTamano_segmento))[i % kTamano_segmento]);
  }
  if (config_.mpeg4_comprobar_cabecera &&
      (aplicacion.size() < 4 || std::memcmp(aplicacion.data(), "RDHB", 4) != 0)) {
    Reiniciar(fin);
    return;
  }
  auto etapa2 = memoria_.Preparacion(kSegmento_etapa2_mpeg4);
  mpeg4_.aplicacion = std::move(aplicacion);
  mpeg4_.etapa2.assign(etapa2.begin(),
                       etapa2.begin() + memoria_.Extension_preparada(kSegmento_etapa2_mpeg4));
  mpeg4_.versiones = config_.mpeg4_nueva;
  ++mpeg4_.actualizaciones;
  Quedar_sordo(fin);
  Responder({kModulo_listo}, fin);
  Reiniciar(fin);
}

}  // namespace r27::sim
