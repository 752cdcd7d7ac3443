// The meter's core: the timeline of received bytes, the packet framing of each
// stage, the faults, the stamped answers and the restarts.
#include "sim/medidor_simulado.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

namespace r27::sim {
namespace {

constexpr size_t kCrudo = std::numeric_limits<size_t>::max();  // boot stage: raw load
constexpr size_t kTamano_arranque_1 = 32;
constexpr size_t kTamano_arranque_2 = 1096;

}  // namespace

Medidor_simulado::Medidor_simulado(Config_medidor config, uint64_t t_inicio_us)
    : config_(std::move(config)), fallos_(config_.fallos, config_.semilla) {
  ahora_us_ = t_inicio_us;
  ultima_llegada_us_ = t_inicio_us;
  registros_bus_[8] = config_.bus_registro8;
  registros_bus_[12] = config_.bus_registro12;
  mpeg4_.presente = config_.mpeg4;
  mpeg4_.versiones = config_.mpeg4_actual;
  // The screen-graphics area is flash: its pictures outlive restarts. The three
  // segment bytes are the ones the updater's erase of the area names.
  if (config_.graficos) memoria_.Conservar_preparacion(config_.graficos_segmento, 3);
  Escribir_identidad();
  Encender(t_inicio_us, config_.etapa_arranque);
}

void Medidor_simulado::Encender(uint64_t /*t_us*/, bool en_arranque) {
  // The boot code starts the firmware only when the last burn finished.
  etapa_ = en_arranque || !firmware_entera_ ? Etapa::Arranque : Etapa::Aplicacion;
  baudios_ = kBaudios_inicio;
  primera_etapa_cargada_ = false;
  paquete_.clear();
  crudo_pendiente_ = 0;
  espera_ = Espera_teclado::Nada;
  plazo_teclado_us_.reset();
  teclado_rechazado_ = false;
  // The baud-rate reload register comes out of reset at 115,200.
  memoria_.Escribir(0x00FEB4, 8);
  memoria_.Escribir(0x00FEB5, 0);
  if (etapa_ == Etapa::Arranque) return;
  // What the firmware sets up in RAM when it starts; the boot stage does not, so
  // there these read what the RAM held (zero after a power cut).
  memoria_.Escribir(0x00FEA0, static_cast<uint8_t>(config_.nivel & 0xFF));
  memoria_.Escribir(0x00FEA1, static_cast<uint8_t>(config_.nivel >> 8));
  memoria_.Escribir(0x420210, config_.idioma);
}

void Medidor_simulado::Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) {
  if (desenchufado_) return;
  uint64_t t = std::max(t_us, ahora_us_);
  uint64_t paso = config_.ritmo ? Tiempo_byte_us(baudios) : 0;
  for (size_t i = 0; i < n; ++i) {
    uint64_t llegada = config_.ritmo ? std::max(t, ultima_llegada_us_) + paso : t;
    llegada = std::max(llegada, ultima_llegada_us_);
    ultima_llegada_us_ = llegada;
    entrada_.push_back(Byte_entrante{datos[i], llegada, baudios});
  }
}

void Medidor_simulado::Avanzar(uint64_t t_us) {
  for (;;) {
    // A power cut due by then (a request handled here may set one): what comes
    // before it happens, nothing after it.
    const uint64_t hasta = corte_us_ && *corte_us_ <= t_us ? *corte_us_ : t_us;
    bool hay_byte = !entrada_.empty() && entrada_.front().llegada_us <= hasta;
    bool hay_rechazo = plazo_teclado_us_ && *plazo_teclado_us_ <= hasta;
    if (hay_rechazo && (!hay_byte || *plazo_teclado_us_ <= entrada_.front().llegada_us)) {
      uint64_t t = *plazo_teclado_us_;
      plazo_teclado_us_.reset();
      ahora_us_ = std::max(ahora_us_, t);
      Terminar_teclado(21, t);
      continue;
    }
    if (!hay_byte) break;
    Byte_entrante b = entrada_.front();
    entrada_.pop_front();
    ahora_us_ = std::max(ahora_us_, b.llegada_us);
    Procesar_byte(b);
  }
  if (corte_us_ && *corte_us_ <= t_us) Cortar(*corte_us_);
  ahora_us_ = std::max(ahora_us_, t_us);
}

std::optional<uint64_t> Medidor_simulado::Proximo_evento_us() const {
  std::optional<uint64_t> t = salida_.Primero_us();
  auto menor = [&t](uint64_t v) { t = t ? std::min(*t, v) : v; };
  if (!entrada_.empty()) menor(entrada_.front().llegada_us);
  if (plazo_teclado_us_) menor(*plazo_teclado_us_);
  if (corte_us_) menor(*corte_us_);
  return t;
}

size_t Medidor_simulado::Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino,
                                      size_t max) {
  if (desenchufado_) return 0;
  return salida_.Tomar(hasta_us, baudios, destino, max);
}

void Medidor_simulado::Descartar_salida(uint64_t hasta_us) { salida_.Descartar(hasta_us); }

size_t Medidor_simulado::Entrada_en_camino(uint64_t t_us) const {
  return static_cast<size_t>(std::count_if(entrada_.begin(), entrada_.end(),
                                           [t_us](const auto& b) { return b.llegada_us > t_us; }));
}

void Medidor_simulado::Descartar_entrada_en_camino(uint64_t t_us) {
  while (!entrada_.empty() && entrada_.back().llegada_us > t_us) entrada_.pop_back();
  ultima_llegada_us_ = entrada_.empty() ? t_us : entrada_.back().llegada_us;
}

void Medidor_simulado::Enviar_liberacion(uint64_t t_us) {
  if (!desenchufado_) Emitir(0x0A, t_us);
}

void Medidor_simulado::Reenchufar(uint64_t t_us) {
  desenchufado_ = false;
  entrada_.clear();
  salida_.Vaciar();
  silencio_hasta_ = 0;
  ahora_us_ = std::max(ahora_us_, t_us);
  ultima_llegada_us_ = ahora_us_;
  corte_us_.reset();
  memoria_.Perder_ram_de_trabajo();
  memoria_.Perder_ram();  // the power was off
  registros_bus_ = {};    // and the bus device starts from its reset values
  registros_bus_[8] = config_.bus_registro8;
  registros_bus_[12] = config_.bus_registro12;
  Encender(ahora_us_, config_.etapa_arranque);
  Quedar_sordo(ahora_us_ + config_.t_reinicio_us);
}

std::vector<uint8_t> Medidor_simulado::Area_graficos(uint32_t tamano) const {
  std::vector<uint8_t> v;
  v.reserve(tamano);
  uint32_t s = config_.graficos_segmento;
  uint32_t d = config_.graficos_direccion;
  for (uint32_t i = 0; i < tamano; ++i) {
    if (d >= kTamano_segmento) {
      d = 0;
      s = (s + 1) & 0xFF;
    }
    v.push_back(memoria_.Preparacion(static_cast<uint8_t>(s))[d++]);
  }
  return v;
}

void Medidor_simulado::Procesar_byte(const Byte_entrante& b) {
  uint64_t t = b.llegada_us;
  if (desenchufado_) return;
  if (t < sordo_hasta_ || t < silencio_hasta_) {
    paquete_.clear();
    crudo_pendiente_ = 0;
    return;
  }
  if (etapa_ == Etapa::Teclado) {
    if (teclado_rechazado_) {
      // The refused exchange waits for the computer to fall quiet before it ends.
      plazo_teclado_us_ = t + config_.t_rechazo_teclado_us;
      return;
    }
    plazo_teclado_us_ = t + config_.t_abandono_teclado_us;
  }
  if (b.baudios != baudios_) {
    // Framing errors: the byte is lost and so is any packet it belonged to. The
    // first of a run of them is told.
    if (aviso_ && !bytes_a_otra_velocidad_) {
      aviso_("bytes a " + std::to_string(b.baudios) + " baudios; el medidor escucha a " +
             std::to_string(baudios_));
    }
    bytes_a_otra_velocidad_ = true;
    paquete_.clear();
    if (crudo_pendiente_ == kTamano_arranque_1) crudo_pendiente_ = 0;
    return;
  }
  if (config_.t_entre_bytes_us > 0 && !paquete_.empty() &&
      t - ultimo_byte_us_ > config_.t_entre_bytes_us) {
    ++paquetes_descartados_;
    if (aviso_) {
      char texto[160];
      std::snprintf(texto, sizeof texto,
                    "paquete descartado: %zu bytes desde 0x%02X y %llu ms de silencio antes del "
                    "siguiente (mas de %llu ms)",
                    paquete_.size(), paquete_[0],
                    static_cast<unsigned long long>((t - ultimo_byte_us_) / 1000),
                    static_cast<unsigned long long>(config_.t_entre_bytes_us / 1000));
      aviso_(texto);
    }
    paquete_.clear();
    if (crudo_pendiente_ == kTamano_arranque_1) crudo_pendiente_ = 0;
  }
  bytes_a_otra_velocidad_ = false;
  paquete_.push_back(b.valor);
  ultimo_byte_us_ = t;

  if (crudo_pendiente_ == 0) {
    size_t necesario = Longitud_paquete();
    if (necesario == kCrudo) {
      crudo_pendiente_ = kTamano_arranque_1;
    } else {
      if (necesario != 0 && paquete_.size() >= necesario) Despachar(t);
      return;
    }
  }
  // Raw bootstrap load: 32 bytes the boot stage runs, then the 1096 bytes that
  // program takes in.
  if (paquete_.size() < crudo_pendiente_) return;
  if (crudo_pendiente_ == kTamano_arranque_1) {
    cargador_.arranque = paquete_;
    paquete_.clear();
    crudo_pendiente_ = kTamano_arranque_2;
    return;
  }
  Despachar(t);
}

// Total length of the packet being received, 0 while more bytes are needed to
// tell, kCrudo when the boot stage takes the bytes as its raw load.
size_t Medidor_simulado::Longitud_paquete() const {
  const auto& p = paquete_;
  uint8_t c = p[0];
  if (etapa_ == Etapa::Teclado) {
    if (c != 0xBC) return 1;
    return p.size() < 2 ? 0 : size_t{2} + p[1];
  }
  if (etapa_ == Etapa::Arranque) {
    switch (c) {
      case 0x00:
      case 0x0A:
        return 1;
      case 0x01:
        if (p.size() < 2) return 0;
        return p[1] == 0x50 ? 5 : kCrudo;
      case 0x02:
        if (p.size() < 3) return 0;
        return p[2] == 0x50 ? size_t{2} + p[1] : kCrudo;
      default:
        return kCrudo;
    }
  }
  switch (c) {
    case 0x01:
      return 5;
    case 0x02:
      return p.size() < 2 ? 0 : size_t{2} + p[1];
    case 0x03:
      return p.size() < 2 ? 0 : size_t{2} + std::max<uint8_t>(p[1], 4);
    case 0x04:
      return p.size() < 3 ? 0 : size_t{3} + (p[1] | (size_t{p[2]} << 8));
    case 0x06:
    case 0x0C:
    case 0x0D:
    case 0x0F:
      return 2;
    case 0x07:
      return 8;
    case 0x09:
      return 66;
    case 0x5A:
      return 133;
    case 0x5B:
      return 12;
    case 0xCC:
    case 0x4C:
      return 9;
    default:
      return 1;
  }
}

Peticion Medidor_simulado::Clasificar(const std::vector<uint8_t>& p) const {
  if (etapa_ == Etapa::Teclado) return Peticion::Paquete_teclado;
  if (etapa_ == Etapa::Arranque && crudo_pendiente_ == kTamano_arranque_2) {
    return Peticion::Carga_arranque;
  }
  switch (p[0]) {
    case 0x00:
      return Peticion::Sondeo;
    case 0x0A:
      return Peticion::Liberacion;
    case 0x01:
      return p[1] == 0x50 ? Peticion::Lectura_bus : Peticion::Lectura_memoria;
    case 0x02:
      if (p.size() < 3) return Peticion::Desconocida;
      if (p[2] != 0x50) return Peticion::Escritura_memoria;
      return p.size() > 3 && p[3] == 0x52 ? Peticion::Escritura_eeprom : Peticion::Escritura_bus;
    case 0x03:
      return Peticion::Bloque;
    case 0x04:
      return Peticion::Carga_programa;
    case 0x06:
      return Peticion::Confirmar_sector;
    case 0x07:
      return Peticion::Borrado_preparacion;
    case 0x09:
      return Peticion::Grabacion;
    case 0x0C:
      return Peticion::Borrado_sector;
    case 0x0D:
      return Peticion::Preparar_mpeg4;
    case 0x0F:
      return Peticion::Fin;
    case 0x5A:
      return Peticion::Bloque_preparacion;
    case 0x5B:
      return Peticion::Sector_preparacion;
    case 0xAA:
      return Peticion::Listo;
    case 0xFF:
      return Peticion::Relleno;
    case 0xBB:
      return Peticion::Teclado;
    case 0xBF:
      return Peticion::Info_mpeg4;
    case 0xC0:
      return Peticion::Serie_mpeg4;
    case 0xCC:
    case 0x4C:
      return Peticion::Actualizar_mpeg4;
    default:
      return Peticion::Desconocida;
  }
}

// Which requests each stage understands; anything else is ignored unanswered.
bool Medidor_simulado::Permitida(Peticion p) const {
  switch (etapa_) {
    case Etapa::Teclado:
      return p == Peticion::Paquete_teclado;
    case Etapa::Arranque:
      return p == Peticion::Sondeo || p == Peticion::Liberacion || p == Peticion::Lectura_bus ||
             p == Peticion::Escritura_bus || p == Peticion::Escritura_eeprom ||
             p == Peticion::Carga_arranque;
    case Etapa::Aplicacion:
    case Etapa::Cargador:
      break;
  }
  switch (p) {
    case Peticion::Sondeo:
    case Peticion::Liberacion:
    case Peticion::Lectura_memoria:
    case Peticion::Lectura_bus:
    case Peticion::Escritura_memoria:
    case Peticion::Escritura_bus:
    case Peticion::Escritura_eeprom:
    case Peticion::Carga_programa:
    case Peticion::Bloque_preparacion:
    case Peticion::Sector_preparacion:
    case Peticion::Info_mpeg4:
    case Peticion::Serie_mpeg4:
    case Peticion::Fin:
      return true;
    case Peticion::Teclado:
      return etapa_ == Etapa::Aplicacion;
    case Peticion::Bloque:
    case Peticion::Confirmar_sector:
    case Peticion::Borrado_preparacion:
    case Peticion::Grabacion:
    case Peticion::Borrado_sector:
    case Peticion::Preparar_mpeg4:
    case Peticion::Listo:
    case Peticion::Relleno:
    case Peticion::Actualizar_mpeg4:
      return etapa_ == Etapa::Cargador;
    default:
      return false;
  }
}

void Medidor_simulado::Despachar(uint64_t t) {
  std::vector<uint8_t> p;
  p.swap(paquete_);
  Peticion tipo = Clasificar(p);
  crudo_pendiente_ = 0;
  if (!Permitida(tipo)) return;

  decision_ = fallos_.Decidir(tipo, t);
  primera_respuesta_ = true;
  if (decision_.desenchufe) {
    if (decision_.desenchufe_us == 0) {
      Cortar(t);
      decision_ = {};
      return;
    }
    // The request is carried out; the power goes later, in the middle of its work.
    corte_us_ = t + decision_.desenchufe_us;
  }
  if (decision_.silencio) {
    silencio_hasta_ = decision_.silencio_us == 0 ? std::numeric_limits<uint64_t>::max()
                                                 : t + decision_.silencio_us;
    // A silent meter does not end the keyboard exchange with 21 either.
    plazo_teclado_us_.reset();
    decision_ = {};
    return;
  }
  bool largo = tipo == Peticion::Grabacion || tipo == Peticion::Actualizar_mpeg4;
  if (decision_.reinicio && !largo) {
    decision_ = {};
    Reiniciar(t);
    return;
  }
  if (decision_.alterado) {
    if (p.size() == 1) {
      decision_ = {};
      return;  // a lone byte corrupted is a byte the meter does not know
    }
    p[p.size() / 2] ^= 0x01;
  }
  Atender(tipo, p, t);
  decision_ = {};
}

uint64_t Medidor_simulado::Emitir(uint8_t valor, uint64_t t_us) {
  if (desenchufado_) return t_us;
  uint64_t listo = t_us;
  if (config_.ritmo) {
    listo = std::max(t_us, ultima_salida_us_) + Tiempo_byte_us(baudios_);
    ultima_salida_us_ = listo;
  }
  salida_.Poner(valor, listo, baudios_);
  return listo;
}

void Medidor_simulado::Responder(std::span<const uint8_t> bytes, uint64_t t_us) {
  if (decision_.ack_perdido) return;
  // A late answer holds back the ones after it, as a link in the way would.
  t_us = std::max(t_us + decision_.tardia_us, piso_salida_us_);
  for (uint8_t b : bytes) {
    if (primera_respuesta_) {
      primera_respuesta_ = false;
      if (decision_.liberacion) t_us = Emitir(0x0A, t_us);
      if (decision_.ack_erroneo) b ^= 0xFF;
      if (decision_.respuesta_m) b = 0x6D;
      if (decision_.respuesta_arranque) b = 0xD5;
    }
    t_us = Emitir(b, t_us);
  }
  if (decision_.tardia_us > 0) piso_salida_us_ = t_us;
}

void Medidor_simulado::Responder(std::initializer_list<uint8_t> bytes, uint64_t t_us) {
  Responder(std::span<const uint8_t>(bytes.begin(), bytes.size()), t_us);
}

void Medidor_simulado::Quedar_sordo(uint64_t hasta_us) {
  sordo_hasta_ = std::max(sordo_hasta_, hasta_us);
}

// A restart at `t_us`: the loader and both staging areas are gone, the line is
// back at 115,200 baud, and nothing is heard until the firmware is up again.
void Medidor_simulado::Reiniciar(uint64_t t_us) {
  ++reinicios_;
  memoria_.Perder_ram_de_trabajo();
  Encender(t_us, false);
  Quedar_sordo(t_us + config_.t_reinicio_us);
}

void Medidor_simulado::Cortar(uint64_t t_us) {
  desenchufado_ = true;
  corte_us_.reset();
  entrada_.clear();
  salida_.Vaciar();
  plazo_teclado_us_.reset();
  ahora_us_ = std::max(ahora_us_, t_us);
}

const char* Nombre_peticion(Peticion p) {
  static constexpr const char* kNombres[kNum_peticiones] = {"cualquiera",
                                                            "sondeo",
                                                            "liberacion",
                                                            "lectura-memoria",
                                                            "lectura-bus",
                                                            "escritura-memoria",
                                                            "escritura-bus",
                                                            "escritura-eeprom",
                                                            "bloque",
                                                            "carga-programa",
                                                            "carga-arranque",
                                                            "confirmar-sector",
                                                            "borrado-preparacion",
                                                            "grabacion",
                                                            "borrado-sector",
                                                            "preparar-mpeg4",
                                                            "fin",
                                                            "bloque-preparacion",
                                                            "sector-preparacion",
                                                            "listo",
                                                            "relleno",
                                                            "teclado",
                                                            "paquete-teclado",
                                                            "info-mpeg4",
                                                            "serie-mpeg4",
                                                            "actualizar-mpeg4",
                                                            "desconocida"};
  return kNombres[static_cast<int>(p)];
}

const char* Nombre_fallo(Tipo_fallo t) {
  switch (t) {
    case Tipo_fallo::Ack_perdido:
      return "ack-perdido";
    case Tipo_fallo::Ack_erroneo:
      return "ack-erroneo";
    case Tipo_fallo::Paquete_alterado:
      return "alterado";
    case Tipo_fallo::Silencio:
      return "silencio";
    case Tipo_fallo::Reinicio:
      return "reinicio";
    case Tipo_fallo::Desenchufe:
      return "desenchufe";
    case Tipo_fallo::Liberacion_espuria:
      return "liberacion";
    case Tipo_fallo::Respuesta_m:
      return "respuesta-m";
    case Tipo_fallo::Respuesta_arranque:
      return "respuesta-arranque";
    case Tipo_fallo::Respuesta_tardia:
      return "tardia";
  }
  return "?";
}

}  // namespace r27::sim
