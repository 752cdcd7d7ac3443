// The default configuration and profile records, byte by byte.
#include "factory/registros_zona.h"

#include <algorithm>
#include <initializer_list>

#include "factory/tablas_zona.h"

namespace r27 {

namespace {

// Writes a record from the start of its slot with a running index.
class Escritor_registro {
 public:
  explicit Escritor_registro(Ranura_registro ranura) : r_(ranura) {
    std::fill(r_.begin(), r_.end(), uint8_t{0});
  }
  void Byte(uint8_t b) { r_[i_++] = b; }
  void Bytes(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) Byte(b);
  }
  void Repetir(uint8_t b, size_t n) {
    for (size_t k = 0; k < n; ++k) Byte(b);
  }
  void U16(uint16_t v) {
    Byte(static_cast<uint8_t>(v));
    Byte(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void Saltar(size_t n) { i_ += n; }  // leaves the cleared bytes as they are

  // The end marker, then byte 1 = total length, byte 2 = 0, and the checksum (the
  // XOR of every earlier byte). Returns the length.
  size_t Cerrar(uint8_t fin) {
    Byte(fin);
    const size_t longitud = i_ + 1;
    r_[1] = static_cast<uint8_t>(longitud);
    r_[2] = 0;
    uint8_t x = 0;
    for (size_t k = 0; k < i_; ++k) x ^= r_[k];
    r_[i_] = x;
    return longitud;
  }

 private:
  Ranura_registro r_;
  size_t i_ = 0;
};

// Frequencies in kHz.
constexpr uint32_t kFrecuencia_fi_khz = 455250;  // twice
constexpr uint32_t kFrecuencia_satelite_khz = 1500000;
constexpr uint32_t kFrecuencia_fm_khz = 95000;
// Offset of the audio carrier.
constexpr uint16_t kPortadora_audio_khz = 5500;
constexpr uint16_t kPortadora_audio_ruso_khz = 6500;
constexpr uint16_t kPortadora_audio_usa_khz = 4500;
// The ten 16-bit values after the bytes 0A 00 FF 00.
constexpr uint16_t kEscala[10] = {95, 250, 450, 650, 750, 1000, 1200, 1400, 1800, 2100};

constexpr int32_t kIdioma_ingles = 1;
constexpr int32_t kIdioma_aleman = 2;
constexpr int32_t kIdioma_portugues = 3;
constexpr int32_t kIdioma_frances = 4;
constexpr int32_t kIdioma_italiano = 5;
constexpr int32_t kIdioma_ruso = 7;
constexpr int32_t kPlan_que_cuenta = 4;

const Frecuencias_banda& Bandas(int32_t idioma) {
  if (idioma == kIdioma_aleman) return kBandas_aleman;
  if (idioma == kIdioma_italiano) return kBandas_italiano;
  return kBandas_comunes;
}

uint8_t Byte_34(int32_t idioma) {
  switch (idioma) {
    case kIdioma_frances:
      return 1;
    case kIdioma_italiano:
      return 3;
    case kIdioma_ruso:
      return 2;
    default:
      return 0;
  }
}

uint8_t Byte_35(int32_t idioma) {
  if (idioma == kIdioma_portugues) return 13;
  if (idioma == kIdioma_ruso) return 8;
  return 2;
}

uint8_t Byte_66(int32_t idioma, int32_t indice_plan) {
  const bool siete =
      idioma == kIdioma_frances || (idioma == kIdioma_ingles && indice_plan == kPlan_que_cuenta);
  return siete ? 7 : 0;
}

const std::array<uint8_t, kBytes_entrada_nombre>* Entrada_nombre(const Tabla_nombres& tabla,
                                                                 int32_t idioma) {
  if (idioma < 0 || idioma >= kEntradas_nombres) return nullptr;
  return &tabla[static_cast<size_t>(idioma)];
}

// The name text of profile p: the entry's text, and the digit for profiles 2, 3.
// Its first 8 bytes go into the record, zero-padded; a longer text is cut
// without a terminator.
void Escribir_nombre(Escritor_registro& e, uint8_t perfil, int32_t idioma) {
  const Tabla_nombres& tabla =
      perfil == 0 ? kNombres_toma : (perfil == 1 ? kNombres_cabecera : kNombres_perfil);
  std::array<uint8_t, kBytes_entrada_nombre + 2> texto{};
  size_t n = 0;
  if (const auto* entrada = Entrada_nombre(tabla, idioma))
    while (n < entrada->size() && (*entrada)[n] != 0) texto[n] = (*entrada)[n], ++n;
  if (perfil >= 2) texto[n++] = static_cast<uint8_t>('1' + (perfil - 2));
  for (size_t k = 0; k < kBytes_nombre_perfil; ++k) e.Byte(texto[k]);
}

}  // namespace

size_t Registro_configuracion(Ranura_registro ranura, const Hechos_zona& h) {
  const bool usa = h.region_usa;
  const int32_t idioma = h.idioma;
  Escritor_registro e(ranura);
  e.Bytes({kMarca_configuracion, 0, 0, kVersion_configuracion});
  if (usa)
    e.Bytes({0x05, 0x0F, 0x01, 0x01, 0x01, 0x0A, 0x32, 0x32, 0x32, 0x00});  // 4..13
  else
    e.Bytes({0x05, 0x00, 0x01, 0x00, 0x01, 0x0A, 0x32, 0x32, 0x32, 0x01});
  e.Byte(static_cast<uint8_t>(idioma));  // 14
  e.Bytes({0x32, 0x32, 0x00});           // 15..17
  e.U32(kFrecuencia_fi_khz);             // 18..21
  e.U32(kFrecuencia_fi_khz);             // 22..25
  e.U32(kFrecuencia_satelite_khz);       // 26..29
  e.U32(kFrecuencia_fm_khz);             // 30..33
  if (usa) {
    e.Bytes({0x00, 0x0B});  // 34, 35
  } else {
    e.Byte(Byte_34(idioma));
    e.Byte(Byte_35(idioma));
  }
  e.Bytes({0x10, 0x00, 0x00, 0x00, 0x00});                          // 36..40
  e.Byte(usa ? 0x0F : 0x01);                                        // 41
  e.Bytes({0x03, 0x00, 0x00, 0x12, 0x00, 0x0F, 0x0A, 0x00, 0x20});  // 42..50
  if (usa) {
    e.Bytes({0x06, 0x03});  // 51, 52
  } else {
    e.Byte(idioma == kIdioma_ruso ? 1 : 0);
    e.Byte(0x00);
  }
  e.Bytes({0x00, 0x01, 0x3E, 0x17, 0x00, 0x00});  // 53..58
  e.U16(usa                      ? kPortadora_audio_usa_khz
        : idioma == kIdioma_ruso ? kPortadora_audio_ruso_khz
                                 : kPortadora_audio_khz);  // 59, 60
  e.Bytes({0x00, 0x0A, 0x00, 0x00, 0x00});                 // 61..65
  if (usa) {
    e.Bytes({0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x06, 0x02, 0x02});  // 66..74
  } else {
    e.Byte(Byte_66(idioma, h.indice_plan));  // 66
    e.Bytes(h.estado_b5 ? std::initializer_list<uint8_t>{0x06, 0x07}
                        : std::initializer_list<uint8_t>{0x02, 0x04});  // 67, 68
    e.Bytes({0x02, 0x00, 0x00, 0x00, 0x06, 0x02});                      // 69..74
  }
  e.Repetir(0x00, 7);  // 75..81
  e.Bytes({0x0A, 0x06, 0x00, 0x00, 0x0A, 0x32, 0x00, 0x19, 0x00, 0x01,
           0x07, 0x00, 0x01, 0x01, 0x00, 0x01, 0x02, 0x00, 0x01, 0x32});         // 82..101
  e.Byte(usa ? 0x01 : 0x00);                                                     // 102
  e.Bytes({0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x32, 0xFF, 0xFF, 0x00});   // 103..113
  for (uint32_t khz : Bandas(idioma)) e.U16(static_cast<uint16_t>(khz / 1000));  // 114..129
  e.Repetir(0x00, usa ? 30 : 18);           // 130..147 (US 130..159)
  e.Repetir(0xFF, 9);                       // 148..156 (US 160..168)
  if (usa) e.Byte(0x01);                    // US 169
  e.Bytes({0x0A, 0x00, 0xFF, 0x00});        // 157..160 (US 170..173)
  for (uint16_t v : kEscala) e.U16(v);      // 161..180 (US 174..193)
  e.Repetir(0x00, 2 * std::size(kEscala));  // 181..200 (US 194..213)
  return e.Cerrar(kFin_configuracion);
}

size_t Registro_perfil(Ranura_registro ranura, uint8_t perfil, int32_t idioma, bool region_usa) {
  if (perfil >= kPerfiles) perfil = 0;
  Escritor_registro e(ranura);
  e.Bytes({kMarca_perfil, 0, 0, kTipo_perfil});
  Escribir_nombre(e, perfil, idioma);

  std::array<int16_t, kValores_perfil> valores{};
  const size_t n = region_usa ? kValores_perfil_usa : kValores_perfil;
  if (region_usa)
    std::copy(kValores_perfil_base_usa.begin(), kValores_perfil_base_usa.end(), valores.begin());
  else
    valores = kValores_perfil_base;
  if (perfil == 1)
    for (const Sustitucion_perfil& s : kSustituciones_cabecera) valores[s.indice] = s.valor;

  for (size_t k = 0; k < n; ++k) {
    const bool hueco = region_usa && k >= kPrimer_valor_hueco_usa &&
                       k < kPrimer_valor_hueco_usa + kValores_hueco_usa;
    if (hueco)
      e.Saltar(2);
    else
      e.U16(static_cast<uint16_t>(valores[k]));
  }
  return e.Cerrar(kFin_perfil);
}

}  // namespace r27
