// The profile names, profile values and band frequencies of the zone records.
#include "factory/tablas_zona.h"

#include <cstddef>

namespace r27 {

namespace {

// One 16-byte name entry from a text of at most 16 bytes, zero-padded.
template <size_t N>
constexpr std::array<uint8_t, kBytes_entrada_nombre> Entrada(const char (&texto)[N]) {
  static_assert(N - 1 <= kBytes_entrada_nombre, "a name entry holds 16 bytes");
  std::array<uint8_t, kBytes_entrada_nombre> e{};
  for (size_t i = 0; i + 1 < N; ++i) e[i] = static_cast<uint8_t>(texto[i]);
  return e;
}

constexpr std::array<uint8_t, kBytes_entrada_nombre> kVacia{};

}  // namespace

// Languages: 0 Spanish, 1 English, 2 German, 3 Portuguese, 4 French, 5 Italian,
// 6 English texts, 7 Russian, 8 Polish, 9 English texts.
const Tabla_nombres kNombres_toma = {
    Entrada("Toma"),
    Entrada("Outlet"),
    Entrada("Steckdose"),
    Entrada("Tomada"),
    Entrada("Prise"),
    Entrada("Presa"),
    Entrada("Outlet"),
    Entrada("\xC0\xDE\xD7\xD5\xE2\xDA\xD0"),  // "Розетка", ISO-8859-5
    Entrada("Gniazdo"),
    Entrada("Outlet"),
    kVacia,
    kVacia,
};

const Tabla_nombres kNombres_cabecera = {
    Entrada("Cabecera"),
    Entrada("Head-end"),
    Entrada("Kopfstation"),
    Entrada("Central"),
    Entrada("Station de t\xEAte"),  // "Station de tête", Latin-1
    Entrada("Centrale"),
    Entrada("Head-end"),
    Entrada("\xB3\xDE\xDB\xDE\xD2 \xE1\xE2\xD0\xDD\xE6\xD8\xEF"),  // "Голов станция", ISO-8859-5
    Entrada("Stacja czo\xB3owa"),                                  // "Stacja czołowa", ISO-8859-2
    Entrada("Head-end"),
    kVacia,
    kVacia,
};

const Tabla_nombres kNombres_perfil = {
    Entrada("Perfil"),
    Entrada("Profile"),
    Entrada("Profile"),
    Entrada("Perfil"),
    Entrada("Profil"),
    Entrada("Profilo"),
    Entrada("Profile"),
    Entrada("\xBF\xE0\xDE\xE4\xD8\xDB\xEC"),  // "Профиль", ISO-8859-5
    Entrada("profil"),
    Entrada("Profile"),
    kVacia,
    kVacia,
};

// Values 0..33 are common to both records; 34..95 (non-US) and 34..89 (US) differ.
const std::array<int16_t, kValores_perfil> kValores_perfil_base = {
    570, 750, 470, 800, 430, 350, 80,  200, 50,   250, 400, 350, 450, 650, 350, 700,  // 0..15
    250, 200, 470, 730, 400, 770, 110, 60,  470,  730, 400, 770, 450, 650, 400, 700,  // 16..31
    380, 330,                                                                         // 32..33
    250, 200, 450, 350, 590, 420, 230, 200, 190,  150, 550, 450, 250, 230,            // 34..47
    110, 60,  450, 350, 590, 420, 90,  70,  110,  60,  15,  30,  450, 350, 450, 350,  // 48..63
    90,  70,  450, 350, 20,  5,   -15, -20, 670,  850, 570, 900, 250, 200, 450, 350,  // 64..79
    590, 420, 230, 200, 60,  30,  -50, 50,  -150, 150, 520, 500, 520, 500, 200, 500,  // 80..95
};

const std::array<int16_t, kValores_perfil_usa> kValores_perfil_base_usa = {
    570, 750, 470, 800, 430, 350, 80, 200, 50, 250, 400, 350, 450, 650, 350, 700,   // 0..15
    250, 200, 470, 730, 400, 770, 110, 60, 470, 730, 400, 770, 450, 650, 400, 700,  // 16..31
    380, 330,                                                                       // 32..33
    // 34..47; 40 and 41 are not used
    250, 200, 590, 420, 250, 200, 0, 0, 190, 150, 550, 450, 250, 230, 110, 60, 450, 350, 590, 420,
    90, 70, 110, 60, 15, 30, 450, 350, 450, 350,                              // 48..63
    90, 70, 450, 350, 590, 420, 50, 30, 20, 5, -15, -20, 670, 850, 570, 900,  // 64..79
    -50, 50, -150, 150, 520, 500, 520, 500, 200, 500,                         // 80..89
};

const std::array<Sustitucion_perfil, 8> kSustituciones_cabecera = {{
    {1, 1150},
    {3, 1200},
    {13, 1150},
    {15, 1200},
    {19, 1050},
    {21, 1100},
    {29, 1150},
    {31, 1200},
}};

const Frecuencias_banda kBandas_aleman = {1178000, 1280000, 1382000, 1484000,
                                          1586000, 1688000, 1790000, 1892000};
const Frecuencias_banda kBandas_italiano = {1210000, 1420000, 1680000, 2040000,
                                            1586000, 1688000, 1790000, 1892000};
const Frecuencias_banda kBandas_comunes = {1680000, 1420000, 2040000, 1210000,
                                           1680000, 1420000, 2040000, 1210000};

}  // namespace r27
