// Several meters updated at once: one session per meter on its own thread, their
// progress lines drawn together, and a table of outcomes at the end.
#include "app/linea/bandeja_linea.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/linea/codigos_salida.h"
#include "app/linea/ejecutar_linea.h"
#include "app/linea/identidad_linea.h"
#include "app/linea/mensajes_linea.h"
#include "app/linea/progreso_linea.h"
#include "app/nucleo/asistente.h"
#include "link/directorio_fijo.h"

namespace r27 {

namespace {

using Reloj_real = std::chrono::steady_clock;

constexpr auto kRedibujo_terminal = std::chrono::milliseconds(kRedibujo_terminal_us / 1000);
constexpr auto kIntervalo_sin_terminal =
    std::chrono::milliseconds(kIntervalo_sin_terminal_us / 1000);

// One meter's session: what it runs on and what it leaves.
struct Sesion {
  int numero = 0;
  std::string ruta;    // the path it was given by, else the stable one it is held by
  std::string nombre;  // how its lines and its block are named
  std::unique_ptr<Directorio_fijo> fijo;
  Medios_medidor medios;
  std::istringstream entrada;  // no questions: --si answers them
  std::ostringstream texto;    // the session's own output, printed when it ends
  Resumen_linea resumen;
  int salida = kSalida_correcta;
  bool vio_interrupcion = false;
  // Shared with the drawing thread, under the tray's lock.
  std::string linea;
  bool terminada = false;
  bool impresa = false;
};

// Results that say the port led to no meter: with --todos such ports are not
// meters of the tray.
bool Sin_medidor(const Resumen_linea& r) {
  return !r.antes && (r.resultado == "not-found" || r.resultado == "port-busy" ||
                      r.resultado == "no-permission");
}

std::string Com(int numero) { return "COM" + std::to_string(numero); }

std::string Identidad_corta(const std::optional<Ficha_medidor>& ficha) {
  if (!ficha) return "-";
  std::string t = ficha->familia + " " + Version_completa_de_ficha(*ficha);
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return t;
}

// `texto` cut to `ancho` characters (UTF-8), as a terminal line that must not wrap.
std::string Cortar_texto(const std::string& texto, size_t ancho) {
  size_t caracteres = 0;
  for (size_t i = 0; i < texto.size(); ++i) {
    // A character starts at every byte that is not a continuation byte.
    if ((static_cast<unsigned char>(texto[i]) & 0xC0) != 0x80 && caracteres++ == ancho)
      return texto.substr(0, i);
  }
  return texto;
}

std::string Con_prefijo(const std::string& prefijo, const std::string& texto) {
  std::string r;
  std::istringstream lineas(texto);
  for (std::string l; std::getline(lineas, l);) r += prefijo + l + "\n";
  return r;
}

class Bandeja {
 public:
  Bandeja(const Opciones_linea& opciones, Entorno_bandeja& entorno)
      : opciones_(opciones),
        entorno_(entorno),
        humano_(opciones.json ? *entorno.errores : *entorno.salida),
        terminal_(opciones.json ? entorno.errores_terminal : entorno.salida_terminal) {}

  int Ejecutar(std::vector<Resumen_linea>* resumenes);

 private:
  bool Elegir_puertos(std::vector<Puerto_pedido>& puertos);
  void Preparar(const Puerto_pedido& puerto);
  void Correr(Sesion& s);
  void Al_cambiar_actualizando(bool actualizando);
  // The drawing loop: until every session has ended.
  void Vigilar();
  void Imprimir_terminadas();
  void Dibujar_lineas();
  void Borrar_lineas();
  int Error_orden(const std::string& texto);

  const Opciones_linea& opciones_;
  Entorno_bandeja& entorno_;
  std::ostream& humano_;
  const bool terminal_;
  std::vector<std::unique_ptr<Sesion>> sesiones_;
  std::mutex cerrojo_;
  std::condition_variable cambio_;
  std::atomic<bool> interrupcion_{false};
  int actualizando_ = 0;
  int lineas_en_pantalla_ = 0;
  std::string ultimo_bloque_;
};

int Bandeja::Error_orden(const std::string& texto) {
  *entorno_.errores << "r27-actualizar: " << texto << '\n';
  return kSalida_orden_erronea;
}

bool Bandeja::Elegir_puertos(std::vector<Puerto_pedido>& puertos) {
  if (opciones_.todos) {
    for (int n : Puertos_de_busqueda(*entorno_.directorio)) puertos.push_back({n, {}});
    return true;
  }
  for (const Puerto_pedido& p : opciones_.puertos) {
    int n = p.numero;
    if (!p.ruta.empty()) {
      if (!entorno_.numero_de_ruta) {
        Error_orden(entorno_.textos(kTl_rutas_no_admitidas));
        return false;
      }
      std::string error;
      const std::optional<int> numero = entorno_.numero_de_ruta(p.ruta, error);
      if (!numero) {
        Error_orden(error);
        return false;
      }
      n = *numero;
    }
    if (std::any_of(puertos.begin(), puertos.end(),
                    [n](const Puerto_pedido& q) { return q.numero == n; })) {
      Error_orden(entorno_.textos(kTl_puerto_dos_veces, {p.ruta.empty() ? Com(n) : p.ruta}));
      return false;
    }
    puertos.push_back({n, p.ruta});
  }
  std::sort(puertos.begin(), puertos.end(),
            [](const Puerto_pedido& a, const Puerto_pedido& b) { return a.numero < b.numero; });
  return true;
}

void Bandeja::Preparar(const Puerto_pedido& puerto) {
  auto s = std::make_unique<Sesion>();
  s->numero = puerto.numero;
  std::string ruta = entorno_.directorio->Ruta(puerto.numero).value_or("");
  if (!ruta.empty() && entorno_.ruta_estable) ruta = entorno_.ruta_estable(ruta);
  s->ruta = puerto.ruta.empty() ? ruta : puerto.ruta;
  s->nombre = Nombre_de_medidor(s->ruta, puerto.numero);
  s->fijo = std::make_unique<Directorio_fijo>(puerto.numero, ruta);
  s->medios = entorno_.medios(puerto.numero, *s->fijo);
  sesiones_.push_back(std::move(s));
}

void Bandeja::Al_cambiar_actualizando(bool actualizando) {
  std::lock_guard<std::mutex> l(cerrojo_);
  const bool antes = actualizando_ > 0;
  actualizando_ += actualizando ? 1 : -1;
  if (entorno_.al_cambiar_actualizando && antes != (actualizando_ > 0))
    entorno_.al_cambiar_actualizando(actualizando_ > 0);
}

void Bandeja::Correr(Sesion& s) {
  Entorno_linea e;
  e.backend = std::move(s.medios.backend);
  e.reloj = s.medios.reloj;
  e.directorio = s.fijo.get();
  e.entrada = &s.entrada;
  e.salida = &s.texto;
  e.errores = &s.texto;
  e.textos = entorno_.textos;
  e.windows64 = entorno_.windows64;
  e.historial = entorno_.historial;
  e.ruta_medidor = s.ruta;
  e.al_cambiar_actualizando = [this](bool actualizando) { Al_cambiar_actualizando(actualizando); };
  // Ctrl-C reaches every session once, as it reaches a single run.
  e.tomar_interrupcion = [this, &s] {
    if (s.vio_interrupcion || !interrupcion_) return false;
    s.vio_interrupcion = true;
    return true;
  };
  e.al_progreso = [this, &s](const std::string& linea) {
    std::lock_guard<std::mutex> l(cerrojo_);
    s.linea = linea;
  };
  Opciones_linea o = opciones_;
  o.puertos = {Puerto_pedido{s.numero, {}}};
  o.todos = false;
  o.json = false;
  if (!o.traza.empty()) o.traza = Traza_de_medidor(o.traza, s.numero);
  s.salida = Ejecutar_linea(o, e, &s.resumen);
  {
    std::lock_guard<std::mutex> l(cerrojo_);
    s.terminada = true;
  }
  cambio_.notify_all();
}

void Bandeja::Borrar_lineas() {
  if (!terminal_ || lineas_en_pantalla_ == 0) return;
  humano_ << "\033[" << lineas_en_pantalla_ << "A\r\033[J";
  lineas_en_pantalla_ = 0;
}

void Bandeja::Dibujar_lineas() {
  int n = 0;
  std::string bloque;
  for (const auto& s : sesiones_) {
    if (s->terminada || s->linea.empty()) continue;
    std::string linea = s->nombre + ": " + s->linea;
    if (terminal_ && entorno_.columnas > 1)
      linea = Cortar_texto(linea, static_cast<size_t>(entorno_.columnas - 1));
    bloque += linea + (terminal_ ? "\033[K\n" : "\n");
    ++n;
  }
  // An unchanged block is left as it stands: no flicker, no needless output.
  if (terminal_ && lineas_en_pantalla_ == n && bloque == ultimo_bloque_) return;
  ultimo_bloque_ = bloque;
  if (terminal_) Borrar_lineas();
  humano_ << bloque;
  humano_.flush();
  lineas_en_pantalla_ = terminal_ ? n : 0;
}

void Bandeja::Imprimir_terminadas() {
  bool alguna = false;
  for (const auto& s : sesiones_) {
    if (!s->terminada || s->impresa) continue;
    s->impresa = true;
    // With --todos, a port without a meter has nothing to say.
    if (opciones_.todos && Sin_medidor(s->resumen)) continue;
    if (!alguna) Borrar_lineas();
    alguna = true;
    humano_ << Con_prefijo(s->nombre + ": ", s->texto.str());
  }
  if (alguna) humano_.flush();
}

void Bandeja::Vigilar() {
  auto ultimo_dibujo = Reloj_real::now();
  std::unique_lock<std::mutex> l(cerrojo_);
  for (;;) {
    const bool todas =
        std::all_of(sesiones_.begin(), sesiones_.end(), [](const auto& s) { return s->terminada; });
    Imprimir_terminadas();
    if (todas) break;
    const auto ahora = Reloj_real::now();
    if (ahora - ultimo_dibujo >= (terminal_ ? kRedibujo_terminal : kIntervalo_sin_terminal)) {
      Dibujar_lineas();
      ultimo_dibujo = ahora;
    }
    cambio_.wait_for(l, kRedibujo_terminal);
    l.unlock();
    const bool pedido = entorno_.tomar_interrupcion && entorno_.tomar_interrupcion();
    l.lock();
    if (pedido) {
      // Each session takes it where its meter is safe; a refusal is told at once,
      // above the progress lines (the sessions' own texts come when they end).
      interrupcion_ = true;
      if (actualizando_ > 0) {
        Borrar_lineas();
        humano_ << entorno_.textos.Asistente()[Texto::AVISOACT] << '\n';
        humano_.flush();
      }
    }
  }
  Borrar_lineas();
}

int Bandeja::Ejecutar(std::vector<Resumen_linea>* resumenes) {
  std::vector<Puerto_pedido> puertos;
  if (!Elegir_puertos(puertos)) return kSalida_orden_erronea;
  for (const Puerto_pedido& p : puertos) Preparar(p);

  std::vector<std::thread> hilos;
  for (auto& s : sesiones_) hilos.emplace_back([this, &s] { Correr(*s); });
  Vigilar();
  for (std::thread& h : hilos) h.join();

  std::vector<Resumen_linea> tabla;
  bool sin_permiso = false;
  bool ocupado = false;
  for (const auto& s : sesiones_) {
    if (opciones_.todos && Sin_medidor(s->resumen)) {
      // A port that could not be opened may hold a meter: the technician is told.
      if (s->resumen.resultado == "port-busy" || s->resumen.resultado == "no-permission") {
        humano_ << entorno_.textos(kTl_no_buscado, {s->nombre, Texto_desenlace(s->resumen.resultado,
                                                                               entorno_.textos)})
                << '\n';
        sin_permiso = sin_permiso || s->resumen.resultado == "no-permission";
        ocupado = ocupado || s->resumen.resultado == "port-busy";
      }
      continue;
    }
    tabla.push_back(s->resumen);
  }

  int codigo = kSalida_correcta;
  if (tabla.empty()) {
    humano_ << entorno_.textos.Asistente()[Texto::P6_E1_L1] << '\n';
    codigo = sin_permiso ? kSalida_sin_permiso
             : ocupado   ? kSalida_puerto_ocupado
                         : kSalida_no_encontrado;
  }
  for (const Resumen_linea& r : tabla) {
    if (r.codigo_salida != kSalida_correcta) {
      codigo = r.codigo_salida;
      break;
    }
  }
  if (!tabla.empty()) humano_ << Tabla_bandeja(tabla, entorno_.textos);
  humano_.flush();
  if (opciones_.json) {
    std::string json = "[";
    for (size_t i = 0; i < tabla.size(); ++i) json += (i ? "," : "") + Json_resumen(tabla[i]);
    *entorno_.salida << json << "]\n";
    entorno_.salida->flush();
  }
  if (resumenes) *resumenes = std::move(tabla);
  return codigo;
}

}  // namespace

std::string Traza_de_medidor(const std::string& traza, int numero) {
  const size_t barra = traza.find_last_of("/\\");
  const size_t punto = traza.rfind('.');
  const bool con_extension =
      punto != std::string::npos && punto != 0 && (barra == std::string::npos || punto > barra + 1);
  const std::string sufijo = "-" + Com(numero);
  if (!con_extension) return traza + sufijo;
  return traza.substr(0, punto) + sufijo + traza.substr(punto);
}

std::string Nombre_de_medidor(const std::string& ruta, int numero) {
  if (ruta.empty() || ruta.rfind("\\\\.\\", 0) == 0) return numero > 0 ? Com(numero) : ruta;
  return ruta;
}

std::string Tabla_bandeja(const std::vector<Resumen_linea>& resumenes, const Idioma_linea& t) {
  const std::vector<std::string> cabecera = {
      t(kTl_tabla_puerto), t(kTl_tabla_antes),  t(kTl_tabla_despues), t(kTl_tabla_resultado),
      t(kTl_tabla_codigo), t(kTl_tabla_tiempo), t(kTl_tabla_motivo)};
  std::vector<std::vector<std::string>> filas = {cabecera};
  for (const Resumen_linea& r : resumenes) {
    char duracion[32];
    std::snprintf(duracion, sizeof duracion, "%.1f s", r.duracion_s);
    filas.push_back({Nombre_de_medidor(r.ruta, r.puerto), Identidad_corta(r.antes),
                     Identidad_corta(r.despues), Texto_desenlace(r.resultado, t),
                     r.codigo_resultado ? std::to_string(r.codigo_resultado) : "-", duracion,
                     r.codigo_salida != kSalida_correcta ? t.Motivo_de_texto(r.motivo) : ""});
  }
  std::vector<size_t> ancho(cabecera.size(), 0);
  for (const auto& f : filas)
    for (size_t c = 0; c < f.size(); ++c) ancho[c] = std::max(ancho[c], Ancho_texto(f[c]));
  std::string texto;
  for (const auto& f : filas) {
    std::string linea;
    for (size_t c = 0; c < f.size(); ++c)
      linea += c + 1 < f.size() ? Columna(f[c], ancho[c] + 2) : f[c];
    while (!linea.empty() && linea.back() == ' ') linea.pop_back();
    texto += linea + "\n";
  }
  return texto;
}

int Ejecutar_bandeja(const Opciones_linea& opciones, Entorno_bandeja& entorno,
                     std::vector<Resumen_linea>* resumenes) {
  Bandeja bandeja(opciones, entorno);
  return bandeja.Ejecutar(resumenes);
}

}  // namespace r27
