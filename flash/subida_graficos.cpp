// Status pictures into the meter's image area.
#include "flash/subida_graficos.h"

#include <algorithm>
#include <array>

#include "components/memoria_medidor.h"
#include "flash/bloque.h"
#include "incrustado/graficos_estado.h"
#include "link/peticiones.h"

namespace r27 {

namespace {
constexpr uint32_t kSegmento_bytes = 0x10000;
}  // namespace

std::span<const uint8_t> Tablas_graficos() {
  const auto datos = datos::graficos_estado();
  return datos.first(std::min<size_t>(datos.size(), size_t{kBytes_tabla} * kNumero_imagenes));
}

Subida_graficos::Subida_graficos(Interfaz_ventana& ventana)
    : Subida_graficos(ventana, Tablas_graficos()) {}

Subida_graficos::Subida_graficos(Interfaz_ventana& ventana, std::span<const uint8_t> tablas)
    : Subida_graficos(ventana, ventana.Estado().inicio_operacion, tablas) {}

Subida_graficos::Subida_graficos(Contexto_paso& paso, const int64_t& inicio_operacion,
                                 std::span<const uint8_t> tablas)
    : paso_(paso), inicio_operacion_(inicio_operacion), tablas_(tablas) {}

void Subida_graficos::Borrar_graficos() {
  if (!activo) return;
  constexpr std::string_view kPeticion = "Borrar_graficos";
  Puerto_serie& puerto = paso_.Puerto();
  Drenar(puerto);
  const auto orden = Orden_borrado_staging(
      segmento_base, static_cast<uint8_t>(segmento_base + kSegmentos_area_graficos));
  if (!Escribir_todo(puerto, orden, kPeticion)) return;
  const Respuesta r =
      Esperar_byte(paso_, inicio_operacion_, Plazo::Hasta(kEspera_borrar_graficos_s));
  if (r.Es(kRespuesta_borrado_staging)) return;
  if (r.llego) Pitido_fallo(paso_);
  (void)Abandono(puerto, kPeticion, "0x70", r);  // the pictures only tell the trace
}

void Subida_graficos::Enviar_imagen(int imagen) {
  segmento = segmento_base;
  if (!activo || imagen < 1 || imagen > kNumero_imagenes) return;
  const size_t inicio_tabla = size_t{kBytes_tabla} * static_cast<size_t>(imagen - 1);
  if (tablas_.size() < inicio_tabla + kBytes_tabla) return;
  const uint8_t* entrada = tablas_.data() + inicio_tabla;
  const int arriba = imagen <= kActualizando_firmware ? kFila_imagen_firmware : kFila_imagen_mpeg;

  uint32_t vueltas = 0;
  std::array<uint8_t, kColumnas_primer_bloque * 2> bloque{};
  for (int fila = 0; fila < kAlto_imagen; ++fila) {
    for (int columna : {0, kColumnas_primer_bloque}) {
      const int columnas =
          columna == 0 ? kColumnas_primer_bloque : kAncho_imagen - kColumnas_primer_bloque;
      const uint32_t offset = uint32_t{direccion_base} +
                              static_cast<uint32_t>((arriba + fila) * kBytes_fila_pantalla) +
                              static_cast<uint32_t>((kColumna_imagen + columna) * 2);
      // A block is placed by its first byte: it moves to the next segment only when
      // that byte lies past the current one.
      if (offset - vueltas * kSegmento_bytes > 0xFFFF) {
        ++segmento;
        ++vueltas;
      }
      const size_t n = static_cast<size_t>(columnas) * 2;
      for (size_t i = 0; i < n; ++i) bloque[i] = entrada[2 * i];  // low byte of each entry
      entrada += 2 * n;
      // A meter that answers at once leaves the block sender no empty poll to
      // let window messages run in: they run here, once a block.
      paso_.Procesar_mensajes();
      if (paso_.Cancelada()) return;
      // A refused block is not reported and the next one goes. But a meter that
      // did not even answer the fillers of the resynchronisation is not
      // listening: the rest of the picture would cost about 9 s a block (over 20
      // minutes) and show nothing, so the picture is left there.
      const uint32_t antes_ms = paso_.Reloj_().Ticks_ms();
      if (!Enviar_bloque(static_cast<uint16_t>(offset),
                         std::span<const uint8_t>(bloque.data(), n)) &&
          paso_.Reloj_().Ticks_ms() - antes_ms >= kEspera_resincronizar_s * 1000)
        return;
    }
  }
}

Resultado Subida_graficos::Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos) {
  // An area that starts below segment 0x80 is not one the meter can hold
  // pictures in: the whole picture is skipped, also the rows that run on into
  // the following segment.
  if (segmento_base < kSegmento_minimo_guardado) return {};
  return r27::Enviar_bloque(paso_, kEmisor_graficos, segmento, direccion, datos);
}

}  // namespace r27
