#pragma once
// The simulated R27 meter. It reads each request from the meter's side: what it
// receives, what it answers, what it stores. Results land in its memories, which
// tests inspect: flash segments, EEPROM, the channel-plan sector, the MPEG-4
// module images, the keyboard microcontroller's blocks.
//
// The meter is in one of four stages:
// - boot stage (0xD5 to the probe): bus requests, then the raw bootstrap load;
// - application (0x5D): probe, memory, bus and EEPROM requests, sector staging
//   (0x5A/0x5B), module information, the loader stages, keyboard programming;
// - loader (after both loader stages or the bootstrap load): all of the above
//   plus ready, staging erase, block packets and filler, burn, sector erase and
//   confirm, module update, end;
// - keyboard programming (after 0xBB): only the keyboard exchange's packets.
// It restarts after the keyboard exchange, a channel-plan sector write, the end
// request of the loader and the module update: it then hears nothing for
// t_reinicio_us and comes back in the application at 115,200 baud, or in its
// boot stage when a burn was cut short (the firmware is not marked whole).
// An unplug cuts its power: work under way stops, RAM and staging are lost.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/config_simulador.h"
#include "sim/dispositivo_linea.h"
#include "sim/fallos_simulados.h"
#include "sim/memoria_simulada.h"

namespace r27::sim {

enum class Etapa : uint8_t { Arranque, Aplicacion, Cargador, Teclado };

// What the MPEG-4 module holds.
struct Estado_mpeg4 {
  bool presente = true;
  Versiones_mpeg4 versiones{};
  std::vector<uint8_t> aplicacion;  // as taken from staging at the last update
  std::vector<uint8_t> etapa2;
  uint8_t codigo_inicio = 0;  // 0xCC or 0x4C of the last start request
  uint32_t tamano_pedido = 0;
  int actualizaciones = 0;
};

// What the keyboard microcontroller received and how the exchange ended.
struct Estado_teclado {
  std::array<std::array<uint8_t, 64>, 256> bloques{};
  std::array<uint8_t, 64> seguridad{};
  std::array<uint8_t, 2> suma{};
  int bloques_programados = 0;
  int bloques_verificados = 0;
  bool seguridad_recibida = false;
  bool suma_recibida = false;
  uint8_t resultado = 0;                  // the last code that ended an exchange (18..21)
  std::vector<uint8_t> codigos_enviados;  // request codes sent, in order
};

// Things the loader stages brought in.
struct Estado_cargador {
  std::vector<uint8_t> primera_etapa;  // 144 bytes of 0x04 0x90 0x00
  std::vector<uint8_t> segunda_etapa;  // 1096 bytes of 0x04 0x48 0x04
  std::vector<uint8_t> arranque;       // 32 + 1096 raw bytes of the bootstrap load
};

class Medidor_simulado final : public Dispositivo_linea {
 public:
  explicit Medidor_simulado(Config_medidor config = {}, uint64_t t_inicio_us = 0);

  // Dispositivo_linea.
  void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) override;
  void Avanzar(uint64_t t_us) override;
  std::optional<uint64_t> Proximo_evento_us() const override;
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override;
  void Descartar_salida(uint64_t hasta_us) override;
  size_t Entrada_en_camino(uint64_t t_us) const override;
  void Descartar_entrada_en_camino(uint64_t t_us) override;
  bool Desenchufado() const override { return desenchufado_; }
  uint32_t Baudios_escucha() const override { return baudios_; }

  // The meter sends 0x0A (asks to be let go) at `t_us`.
  void Enviar_liberacion(uint64_t t_us) override;
  // The meter is plugged in again at `t_us`: it powers up as configured, in its
  // boot stage when a burn was cut short, with the RAM it had before lost.
  void Reenchufar(uint64_t t_us);

  // Inspection.
  const Config_medidor& Config() const { return config_; }
  const Memoria_simulada& Memoria() const { return memoria_; }
  // For a test that sets the meter's memories up before a run.
  Memoria_simulada& Memoria() { return memoria_; }
  std::span<const uint8_t> Segmento_flash(int k) const { return memoria_.Segmento_flash(k); }
  // Flash as the 0x5B sector numbers name it: sector n is segment n.
  std::span<const uint8_t> Sector(int n) const { return memoria_.Segmento_flash(n); }
  std::span<const uint8_t> Eeprom() const { return memoria_.Eeprom(); }
  const Estado_mpeg4& Mpeg4() const { return mpeg4_; }
  const Estado_teclado& Teclado() const { return teclado_; }
  const Estado_cargador& Cargador() const { return cargador_; }
  uint8_t Registro_bus(uint8_t registro) const { return registros_bus_[registro & 0x0F]; }
  uint32_t Baudios() const { return baudios_; }
  Etapa Etapa_actual() const { return etapa_; }
  // When the last burn that ran to its end finished writing the flash (0: none).
  uint64_t Fin_grabacion_us() const { return fin_grabacion_us_; }
  // False from the start of a burn until it has written its last segment.
  bool Firmware_entera() const { return firmware_entera_; }
  // True while the meter hears nothing (restarting or busy) at `t_us`.
  bool Sordo(uint64_t t_us) const { return t_us < sordo_hasta_; }
  int Reinicios() const { return reinicios_; }
  uint32_t Cuenta(Peticion p) const { return fallos_.Cuenta(p); }
  const std::vector<uint32_t>& Disparos_fallos() const { return fallos_.Disparos(); }
  const std::vector<Disparo_fallo>& Registro_fallos() const { return fallos_.Registro(); }
  // Other faults from now on (none: the meter behaves); a silence under way ends.
  void Fijar_fallos(std::vector<Fallo> fallos) {
    fallos_.Reemplazar(std::move(fallos));
    silencio_hasta_ = 0;
  }
  // Told of each packet the gap rule drops (t_entre_bytes_us), with the gap seen.
  void Fijar_aviso(std::function<void(const std::string&)> aviso) { aviso_ = std::move(aviso); }
  int Paquetes_descartados() const { return paquetes_descartados_; }
  // The screen-graphics area as the meter shows it: `tamano` bytes from its start.
  std::vector<uint8_t> Area_graficos(uint32_t tamano) const;

 private:
  struct Byte_entrante {
    uint8_t valor;
    uint64_t llegada_us;
    uint32_t baudios;
  };

  // Core (medidor_simulado.cpp).
  void Encender(uint64_t t_us, bool en_arranque);
  void Procesar_byte(const Byte_entrante& b);
  size_t Longitud_paquete() const;
  void Despachar(uint64_t t_us);
  Peticion Clasificar(const std::vector<uint8_t>& p) const;
  bool Permitida(Peticion p) const;
  void Responder(std::span<const uint8_t> bytes, uint64_t t_us);
  void Responder(std::initializer_list<uint8_t> bytes, uint64_t t_us);
  uint64_t Emitir(uint8_t valor, uint64_t t_us);
  void Reiniciar(uint64_t t_us);
  // The port vanishes and the power goes at `t_us`.
  void Cortar(uint64_t t_us);
  void Quedar_sordo(uint64_t hasta_us);

  // Requests (medidor_peticiones.cpp).
  void Atender(Peticion tipo, const std::vector<uint8_t>& p, uint64_t t);
  void Leer_memoria(const std::vector<uint8_t>& p, uint64_t t);
  void Leer_bus(const std::vector<uint8_t>& p, uint64_t t);
  void Escribir_memoria(const std::vector<uint8_t>& p, uint64_t t);
  void Escribir_bus(const std::vector<uint8_t>& p, uint64_t t);
  void Escribir_eeprom(const std::vector<uint8_t>& p, uint64_t t);
  void Bloque(const std::vector<uint8_t>& p, uint64_t t);
  void Cargar_programa(const std::vector<uint8_t>& p, uint64_t t);
  void Cargar_arranque(const std::vector<uint8_t>& p, uint64_t t);
  void Borrar_preparacion(const std::vector<uint8_t>& p, uint64_t t);
  void Grabar(const std::vector<uint8_t>& p, uint64_t t);
  void Borrar_sector(const std::vector<uint8_t>& p, uint64_t t);
  void Confirmar_sector(const std::vector<uint8_t>& p, uint64_t t);
  void Bloque_preparacion(const std::vector<uint8_t>& p, uint64_t t);
  void Sector_preparacion(const std::vector<uint8_t>& p, uint64_t t);
  void Info_mpeg4(uint64_t t);
  void Serie_mpeg4(uint64_t t);
  void Actualizar_mpeg4(const std::vector<uint8_t>& p, uint64_t t);
  void Escribir_identidad();

  // Keyboard exchange (medidor_teclado.cpp).
  void Empezar_teclado(uint64_t t);
  void Paquete_teclado(const std::vector<uint8_t>& p, uint64_t t);
  void Siguiente_paso_teclado(uint64_t t);
  void Entrar_paso_teclado(uint64_t t);
  void Terminar_teclado(uint8_t codigo, uint64_t t);
  void Rechazar_teclado(uint64_t t);
  void Fin_tabla_teclado(uint64_t t);

  Config_medidor config_;
  Memoria_simulada memoria_;
  Fallos_simulados fallos_;
  Cola_salida salida_;
  std::deque<Byte_entrante> entrada_;
  uint64_t ahora_us_ = 0;
  uint64_t ultima_llegada_us_ = 0;
  uint64_t ultima_salida_us_ = 0;
  uint64_t piso_salida_us_ = 0;  // no answer leaves before a late one has
  std::function<void(const std::string&)> aviso_;
  int paquetes_descartados_ = 0;
  bool bytes_a_otra_velocidad_ = false;  // the last byte came at another rate

  Etapa etapa_ = Etapa::Aplicacion;
  uint32_t baudios_ = kBaudios_inicio;
  uint64_t sordo_hasta_ = 0;
  uint64_t silencio_hasta_ = 0;
  bool desenchufado_ = false;
  uint64_t fin_grabacion_us_ = 0;
  // A delayed unplug: the power goes at this time; long work is cut there.
  std::optional<uint64_t> corte_us_;
  // The loader clears this mark when a burn starts and sets it when the burn has
  // written every segment of its map; the boot code starts the firmware only with it.
  bool firmware_entera_ = true;
  bool primera_etapa_cargada_ = false;
  int reinicios_ = 0;

  // Packet being received.
  std::vector<uint8_t> paquete_;
  uint64_t ultimo_byte_us_ = 0;
  size_t crudo_pendiente_ = 0;  // boot stage: raw bootstrap bytes still expected
  // Faults that fire on the request being handled.
  Decision_fallos decision_{};
  bool primera_respuesta_ = true;

  std::array<uint8_t, 16> registros_bus_{};
  Estado_mpeg4 mpeg4_;
  Estado_teclado teclado_;
  Estado_cargador cargador_;

  // Keyboard exchange state.
  enum class Espera_teclado : uint8_t { Nada, Vectores, Bloque, Seguridad, Suma, Fijo };
  size_t paso_teclado_ = 0;
  Espera_teclado espera_ = Espera_teclado::Nada;
  uint8_t tabla_ = 0;         // code of the table being received
  size_t vector_ = 0;         // next vector index in that table
  int bloque_ = 0;            // next block of a code 14
  bool verificando_ = false;  // code 6 has been sent
  bool en_bloques_ = false;   // the table being received follows a block
  bool verificacion_mala_ = false;
  std::vector<uint8_t> fijo_esperado_;
  // When the exchange ends with 21 unless the computer sends something first.
  std::optional<uint64_t> plazo_teclado_us_;
  bool teclado_rechazado_ = false;
};

}  // namespace r27::sim
