#pragma once
// A backend that plays a driver from a script: how many bytes sit in the transmit
// queue, how many a write takes and how much virtual time it costs, what the
// reads find. It logs every call and whether the port's lock was held during it.
#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/backend_serie.h"
#include "link/mutex_puerto.h"
#include "link/reloj.h"

namespace r27::prueba {

class Backend_falso final : public Backend_serie {
 public:
  Backend_falso(Reloj_virtual& reloj, const std::string& nombre_mutex)
      : reloj_(reloj), testigo_(nombre_mutex) {}

  // The script.
  bool abre = true;
  uint32_t en_cola = 0;
  bool error_linea = false;
  bool consulta_falla = false;
  bool desaparecido = false;  // the device is gone (the queue query then reports it)
  uint32_t acepta_por_escritura = 0xFFFFFFFF;  // the driver takes at most this per write
  uint32_t ms_por_escritura = 0;               // virtual time one write takes
  int error_tras_escrituras = -1;              // line error after this many writes
  bool lanza_al_escribir = false;
  uint32_t entrega_por_lectura = 0xFFFFFFFF;
  std::deque<uint8_t> entrada;
  std::string dispositivo;  // the device's name (empty: it names none)

  // What happened.
  std::vector<std::string> llamadas;
  std::vector<uint8_t> escritos;
  std::vector<uint32_t> tamanos_escritura, tamanos_lectura;
  DCB_linea linea{};
  int llamadas_sin_cerrojo = 0;

  bool Abrir(int numero, const DCB_linea& l) override {
    Anotar("Abrir " + std::to_string(numero));
    linea = l;
    abierto_ = abre;
    return abre;
  }
  void Cerrar() override {
    Anotar("Cerrar");
    abierto_ = false;
  }
  bool Esta_abierto() const override { return abierto_; }
  bool Desaparecido() const override { return abierto_ && desaparecido; }
  uint32_t Escribir(const uint8_t* datos, uint32_t n) override {
    Anotar("Escribir");
    if (lanza_al_escribir) throw std::runtime_error("driver");
    tamanos_escritura.push_back(n);
    reloj_.Dormir_ms(ms_por_escritura);
    const uint32_t hechos = std::min(n, acepta_por_escritura);
    escritos.insert(escritos.end(), datos, datos + hechos);
    if (error_tras_escrituras > 0 && --error_tras_escrituras == 0) error_linea = true;
    return hechos;
  }
  uint32_t Leer(uint8_t* destino, uint32_t n) override {
    Anotar("Leer");
    tamanos_lectura.push_back(n);
    const uint32_t dar = std::min({n, entrega_por_lectura, static_cast<uint32_t>(entrada.size())});
    for (uint32_t i = 0; i < dar; ++i) {
      destino[i] = entrada.front();
      entrada.pop_front();
    }
    return dar;
  }
  bool Consultar_cola(Estado_cola& estado) override {
    Anotar("Consultar");
    estado.bytes_en_salida = en_cola;
    estado.error_linea = error_linea || desaparecido;
    return !consulta_falla;
  }
  void Purgar(bool rx, bool tx) override {
    Anotar(std::string("Purgar ") + (rx ? "rx" : "") + (tx ? "tx" : ""));
  }
  void Fijar_rts(bool activo) override { Anotar(activo ? "RTS 1" : "RTS 0"); }
  std::string Dispositivo(int) const override { return dispositivo; }

  // True when nobody holds the lock now (a second holder of the same name can take it).
  bool Cerrojo_libre() {
    if (!testigo_.Intentar_bloquear()) return false;
    testigo_.Liberar();
    return true;
  }

 private:
  void Anotar(const std::string& llamada) {
    llamadas.push_back(llamada);
    if (Cerrojo_libre()) ++llamadas_sin_cerrojo;
  }

  Reloj_virtual& reloj_;
  Mutex_Puerto testigo_;
  bool abierto_ = false;
};

}  // namespace r27::prueba
