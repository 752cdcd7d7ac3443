#pragma once
// Where the time of a stretch of a run went, read off its transcript: each
// instant is the meter's own work (the simulated meter's configured timings for
// the request being served: sector work, burn per segment, module update,
// EEPROM pages, its reaction to each request), else a pause the protocol
// prescribes (the window clock's sleeps), else bytes on the wire, else the rest
// (the updater's own work and the system's latency). Overlaps go to the first
// of these: a pause while the meter burns costs nothing the burn did not.
#include <cstdint>
#include <span>

#include "bench/flash/cliente_referencia.h"
#include "sim/config_simulador.h"

namespace r27::banco {

struct Reparto {
  double total_s = 0;
  double medidor_s = 0;
  double esperas_s = 0;
  double cable_s = 0;
  double resto_s = 0;
};

// The meter's own work that request `peticion` starts, by the timings of `c`:
// what it takes from the request's last byte to the answer's first.
double Trabajo_medidor_s(std::span<const uint8_t> peticion, const sim::Config_medidor& c);

// Splits [t0, t1] of the transcript `sucesos`; the rate of each byte is the one
// of the last opening before it (115,200 before any).
Reparto Repartir(std::span<const Suceso_linea> sucesos, double t0, double t1,
                 const sim::Config_medidor& c);

}  // namespace r27::banco
