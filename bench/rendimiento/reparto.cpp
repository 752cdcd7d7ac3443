#include "bench/rendimiento/reparto.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "bench/rendimiento/registro_linea.h"

namespace r27::banco {

namespace {

using Tramos = std::vector<std::pair<double, double>>;

double Us(uint64_t us) { return double(us) / 1e6; }

// Sorted, merged and clipped to [t0, t1].
Tramos Unir(Tramos v, double t0, double t1) {
  for (auto& [a, b] : v) {
    a = std::max(a, t0);
    b = std::min(b, t1);
  }
  std::erase_if(v, [](const auto& p) { return p.second <= p.first; });
  std::sort(v.begin(), v.end());
  Tramos r;
  for (const auto& p : v) {
    if (!r.empty() && p.first <= r.back().second)
      r.back().second = std::max(r.back().second, p.second);
    else
      r.push_back(p);
  }
  return r;
}

double Medida(const Tramos& v) {
  double m = 0;
  for (const auto& [a, b] : v) m += b - a;
  return m;
}

// What of `a` lies outside `b` (both merged).
Tramos Restar(const Tramos& a, const Tramos& b) {
  Tramos r;
  size_t j = 0;
  for (auto [inicio, fin] : a) {
    while (j < b.size() && b[j].second <= inicio) ++j;
    for (size_t k = j; k < b.size() && b[k].first < fin; ++k) {
      if (b[k].first > inicio) r.emplace_back(inicio, b[k].first);
      inicio = std::max(inicio, b[k].second);
    }
    if (inicio < fin) r.emplace_back(inicio, fin);
  }
  return r;
}

}  // namespace

double Trabajo_medidor_s(std::span<const uint8_t> p, const sim::Config_medidor& c) {
  const size_t n = p.size();
  if (n == 0) return 0;
  const double reaccion = Us(c.t_respuesta_us);
  switch (p[0]) {
    case 0x09:  // the burn: every segment of the map erased, then written
      if (n == 66 && p[1] == 0x40) {
        const auto segmentos = std::count_if(p.begin() + 2, p.end(), [](uint8_t b) { return b; });
        return double(segmentos) * Us(c.t_borrado_segmento_us + c.t_programa_segmento_us) +
               reaccion;
      }
      break;
    case 0x07:  // staging erase of segment bytes S..E
      if (n == 8 && p[1] == 0x06 && p[7] >= p[4])
        return double(p[7] - p[4] + 1) * Us(c.t_borrado_preparacion_us) + reaccion;
      break;
    case 0x0C:  // sector erase, sector confirmation
    case 0x06:
      if (n == 2) return Us(c.t_sector_us) + reaccion;
      break;
    case 0x5B:  // staged sector write or erase
      if (n == 12) return Us(c.t_sector_us) + reaccion;
      break;
    case 0x02:  // an EEPROM page write: 5 ms per 64 bytes
      if (n >= 7 && p[2] == 0x50 && p[3] == 0x52 && p[4] == 0x08)
        return double((n - 7 + 63) / 64) * Us(c.t_pagina_eeprom_us) + reaccion;
      break;
    case 0xCC:  // the module update
    case 0x4C:
      if (n == 9 && p[3] == 0x20) return Us(c.t_mpeg4_us);
      break;
    case 0xBC:  // a keyboard firmware block
      if (n == 66 && p[1] == 0x40) return Us(c.t_bloque_teclado_us) + reaccion;
      break;
    default:
      break;
  }
  return reaccion;
}

Reparto Repartir(std::span<const Suceso_linea> sucesos, double t0, double t1,
                 const sim::Config_medidor& c) {
  Tramos medidor, esperas, cable;
  uint32_t baudios = 115'200;
  for (size_t i = 0; i < sucesos.size(); ++i) {
    const Suceso_linea& s = sucesos[i];
    const double byte = Segundos_byte(baudios);
    switch (s.tipo) {
      case Tipo_suceso::Escritura: {
        const double llegada = s.t + double(s.valor) * byte;
        cable.emplace_back(s.t, llegada);
        // The meter's work counts for requests that are answered (the next step
        // of the updater, pauses aside, is a read) and for the long ones.
        size_t j = i + 1;
        while (j < sucesos.size() &&
               (sucesos[j].tipo == Tipo_suceso::Pausa || sucesos[j].tipo == Tipo_suceso::Marca))
          ++j;
        const double trabajo = Trabajo_medidor_s(s.bytes, c);
        const bool respondida = j < sucesos.size() && sucesos[j].tipo == Tipo_suceso::Lectura;
        if (respondida || trabajo > Us(c.t_respuesta_us))
          medidor.emplace_back(llegada, llegada + trabajo);
        break;
      }
      case Tipo_suceso::Lectura:
        cable.emplace_back(s.t - double(s.valor) * byte, s.t);
        break;
      case Tipo_suceso::Pausa:
        esperas.emplace_back(s.t, s.t + double(s.valor) / 1000.0);
        break;
      case Tipo_suceso::Apertura:
        baudios = s.valor;
        break;
      case Tipo_suceso::Purga:
      case Tipo_suceso::Marca:
        break;
    }
  }
  const Tramos m = Unir(std::move(medidor), t0, t1);
  const Tramos e = Restar(Unir(std::move(esperas), t0, t1), m);
  Tramos ocupado = m;
  ocupado.insert(ocupado.end(), e.begin(), e.end());
  ocupado = Unir(std::move(ocupado), t0, t1);
  const Tramos w = Restar(Unir(std::move(cable), t0, t1), ocupado);
  Reparto r;
  r.total_s = t1 - t0;
  r.medidor_s = Medida(m);
  r.esperas_s = Medida(e);
  r.cable_s = Medida(w);
  r.resto_s = r.total_s - r.medidor_s - r.esperas_s - r.cable_s;
  return r;
}

}  // namespace r27::banco
