// The block exchange shared by the firmware, FPGA, graphics and MPEG-4 senders.
#include "flash/bloque.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "link/lector_hex.h"
#include "link/peticiones.h"

namespace r27 {

size_t Armar_bloque(std::span<uint8_t, kTamano_paquete_bloque> paquete, uint8_t segmento,
                    uint16_t direccion, std::span<const uint8_t> datos) {
  if (datos.empty() || datos.size() > kMaximo_datos_bloque) return 0;
  const size_t cuenta = datos.size();
  paquete[0] = kOrden_bloque;
  paquete[1] = static_cast<uint8_t>(cuenta + 4);
  paquete[2] = static_cast<uint8_t>(direccion);
  paquete[3] = static_cast<uint8_t>(direccion >> 8);
  paquete[4] = segmento;
  std::copy(datos.begin(), datos.end(), paquete.begin() + 5);
  paquete[5 + cuenta] = Checksum_xor(paquete.data() + 1, static_cast<int32_t>(cuenta + 4));
  return cuenta + 6;
}

namespace {

constexpr std::string_view kPeticion_bloque = "Enviar_bloque";

bool Es_escucha(uint8_t b) { return b == kEscuchando || b == kEscuchando_tambien; }

}  // namespace

Resultado Enviar_bloque(Contexto_paso& v, const Emisor_bloques& emisor, uint8_t segmento,
                        uint16_t direccion, std::span<const uint8_t> datos) {
  Puerto_serie& puerto = v.Puerto();
  if (datos.empty() || datos.size() > kMaximo_datos_bloque)
    return Abandono(puerto, kPeticion_bloque, "de 1 a 251 bytes de datos", Llegada::nada,
                    std::to_string(datos.size()) + " bytes: no se envio nada");
  if (emisor.guarda_segmento && segmento < kSegmento_minimo_guardado) return {};

  Reloj& reloj = v.Reloj_();
  Drenar(puerto);
  std::array<uint8_t, kTamano_paquete_bloque> paquete{};
  const size_t longitud = Armar_bloque(paquete, segmento, direccion, datos);
  const std::span<const uint8_t> a_enviar(paquete.data(), longitud);

  // A packet the port did not take is a failed attempt: no answer is awaited
  // for it and the recovery follows. The failure told is the write's.
  Resultado escritura = Escribir_todo(puerto, a_enviar, kPeticion_bloque);
  uint8_t respuesta = 0;
  Respuesta primera;
  if (escritura) {
    // First wait, the only one the technician's abort ends.
    Opciones_espera con_abortar;
    con_abortar.cancelar = [&v] { return v.Cancelada(); };
    primera =
        Esperar_byte(v, reloj.Segundos(), Plazo::Menos_de(kEspera_confirmacion_s), con_abortar);
    if (primera.cancelada) {
      if (emisor.pausa_abortar_ms > 0) Pausa(v, emisor.pausa_abortar_ms);
      return Abandono(puerto, kPeticion_bloque, "0x30", primera);
    }
    if (primera.Es(kBloque_aceptado)) return {};
    respuesta = primera.byte;
  }

  // An unplugged meter hears no filler: the block fails now, with its beep.
  if (puerto.Dispositivo_perdido()) {
    Pitido_fallo(v);
    if (!escritura) return escritura;
    return Abandono(puerto, kPeticion_bloque, "0x30", primera);
  }

  // Resynchronise: clear the line, then fillers until the meter listens again.
  puerto.Purgar(true, true);
  const int64_t inicio = reloj.Segundos();
  Drenar(puerto);
  const Plazo plazo_relleno = Plazo::Menos_de(kEspera_resincronizar_s);
  while (plazo_relleno.Vigente(reloj.Segundos() - inicio) && !Es_escucha(respuesta)) {
    // A filler the port does not take is one the meter never sees: the loop goes
    // on until the meter listens or the time is up, as with a silent meter.
    puerto.Escribir(&kRelleno, 1);
    reloj.Dormir_ms(kPausa_relleno_ms);
    respuesta = 0;
    puerto.Leer(&respuesta, 1);
    v.Procesar_mensajes();
  }
  if (!Es_escucha(respuesta)) {
    Pitido_fallo(v);
    if (!escritura) return escritura;
    Respuesta r;
    r.llego = respuesta != 0;
    r.byte = respuesta;
    return Abandono(puerto, "Enviar_bloque (relleno)", "0x3F o 0x66", r);
  }

  if (Resultado reenvio = Escribir_todo(puerto, a_enviar, kPeticion_bloque); !reenvio) {
    Pitido_fallo(v);
    return reenvio;
  }
  // The meter answers every filler, and the answers to the last fillers can come
  // after the one that ended the resynchronisation, even after the resend: inside
  // the block exchange a "?" or "f" can only answer a filler, so the wait passes
  // over them. Taking one for the resend's answer would fail a block the meter
  // accepted.
  const Respuesta segunda =
      Esperar_byte_salvo(v, {kEscuchando, kEscuchando_tambien}, reloj.Segundos(),
                         Plazo::Menos_de(kEspera_confirmacion_s));
  if (segunda.Es(kBloque_aceptado)) return {};
  Pitido_fallo(v);
  if (!escritura) return escritura;
  return Abandono(puerto, kPeticion_bloque, "0x30", segunda);
}

}  // namespace r27
