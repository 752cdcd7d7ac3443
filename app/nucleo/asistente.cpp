// The wizard's two clicks, the port search and the checks before an update.
#include "app/nucleo/asistente.h"

#include <algorithm>
#include <climits>

#include "components/memoria_medidor.h"

namespace r27 {

int Numero_de_nombre_puerto(const std::string& nombre) {
  if (nombre.compare(0, 3, "COM") != 0) return 0;
  int numero = 0;
  size_t i = 3;
  for (; i < nombre.size() && nombre[i] >= '0' && nombre[i] <= '9'; ++i) {
    const int cifra = nombre[i] - '0';
    if (numero > (INT_MAX - cifra) / 10) return 0;  // no port has such a number
    numero = numero * 10 + cifra;
  }
  return numero;
}

std::vector<int> Puertos_de_busqueda(const Directorio_puertos& directorio) {
  std::vector<int> puertos;
  for (int n = kPrimer_puerto_busqueda; n <= kUltimo_puerto_busqueda; ++n)
    if (directorio.Existe(n)) puertos.push_back(n);
  for (const std::string& nombre : directorio.Nombres_sistema()) {
    const int n = Numero_de_nombre_puerto(nombre);
    if (n > 0 && std::find(puertos.begin(), puertos.end(), n) == puertos.end())
      puertos.push_back(n);
  }
  return puertos;
}

Asistente::Asistente(Interfaz_ventana& ventana, Conexion& conexion, Vista_asistente& vista,
                     const Directorio_puertos& directorio, const Textos_idioma& textos)
    : ventana_(ventana),
      conexion_(conexion),
      vista_(vista),
      directorio_(directorio),
      textos_(textos) {}

void Asistente::Button_buscar_puertoClick() {
  // The button is hidden and the menus are disabled while a search runs; a click
  // already queued when that happened must not start a second one inside it.
  if (buscando_) return;
  if (paso_asistente == 0) {
    Primer_paso();
  } else {
    Segundo_paso();
  }
}

void Asistente::Actualizar1Click() {
  if (buscando_) return;
  vista_.Mostrar_imagen(kImagen_conectar);
  vista_.Mostrar_numeros(true);
  paso_asistente = 1;
  Button_buscar_puertoClick();
}

void Asistente::Primer_paso() {
  vista_.Mostrar_pantalla(Pantalla_conectar(textos_));
  paso_asistente = 1;
  if (fallos_busqueda >= kFallos_antes_de_manual) {
    fallos_busqueda = 0;
    vista_.Elegir_manual();
  }
}

bool Asistente::Probar(int puerto) {
  Estado_ventana& e = ventana_.Estado();
  // A program that is closing tries no further port.
  if (e.saliendo) return false;
  e.puerto = puerto;
  vista_.Fijar_linea2(Linea_buscando(textos_, puerto));
  ventana_.Procesar_mensajes();
  conexion_.Conectar();
  if (!e.conectado) Anotar_rechazo(puerto);
  return e.conectado;
}

void Asistente::Anotar_rechazo(int puerto) {
  const Fallo_apertura fallo = ventana_.Puerto().Ultimo_fallo_apertura();
  // Ports that do not exist or are no serial device are simply not the meter.
  if (fallo != Fallo_apertura::sin_permiso && fallo != Fallo_apertura::ocupado) return;
  puertos_sin_abrir.push_back({puerto, directorio_.Ruta(puerto).value_or(""), fallo});
}

void Asistente::Busqueda_automatica() {
  Estado_ventana& e = ventana_.Estado();
  // Ports of the first pass; numbers above 15 are never taken as tried.
  std::array<bool, kUltimo_puerto_busqueda + 1> probados{};
  for (int n = kPrimer_puerto_busqueda; n <= kUltimo_puerto_busqueda; ++n) {
    if (!directorio_.Existe(n)) continue;
    probados[static_cast<size_t>(n)] = true;
    if (Probar(n)) return;
  }
  for (const std::string& nombre : directorio_.Nombres_sistema()) {
    const int n = Numero_de_nombre_puerto(nombre);
    // Names that are not COM ports, or carry no port number, are skipped.
    if (n <= 0) continue;
    e.puerto = n;
    if (n <= kUltimo_puerto_busqueda && probados[static_cast<size_t>(n)]) continue;
    if (Probar(n)) return;
  }
}

void Asistente::No_encontrado() {
  Estado_ventana& e = ventana_.Estado();
  ++fallos_busqueda;
  vista_.Mostrar_pantalla(e.respuesta_m ? Pantalla_no_encontrado_m(textos_)
                                        : Pantalla_no_encontrado(textos_));
  const auto hay = [&](Fallo_apertura f) {
    return std::any_of(puertos_sin_abrir.begin(), puertos_sin_abrir.end(),
                       [f](const Puerto_rechazado& p) { return p.fallo == f; });
  };
  desenlace = e.respuesta_m                      ? Desenlace_busqueda::respuesta_m
              : hay(Fallo_apertura::sin_permiso) ? Desenlace_busqueda::sin_permiso
              : hay(Fallo_apertura::ocupado)     ? Desenlace_busqueda::ocupado
                                                 : Desenlace_busqueda::no_encontrado;
  vista_.Mostrar_boton(true);
  vista_.Habilitar_menus(true);
  paso_asistente = 0;
  // The meter may well be on a port that could not be opened: say which, and the fix.
  if (!puertos_sin_abrir.empty())
    ventana_.Mensaje(Texto_puertos_sin_abrir(puertos_sin_abrir, textos_));
}

void Asistente::Segundo_paso() {
  Estado_ventana& e = ventana_.Estado();
  struct Marca {
    bool& b;
    explicit Marca(bool& x) : b(x) { b = true; }
    ~Marca() { b = false; }
  } marca(buscando_);

  puertos_sin_abrir.clear();
  desenlace = Desenlace_busqueda::sin_busqueda;
  vista_.Habilitar_menus(false);
  vista_.Mostrar_pantalla(Pantalla_buscando(textos_, e.puerto));
  if (vista_.Modo_automatico()) {
    Busqueda_automatica();
  } else {
    Probar(e.puerto);
  }
  if (!e.conectado) {
    No_encontrado();
    return;
  }
  fallos_busqueda = 0;

  if (Nivel_rechaza(Leer_promedio(ventana_), kNivel_minimo, e.modo_arranque)) {
    vista_.Mostrar_pantalla(Pantalla_rechazo_nivel(textos_));
    desenlace = Desenlace_busqueda::rechazo_nivel;
    Desconectar();
    return;
  }
  if (!Comprobar_bus(ventana_)) {
    vista_.Mostrar_pantalla(Pantalla_rechazo_estado(textos_));
    desenlace = Desenlace_busqueda::rechazo_estado;
    Desconectar();
    return;
  }
  if (!conexion_.Medidor_listo()) {
    Desconectar();
    vista_.Mostrar_pantalla(e.familia_valida ? Pantalla_nada_familia(textos_)
                                             : Pantalla_nada_ajena(textos_));
    desenlace = !e.familia_valida || e.familia_ajena ? Desenlace_busqueda::rechazo_familia
                : e.region_usa                       ? Desenlace_busqueda::rechazo_region
                                                     : Desenlace_busqueda::nada_que_hacer;
    return;
  }
  // The watch may have let the meter go while window messages ran.
  if (!e.conectado) {
    No_encontrado();
    return;
  }
  desenlace = Desenlace_busqueda::listo;
  if (ejecutar_actualizacion) {
    ejecutar_actualizacion();
  } else {
    Volver_al_inicio();
  }
}

void Asistente::Desconectar() {
  Estado_ventana& e = ventana_.Estado();
  // Only a connected meter is let go: on a lost connection the connect click
  // would start a new one.
  conexion_.Desconectar();
  ventana_.Puerto().Cerrar();
  e.conectado = false;
  vista_.Ocultar_progreso();
  vista_.Mostrar_boton(true);
  vista_.Habilitar_menus(true);
  paso_asistente = 0;
}

void Asistente::Volver_al_inicio() {
  Desconectar();
  vista_.Mostrar_pantalla(
      Pantalla_inicio(textos_, Linea_version(ventana_.Estado().version_fichero)));
}

}  // namespace r27
