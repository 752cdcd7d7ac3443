// The start-up parse of the embedded firmware image.
#include "app/nucleo/abrir_hex.h"

#include <algorithm>
#include <new>
#include <string>

namespace r27 {

namespace {

constexpr uint8_t kSegmento_identidad = 0x18;
constexpr uint16_t kDireccion_version = 0x0010;
constexpr uint16_t kDireccion_build = 0x0016;
constexpr int kCaracteres_version = 4;
constexpr int kCaracteres_build = 5;
constexpr int kSin_segmento = -1;

std::string Texto_fallo(uint8_t codigo, int32_t linea) {
  const std::string prefijo = "La linea: " + std::to_string(linea);
  switch (codigo) {
    case kNo_es_registro:
      return prefijo + " NO es un record";
    case kChecksum_incorrecto:
      return prefijo + " tiene un checksum incorrecto";
    case kSin_mas_lineas:
      return "El fichero ha terminado antes de lo esperado";
    default:
      return prefijo + " tiene un formato incorrecto";
  }
}

// Copies up to `cuantos` data bytes of the record into the version text. A record
// shorter than that fills only what it holds; the rest of the field becomes 0 so
// nothing is read beyond the record's data.
void Copiar_campo(char* destino, const Registro_hex& registro, int cuantos) {
  const int disponibles = std::min<int>(cuantos, registro.longitud);
  for (int i = 0; i < cuantos; ++i)
    destino[i] = i < disponibles ? static_cast<char>(registro.datos[i]) : '\0';
}

void Anotar_version(Estado_ventana& estado, const Registro_hex& registro) {
  char* v = estado.version_fichero.data();
  if (registro.direccion == kDireccion_version) {
    Copiar_campo(v, registro, kCaracteres_version);
    v[4] = '.';
  } else if (registro.direccion == kDireccion_build) {
    Copiar_campo(v + 5, registro, kCaracteres_build);
    v[10] = '\0';
  }
}

}  // namespace

void Abrir_hex(Interfaz_ventana& ventana, Lector_lineas& lineas, std::unique_ptr<Lector_hex>& hex) {
  Estado_ventana& estado = ventana.Estado();
  estado.segmentos_presentes.fill(0);
  lineas.Rebobinar();

  hex.reset();
  hex.reset(new (std::nothrow) Lector_hex(lineas));
  if (!hex) {
    Pitido_fallo(ventana);
    ventana.Mensaje("No he podido crear el objeto que interpreta el .hex");
    lineas.Rebobinar();
    return;
  }

  uint8_t datos[256];
  Registro_hex registro;
  registro.datos = datos;
  // No segment until the first extended linear address record: data before it
  // never touches the version.
  int segmento = kSin_segmento;
  int32_t registros = 0;

  for (;;) {
    const uint8_t codigo = hex->Leer_registro(registro);
    if (codigo != kRegistro_valido) {
      Pitido_fallo(ventana);
      ventana.Mensaje(Texto_fallo(codigo, hex->Linea()));
      hex.reset();
      return;
    }
    ++registros;

    if (registro.tipo == kTipo_fin) break;
    if (registro.tipo == kTipo_direccion_lineal) {
      // The segment is the low byte of the upper address word, the second data
      // byte; a record too short to hold it names no segment.
      segmento = registro.longitud >= 2 ? datos[1] : kSin_segmento;
      if (segmento >= 0 && segmento < static_cast<int>(estado.segmentos_presentes.size()))
        estado.segmentos_presentes[static_cast<size_t>(segmento)] = 1;
    } else if (registro.tipo == kTipo_datos && segmento == kSegmento_identidad) {
      Anotar_version(estado, registro);
    }
  }
  hex->numero_registros = registros;
}

}  // namespace r27
