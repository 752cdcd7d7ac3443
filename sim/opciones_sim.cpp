#include "sim/opciones_sim.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace r27::sim {
namespace {

bool Numero(const std::string& t, uint64_t maximo, uint64_t& v) {
  if (t.empty() || t[0] == '-' || t[0] == '+') return false;
  errno = 0;
  char* fin = nullptr;
  unsigned long long n = std::strtoull(t.c_str(), &fin, 0);
  if (errno != 0 || *fin != '\0' || n > maximo) return false;
  v = n;
  return true;
}

bool Decimal(const std::string& t, double& v) {
  if (t.empty()) return false;
  errno = 0;
  char* fin = nullptr;
  v = std::strtod(t.c_str(), &fin);
  return errno == 0 && *fin == '\0';
}

std::vector<std::string> Partir(const std::string& t, char sep) {
  std::vector<std::string> partes;
  std::stringstream ss(t);
  std::string parte;
  while (std::getline(ss, parte, sep)) partes.push_back(parte);
  if (!t.empty() && t.back() == sep) partes.emplace_back();
  return partes;
}

bool Versiones(const std::string& t, Versiones_mpeg4& v) {
  auto p = Partir(t, ',');
  uint64_t a, b, c, d;
  if (p.size() != 4 || !Numero(p[0], 0xFFFF, a) || !Numero(p[1], 0xFFFF, b) ||
      !Numero(p[2], 0xFF, c) || !Numero(p[3], 0xFF, d)) {
    return false;
  }
  v = {static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint8_t>(c),
       static_cast<uint8_t>(d)};
  return true;
}

bool Peticion_de(const std::string& nombre, Peticion& p) {
  for (int i = 0; i < kNum_peticiones; ++i) {
    if (nombre == Nombre_peticion(static_cast<Peticion>(i))) {
      p = static_cast<Peticion>(i);
      return true;
    }
  }
  return false;
}

bool Tipo_de(const std::string& nombre, Tipo_fallo& t) {
  for (Tipo_fallo c :
       {Tipo_fallo::Ack_perdido, Tipo_fallo::Ack_erroneo, Tipo_fallo::Paquete_alterado,
        Tipo_fallo::Silencio, Tipo_fallo::Reinicio, Tipo_fallo::Desenchufe,
        Tipo_fallo::Liberacion_espuria, Tipo_fallo::Respuesta_m, Tipo_fallo::Respuesta_arranque,
        Tipo_fallo::Respuesta_tardia}) {
    if (nombre == Nombre_fallo(c)) {
      t = c;
      return true;
    }
  }
  return false;
}

}  // namespace

bool Leer_fallo(const std::string& texto, Fallo& f, std::string& error) {
  auto partes = Partir(texto, ':');
  f = Fallo{};
  if (partes.size() < 2 || !Tipo_de(partes[0], f.tipo) || !Peticion_de(partes[1], f.peticion)) {
    error = "fallo no valido: " + texto + " (TIPO:PETICION[:n=N][:veces=K][:p=P][:ms=D])";
    return false;
  }
  for (size_t i = 2; i < partes.size(); ++i) {
    auto igual = partes[i].find('=');
    std::string clave = partes[i].substr(0, igual);
    std::string valor = igual == std::string::npos ? "" : partes[i].substr(igual + 1);
    uint64_t n = 0;
    bool ok;
    if (clave == "n") {
      ok = Numero(valor, UINT32_MAX, n) && n > 0;
      f.enesima = static_cast<uint32_t>(n);
    } else if (clave == "veces") {
      ok = Numero(valor, UINT32_MAX, n) && n > 0;
      f.veces = static_cast<uint32_t>(n);
    } else if (clave == "p") {
      ok = Decimal(valor, f.probabilidad) && f.probabilidad > 0.0 && f.probabilidad <= 1.0;
    } else if (clave == "ms") {
      ok = Numero(valor, UINT64_MAX / 1000, n);
      f.duracion_us = n * 1000;
    } else {
      ok = false;
    }
    if (!ok) {
      error = "fallo no valido: " + texto + " (" + partes[i] + ")";
      return false;
    }
  }
  if (f.enesima == 0 && f.probabilidad == 0.0) {
    error = "fallo sin n= ni p=: " + texto;
    return false;
  }
  return true;
}

bool Leer_opciones(const std::vector<std::string>& a, Opciones_sim& o, std::string& error) {
  Config_medidor& c = o.medidor;
  // In real time the pseudo-terminal, not the updater, decides when bytes arrive:
  // no rule on the gaps inside a packet unless one is asked for.
  c.t_entre_bytes_us = 0;
  std::string opcion_medidor;  // the first option that sets up the meter
  for (size_t i = 0; i < a.size(); ++i) {
    const std::string& op = a[i];
    auto valor = [&](std::string& v) {
      if (i + 1 >= a.size()) {
        error = "falta el valor de " + op;
        return false;
      }
      v = a[++i];
      return true;
    };
    auto entero = [&](uint64_t maximo, uint64_t& n) {
      std::string v;
      if (!valor(v)) return false;
      if (!Numero(v, maximo, n)) {
        error = "valor no valido para " + op + ": " + v;
        return false;
      }
      return true;
    };
    auto texto = [&](size_t minimo, size_t maximo, std::string& destino) {
      std::string v;
      if (!valor(v)) return false;
      if (v.size() < minimo || v.size() > maximo) {
        error = "valor no valido para " + op + ": " + v;
        return false;
      }
      destino = v;
      return true;
    };
    auto ms = [&](uint64_t& destino_us, uint64_t escala) {
      uint64_t n;
      if (!entero(UINT64_MAX / 1'000'000, n)) return false;
      destino_us = n * escala;
      return true;
    };
    uint64_t n = 0;
    std::string v;
    bool ok = true;
    if (op == "-h" || op == "--help") {
      o.ayuda = true;
    } else if (op == "--com") {
      ok = entero(255, n) && n >= 1;
      if (ok)
        o.com = static_cast<int>(n);
      else if (error.empty())
        error = "valor no valido para --com";
    } else if (op == "--enlace") {
      ok = texto(1, 4096, o.enlace);
    } else if (op == "--informe") {
      ok = texto(1, 4096, o.informe);
    } else if (op == "--volver") {
      ok = entero(INT64_MAX, n);
      o.volver_ms = static_cast<int64_t>(n);
    } else if (op == "--latencia") {
      ok = entero(kMaximo_latencia_ms, n);
      o.latencia_ms = static_cast<uint32_t>(n);
    } else if (op == "--reproducir") {
      ok = texto(1, 4096, o.reproducir);
    } else if (op == "--ritmo") {
      c.ritmo = true;
    } else if (op == "--familia") {
      ok = texto(0, 11, c.familia);
    } else if (op == "--region") {
      ok = texto(0, 3, c.region);
    } else if (op == "--version") {
      ok = texto(4, 4, c.version);
    } else if (op == "--build") {
      ok = texto(5, 5, c.build);
    } else if (op == "--idioma") {
      ok = entero(255, n);
      c.idioma = static_cast<uint8_t>(n);
    } else if (op == "--fpga") {
      ok = valor(v);
      auto p = Partir(v, '.');
      uint64_t mayor, menor;
      if (ok && (p.size() != 2 || !Numero(p[0], 255, mayor) || !Numero(p[1], 255, menor))) {
        error = "valor no valido para --fpga: " + v;
        ok = false;
      }
      if (ok) {
        c.fpga_mayor = static_cast<uint8_t>(mayor);
        c.fpga_menor = static_cast<uint8_t>(menor);
      }
    } else if (op == "--nivel") {
      ok = entero(0xFFFF, n);
      c.nivel = static_cast<uint16_t>(n);
    } else if (op == "--estado26") {
      ok = entero(0xFF, n);
      c.bloque_estado[26] = static_cast<uint8_t>(n);
    } else if (op == "--bus8") {
      ok = entero(0xFF, n);
      c.bus_registro8 = static_cast<uint8_t>(n);
    } else if (op == "--bus12") {
      ok = entero(0xFF, n);
      c.bus_registro12 = static_cast<uint8_t>(n);
    } else if (op == "--bus-sin-listo") {
      c.bus_sin_listo = true;
    } else if (op == "--arranque") {
      c.etapa_arranque = true;
    } else if (op == "--rechazo") {
      c.rechazo = true;
    } else if (op == "--confirmar-sin-eco") {
      c.confirmar_sin_eco = true;
    } else if (op == "--grabacion-sin-efecto") {
      c.grabacion_sin_efecto = true;
    } else if (op == "--sin-graficos") {
      c.graficos = false;
    } else if (op == "--graficos") {
      ok = valor(v);
      auto p = Partir(v, ':');
      uint64_t s, d;
      if (ok && (p.size() != 2 || !Numero(p[0], 0xFF, s) || !Numero(p[1], 0xFFFF, d))) {
        error = "valor no valido para --graficos: " + v;
        ok = false;
      }
      if (ok) {
        c.graficos = true;
        c.graficos_segmento = static_cast<uint8_t>(s);
        c.graficos_direccion = static_cast<uint16_t>(d);
      }
    } else if (op == "--relleno") {
      ok = valor(v);
      if (ok && v != "?" && v != "f") {
        error = "--relleno es ? o f";
        ok = false;
      }
      if (ok) c.respuesta_relleno = static_cast<uint8_t>(v[0]);
    } else if (op == "--sin-mpeg4") {
      c.mpeg4 = false;
    } else if (op == "--mpeg4" || op == "--mpeg4-nueva") {
      ok = valor(v);
      if (ok && !Versiones(v, op == "--mpeg4" ? c.mpeg4_actual : c.mpeg4_nueva)) {
        error = "valor no valido para " + op + " (APLICACION,BUILD,DECODIFICADORES,ARRANQUE): " + v;
        ok = false;
      }
    } else if (op == "--mpeg4-sin-cabecera") {
      c.mpeg4_comprobar_cabecera = false;
    } else if (op == "--teclado") {
      ok = valor(v);
      std::vector<uint8_t> codigos;
      for (const auto& p : Partir(v, ',')) {
        if (!ok || !Numero(p, 255, n)) {
          error = "valor no valido para --teclado: " + v;
          ok = false;
          break;
        }
        codigos.push_back(static_cast<uint8_t>(n));
      }
      if (ok) c.secuencia_teclado = codigos;
    } else if (op == "--teclado-error-id") {
      c.teclado_fallo_id = true;
    } else if (op == "--teclado-error-verificacion") {
      c.teclado_fallo_verificacion = true;
    } else if (op == "--t-reinicio") {
      ok = ms(c.t_reinicio_us, 1000);
    } else if (op == "--t-sector") {
      ok = ms(c.t_sector_us, 1000);
    } else if (op == "--t-borrado-segmento") {
      ok = ms(c.t_borrado_segmento_us, 1000);
    } else if (op == "--t-programa-segmento") {
      ok = ms(c.t_programa_segmento_us, 1000);
    } else if (op == "--parar-lectura") {
      ok = entero(UINT32_MAX, n);
      o.parar_lectura_ms = static_cast<int64_t>(n);
    } else if (op == "--t-entre-bytes") {
      ok = ms(c.t_entre_bytes_us, 1000);
    } else if (op == "--t-mpeg4") {
      ok = ms(c.t_mpeg4_us, 1'000'000);
    } else if (op == "--fallo") {
      ok = valor(v);
      Fallo f;
      if (ok && (ok = Leer_fallo(v, f, error))) c.fallos.push_back(f);
    } else if (op == "--semilla") {
      ok = entero(UINT64_MAX, n);
      c.semilla = n;
    } else {
      error = "opcion desconocida: " + op;
      ok = false;
    }
    if (!ok) return false;
    const bool de_servicio = op == "-h" || op == "--help" || op == "--com" || op == "--enlace" ||
                             op == "--latencia" || op == "--reproducir" || op == "--parar-lectura";
    if (!de_servicio && opcion_medidor.empty()) opcion_medidor = op;
  }
  if (!o.reproducir.empty() && !opcion_medidor.empty()) {
    error = "--reproducir no admite " + opcion_medidor + ": la traza hace de medidor";
    return false;
  }
  return true;
}

const char* Texto_ayuda() {
  return R"(r27-sim: medidor R27 simulado en un pseudoterminal.

Uso: r27-sim [opciones]
Imprime la ruta del esclavo y una linea R27_PUERTOS="COM<n>=<ruta>" y sirve el
medidor hasta SIGINT o SIGTERM. Con SIGUSR1 el medidor envia 0x0A (pide que lo
suelten).

Servicio:
  --com N                 numero COM de la linea R27_PUERTOS (3)
  --enlace RUTA           enlace simbolico al esclavo; se borra al salir
  --ritmo                 bytes al ritmo de la linea (11 bits por byte)
  --volver MS             tras un desenchufe, volver a enchufar pasados MS ms
  --informe FICHERO       al salir, escribe lo que guarda el medidor (firmware igual
                          a la imagen incrustada, version, FPGA, MPEG-4, reinicios)
  --latencia MS           un adaptador USB-serie con temporizador de latencia de MS ms
                          (0-255) entre medidor y PC: cada respuesta corta espera en
                          su bufer hasta el siguiente tic del temporizador
  --parar-lectura MS      pasados MS ms el medidor se cuelga y deja de leer la linea
  --reproducir TRAZA      en lugar del medidor, la traza de r27-actualizar --traza:
                          contesta cada escritura con lo que la traza leyo tras ella,
                          con sus retrasos, y se para avisando donde el actualizador
                          se aparta de ella (sale con estado 3)
Identidad:
  --familia TXT (QZT)  --region TXT (EUR)  --version X.YY (3.00)  --build NNNNN (00000)
  --idioma N (0)  --fpga M.m (3.2)  --nivel N (120)  --estado26 N (0)
  --bus8 N (0)  --bus12 N (0)  --bus-sin-listo
  --arranque              contesta 0xD5 (etapa de arranque)
  --rechazo               contesta "m" (0x6D)
  --graficos SEG:DIR      area de graficos (0xF0:0)    --sin-graficos
  --relleno ?|f           respuesta a los bytes de relleno (?)
  --confirmar-sin-eco     contesta 0x06 n solo con 0x60, sin repetir n
  --grabacion-sin-efecto  la grabacion de la flash contesta como siempre pero deja
                          la flash como estaba (firmware e identidad viejos)
Modulo MPEG-4:
  --sin-mpeg4  --mpeg4 A,B,D,R (132,0,5,2)  --mpeg4-nueva A,B,D,R (133,0,5,2)
  --mpeg4-sin-cabecera    no exige "RDHB" al principio de la aplicacion
Teclado:
  --teclado C,C,...       codigos que envia el medidor (3,5,14,6,14,16,17,18)
  --teclado-error-id  --teclado-error-verificacion
Tiempos:
  --t-reinicio MS (3000)  --t-sector MS (1200)  --t-borrado-segmento MS (200)
  --t-programa-segmento MS (800)  --t-mpeg4 S (300)
  --t-entre-bytes MS      descarta un paquete con un silencio mas largo entre dos
                          de sus bytes, y lo dice (sin regla si no se pide)
Fallos (repetible):
  --fallo TIPO:PETICION[:n=N][:veces=K][:p=P][:ms=D]   --semilla N (1)
  TIPO: ack-perdido ack-erroneo alterado silencio reinicio desenchufe liberacion
    respuesta-m respuesta-arranque tardia (ms=D: la respuesta sale D ms tarde)
  PETICION: cualquiera sondeo liberacion lectura-memoria lectura-bus
    escritura-memoria escritura-bus escritura-eeprom bloque carga-programa
    carga-arranque confirmar-sector borrado-preparacion grabacion borrado-sector
    preparar-mpeg4 fin bloque-preparacion sector-preparacion listo relleno
    teclado paquete-teclado info-mpeg4 serie-mpeg4 actualizar-mpeg4
)";
}

}  // namespace r27::sim
